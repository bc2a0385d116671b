#pragma once

#include "stations/preset.h"

#include <QDateTime>
#include <QObject>
#include <QString>

class AppSettings;
class RadioStations;

namespace QT_EXT {
class QHttpExt;
class UserPrompt;
} // namespace QT_EXT

// Keeps the station directory fresh and lets the user open other station lists: the weekly and
// on-demand check of the web site's "presets.ini", the download that replaces the directory file
// (checked completely before it takes the old file's place), and loading a list file of this or
// another program, which then replaces the directory in use.
// GUI thread; owned by the main window, which hands it the directory in use and wires its
// signals to the views.
class PresetsUpdate : public QObject {
    Q_OBJECT
public:
    // What "presets.ini" announces; kept between the two HTTP steps.
    struct CheckRecord {
        int version = 0;
        QString changes;
        QString source;
    };

    static constexpr int CheckIntervalDays = 7;
    static constexpr int MinimumDownloadBytes = 1024;
    static constexpr int AutoCheckDelayMs = 1000;

    PresetsUpdate(AppSettings* settings, QT_EXT::UserPrompt* prompt, QObject* parent = nullptr);

    RadioStations* directory() const { return m_directory; }
    // The list in use and the file it was loaded from.
    void setDirectory(RadioStations* directory, const QString& fileName);
    QString loadedFile() const { return m_loadedFile; }
    bool isUpdating() const { return m_iniId != 0 || m_downloadId != 0; }
    const CheckRecord& record() const { return m_record; }

    // The value after label: blanks and tabs, one separator character, blanks and tabs, then
    // the rest of the line; empty when the label is missing.
    static QString iniValue(const QString& text, const QString& label);
    // Fills out from the text; true when it announces a version above installedVersion.
    static bool parsePresetsIni(const QString& text, int installedVersion, CheckRecord& out);
    // The kind of station list a file holds, by its name (case-sensitive).
    enum class ListKind { None, Own, Mirelight, Ottersongs };
    static ListKind listKind(const QString& fileName);
    // The reader for a station list file, chosen by its name; null for a name it does not know.
    static RadioStations* createReader(const QString& fileName, QObject* parent = nullptr);
    // The question that offers a newer directory file.
    QString offerText(const CheckRecord& record) const;

    bool isCheckDue(const QDateTime& now) const;
    // The hourly check: schedules the automatic check when one is due (always with force) and
    // the option allows it. False when nothing was scheduled.
    bool checkPresets(bool force, bool engineBusy);

    void downloadPresets();
    // Stores and activates a downloaded directory file; false (with the reason told to the user)
    // when it is too short, not gzip, cut short or unreadable: then nothing changes.
    bool presetsDownloaded(const QByteArray& bytes);
    // Opens a station list file as the directory, or plays it when no reader knows its name.
    void loadPresetsFile(const QString& path);

public slots:
    void slot_autoCheckPresetsFile();
    void slot_updatePresetsNow();

signals:
    // The directory file was replaced and the directory reloaded.
    void sig_directoryUpdated(int version);
    // A list loaded by the user took the old one's place, which is destroyed after this signal.
    void sig_directoryReplaced(RadioStations* list, const QString& fileName);
    // A file no reader knows, to be played as a stream.
    void sig_playFile(const Preset& station);
    // Nothing is pending any more: a check or a download has run to its end, whatever it found.
    void sig_idle();

private:
    enum class Mode { Automatic, Manual };
    void fetchIni(Mode mode);
    void onFinished(int id, bool failed, const QString& errorText, const QByteArray& data);
    void evaluate(const QString& text, Mode mode);
    void failDownload(const QString& reason);
    // The ".qwd" bytes of a downloaded file, or empty with the reason set.
    QByteArray qwdBytes(const QByteArray& download, QString& reason) const;
    // Writes the file beside the target, reads it back in full and moves it into place.
    bool commitChecked(const QByteArray& qwd, const QString& target, QString& reason) const;
    void replaceDirectory(RadioStations* list, const QString& fileName);
    void reloadDirectory(const QString& fileName);
    RadioStations* prepareReader(const QString& fileName);
    QString siteUrl(const QString& path) const;

    AppSettings* m_settings;              // the program's
    QT_EXT::UserPrompt* m_prompt;         // the window's
    QT_EXT::QHttpExt* m_http;             // child
    RadioStations* m_directory = nullptr; // the window's
    QString m_loadedFile;
    CheckRecord m_record;
    Mode m_mode = Mode::Automatic;
    int m_iniId = 0;
    int m_downloadId = 0;
};
