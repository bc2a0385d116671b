#include "app/windowclipboard.h"

#include "settings/appsettings.h"
#include "app/playbackcontroller.h"
#include "app/quillowavewindow.h"
#include "recording/appstream.h"
#include "stations/radiostations.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QMenu>
#include <QMessageBox>

WindowClipboard::WindowClipboard(QuillowaveWindow* window, PlaybackController* playback,
                                 AppSettings* settings)
    : QObject(window), m_window(window), m_playback(playback), m_settings(settings) {}

void WindowClipboard::fillMenu(QMenu* menu) {
    const auto add = [menu](const QString& text, int command) {
        menu->addAction(text)->setData(command);
    };
    add(tr("Play from clipboard"), ClipPlay);
    menu->addSeparator();
    add(tr("What's playing"), ClipWhatsPlaying);
    add(tr("Radio station title"), ClipStationTitle);
    add(tr("Radio station URL"), ClipStationUrl);
    add(tr("Track title"), ClipTrack);
    add(tr("Radio station metadata"), ClipMetadata);
    menu->addSeparator();
    add(tr("Next playlist entry"), ClipNextEntry);
    add(tr("Previous playlist entry"), ClipPreviousEntry);
    connect(menu, &QMenu::triggered, m_window, &QuillowaveWindow::slot_menuClipboard);
}

void WindowClipboard::execute(QAction* action) {
    if (!action)
        return;
    const int command = action->data().toInt();
    if (!play(command, action->text()))
        copy(command);
}

bool WindowClipboard::play(int command, const QString& actionText) {
    switch (command) {
    case ClipPlay:
        playClipboardText();
        return true;
    case ClipPlayStation: {
        QList<Preset*> found;
        m_window->directory()->findByTitle(actionText, found);
        if (!found.isEmpty())
            m_window->playStation(*found.constFirst(), true);
        return true;
    }
    case ClipPlayEntry:
        m_playback->playPlaylistEntry(actionText);
        return true;
    case ClipNextEntry:
        m_window->slot_ForwardPlaylist();
        return true;
    case ClipPreviousEntry:
        m_window->slot_BackPlaylist();
        return true;
    default:
        return false;
    }
}

void WindowClipboard::playClipboardText() {
    const QString text = QApplication::clipboard()->text().trimmed();
    if (text.isEmpty())
        return;
    if (!text.contains(QLatin1String("://"))) {
        const QString question = QStringLiteral("'%1' <br><br><b>%2. %3</b>")
                                     .arg(text.toHtmlEscaped(), tr("Is not a valid station URL"),
                                          tr("Continue anyway?"));
        if (QMessageBox::question(m_window, tr("Quillowave"), question) != QMessageBox::Yes)
            return;
    }
    m_window->playAddress(text, QString(), true);
}

void WindowClipboard::copy(int command) {
    QClipboard* clipboard = QApplication::clipboard();
    AppStream* engine = m_playback->engine();
    switch (command) {
    case ClipWhatsPlaying:
        clipboard->setText(m_playback->nowPlayingText(m_settings->IRQString(), true));
        return;
    case ClipStationTitle:
        clipboard->setText(engine->StationName());
        return;
    case ClipStationUrl:
        clipboard->setText(engine->ConnectedURL());
        return;
    case ClipCurrentUrl:
        clipboard->setText(PlaybackController::currentUrl(m_playback->currentStation()));
        return;
    case ClipTrack:
        clipboard->setText(m_playback->songTitle());
        return;
    case ClipMetadata:
        clipboard->setText(engine->LastRawTitle().m_complete);
        return;
    default:
        return;
    }
}
