#include "stations/bramblerstations.h"

#include "settings/appsettings.h"
#include "stations/busycursor.h"
#include "stations/countryflags.h"
#include "stations/listsaver.h"
#include "stations/qtcompressed.h"
#include "stations/stringpool.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QDataStream>
#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QTextStream>
#include <QXmlStreamReader>
#include <QtEndian>
#include <cerrno>
#include <cstring>
#include <memory>
#include <zlib.h>

namespace {

constexpr qint64 kGzipBlock = 0x40000;

// The system's text for the last error; a file that opened and read fine but holds no valid
// data leaves no system error behind, so it gets a text of its own.
QString systemReason() {
    if (errno == 0)
        return QCoreApplication::translate("BramblerStations", "The file is not a valid gzip file");
    return QString::fromLocal8Bit(std::strerror(errno));
}

// Directory files are written with an XML declaration and a line break before the root tag; only
// such documents get the root check. Documents without a declaration (hand-made lists) are read
// without it.
bool hasDeclarationLine(QByteArrayView head) {
    if (head.startsWith("\xEF\xBB\xBF"))
        head = head.sliced(3);
    if (!head.startsWith("<?xml"))
        return false;
    const qsizetype end = head.indexOf("?>");
    if (end < 0 || end + 2 >= head.size())
        return false;
    const char next = head.at(end + 2);
    return next == '\n' || next == '\r' || next == ' ' || next == '\t';
}

// XML 1.0 has no way to write control characters, lone surrogates or U+FFFE/U+FFFF: a list
// holding one would be written but never read back. They become U+FFFD.
QString xmlSafe(const QString& text) {
    QString out = text;
    const qsizetype size = out.size();
    for (qsizetype i = 0; i < size; ++i) {
        const char16_t c = out.at(i).unicode();
        if (QChar::isHighSurrogate(c) && i + 1 < size &&
            QChar::isLowSurrogate(out.at(i + 1).unicode())) {
            ++i;
            continue;
        }
        const bool control = c < 0x20 && c != u'\t' && c != u'\n' && c != u'\r';
        if (control || QChar::isSurrogate(c) || c == 0xFFFE || c == 0xFFFF)
            out[i] = QChar::ReplacementCharacter;
    }
    return out;
}

} // namespace

BramblerStations::BramblerStations(QObject* parent) : RadioStations(parent) {}

QString BramblerStations::failureText(const QString& what, const QString& fileName,
                                      const QString& reason) const {
    return what + QStringLiteral(".\n") + fileName + QStringLiteral("\n\n") + tr("Reason") +
           QStringLiteral(": ") + reason;
}

void BramblerStations::load(const QString& fileName) {
    BusyCursor busy;
    QFile file(fileName);
    QByteArray data;
    QXmlStreamReader reader;
    bool inMemory = false;

    if (isPersonal()) {
        loadPersonal(fileName, busy);
        return;
    }
    if (fileName.indexOf(QLatin1String(".qwd")) >= 1) {
        if (!file.open(QIODevice::ReadOnly))
            return;
        data = readCompressed(file);
        inMemory = true;
    } else if (fileName.indexOf(QLatin1String(".xml.gz")) >= 1) {
        errno = 0;
        if (!gunzipFile(fileName, data)) {
            const QString reason = systemReason();
            busy.restore();
            report(MessageKind::Critical,
                   failureText(tr("Failed to load presets"), fileName, reason));
            return;
        }
        inMemory = true;
    } else {
        if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
            busy.restore();
            report(MessageKind::Critical,
                   failureText(tr("Failed to open presets file"), fileName, file.errorString()));
            return;
        }
        data = file.peek(512);
        reader.setDevice(&file);
    }
    // The reader takes decompressed text through a device: fed as one block with addData it
    // decodes far more slowly.
    QBuffer buffer(&data);
    if (inMemory) {
        buffer.open(QIODevice::ReadOnly);
        reader.setDevice(&buffer);
        reserveFor(data.count("<Station "));
    }
    const QString error = read(reader, hasDeclarationLine(data));
    if (!error.isEmpty()) {
        busy.restore();
        report(MessageKind::Critical, tr("Failed to load presets") + QStringLiteral(".\n") + error);
    }
}

