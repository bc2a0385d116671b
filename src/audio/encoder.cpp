#include "audio/encoder.h"

#include "audio/commandline.h"

#include <poll.h>
#include <signal.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <ctime>

namespace qwaudio {

namespace {

constexpr auto kStallLimit = std::chrono::seconds(1);
// A program may take a while to load its codecs on a busy machine before it reads on.
constexpr auto kStartupGrace = std::chrono::seconds(3);
constexpr auto kFinishLimit = std::chrono::seconds(5);
constexpr auto kOutputAfterExit = std::chrono::milliseconds(500);
constexpr int kCheckMs = 50;
constexpr size_t kReadBytes = 65536;
constexpr size_t kMinQueueBytes = 256 * 1024;
constexpr int kQueueSeconds = 4;

// A write to a pipe whose reader has gone raises SIGPIPE for the writing thread. The pump
// thread keeps it blocked and takes a pending one back, so the process's own handling of the
// signal is left alone.
void blockBrokenPipe() {
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGPIPE);
    pthread_sigmask(SIG_BLOCK, &set, nullptr);
}

void takeBrokenPipe() {
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGPIPE);
    const timespec none{0, 0};
    sigtimedwait(&set, nullptr, &none);
}

} // namespace

Encoder::Encoder(const Setup& setup)
    : m_setup(setup), m_format(setup.flags, setup.channelFlags),
      m_queueLimit(std::max(kMinQueueBytes, size_t(setup.rate) * size_t(setup.channels) *
                                                size_t(m_format.bytesPerSample()) *
                                                kQueueSeconds)) {}

Encoder::~Encoder() {
    if (m_pump.joinable()) {
        if (m_pump.get_id() == std::this_thread::get_id())
            m_pump.detach();
        else
            m_pump.join();
    }
    if (m_wakeFd >= 0)
        ::close(m_wakeFd);
}

int Encoder::start(const std::string& commandLine) {
    const std::vector<std::string> argv = CommandLine::resolve(commandLine);
    if (argv.empty())
        return BASS_ERROR_FILEOPEN;
    m_wakeFd = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (m_wakeFd < 0)
        return BASS_ERROR_MEM;
    const auto output =
        m_setup.proc ? ChildProcess::Output::Capture : ChildProcess::Output::Discard;
    if (m_process.spawn(argv, output) != 0)
        return BASS_ERROR_FILEOPEN;
    m_queue = m_format.header(m_setup.rate, m_setup.channels);
    m_active = true;
    m_pump = std::thread([self = shared_from_this()] { self->pump(); });
    return 0;
}

void Encoder::wake() {
    if (m_wakeFd < 0)
        return;
    const uint64_t one = 1;
    [[maybe_unused]] const ssize_t ignored = ::write(m_wakeFd, &one, sizeof one);
}

void Encoder::feed(const float* samples, size_t count) {
    if (!m_active.load(std::memory_order_relaxed))
        return;
    m_converted.clear();
    m_format.append(samples, count, m_converted);
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, [this] {
        return m_finishing || m_inputClosed || m_queue.size() + m_converted.size() <= m_queueLimit;
    });
    if (m_finishing || m_inputClosed)
        return;
    m_queue.insert(m_queue.end(), m_converted.begin(), m_converted.end());
    wake();
}

void Encoder::finish() {
    std::lock_guard lock(m_mutex);
    m_finishing = true;
    wake();
    m_changed.notify_all();
}

void Encoder::stop() {
    finish();
    if (!m_pump.joinable() || m_pump.get_id() == std::this_thread::get_id())
        return;
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, [this] { return m_ended; });
}

void Encoder::closeInput(Clock::time_point& closedAt) {
    m_process.closeInput();
    closedAt = Clock::now();
    std::lock_guard lock(m_mutex);
    m_inputClosed = true;
    m_changed.notify_all();
}

void Encoder::deliver(const uint8_t* data, size_t length) {
    std::lock_guard lock(m_outputMutex);
    if (m_setup.proc && !m_outputDetached)
        m_setup.proc(m_setup.handle, m_setup.channel, data, DWORD(length), m_setup.user);
}

