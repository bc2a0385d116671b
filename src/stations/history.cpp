#include "stations/history.h"

#include "settings/appsettings.h"

History::History(QObject* parent) : BramblerStations(parent) {}

QString History::fileName() const {
    return m_fileName.isEmpty() ? AppSettings::instance()->historyFile() : m_fileName;
}

void History::clear() {
    BramblerStations::clear();
    m_presets.clear();
}

void History::reload() {
    clear();
    load(fileName());
}

void History::addPreset(const QString& key, Preset* preset) {
    BramblerStations::addPreset(key, preset);
    m_presets << allPresets.last();
}

Preset* History::add(const Preset& preset) {
    auto copy = QSharedPointer<Preset>::create(preset);
    // The key is the one the entry gets when the file is read back (title and addresses; the
    // reader files history stations after computing it), so a station played again after a
    // restart is found.
    copy->personal = true;
    copy->group = nullptr;
    copy->groupName.reset();
    copy->computeId(true);
    m_presets.removeIf([&copy](const QSharedPointer<Preset>& p) { return p->id == copy->id; });
    m_presets.prepend(copy);
    return copy.get();
}

RadioStations::PresetList History::recent() const {
    const qsizetype wanted = AppSettings::instance()->MaxHistoryLength();
    const qsizetype count = qBound(qsizetype(0), wanted, m_presets.size());
    PresetList out;
    out.reserve(count);
    for (qsizetype i = 0; i < count; ++i)
        out << m_presets.at(i).get();
    return out;
}

void History::writeGroups(QIODevice* device, const GroupList& groups) {
    Q_UNUSED(groups);
    for (const Preset* p : recent())
        writeStation(writerFor(device), *p);
}

bool History::save() {
    return saveReporting(fileName(), tr("Failed to open history file"),
                         tr("Failed to write history file"));
}