void BramblerStations::loadPersonal(const QString& fileName, BusyCursor& busy) {
    QFile file(fileName);
    if (QFileInfo(fileName).isDir()) {
        busy.restore();
        report(MessageKind::Critical, fileName + QStringLiteral("\n") +
                                          tr("This is a folder, not a list file: nothing is "
                                             "read from it or written to it."));
        return;
    }
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return;
    QString text = QString::fromUtf8(file.readAll());
    file.close();
    if (text.isEmpty())
        return;
    // The other program writes bare "&" into its favourites; make them valid entities.
    if (text.contains(QStringLiteral("<Brambler version=\"Brambler Radio Favorites\">"))) {
        text.replace(QStringLiteral("&amp;"), QStringLiteral("&"));
        text.replace(QStringLiteral("&"), QStringLiteral("&amp;"));
    }
    QXmlStreamReader reader;
    reader.addData(text);
    const QString error = read(reader, false);
    if (error.isEmpty())
        return;
    // Only part of the file is in memory now: the file itself is kept aside before any save can
    // replace it, and saves of this list leave the backup alone.
    m_partlyRead = true;
    QString message = tr("Failed to load favorites") + QStringLiteral(".\n") + error;
    const QString aside = ListSaver::setAsideName(fileName);
    if (QFile::rename(fileName, aside))
        message += QStringLiteral("\n\n") +
                   tr("The file was set aside as %1; the stations read before the error are kept.")
                       .arg(QDir::toNativeSeparators(aside));
    else
        m_keepFile = true;
    busy.restore();
    report(MessageKind::Critical, message);
}

QByteArray BramblerStations::readCompressed(QFile& file) {
    QDataStream stream(&file);
    QByteArray compressed;
    stream >> compressed;
    if (stream.status() != QDataStream::Ok)
        return QByteArray();
    return uncompressQtBytes(compressed);
}

void BramblerStations::reserveFor(qsizetype stations) {
    // Growing the lists and indexes of a large directory step by step copies them many times.
    allPresets.reserve(allPresets.size() + stations);
    byId.reserve(byId.size() + stations);
    byUrl.reserve(byUrl.size() + stations);
}

QString BramblerStations::read(QXmlStreamReader& reader, bool checkRoot) {
    const bool personalMode = isPersonal();
    genres.clear();
    ethnicGenres.clear();
    networks.clear();

    Group* currentGroup = nullptr;
    std::unique_ptr<Preset> station;
    // The "Source" texts of the unfinished station, indexed once it is finished.
    QStringList sourceTexts;
    QString countryName;
    const QIcon* countryIcon = nullptr;
    bool rootSeen = false;
    // Most stations repeat the country and genre of the one before; the sorted maps are only
    // touched for names not seen yet, which keeps loading a large directory linear.
    QString lastCountry;
    QSet<QString> seenGenres;
    StringPool shared;

    while (!reader.atEnd() && !reader.hasError()) {
        reader.readNext();
        if (reader.isStartElement()) {
            const QStringView element = reader.name();
            const QXmlStreamAttributes attrs = reader.attributes();
            if (!personalMode && checkRoot && !rootSeen) {
                if (!element.contains(QLatin1String("Quillowave"))) {
                    report(MessageKind::Information,
                           tr("Presets file is invalid. Please update your presets file."));
                    return QString();
                }
                version = attrs.value(QLatin1String("version")).toInt();
            }
            rootSeen = true;
            if (element == QLatin1String("Group")) {
                auto group = QSharedPointer<Group>::create();
                group->title = attrs.value(QLatin1String("title")).toString();
                group->name = Group::shortName(group->title);
                group->parent = currentGroup;
                group->icon = &groupIcon;
                if (!currentGroup) {
                    group->kind =
                        group->name == QLatin1String("Root") ? Group::KindRoot : Group::KindTop;
                    topGroups << group;
                } else {
                    if (!personalMode) {
                        group->icon = CountryFlags::flagIcon(group->title);
                        // "Georgia" below "USA" is the state, not the country.
                        if (currentGroup->name == QLatin1String("USA") &&
                            group->title == QLatin1String("Georgia"))
                            group->icon = nullptr;
                        if (group->icon || group->title == QLatin1String("Zambia")) {
                            group->kind = Group::KindCountry;
                            countryIcon = group->icon;
                            countryName = group->title;
                        } else if (!currentGroup->parent) {
                            countryName.clear();
                            countryIcon = nullptr;
                        }
                    }
                    currentGroup->children << group;
                }
                currentGroup = group.get();
            } else if (element == QLatin1String("Station")) {
                station = std::make_unique<Preset>();
                sourceTexts.clear();
                station->title = attrs.value(QLatin1String("title")).toString();
                station->splitDelay = attrs.value(QLatin1String("SplitDelay")).toInt();
                station->keyPadNum = attrs.value(QLatin1String("KeyPadNum")).toInt();
                station->personal = personalMode;
                station->website = attrs.value(QLatin1String("url")).toString();
                station->country = countryName;
                station->flagIcon = countryIcon;
                station->comment = shared.get(attrs.value(QLatin1String("comment")));
                station->genre = shared.get(attrs.value(QLatin1String("genre")));
                station->language = shared.get(attrs.value(QLatin1String("language")));
                station->city = shared.get(attrs.value(QLatin1String("city")));
                if (!station->country.isEmpty() && station->country != lastCountry) {
                    countries.insert(station->country, 0);
                    lastCountry = station->country;
                }
                if (!station->genre.isEmpty() && !seenGenres.contains(station->genre)) {
                    seenGenres.insert(station->genre);
                    genreNames.insert(station->genre, QString());
                }
            } else if (element == QLatin1String("Source")) {
                const QString text = reader.readElementText();
                if (!text.isEmpty() && station) {
                    station->addSource(text);
                    sourceTexts << text;
                }
            } else if (element == QLatin1String("genre")) {
                genres << reader.readElementText();
            } else if (element == QLatin1String("ethnic")) {
                ethnicGenres << reader.readElementText();
            } else if (element == QLatin1String("network")) {
                networks << reader.readElementText();
            }
        } else if (reader.isEndElement()) {
            if (reader.name() == QLatin1String("Group")) {
                if (currentGroup)
                    currentGroup = currentGroup->parent;
            } else if (reader.name() == QLatin1String("Station") && station) {
                if (!currentGroup) {
                    auto root = QSharedPointer<Group>::create();
                    root->name = QStringLiteral("Root");
                    root->kind = Group::KindRoot;
                    root->icon = &groupIcon;
                    topGroups << root;
                    currentGroup = root.get();
                }
                station->computeId(personalMode);
                if (station->isValid()) {
                    // Only a finished station enters the indexes: one cut short by the end of
                    // the file or by a nested "Station" is dropped before anything points at it.
                    Preset* p = station.release();
                    addPreset(p->id, p);
                    for (const QString& text : std::as_const(sourceTexts))
                        byUrl.insert(text, p);
                    currentGroup->stations << p;
                    if (personalMode)
                        p->groupName = currentGroup->name;
                    p->setGroup(currentGroup);
                }
                station.reset();
            }
        }
    }
    return reader.hasError() ? reader.errorString() : QString();
}

