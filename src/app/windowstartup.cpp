#include "app/windowstartup.h"

#include "app/playbackcontroller.h"
#include "audio/bass.h"
#include "stations/bramblerstations.h"

#include <QCoreApplication>
#include <QEvent>
#include <QMessageBox>
#include <QThread>
#include <QTimer>
#include <QWidget>
#include <QWindow>

namespace {

// A window that is shown but not on screen by then (mapped on another desktop, say) starts
// anyway; one that is on screen is about to be painted.
constexpr int kUnpaintedStartMs = 1000;

std::function<bool(QString*)>& libraryLoader() {
    static std::function<bool(QString*)> loader;
    return loader;
}

} // namespace

WindowStartup::WindowStartup(QWidget* window, AppSettings* settings, const QString& directoryFile)
    : QObject(window), m_window(window), m_settings(settings), m_directoryFile(directoryFile) {
    m_window->installEventFilter(this);
    // Checked once the event loop runs: a window started hidden (in the tray) is never painted.
    QTimer::singleShot(0, this, [this] {
        if (!m_window->isVisible() || m_window->isMinimized())
            begin();
    });
    QTimer::singleShot(kUnpaintedStartMs, this, [this] {
        const QWindow* native = m_window->windowHandle();
        if (!native || !native->isExposed())
            begin();
    });
}

void WindowStartup::setLibraryLoader(std::function<bool(QString* error)> loader) {
    libraryLoader() = std::move(loader);
}

WindowStartup::~WindowStartup() {
    if (m_reader) {
        m_reader->wait();
        delete m_reader;
    }
    delete m_read;
}

void WindowStartup::whenReady(std::function<void()> request) {
    if (m_ready)
        request();
    else
        m_waiting.push_back(std::move(request));
}

bool WindowStartup::eventFilter(QObject* watched, QEvent* event) {
    // The rest waits until the first paint has reached the screen: the zero timer fires once
    // this paint and its flush are done.
    if (watched == m_window && event->type() == QEvent::Paint && !m_begun)
        QTimer::singleShot(0, this, &WindowStartup::begin);
    return QObject::eventFilter(watched, event);
}

void WindowStartup::begin() {
    if (m_begun)
        return;
    m_begun = true;
    m_window->removeEventFilter(this);
    emit sig_begun();
    // The reader runs on the other core while this thread starts the audio library.
    startReading();
    if (!startEngine())
        return;
    if (!m_reader)
        becomeReady();
}

bool WindowStartup::startEngine() {
    QString error;
    QString warning;
    const bool loaded = !libraryLoader() || libraryLoader()(&error);
    // Whoever made the window may have started the library already (the tests do).
    const bool started = loaded && (BASS_GetDevice() != DWORD(-1) ||
                                    PlaybackController::initEngine(m_settings, &error, &warning));
    if (!started) {
        m_engineFailed = true;
        QMessageBox::critical(m_window, QStringLiteral("Quillowave"),
                              tr("The audio library could not be started: %1").arg(error));
        QCoreApplication::exit(1);
        return false;
    }
    emit sig_engineStarted();
    if (!warning.isEmpty())
        emit sig_warning(warning);
    return true;
}

void WindowStartup::startReading() {
    if (m_directoryFile.isEmpty())
        return;
    // Made here, so that it belongs to this thread; only its reading runs on the other one, and
    // nothing here touches it before that has finished.
    auto* list = new BramblerStations;
    list->setInteractive(false);
    connect(
        list, &RadioStations::signal_Message, list,
        [this](RadioStations::MessageKind kind, const QString& text) {
            m_readMessages.emplace_back(kind, text);
        },
        Qt::DirectConnection);
    m_read = list;
    const QString file = m_directoryFile;
    m_reader = QThread::create([list, file] { list->load(file); });
    m_reader->setObjectName(QStringLiteral("directory reader"));
    connect(m_reader, &QThread::finished, this, &WindowStartup::finishReading);
    m_reader->start();
}

void WindowStartup::finishReading() {
    m_reader->deleteLater();
    m_reader = nullptr;
    RadioStations* list = std::exchange(m_read, nullptr);
    disconnect(list, &RadioStations::signal_Message, list, nullptr);
    list->setInteractive(true);
    emit sig_directoryRead(list, m_directoryFile);
    for (const auto& [kind, text] : std::exchange(m_readMessages, {}))
        RadioStations::showMessageBox(kind, text);
    // A failed library start has already ended the event loop.
    if (!m_engineFailed)
        becomeReady();
}

void WindowStartup::becomeReady() {
    m_ready = true;
    emit sig_ready();
    for (auto& request : std::exchange(m_waiting, {}))
        request();
}
