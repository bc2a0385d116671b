#include "stations/favorites.h"

#include "settings/appsettings.h"
#include "stations/listsaver.h"

#include <QSet>
#include <functional>

namespace {

void collect(const RadioStations::GroupList& groups, RadioStations::PresetList& out) {
    for (const auto& g : groups) {
        out << g->stations;
        collect(g->children, out);
    }
}

} // namespace

Favorites::Favorites(QObject* parent) : BramblerStations(parent) {}

QString Favorites::fileName() const {
    return m_fileName.isEmpty() ? AppSettings::instance()->favoritesFile() : m_fileName;
}

void Favorites::reload() {
    clear();
    load(fileName());
    appendRootGroup();
}

Group* Favorites::appendRootGroup() {
    auto root = QSharedPointer<Group>::create();
    root->name = QStringLiteral("Root");
    root->title = root->name;
    root->kind = Group::KindRoot;
    root->icon = &groupIcon;
    topGroups << root;
    return root.get();
}

Group* Favorites::rootGroup() {
    for (const auto& g : std::as_const(topGroups)) {
        if (g->kind == Group::KindRoot)
            return g.get();
    }
    // A list that was never reloaded has no root group yet.
    return appendRootGroup();
}

bool Favorites::contains(const Preset& preset) const {
    PresetList found;
    findByTitle(preset.title, found);
    return !found.isEmpty();
}

Preset* Favorites::add(const Preset& preset) {
    if (preset.sources.isEmpty())
        return nullptr;
    // The key is made the favourites' way (title, group and addresses) before looking for the
    // same entry: a directory station's key holds the addresses only and would never find the
    // favourite it equals, which would then be listed twice.
    Preset copy = preset;
    copy.personal = true;
    copy.group = nullptr;
    copy.computeId(true);
    if (contains(copy)) {
        PresetList same;
        findByPreset(copy, same);
        for (Preset* p : std::as_const(same))
            remove(p);
    }
    auto* record = new Preset(copy);

    const QString name = record->groupNameText();
    if (!name.isEmpty()) {
        Group* target = nullptr;
        for (const auto& g : std::as_const(topGroups)) {
            if (g->name == name) {
                target = g.get();
                break;
            }
        }
        if (!target) {
            auto group = QSharedPointer<Group>::create();
            group->name = name;
            group->title = name;
            group->icon = &groupIcon;
            topGroups << group;
            target = group.get();
        }
        addPreset(record->id, record);
        target->stations << record;
        record->setGroup(target);
    } else {
        addPreset(record->id, record);
        rootGroup()->stations << record;
    }
    return record;
}

void Favorites::remove(Preset* preset) {
    if (!preset)
        return;
    if (byId.value(preset->id) == preset)
        byId.remove(preset->id);
    // Groups hold plain pointers: drop this one now so that nothing points at a freed record.
    std::function<void(const GroupList&)> drop = [&](const GroupList& groups) {
        for (const auto& g : groups) {
            g->stations.removeAll(preset);
            drop(g->children);
        }
    };
    drop(topGroups);
    removePreset(preset);
}

void Favorites::pruneGroups(const GroupList& groups) {
    QSet<const Preset*> live;
    for (const auto& p : std::as_const(allPresets))
        live.insert(p.get());
    for (const auto& g : groups) {
        g->stations.removeIf([&](Preset* p) { return !live.contains(p) || !byId.contains(p->id); });
        pruneGroups(g->children);
    }
}

void Favorites::write(QIODevice* device) {
    writeBegin(device);
    pruneGroups(topGroups);
    writeGroups(device, topGroups);
    writeEnd();
}

bool Favorites::save() {
    return saveReporting(fileName(), tr("Failed to open favorites file"),
                         tr("Failed to write favorites file"));
}

void Favorites::restoreBackup() {
    ListSaver::swapWithBackup(fileName());
    reload();
}

Preset* Favorites::findByKeyPad(int keyPadNum) const {
    if (keyPadNum <= 0)
        return nullptr;
    for (Preset* p : favorites()) {
        if (p->keyPadNum == keyPadNum)
            return p;
    }
    return nullptr;
}

RadioStations::PresetList Favorites::favorites() const {
    PresetList out;
    collect(topGroups, out);
    return out;
}
