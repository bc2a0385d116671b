#include "app/remotecontrol.h"

#include "app/playercontrol.h"
#include "app/remotecommandnames.h"

#include <QStringList>
#include <QTimer>

namespace {
constexpr uint FirstCommand = RemoteControl::SetListener;
constexpr uint LastCommand = RemoteControl::SearchStations;
static_assert(FirstCommand == RemoteCommandNames::FirstCode &&
              LastCommand == RemoteCommandNames::LastCode);
} // namespace

RemoteControl::RemoteControl(PlayerControl* player, QObject* parent)
    : QObject(parent), m_player(player) {}

uint RemoteControl::receive(uint code, int arg, const QString& text, const QString& client) {
    if (code == GetStatus)
        return status(arg);
    if (code == SetListener) {
        m_listener = client;
        notifyRemoteClient(EventListenerAcknowledged);
    }
    if (!text.isEmpty())
        m_texts.enqueue(text);
    if (code != 0) {
        m_codes.enqueue(code);
        m_storedArgs.insert(code, arg);
        QTimer::singleShot(ProcessDelayMs, this, &RemoteControl::slot_processCommand);
    }
    return 0;
}

void RemoteControl::notifyRemoteClient(uint code, const QString& text) {
    if (m_listener.isEmpty())
        return;
    emit sig_clientEvent(m_listener, code, text);
}

QString RemoteControl::commandName(uint code) {
    if (code < FirstCommand || code > LastCommand)
        return {};
    return QString::fromLatin1(RemoteCommandNames::nameOf(code));
}

QString RemoteControl::commandListText() {
    QStringList codes;
    for (uint code = 0; code <= LastCommand; ++code)
        codes.append(QString::number(code));
    return codes.join(u',');
}

QString RemoteControl::commandNamesText() {
    QStringList items;
    for (uint code = FirstCommand; code <= LastCommand; ++code)
        items.append(QStringLiteral("%1=").arg(code) + commandName(code));
    return items.join(u',');
}

void RemoteControl::slot_processCommand() {
    QString text;
    if (!m_texts.isEmpty())
        text = m_texts.dequeue();
    if (m_codes.isEmpty())
        return;
    const uint code = m_codes.dequeue();
    execute(code, m_storedArgs.take(code), text);
}

uint RemoteControl::status(int question) const {
    switch (question) {
    case StatusPlaying:
        return m_player->isPlaying() ? 1 : 0;
    case StatusRecording:
        return m_player->isRecording() ? 1 : 0;
    case StatusMuted:
        return m_player->isMuted() ? 1 : 0;
    default:
        return 0;
    }
}

void RemoteControl::changeVolume(int delta) {
    const int value = m_player->volume() + delta;
    m_player->setVolume(qBound(m_player->volumeMinimum(), value, m_player->volumeMaximum()));
}

void RemoteControl::execute(uint code, int arg, const QString& text) {
    using Page = PlayerControl::StationPage;
    using Target = PlayerControl::KeyTarget;
    switch (code) {
    case PlayURL:
        m_player->playUrl(text, QString());
        break;
    case Play:
        m_player->togglePlay();
        break;
    case Stop:
        m_player->stopPlaying();
        break;
    case StartRecording:
        m_player->toggleRecord();
        break;
    case StopRecording:
        if (m_player->isRecording())
            m_player->toggleRecord();
        break;
    case IncVolume:
        changeVolume(arg == 0 ? DefaultVolumeStep : arg);
        break;
    case DecVolume:
        changeVolume(-(arg == 0 ? DefaultVolumeStep : arg));
        break;
    case SetVolume:
        m_player->setVolume(qBound(m_player->volumeMinimum(), arg, m_player->volumeMaximum()));
        break;
    case MuteVolume:
        m_player->toggleMute();
        break;
    case SelectSearchResults:
        m_player->showStationPage(Page::SearchResults);
        break;
    case SelectFavorites:
        m_player->showStationPage(Page::Favorites);
        break;
    case SelectHistory:
        m_player->showStationPage(Page::History);
        break;
    case KeyDown:
    case KeyUp:
        if (arg != 0)
            m_player->sendKey(Target::MainWindow, arg, code == KeyDown);
        break;
    case KeyDownNumPad:
        m_player->playFavorite(arg);
        break;
    case KeyDownStationList:
        if (arg != 0)
            m_player->sendKey(Target::StationList, arg, true);
        break;
    case KeyDownMenu:
        if (arg != 0)
            m_player->sendKeyToMenus(arg);
        break;
    case ShowMenu:
        m_player->closeRemoteMenu();
        if ((arg >= 0 && arg <= 4) || arg == 6)
            m_player->popUpMenu(static_cast<PlayerControl::Menu>(arg));
        break;
    case SearchStations:
        m_player->searchStations(text);
        break;
    case ListCommands:
        notifyRemoteClient(EventCommandList, commandListText());
        break;
    case ListCommandNames:
        notifyRemoteClient(EventCommandNames, commandNamesText());
        break;
    default:
        // SetListener did its work on arrival; unknown codes do nothing.
        break;
    }
}