void BramblerStations::reload() {
    const QString name = AppSettings::instance()->PresetsFileUncompressed();
    load(QDir::toNativeSeparators(AppSettings::instance()->dataFilePath(name)));
}

bool BramblerStations::gunzipFile(const QString& fileName, QByteArray& out) {
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return false;

    z_stream zs{};
    if (inflateInit2(&zs, 15 + 16) != Z_OK) {
        qDebug() << "Failed to initialize zlib";
        return false;
    }
    // The gzip trailer holds the uncompressed size (modulo 4 GiB): reserve it to avoid regrowing.
    if (file.size() > 18 && file.seek(file.size() - 4)) {
        uchar trailer[4];
        if (file.read(reinterpret_cast<char*>(trailer), 4) == 4) {
            const quint32 isize = qFromLittleEndian<quint32>(trailer);
            if (isize < quint64(file.size()) * kMaxInflateRatio)
                out.reserve(out.size() + isize);
        }
        file.seek(0);
    }
    QByteArray in(kGzipBlock, Qt::Uninitialized);
    QByteArray block(kGzipBlock, Qt::Uninitialized);
    const qint64 size = file.size();
    const qint64 chunks = size / kGzipBlock + (size % kGzipBlock ? 1 : 0);
    int ret = Z_OK;
    for (qint64 i = 0; i < chunks && ret != Z_STREAM_END; ++i) {
        const qint64 got = file.read(in.data(), kGzipBlock);
        if (got == 0)
            break;
        if (got < 0) {
            qDebug() << "Read error";
            inflateEnd(&zs);
            return false;
        }
        zs.next_in = reinterpret_cast<Bytef*>(in.data());
        zs.avail_in = static_cast<uInt>(got);
        do {
            zs.next_out = reinterpret_cast<Bytef*>(block.data());
            zs.avail_out = static_cast<uInt>(kGzipBlock);
            ret = inflate(&zs, Z_NO_FLUSH);
            if (ret == Z_NEED_DICT || ret == Z_DATA_ERROR || ret == Z_MEM_ERROR ||
                ret == Z_STREAM_ERROR) {
                qDebug() << "zlib failed to decode file";
                inflateEnd(&zs);
                return false;
            }
            out.append(block.constData(), kGzipBlock - zs.avail_out);
        } while (zs.avail_out == 0 && ret != Z_STREAM_END);
    }
    // A stream cut short keeps what could be inflated: the XML reader then loads the stations
    // before the cut and reports where the text ends.
    inflateEnd(&zs);
    return true;
}

