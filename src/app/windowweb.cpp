#include "app/windowweb.h"

#include "app/playbackcontroller.h"
#include "app/quillowavewindow.h"
#include "app/versioncheck.h"
#include "app/webforms.h"
#include "settings/appsettings.h"
#include "stations/presetsupdate.h"
#include "ui/stationformdlg.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QMenu>
#include <QTimer>

namespace {

constexpr int kRecentFileDelayMs = 100;

} // namespace

WindowWeb::WindowWeb(QuillowaveWindow* window, AppSettings* settings)
    : QObject(window), m_window(window), m_settings(settings),
      m_prompt(std::make_unique<WindowPrompt>(window)),
      m_presets(new PresetsUpdate(settings, m_prompt.get(), this)),
      m_version(new VersionCheck(settings, m_prompt.get(), this)),
      m_forms(new WebForms(settings, m_prompt.get(), this)) {
    connect(m_presets, &PresetsUpdate::sig_directoryReplaced, window,
            &QuillowaveWindow::setDirectory);
    connect(m_presets, &PresetsUpdate::sig_directoryUpdated, window,
            &QuillowaveWindow::refreshDirectory);
    connect(m_presets, &PresetsUpdate::sig_playFile, window,
            [window](const Preset& station) { window->playStation(station, true); });
}

WindowWeb::~WindowWeb() = default;

void WindowWeb::start(const QString& fileName) {
    m_presets->setDirectory(m_window->directory(), fileName);
    if (m_settings->AutoCheckVersion())
        m_version->checkVersionAutomatic(false);
}

bool WindowWeb::isStationList(const QString& fileName) {
    return PresetsUpdate::listKind(fileName) != PresetsUpdate::ListKind::None;
}

void WindowWeb::hourlyCheck() {
    m_presets->checkPresets(false, m_window->playback()->isConnecting());
}

// --- menus ----------------------------------------------------------------------------------

void WindowWeb::addPresetsEntries(QMenu* menu) {
    menu->addSeparator();
    menu->addAction(tr("Check for new stations file"), this, &WindowWeb::slot_updatePresetsNow);
    menu->addAction(tr("Load presets file..."), this, &WindowWeb::slot_loadPresetsFile);
    QMenu* recent = menu->addMenu(tr("Recent presets files"));
    recent->setObjectName(QStringLiteral("menuRecentPresets"));
    connect(recent, &QMenu::aboutToShow, this, [this, recent] { fillRecentFiles(recent); });
}

void WindowWeb::fillRecentFiles(QMenu* menu) {
    menu->clear();
    for (const QString& file : m_settings->altPresetFiles()) {
        QAction* action = menu->addAction(file);
        action->setCheckable(true);
        action->setChecked(file == m_presets->loadedFile());
        connect(action, &QAction::triggered, this, [this, file] {
            if (file != m_presets->loadedFile())
                QTimer::singleShot(kRecentFileDelayMs, this,
                                   [this, file] { loadPresetsFile(file); });
        });
    }
    menu->setEnabled(!menu->isEmpty());
}

void WindowWeb::addStationEntries(QMenu* menu) {
    menu->addSeparator();
    menu->addAction(tr("Suggest a new station..."), this, &WindowWeb::slot_suggestNewStation);
    menu->addAction(tr("Report a bad station..."), this, &WindowWeb::slot_reportBadStation);
    menu->addAction(tr("Comment on station..."), this, &WindowWeb::slot_commentStation);
    menu->addAction(tr("Share on Facebook"), this, &WindowWeb::slot_shareFacebook);
    menu->addAction(tr("Share on Twitter"), this, &WindowWeb::slot_shareTwitter);
}

void WindowWeb::addHelpEntries(QMenu* menu) {
    menu->addAction(tr("Check for updates"), this, &WindowWeb::slot_checkVersion);
}

// --- station lists ----------------------------------------------------------------------------

void WindowWeb::slot_updatePresetsNow() {
    m_presets->slot_updatePresetsNow();
}

void WindowWeb::slot_loadPresetsFile() {
    const QString path = QFileDialog::getOpenFileName(
        m_window, tr("Load presets file"), m_settings->dataFolder(),
        tr("Station lists (*.xml *.xml.gz *.qwd *.mld *.osd);;All files (*)"));
    if (!path.isEmpty())
        loadPresetsFile(path);
}

void WindowWeb::loadPresetsFile(const QString& path) {
    m_presets->loadPresetsFile(path);
}

// --- version and forms ------------------------------------------------------------------------

void WindowWeb::slot_checkVersion() {
    m_version->slot_checkVersion();
}

void WindowWeb::slot_suggestNewStation() {
    sendForm(StationFormDlg::Kind::Suggestion, WebForms::Form::Suggestion);
}

void WindowWeb::slot_reportBadStation() {
    sendForm(StationFormDlg::Kind::Report, WebForms::Form::Report);
}

void WindowWeb::slot_commentStation() {
    sendForm(StationFormDlg::Kind::Comment, WebForms::Form::Comment);
}

void WindowWeb::sendForm(StationFormDlg::Kind kind, WebForms::Form form) {
    StationFormDlg dialog(kind, m_window->playback()->currentStation(), m_window);
    if (dialog.exec() != QDialog::Accepted)
        return;
    WebForms::Entry entry = WebForms::entryFor(dialog.station());
    entry.newUrl = dialog.newUrl();
    entry.comments = dialog.comments();
    m_forms->send(form, entry);
}

void WindowWeb::slot_shareFacebook() {
    m_forms->shareFacebook(m_window->playback()->songTitle(), m_window->playback()->stationName());
}

void WindowWeb::slot_shareTwitter() {
    m_forms->shareTwitter(m_window->playback()->songTitle(), m_window->playback()->stationName());
}
