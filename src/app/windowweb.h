#pragma once

// The main window's dealings with the program's web site and with station list files: the
// directory update and the lists the user opens (with the recent ones), the version check, the
// station forms and sharing. The decisions live in PresetsUpdate, VersionCheck and WebForms;
// this class gives them the window's boxes, dialogs and menus.
// GUI thread; owned by the main window.

#include "app/webforms.h"
#include "app/windowprompt.h"
#include "ui/stationformdlg.h"

#include <QObject>
#include <memory>

class AppSettings;
class PresetsUpdate;
class QMenu;
class QuillowaveWindow;
class VersionCheck;

class WindowWeb : public QObject {
    Q_OBJECT
public:
    WindowWeb(QuillowaveWindow* window, AppSettings* settings);
    ~WindowWeb() override;

    PresetsUpdate* presetsUpdate() const { return m_presets; }
    VersionCheck* versionCheck() const { return m_version; }
    WebForms* forms() const { return m_forms; }
    // The window's boxes for whoever has a question or a message for the user.
    QT_EXT::UserPrompt* prompt() const { return m_prompt.get(); }

    // The directory loaded from fileName is the one in use; the automatic version check runs
    // when the option is on.
    void start(const QString& fileName);
    void addPresetsEntries(QMenu* menu);
    void addStationEntries(QMenu* menu);
    void addHelpEntries(QMenu* menu);
    // Whether the file is a station list a reader knows (it then replaces the directory).
    static bool isStationList(const QString& fileName);

public slots:
    void slot_updatePresetsNow();
    void slot_loadPresetsFile();
    void loadPresetsFile(const QString& path);
    void slot_checkVersion();
    void slot_suggestNewStation();
    void slot_reportBadStation();
    void slot_commentStation();
    void slot_shareFacebook();
    void slot_shareTwitter();
    // The display timer's hourly tick.
    void hourlyCheck();

private:
    void fillRecentFiles(QMenu* menu);
    void sendForm(StationFormDlg::Kind kind, WebForms::Form form);

    QuillowaveWindow* m_window; // the owner
    AppSettings* m_settings;    // the program's
    std::unique_ptr<WindowPrompt> m_prompt;
    PresetsUpdate* m_presets; // child
    VersionCheck* m_version;  // child
    WebForms* m_forms;        // child
};