void BramblerStations::writeGroups(QIODevice* device, const GroupList& groups) {
    QXmlStreamWriter& writer = writerFor(device);
    QSet<const Preset*> present;
    present.reserve(allPresets.size());
    for (const auto& p : std::as_const(allPresets))
        present.insert(p.get());

    for (const auto& group : groups) {
        // Stations removed from the list since they were filed are dropped from their group here.
        group->stations.removeIf([&present](Preset* p) { return !present.contains(p); });
        if (group->stations.isEmpty())
            continue;
        writer.writeStartElement(QStringLiteral("Group"));
        writer.writeAttribute(QStringLiteral("title"), xmlSafe(group->name));
        for (const Preset* p : std::as_const(group->stations))
            writeStation(writer, *p);
        writer.writeEndElement();
        writeGroups(device, group->children);
    }
}

void BramblerStations::writeStation(QXmlStreamWriter& writer, const Preset& preset) {
    writer.writeStartElement(QStringLiteral("Station"));
    writer.writeAttribute(QStringLiteral("title"), xmlSafe(preset.title));
    writer.writeAttribute(QStringLiteral("genre"), xmlSafe(preset.genre));
    writer.writeAttribute(QStringLiteral("url"), xmlSafe(preset.website));
    writer.writeAttribute(QStringLiteral("KeyPadNum"), QString::number(preset.keyPadNum));
    writer.writeAttribute(QStringLiteral("SplitDelay"), QString::number(preset.splitDelay));
    QStringList written;
    if (preset.sources.contains(preset.firstUrl)) {
        writer.writeTextElement(QStringLiteral("Source"), xmlSafe(preset.firstUrl));
        written << preset.firstUrl;
    }
    for (const QString& s : preset.sources) {
        if (written.contains(s))
            continue;
        writer.writeTextElement(QStringLiteral("Source"), xmlSafe(s));
        written << s;
    }
    writer.writeEndElement();
}

void BramblerStations::exportGroups(QTextStream& stream, const GroupList& groups) {
    const QString sep = QStringLiteral("|");
    for (const auto& group : groups) {
        for (const Preset* p : std::as_const(group->stations)) {
            const bool hasStates = p->country == QLatin1String("USA") ||
                                   p->country == QLatin1String("Canada") ||
                                   p->country == QLatin1String("Australia");
            stream << p->title << sep << p->country << sep << (hasStates ? group->name : p->state)
                   << sep << p->genre << sep << p->website << sep
                   << p->joinedSources(QLatin1Char('\t')) << "\n";
        }
        exportGroups(stream, group->children);
    }
}

void BramblerStations::exportPresets() {
    if (allPresets.isEmpty())
        reload();
    if (allPresets.isEmpty())
        return;
    BusyCursor busy;
    const QString path = AppSettings::instance()->dataFilePath(QStringLiteral("presets.txt"));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text)) {
        busy.restore();
        report(MessageKind::Critical, path + QStringLiteral("\n") +
                                          tr("Failed to create presets file") +
                                          QStringLiteral(".\n\n") + tr("Reason") +
                                          QStringLiteral(": ") + file.errorString());
        return;
    }
    QTextStream stream(&file);
    stream.setEncoding(QStringConverter::Utf8);
    exportGroups(stream, topGroups);
    stream.flush();
    file.close();
    busy.restore();
    report(MessageKind::Information, path + QStringLiteral("\n\n") + tr("Presets Exported"));
}

void BramblerStations::compressPresets(const QString& inputPath, const QString& outputPath) {
    BusyCursor busy;
    QFile input(inputPath);
    if (!input.open(QIODevice::ReadOnly)) {
        busy.restore();
        report(MessageKind::Critical, tr("Failed to open input file"));
        return;
    }
    QFile output(outputPath);
    if (!output.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        busy.restore();
        report(MessageKind::Critical, tr("Failed to create output file"));
        return;
    }
    const QString text = QString::fromUtf8(input.readAll());
    QDataStream stream(&output);
    stream << qCompress(text.toUtf8(), -1);
    output.close();
    busy.restore();
    report(MessageKind::Information, tr("Presets Compressed"));
}

void BramblerStations::clear() {
    RadioStations::clear();
    m_partlyRead = false;
    m_keepFile = false;
}

bool BramblerStations::saveReporting(const QString& file, const QString& openFailedText,
                                     const QString& writeFailedText) {
    QString reason;
    ListSaver::Result result = ListSaver::Result::OpenFailed;
    if (m_keepFile) {
        reason = tr("The file could not be read whole and could not be set aside, so it is left "
                    "as it is");
    } else {
        const auto backup = m_partlyRead ? ListSaver::Backup::Keep : ListSaver::Backup::Refresh;
        result = ListSaver::save(*this, file, backup, reason);
    }
    if (result == ListSaver::Result::Saved)
        return true;
    const QString what = result == ListSaver::Result::OpenFailed ? openFailedText : writeFailedText;
    report(MessageKind::Critical, file + QStringLiteral("\n") + what + QStringLiteral(".\n\n") +
                                      tr("Reason") + QStringLiteral(": ") + reason);
    return false;
}
