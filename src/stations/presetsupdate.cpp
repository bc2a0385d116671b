#include "stations/presetsupdate.h"

#include "qtext/qhttpext.h"
#include "qtext/userprompt.h"
#include "settings/appsettings.h"
#include "stations/bramblerstations.h"
#include "stations/mirelightstations.h"
#include "stations/ottersongsstations.h"

#include <QDataStream>
#include <QDir>
#include <QFileInfo>
#include <QTemporaryFile>
#include <QTimer>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <zlib.h>

using QT_EXT::UserPrompt;

namespace {

const QString kIniPath = QStringLiteral("/downloads/presets.ini");
const QString kNewsPath = QStringLiteral("/news.php");
const QString kMoreInformation = QStringLiteral("More information available from");

bool isBlank(QChar c) {
    return c == QLatin1Char(' ') || c == QLatin1Char('\t');
}

// The whole gzip stream, or false: unlike the directory reader, which keeps what it can of a
// damaged file, a download must be complete to replace the file in use.
bool inflateComplete(const QByteArray& in, QByteArray& out) {
    z_stream zs{};
    if (inflateInit2(&zs, 15 + 16) != Z_OK)
        return false;
    zs.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(in.constData()));
    zs.avail_in = static_cast<uInt>(in.size());
    QByteArray block(0x40000, Qt::Uninitialized);
    int ret = Z_OK;
    while (ret == Z_OK) {
        zs.next_out = reinterpret_cast<Bytef*>(block.data());
        zs.avail_out = static_cast<uInt>(block.size());
        ret = inflate(&zs, Z_NO_FLUSH);
        out.append(block.constData(), block.size() - zs.avail_out);
        if (ret == Z_BUF_ERROR && zs.avail_in > 0)
            ret = Z_OK;
    }
    inflateEnd(&zs);
    return ret == Z_STREAM_END;
}

bool isGzip(const QByteArray& bytes) {
    return bytes.size() > 2 && uchar(bytes.at(0)) == 0x1f && uchar(bytes.at(1)) == 0x8b;
}

} // namespace

PresetsUpdate::PresetsUpdate(AppSettings* settings, UserPrompt* prompt, QObject* parent)
    : QObject(parent), m_settings(settings), m_prompt(prompt), m_http(new QT_EXT::QHttpExt(this)) {
    // The answer is handled once the client is done with its record: handling it may ask the
    // user and send the next request.
    connect(m_http, &QT_EXT::QHttpExt::sig_Finished, this,
            [this](const QT_EXT::QHttpExt::httpInfo* info) {
                QTimer::singleShot(0, this,
                                   [this, id = info->id, failed = info->error,
                                    text = info->errorString,
                                    data = info->data] { onFinished(id, failed, text, data); });
            });
}

void PresetsUpdate::setDirectory(RadioStations* directory, const QString& fileName) {
    m_directory = directory;
    m_loadedFile = fileName;
}

QString PresetsUpdate::siteUrl(const QString& path) const {
    return m_settings->WebSiteHost() + path;
}

// --- presets.ini ------------------------------------------------------------------------------

QString PresetsUpdate::iniValue(const QString& text, const QString& label) {
    const qsizetype at = text.indexOf(label);
    if (at < 0)
        return {};
    qsizetype pos = at + label.size();
    while (pos < text.size() && isBlank(text.at(pos)))
        ++pos;
    if (pos < text.size() && text.at(pos) != QLatin1Char('\n'))
        ++pos;
    while (pos < text.size() && isBlank(text.at(pos)))
        ++pos;
    const qsizetype end = text.indexOf(QLatin1Char('\n'), pos);
    QString value = text.mid(pos, end < 0 ? -1 : end - pos);
    if (value.endsWith(QLatin1Char('\r')))
        value.chop(1);
    return value;
}

bool PresetsUpdate::parsePresetsIni(const QString& text, int installedVersion, CheckRecord& out) {
    const bool current = text.contains(QLatin1String("PresetsVersion"));
    out.version = iniValue(text, current ? QStringLiteral("PresetsVersion")
                                         : QStringLiteral("Actual version"))
                      .trimmed()
                      .toInt();
    out.source =
        iniValue(text, current ? QStringLiteral("PresetsSource") : QStringLiteral("Presets source"))
            .trimmed();
    out.changes = iniValue(text, QStringLiteral("PresetsChanged"));
    return out.version > installedVersion;
}

QString PresetsUpdate::offerText(const CheckRecord& record) const {
    QString whatsNew = record.changes;
    if (whatsNew.isEmpty()) {
        const QString news = siteUrl(kNewsPath);
        whatsNew = tr("More information available from") +
                   QStringLiteral(" <a href=\"%1\">%1</a>").arg(news);
    } else {
        whatsNew.replace(kMoreInformation, tr("More information available from"));
    }
    QString text = QStringLiteral("<html>") + tr("Current presets file") + QStringLiteral(" <b>") +
                   QString::number(m_settings->PresetsVersion()) + QStringLiteral(".</b><br>") +
                   tr("New presets file") + QStringLiteral(" <b>") +
                   QString::number(record.version) +
                   QStringLiteral(".</b><br><br>{WHATS_NEW}<br><br>") +
                   tr("Do you want to download it now?") + QStringLiteral("</html>");
    return text.replace(QStringLiteral("{WHATS_NEW}"), whatsNew);
}