void Encoder::detachOutput() {
    // From inside the ENCODEPROC the pump thread already holds the lock.
    if (m_pump.get_id() == std::this_thread::get_id()) {
        m_outputDetached = true;
        return;
    }
    std::lock_guard lock(m_outputMutex);
    m_outputDetached = true;
}

void Encoder::readOutput() {
    uint8_t buffer[kReadBytes];
    const ssize_t count = ::read(m_process.outputFd(), buffer, sizeof buffer);
    if (count > 0)
        deliver(buffer, size_t(count));
    else if (count == 0 || (errno != EAGAIN && errno != EINTR))
        m_process.closeOutput();
}

// Writes what it can without waiting; false once the program's input is gone.
bool Encoder::writeInput(std::vector<uint8_t>& chunk, size_t& written,
                         Clock::time_point& progress) {
    const ssize_t count =
        ::write(m_process.inputFd(), chunk.data() + written, chunk.size() - written);
    if (count > 0) {
        written += size_t(count);
        progress = Clock::now();
        return true;
    }
    if (count < 0 && errno == EPIPE)
        takeBrokenPipe();
    return count < 0 && (errno == EAGAIN || errno == EINTR);
}

void Encoder::pump() {
    blockBrokenPipe();
    std::vector<uint8_t> chunk;
    size_t written = 0;
    const Clock::time_point started = Clock::now();
    Clock::time_point progress = started;
    Clock::time_point inputClosed{};
    Clock::time_point exited{};
    bool finishing = false;
    for (;;) {
        const bool inputOpen = m_process.inputFd() >= 0;
        if (inputOpen && written == chunk.size()) {
            chunk.clear();
            written = 0;
            std::lock_guard lock(m_mutex);
            chunk.swap(m_queue);
            finishing = m_finishing;
            m_changed.notify_all();
        }
        const bool waiting = inputOpen && written < chunk.size();
        const Clock::time_point now = Clock::now();
        if (inputOpen && !waiting && finishing)
            closeInput(inputClosed);
        if (!waiting)
            progress = now;
        else if (now - progress > kStallLimit && now - started > kStartupGrace)
            m_process.kill();
        if (!inputOpen && inputClosed != Clock::time_point{} && now - inputClosed > kFinishLimit)
            m_process.kill();
        if (m_process.reaped() && exited != Clock::time_point{} && now - exited > kOutputAfterExit)
            m_process.closeOutput();
        if (m_process.reaped() && m_process.outputFd() < 0)
            break;

        pollfd fds[4];
        nfds_t count = 0;
        fds[count++] = {m_wakeFd, POLLIN, 0};
        const nfds_t inputIndex = waiting ? count++ : 0;
        if (waiting)
            fds[inputIndex] = {m_process.inputFd(), POLLOUT, 0};
        const nfds_t outputIndex = m_process.outputFd() >= 0 ? count++ : 0;
        if (outputIndex)
            fds[outputIndex] = {m_process.outputFd(), POLLIN, 0};
        const nfds_t exitIndex = !m_process.reaped() && m_process.exitFd() >= 0 ? count++ : 0;
        if (exitIndex)
            fds[exitIndex] = {m_process.exitFd(), POLLIN, 0};
        const bool timed = waiting || m_process.reaped() || m_process.exitFd() < 0 ||
                           inputClosed != Clock::time_point{};
        if (poll(fds, count, timed ? kCheckMs : -1) < 0 && errno != EINTR)
            break;

        uint64_t wakes = 0;
        if (fds[0].revents & POLLIN) [[maybe_unused]]
            const ssize_t ignored = ::read(m_wakeFd, &wakes, sizeof wakes);
        if (inputIndex && fds[inputIndex].revents && !writeInput(chunk, written, progress))
            closeInput(inputClosed);
        if (outputIndex && fds[outputIndex].revents)
            readOutput();
        if (!m_process.reaped() && (exitIndex == 0 || fds[exitIndex].revents) && m_process.reap()) {
            closeInput(inputClosed);
            exited = Clock::now();
        }
    }
    closeInput(inputClosed);
    m_process.closeOutput();
    m_process.reap();
    m_active = false;
    std::lock_guard lock(m_mutex);
    ::close(m_wakeFd);
    m_wakeFd = -1;
    m_ended = true;
    m_changed.notify_all();
}

} // namespace qwaudio
