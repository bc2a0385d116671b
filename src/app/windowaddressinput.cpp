#include "app/windowaddressinput.h"

#include "app/dropresolver.h"
#include "app/playbackcontroller.h"
#include "app/quillowavewindow.h"
#include "app/windowweb.h"

#include <QFileInfo>
#include <QInputDialog>
#include <QMessageBox>
#include <QMimeData>
#include <QTimer>

namespace {

// Lets the drag end before a station starts connecting.
constexpr int kDropDelayMs = 200;

} // namespace

WindowAddressInput::WindowAddressInput(QuillowaveWindow* window)
    : QObject(window), m_window(window) {}

QString WindowAddressInput::askAddress(const QString& offered) {
    bool ok = false;
    const QString url =
        QInputDialog::getText(m_window, tr("Open URL"), tr("Address of a stream or playlist:"),
                              QLineEdit::Normal, offered, &ok)
            .trimmed();
    return ok ? url : QString();
}

void WindowAddressInput::openUrl() {
    const QString url = askAddress(m_pendingStation.firstUrl);
    m_pendingStation = Preset();
    if (!url.isEmpty())
        m_window->playAddress(url, QString(), true);
}

void WindowAddressInput::drop(const QMimeData* mime, bool showFormats) {
    if (showFormats)
        QMessageBox::information(m_window, tr("Dropped data"),
                                 mime->formats().join(QLatin1Char('\n')));
    const DropResolver::Result result = DropResolver::resolve(mime);
    if (result.kind == DropResolver::Kind::FavoritesList) {
        m_window->setStatusText(tr("Favourites lists cannot be imported by dropping them yet."));
        return;
    }
    if (result.kind != DropResolver::Kind::Address)
        return;
    // A station list file becomes the directory instead of being played.
    if (WindowWeb::isStationList(result.text) && QFileInfo(result.text).isFile()) {
        WindowWeb* web = m_window->web();
        QTimer::singleShot(kDropDelayMs, web,
                           [web, path = result.text] { web->loadPresetsFile(path); });
        return;
    }
    const QString url = askAddress(result.text);
    if (url.isEmpty())
        return;
    m_pendingStation = Preset();
    m_pendingStation.addSource(url);
    m_pendingStation.userMade = true;
    QTimer::singleShot(kDropDelayMs, m_window, &QuillowaveWindow::slot_connectStation);
}

void WindowAddressInput::playPending() {
    if (PlaybackController::currentUrl(m_pendingStation).isEmpty())
        return;
    m_window->playStation(m_pendingStation, true);
    m_pendingStation = Preset();
}