// --- when and how to check ----------------------------------------------------------------------

bool PresetsUpdate::isCheckDue(const QDateTime& now) const {
    const QDateTime last = m_settings->LastPresetCheckDate();
    return !last.isValid() || last.daysTo(now) >= CheckIntervalDays;
}

bool PresetsUpdate::checkPresets(bool force, bool engineBusy) {
    if (engineBusy || isUpdating())
        return false;
    if (!force && !isCheckDue(QDateTime::currentDateTime()))
        return false;
    if (!m_settings->AutoCheckPresets())
        return false;
    QTimer::singleShot(AutoCheckDelayMs, this, &PresetsUpdate::slot_autoCheckPresetsFile);
    return true;
}

void PresetsUpdate::slot_autoCheckPresetsFile() {
    fetchIni(Mode::Automatic);
}

void PresetsUpdate::slot_updatePresetsNow() {
    fetchIni(Mode::Manual);
}

void PresetsUpdate::fetchIni(Mode mode) {
    if (isUpdating())
        return;
    m_mode = mode;
    m_iniId = m_http->get(siteUrl(kIniPath), false);
    if (m_iniId == 0) {
        if (mode == Mode::Manual)
            m_prompt->error(tr("Quillowave"), m_http->lastError());
        emit sig_idle();
    }
}

void PresetsUpdate::onFinished(int id, bool failed, const QString& errorText,
                               const QByteArray& data) {
    if (id != 0 && id == m_iniId) {
        m_iniId = 0;
        // The weekly check stays quiet when the site cannot be reached; the user did not ask.
        if (failed && m_mode == Mode::Manual)
            m_prompt->error(tr("Quillowave"), errorText);
        else if (!failed)
            evaluate(QString::fromUtf8(data), m_mode);
    } else if (id != 0 && id == m_downloadId) {
        m_downloadId = 0;
        if (failed)
            m_prompt->error(tr("Quillowave"), errorText);
        else
            presetsDownloaded(data);
    } else {
        return;
    }
    if (!isUpdating())
        emit sig_idle();
}

void PresetsUpdate::evaluate(const QString& text, Mode mode) {
    CheckRecord record;
    const bool newer = parsePresetsIni(text, m_settings->PresetsVersion(), record);
    m_record = record;
    m_settings->setLastPresetCheckDate(QDateTime::currentDateTime());
    if (newer) {
        if (m_prompt->question(tr("Quillowave"), offerText(record)) == UserPrompt::Answer::Yes)
            downloadPresets();
        return;
    }
    if (mode != Mode::Manual)
        return;
    QString message = tr("No update found.") + QLatin1Char(' ') +
                      tr("You currently have the latest presets file.");
    if (!m_prompt->controlHeld()) {
        m_prompt->information(tr("Quillowave"), message);
        return;
    }
    message += QStringLiteral("\n\n") + tr("Download anyway?");
    if (m_prompt->question(tr("Quillowave"), message) == UserPrompt::Answer::Yes)
        downloadPresets();
}

// --- the download -------------------------------------------------------------------------------

void PresetsUpdate::downloadPresets() {
    if (m_record.source.isEmpty()) {
        failDownload(tr("The presets file names no download address."));
        return;
    }
    m_downloadId = m_http->get(m_record.source, false);
    if (m_downloadId == 0)
        m_prompt->error(tr("Quillowave"), m_http->lastError());
}

void PresetsUpdate::failDownload(const QString& reason) {
    QString text = tr("Failed to download presets file");
    if (!reason.isEmpty())
        text += QStringLiteral(".\n\n") + reason;
    m_prompt->error(tr("Quillowave"), text);
}

bool PresetsUpdate::presetsDownloaded(const QByteArray& bytes) {
    const QString source = m_record.source;
    const QString compressed = m_settings->dataFilePath(m_settings->PresetsFileCompressed());
    const bool qwdSource = source.indexOf(QLatin1String(".qwd")) >= 1;
    const bool becomesDirectory = qwdSource || source.contains(QLatin1String(".xml.gz"));
    QString target = compressed;
    target.replace(QLatin1String(".xml.gz"), QLatin1String(".qwd"));

    if (bytes.size() < MinimumDownloadBytes) {
        failDownload(QString());
        return false;
    }
    QString reason;
    const QByteArray qwd = qwdBytes(bytes, reason);
    if (qwd.isEmpty() || !commitChecked(qwd, target, reason)) {
        failDownload(reason);
        return false;
    }
    m_settings->setPresetsVersion(m_record.version);
    if (becomesDirectory)
        m_settings->setPresetsFileUncompressed(QFileInfo(target).fileName());
    reloadDirectory(m_settings->presetsFile());
    emit sig_directoryUpdated(m_record.version);
    m_prompt->information(tr("Finished"), QStringLiteral("%1 - %2 %3")
                                              .arg(tr("Stations file updated"), tr("Version"))
                                              .arg(m_record.version));
    return true;
}

