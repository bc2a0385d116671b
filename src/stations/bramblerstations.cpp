#include "stations/bramblerstations.h"

#include "settings/appsettings.h"
#include "stations/busycursor.h"
#include "stations/countryflags.h"
#include "stations/listsaver.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QDataStream>
#include <QDebug>
#include <QDir>
#include <QFile>
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
        if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
            return;
        QString text = QString::fromUtf8(file.readAll());
        if (text.isEmpty())
            return;
        // The other program writes bare "&" into its favourites; make them valid entities.
        if (text.contains(QStringLiteral("<Brambler version=\"Brambler Radio Favorites\">"))) {
            text.replace(QStringLiteral("&amp;"), QStringLiteral("&"));
            text.replace(QStringLiteral("&"), QStringLiteral("&amp;"));
        }
        reader.addData(text);
        read(reader, false);
        return;
    }
    if (fileName.indexOf(QLatin1String(".qwd")) >= 1) {
        if (!file.open(QIODevice::ReadOnly))
            return;
        QDataStream stream(&file);
        QByteArray compressed;
        stream >> compressed;
        data = qUncompress(compressed);
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
    }
    read(reader, hasDeclarationLine(data));
}

void BramblerStations::read(QXmlStreamReader& reader, bool checkRoot) {
    const bool personalMode = isPersonal();
    genres.clear();
    ethnicGenres.clear();
    networks.clear();
    const QString errorPrefix =
        personalMode ? tr("Failed to load favorites") : tr("Failed to load presets");

    Group* currentGroup = nullptr;
    std::unique_ptr<Preset> station;
    QString countryName;
    const QIcon* countryIcon = nullptr;
    bool rootSeen = false;
    // Most stations repeat the country and genre of the one before; the sorted maps are only
    // touched for names not seen yet, which keeps loading a large directory linear.
    QString lastCountry;
    QSet<QString> seenGenres;
    bool errorReported = false;

    while (!reader.atEnd()) {
        reader.readNext();
        if (reader.isStartElement()) {
            const QStringView element = reader.name();
            const QXmlStreamAttributes attrs = reader.attributes();
            if (!personalMode && checkRoot && !rootSeen) {
                if (!element.contains(QLatin1String("Quillowave"))) {
                    report(MessageKind::Information,
                           tr("Presets file is invalid. Please update your presets file."));
                    return;
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
                station->title = attrs.value(QLatin1String("title")).toString();
                station->splitDelay = attrs.value(QLatin1String("SplitDelay")).toInt();
                station->keyPadNum = attrs.value(QLatin1String("KeyPadNum")).toInt();
                station->personal = personalMode;
                station->website = attrs.value(QLatin1String("url")).toString();
                station->country = countryName;
                station->flagIcon = countryIcon;
                station->comment = attrs.value(QLatin1String("comment")).toString();
                station->genre = attrs.value(QLatin1String("genre")).toString();
                station->language = attrs.value(QLatin1String("language")).toString();
                station->city = attrs.value(QLatin1String("city")).toString();
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
                    byUrl.insert(text, station.get());
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
                    Preset* p = station.release();
                    addPreset(p->id, p);
                    currentGroup->stations << p;
                    if (personalMode)
                        p->groupName = currentGroup->name;
                    p->setGroup(currentGroup);
                }
                station.reset();
            }
        }
        if (reader.hasError() && !errorReported) {
            report(MessageKind::Critical,
                   errorPrefix + QStringLiteral(".\n") + reader.errorString());
            errorReported = true;
        }
    }
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
            if (isize < (1u << 28))
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
    if (writer.device() != device)
        writer.setDevice(device);
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
        writer.writeAttribute(QStringLiteral("title"), group->name);
        for (const Preset* p : std::as_const(group->stations))
            writeStation(*p);
        writer.writeEndElement();
        writeGroups(device, group->children);
    }
}

void BramblerStations::writeStation(const Preset& preset) {
    writer.writeStartElement(QStringLiteral("Station"));
    writer.writeAttribute(QStringLiteral("title"), preset.title);
    writer.writeAttribute(QStringLiteral("genre"), preset.genre);
    writer.writeAttribute(QStringLiteral("url"), preset.website);
    writer.writeAttribute(QStringLiteral("KeyPadNum"), QString::number(preset.keyPadNum));
    writer.writeAttribute(QStringLiteral("SplitDelay"), QString::number(preset.splitDelay));
    QStringList written;
    if (preset.sources.contains(preset.firstUrl)) {
        writer.writeTextElement(QStringLiteral("Source"), preset.firstUrl);
        written << preset.firstUrl;
    }
    for (const QString& s : preset.sources) {
        if (written.contains(s))
            continue;
        writer.writeTextElement(QStringLiteral("Source"), s);
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

bool BramblerStations::saveReporting(const QString& file, const QString& openFailedText,
                                     const QString& writeFailedText) {
    QString reason;
    switch (ListSaver::save(*this, file, reason)) {
    case ListSaver::Result::Saved:
        return true;
    case ListSaver::Result::OpenFailed:
        report(MessageKind::Critical, file + QStringLiteral("\n") + openFailedText);
        return false;
    case ListSaver::Result::WriteFailed:
        report(MessageKind::Critical, file + QStringLiteral("\n") + writeFailedText +
                                          QStringLiteral(".\n\n") + tr("Reason") +
                                          QStringLiteral(": ") + reason);
        return false;
    }
    return false;
}
