#include "app/windowkeyactions.h"

#include "app/playbackcontroller.h"
#include "app/quillowavewindow.h"
#include "app/soundcontroller.h"
#include "app/windowsound.h"
#include "settings/appsettings.h"
#include "stations/favorites.h"
#include "ui/favoritesdlg.h"
#include "ui/mainbuttonbar.h"
#include "ui/nowplayingpanel.h"
#include "ui/searchlineedit.h"
#include "ui/stationpages.h"
#include "ui/stationtreeview.h"
#include "ui/texttospeech.h"

#include <QStackedWidget>
#include <QTimer>
#include <QToolButton>

namespace {

// Long enough to hear the announcement, short enough not to miss the next song.
constexpr int kAnnounceMuteMs = 8000;

} // namespace

WindowKeyActions::WindowKeyActions(QuillowaveWindow* window, const Parts& parts)
    : QObject(window), m_window(window), m_parts(parts) {
    // Said once: the status bar tells that nothing can be read aloud, and F11 goes on without it.
    connect(TextToSpeech::instance(), &TextToSpeech::sig_unavailable, window,
            [window](const QString& message) { window->setStatusText(message); });
    addPlayingActions();
    addWindowActions();
    addButtonActions();
}

void WindowKeyActions::execute(const KeyboardRules::Result& result) const {
    const auto found = m_handlers.find(result.action);
    if (found != m_handlers.end())
        found->second(result);
}

void WindowKeyActions::addPlayingActions() {
    QuillowaveWindow* w = m_window;
    PlaybackController* playback = m_parts.playback;
    m_handlers[Action::PlayOrStop] = [this](const auto&) { playOrStop(); };
    m_handlers[Action::PlayFavorite] = [w](const KeyboardRules::Result& result) {
        if (const Preset* favorite = w->favorites()->findByKeyPad(result.value + 1))
            w->playStation(*favorite, true);
    };
    m_handlers[Action::Record] = [w](const auto&) { w->slot_Record(); };
    m_handlers[Action::RecordSingleSong] = [w](const auto&) { w->slot_recordSingleSong(); };
    m_handlers[Action::AddFavorite] = [w](const auto&) { w->addToFavorites(); };
    m_handlers[Action::ToggleMute] = [w](const auto&) { w->slot_volumeMute(); };
    m_handlers[Action::VolumeBy] = [w, playback](const KeyboardRules::Result& result) {
        w->setVolume(playback->volume() + result.value);
    };
    m_handlers[Action::VolumeTo] = [w](const KeyboardRules::Result& result) {
        w->setVolume(result.value);
    };
    m_handlers[Action::Announce] = [this](const auto&) { announce(); };
}

void WindowKeyActions::addWindowActions() {
    QuillowaveWindow* w = m_window;
    m_handlers[Action::SwapPeakMeters] = [this](const auto&) { swapPeakMeters(); };
    m_handlers[Action::NextPage] = [this](const auto&) { turnPage(1); };
    m_handlers[Action::PreviousPage] = [this](const auto&) { turnPage(-1); };
    m_handlers[Action::ShowShortcuts] = [w](const auto&) { w->slot_showShortcuts(); };
    m_handlers[Action::ToggleCollapse] = [w](const auto&) { w->slot_toggleCollapse(); };
    m_handlers[Action::ToggleAutoVolume] = [w](const auto&) {
        w->sound()->controller()->toggleAutoVolume();
    };
}

void WindowKeyActions::addButtonActions() {
    QuillowaveWindow* w = m_window;
    MainButtonBar* bar = m_parts.buttons;
    m_handlers[Action::EditFavorite] = [w](const auto&) {
        // The editor opens on the favourite selected on the favourites page and edits it at
        // once; with none selected it opens on the list.
        const auto* pages = qobject_cast<const StationPages*>(w->stationStack());
        if (pages && pages->currentIndex() == StationPages::PageFavorites &&
            pages->favoritesView()->currentPreset())
            QTimer::singleShot(0, w, [w] {
                if (auto* editor = w->findChild<FavoritesDlg*>())
                    editor->slot_Edit();
            });
        w->slot_editFavorites();
    };
    m_handlers[Action::OpenStationBrowser] = [bar](const auto&) { bar->browser()->click(); };
    m_handlers[Action::FocusSearch] = [bar](const auto&) { bar->searchEdit()->setFocus(); };
    m_handlers[Action::ClickFocusedButton] = [bar](const auto&) {
        for (QToolButton* button : bar->buttons()) {
            if (button->hasFocus())
                button->click();
        }
    };
    m_handlers[Action::ClickButton] = [w](const KeyboardRules::Result& result) {
        if (auto* button = w->findChild<QToolButton*>(result.button))
            button->click();
    };
}

void WindowKeyActions::swapPeakMeters() const {
    const bool toLeft = !m_parts.panel->metersOnLeft();
    // 2 keeps the meters on the left from now on, 1 on the right.
    m_parts.settings->setPeakmetersOrientation(toLeft ? 2 : 1);
    m_parts.panel->placeMeters(toLeft);
}

void WindowKeyActions::turnPage(int step) const {
    QStackedWidget* stack = m_parts.stack;
    const int count = stack->count();
    stack->setCurrentIndex((stack->currentIndex() + step + count) % count);
    stack->currentWidget()->setFocus();
}

void WindowKeyActions::playOrStop() const {
    PlaybackController* playback = m_parts.playback;
    if (playback->hasStream() || playback->isConnecting())
        playback->stopPlayback(PlaybackController::Ask::Yes);
    else
        playback->playLast();
}

void WindowKeyActions::announce() {
    PlaybackController* playback = m_parts.playback;
    const QString text = playback->hasStream()
                             ? playback->nowPlayingText(m_parts.settings->IRQString(), false)
                             : tr("No radio station is currently playing");
    m_window->setStatusText(text);
    m_window->notify(tr("Quillowave"), text);
    TextToSpeech* speech = TextToSpeech::instance();
    disconnect(m_muteWhenSpeaking);
    m_muteWhenSpeaking = connect(speech, &TextToSpeech::sig_started, this, [this] {
        disconnect(m_muteWhenSpeaking);
        muteForAnnouncement();
    });
    if (!speech->speak(text, true))
        disconnect(m_muteWhenSpeaking);
}

void WindowKeyActions::muteForAnnouncement() const {
    PlaybackController* playback = m_parts.playback;
    if (playback->isMuted())
        return;
    playback->toggleMute();
    QTimer::singleShot(kAnnounceMuteMs, m_window, [playback] {
        if (playback->isMuted())
            playback->toggleMute();
    });
}