QByteArray PresetsUpdate::qwdBytes(const QByteArray& download, QString& reason) const {
    if (isGzip(download)) {
        QByteArray xml;
        if (!inflateComplete(download, xml)) {
            reason = tr("The download is cut short or damaged.");
            return {};
        }
        QByteArray qwd;
        QDataStream stream(&qwd, QIODevice::WriteOnly);
        stream << qCompress(xml, -1);
        return qwd;
    }
    if (m_record.source.indexOf(QLatin1String(".qwd")) >= 1)
        return download;
    reason = tr("The download is not a gzip file.");
    return {};
}

bool PresetsUpdate::commitChecked(const QByteArray& qwd, const QString& target,
                                  QString& reason) const {
    const QFileInfo info(target);
    QTemporaryFile file(info.absolutePath() + QStringLiteral("/.presets-XXXXXX.qwd"));
    if (!file.open() || file.write(qwd) != qwd.size() || !file.flush()) {
        reason = tr("The file %1 could not be written: %2").arg(target, file.errorString());
        return false;
    }
    BramblerStations check;
    check.setInteractive(false);
    check.load(file.fileName());
    if (check.allPresets.isEmpty() || !check.messages().isEmpty()) {
        reason = tr("The downloaded stations file could not be read.");
        if (!check.messages().isEmpty())
            reason += QLatin1Char('\n') + check.messages().constFirst();
        return false;
    }
    file.close();
    // POSIX rename replaces the old file in one step: a reader sees the old or the new file,
    // never a part of either. QFile::rename refuses to replace an existing file.
    if (std::rename(QFile::encodeName(file.fileName()).constData(),
                    QFile::encodeName(target).constData()) != 0) {
        reason = tr("The file %1 could not be written: %2")
                     .arg(target, QString::fromLocal8Bit(std::strerror(errno)));
        return false;
    }
    file.setAutoRemove(false);
    return true;
}

// --- the directory in use ----------------------------------------------------------------------

PresetsUpdate::ListKind PresetsUpdate::listKind(const QString& fileName) {
    if (fileName.contains(QLatin1String(".xml")) || fileName.contains(QLatin1String(".qwd")))
        return ListKind::Own;
    if (fileName.contains(QLatin1String(".mld")))
        return ListKind::Mirelight;
    if (fileName.contains(QLatin1String(".osd")))
        return ListKind::Ottersongs;
    return ListKind::None;
}

RadioStations* PresetsUpdate::createReader(const QString& fileName, QObject* parent) {
    switch (listKind(fileName)) {
    case ListKind::Own:
        return new BramblerStations(parent);
    case ListKind::Mirelight:
        return new MirelightStations(parent);
    case ListKind::Ottersongs: {
        auto* reader = new OttersongsStations(parent);
        // By country this list makes no groups at all, which would leave the tree empty.
        reader->groupingMode = ImportedStations::GroupByGenre;
        return reader;
    }
    case ListKind::None:
        break;
    }
    return nullptr;
}

RadioStations* PresetsUpdate::prepareReader(const QString& fileName) {
    RadioStations* reader = createReader(fileName, m_directory ? m_directory->parent() : parent());
    if (!reader)
        return nullptr;
    // What the reader has to say reaches the user through the same prompt as everything here.
    reader->setInteractive(false);
    connect(reader, &RadioStations::signal_Message, this,
            [this](RadioStations::MessageKind kind, const QString& text) {
                if (kind == RadioStations::MessageKind::Critical)
                    m_prompt->error(tr("Quillowave"), text);
                else
                    m_prompt->information(tr("Quillowave"), text);
            });
    return reader;
}

void PresetsUpdate::reloadDirectory(const QString& fileName) {
    // A list of another program cannot read the own directory file: it gives way to one that can.
    if (!m_directory || qobject_cast<ImportedStations*>(m_directory)) {
        RadioStations* reader = prepareReader(fileName);
        reader->load(fileName);
        replaceDirectory(reader, fileName);
        return;
    }
    m_directory->clear();
    m_directory->reload();
    m_loadedFile = fileName;
}

void PresetsUpdate::replaceDirectory(RadioStations* list, const QString& fileName) {
    RadioStations* old = m_directory;
    m_directory = list;
    m_loadedFile = fileName;
    emit sig_directoryReplaced(list, fileName);
    delete old;
}

void PresetsUpdate::loadPresetsFile(const QString& path) {
    RadioStations* reader = prepareReader(path);
    if (!reader) {
        Preset station;
        station.title = QFileInfo(path).fileName();
        station.addSource(path);
        station.userMade = true;
        emit sig_playFile(station);
        return;
    }
    reader->load(path);
    if (reader->allPresets.isEmpty()) {
        delete reader;
        m_prompt->information(tr("Quillowave"), tr("File not supported."));
        return;
    }
    replaceDirectory(reader, path);
    m_settings->addAltPresetFile(path);
    m_prompt->information(tr("Quillowave"), tr("Presets file loaded."));
}
