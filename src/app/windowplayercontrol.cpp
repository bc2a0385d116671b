#include "app/windowplayercontrol.h"

#include "app/playbackcontroller.h"
#include "app/quillowavewindow.h"
#include "app/recordingcontroller.h"
#include "recording/appstream.h"
#include "stations/favorites.h"
#include "ui/searchlineedit.h"
#include "ui/treestations.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QMenuBar>
#include <QSlider>
#include <QStackedWidget>

namespace {

void deliverKey(QObject* target, int key, bool press) {
    QKeyEvent event(press ? QEvent::KeyPress : QEvent::KeyRelease, key, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &event);
}

} // namespace

WindowPlayerControl::WindowPlayerControl(QuillowaveWindow* window, PlaybackController* playback)
    : m_window(window), m_playback(playback) {}

bool WindowPlayerControl::isPlaying() const {
    return m_playback->hasStream() || m_playback->isConnecting();
}

bool WindowPlayerControl::isMuted() const {
    return m_playback->isMuted();
}

void WindowPlayerControl::togglePlay() {
    m_window->slot_Play();
}

void WindowPlayerControl::stopPlaying() {
    m_window->slot_Stop();
}

bool WindowPlayerControl::isRecording() const {
    return m_window->recording()->isRecording();
}

void WindowPlayerControl::toggleRecord() {
    m_window->slot_Record();
}

void WindowPlayerControl::toggleMute() {
    m_window->slot_volumeMute();
}

void WindowPlayerControl::playLastStation() {
    m_playback->playLast();
}

void WindowPlayerControl::playUrl(const QString& url, const QString& name) {
    // Played as a station the user picked, which also tells a remote client it is connecting.
    m_window->playAddress(url, name, true);
}

bool WindowPlayerControl::playFavorite(int index) {
    const RadioStations::PresetList favorites = m_window->favorites()->favorites();
    if (index < 0 || index >= favorites.size())
        return false;
    m_window->playStation(*favorites.at(index), true);
    return true;
}

int WindowPlayerControl::volume() const {
    return m_playback->volume();
}

int WindowPlayerControl::volumeMinimum() const {
    return m_window->volumeSlider()->minimum();
}

int WindowPlayerControl::volumeMaximum() const {
    return m_window->volumeSlider()->maximum();
}

void WindowPlayerControl::setVolume(int value) {
    m_window->setVolume(value);
}

QString WindowPlayerControl::stationName() const {
    return m_playback->stationName();
}

QString WindowPlayerControl::stationUrl() const {
    return PlaybackController::currentUrl(m_playback->currentStation());
}

QString WindowPlayerControl::songTitle() const {
    return m_playback->songTitle();
}

QString WindowPlayerControl::coverArtFile() const {
    return m_playback->engine()->GetCoverArt()->GetCoverArtFile();
}

void WindowPlayerControl::showStationPage(StationPage page) {
    QStackedWidget* stack = m_window->stationStack();
    switch (page) {
    case StationPage::SearchResults:
        stack->setCurrentIndex(QuillowaveWindow::PageSearch);
        m_window->searchView()->setFocus();
        return;
    case StationPage::Favorites:
        stack->setCurrentIndex(QuillowaveWindow::PageFavorites);
        break;
    case StationPage::History:
        stack->setCurrentIndex(QuillowaveWindow::PageHistory);
        break;
    }
    stack->currentWidget()->setFocus();
}

void WindowPlayerControl::sendKey(KeyTarget target, int key, bool press) {
    QObject* receiver = m_window;
    if (target == KeyTarget::StationList && m_window->stationStack()->currentWidget())
        receiver = m_window->stationStack()->currentWidget();
    deliverKey(receiver, key, press);
}

void WindowPlayerControl::sendKeyToMenus(int key) {
    if (QMenu* open = remoteMenu()) {
        deliverKey(open, key, true);
        return;
    }
    for (const Menu which : {Menu::File, Menu::Settings, Menu::Favorites, Menu::Presets,
                             Menu::Recording, Menu::Clipboard}) {
        if (QMenu* menu = m_window->mainMenu(which))
            deliverKey(menu, key, true);
    }
    deliverKey(m_window->menuBar(), key, true);
}

QMenu* WindowPlayerControl::remoteMenu() const {
    return m_remoteMenu && m_remoteMenu->isVisible() ? m_remoteMenu.data() : nullptr;
}

void WindowPlayerControl::closeRemoteMenu() {
    if (QMenu* open = remoteMenu())
        open->close();
    m_remoteMenu.clear();
}

void WindowPlayerControl::popUpMenu(Menu which) {
    QMenu* menu = m_window->mainMenu(which);
    if (!menu)
        return;
    m_remoteMenu = menu;
    menu->popup(m_window->mapToGlobal(m_window->rect().bottomLeft()));
}

void WindowPlayerControl::searchStations(const QString& text) {
    SearchLineEdit* edit = m_window->searchEdit();
    edit->setText(text);
    edit->setFocus();
    m_window->slot_Search(text);
}

void WindowPlayerControl::startSleepTimer(int endAction, int lengthSeconds) {
    m_playback->setSleepTimer(lengthSeconds, endAction);
}

void WindowPlayerControl::setTimedRecordingSeconds(int seconds) {
    m_timedRecordingSeconds = seconds;
}

void WindowPlayerControl::restoreWindow() {
    m_window->slot_restoreMainWindow();
}

void WindowPlayerControl::minimizeWindow() {
    m_window->showMinimized();
}

void WindowPlayerControl::raiseWindow() {
    m_window->slot_restoreMainWindow();
}
