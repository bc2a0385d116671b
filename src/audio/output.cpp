#include "audio/output.h"

#include "audio/bass.h"
#include "audio/channel.h"

#include <SDL2/SDL.h>

#include <chrono>
#include <cstring>

namespace qwaudio {

namespace {

bool startSdlAudio() {
    if (SDL_WasInit(SDL_INIT_AUDIO))
        return true;
    // Starting SDL's audio also starts its event part, which would take over SIGINT and
    // SIGTERM; the signals belong to the program that links the library. The sound server
    // lists the stream under the program's name rather than SDL's generic one.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    SDL_SetHint(SDL_HINT_APP_NAME, "Quillowave");
    SDL_SetHint(SDL_HINT_AUDIO_DEVICE_APP_NAME, "Quillowave");
    SDL_SetHint(SDL_HINT_AUDIO_DEVICE_STREAM_NAME, "Quillowave");
    return SDL_InitSubSystem(SDL_INIT_AUDIO) == 0;
}

std::vector<std::string> sdlDeviceNames(int capture) {
    std::vector<std::string> names;
    if (!startSdlAudio())
        return names;
    const int count = SDL_GetNumAudioDevices(capture);
    for (int i = 0; i < count; ++i) {
        const char* name = SDL_GetAudioDeviceName(i, capture);
        names.emplace_back(name ? name : "");
    }
    return names;
}

} // namespace

Output::Output() = default;

Output::~Output() {
    close();
}

std::vector<std::string> Output::deviceNames() {
    return sdlDeviceNames(0);
}

std::vector<std::string> Output::captureDeviceNames() {
    return sdlDeviceNames(1);
}

std::string Output::driverName() {
    if (!startSdlAudio())
        return {};
    const char* name = SDL_GetCurrentAudioDriver();
    return name ? name : "";
}

int Output::open(int device, int rate) {
    std::lock_guard lock(m_deviceMutex);
    m_rate = rate > 0 ? rate : 44100;
    m_deviceIndex = device;
    m_clockBuffer.assign(size_t(kMaxBlockFrames) * kChannels, 0.0f);
    m_sdlName.clear();
    if (device != 0) {
        if (!startSdlAudio())
            return BASS_ERROR_DRIVER;
        m_sdlStarted = true;
        if (device >= 2) {
            const char* found = SDL_GetAudioDeviceName(device - 2, 0);
            if (!found)
                return BASS_ERROR_DEVICE;
            m_sdlName = found;
        }
    }
    m_running = true;
    // Started once here so that a device that cannot play fails the set-up; it stops again
    // when nothing has played for a while.
    const int error = startDeviceLocked();
    if (error != 0)
        return error;
    m_lastUsed = std::chrono::steady_clock::now();
    m_open = true;
    return 0;
}

int Output::startDeviceLocked() {
    if (m_deviceIndex == 0) {
        if (!m_clock.joinable()) {
            m_clockStop = false;
            m_clock = std::thread([this] { clockLoop(); });
        }
        return 0;
    }
    if (m_sdlDevice != 0)
        return 0;
    SDL_AudioSpec want{};
    want.freq = m_rate;
    want.format = AUDIO_F32SYS;
    want.channels = kChannels;
    // About 93 ms: against 46 ms a sound server spends half the CPU on the stream (measured
    // with PulseAudio), and a volume change still reaches the output within a tenth of a second.
    want.samples = 4096;
    want.callback = [](void* self, Uint8* stream, int length) {
        sdlCallback(self, stream, length);
    };
    want.userdata = this;
    SDL_AudioSpec have{};
    m_sdlDevice =
        SDL_OpenAudioDevice(m_sdlName.empty() ? nullptr : m_sdlName.c_str(), 0, &want, &have, 0);
    if (m_sdlDevice == 0)
        return BASS_ERROR_DRIVER;
    SDL_PauseAudioDevice(m_sdlDevice, m_running ? 0 : 1);
    return 0;
}

void Output::stopDeviceLocked() {
    if (m_clock.joinable()) {
        {
            std::lock_guard clockLock(m_clockMutex);
            m_clockStop = true;
        }
        m_clockWake.notify_all();
        m_clock.join();
    }
    if (m_sdlDevice != 0) {
        SDL_CloseAudioDevice(m_sdlDevice);
        m_sdlDevice = 0;
    }
}

void Output::close() {
    std::lock_guard lock(m_deviceMutex);
    stopDeviceLocked();
    if (m_sdlStarted) {
        // The next set-up reads the driver choice afresh.
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        m_sdlStarted = false;
    }
    m_open = false;
    m_running = false;
    for (auto& slot : m_slots)
        slot.store(nullptr);
}

void Output::setRunning(bool running) {
    std::lock_guard lock(m_deviceMutex);
    m_running = running;
    if (m_sdlDevice != 0)
        SDL_PauseAudioDevice(m_sdlDevice, running ? 0 : 1);
}

int Output::addChannel(Channel* channel) {
    bool added = false;
    for (auto& slot : m_slots)
        added = added || slot.load() == channel;
    for (auto& slot : m_slots) {
        Channel* expected = nullptr;
        added = added || slot.compare_exchange_strong(expected, channel);
    }
    if (!added)
        return BASS_ERROR_NOCHAN;
    std::lock_guard lock(m_deviceMutex);
    m_lastUsed = std::chrono::steady_clock::now();
    const int error = m_open ? startDeviceLocked() : 0;
    if (error != 0)
        removeChannel(channel);
    return error;
}

bool Output::hasChannels() const {
    for (const auto& slot : m_slots) {
        if (slot.load() != nullptr)
            return true;
    }
    return false;
}

bool Output::deviceRunning() {
    std::lock_guard lock(m_deviceMutex);
    return m_sdlDevice != 0 || m_clock.joinable();
}

bool Output::closeIfUnused(int idleMs) {
    std::lock_guard lock(m_deviceMutex);
    const auto now = std::chrono::steady_clock::now();
    if (hasChannels()) {
        m_lastUsed = now;
        return false;
    }
    if (m_sdlDevice == 0 && !m_clock.joinable())
        return true;
    if (now - m_lastUsed < std::chrono::milliseconds(idleMs))
        return false;
    stopDeviceLocked();
    return true;
}

void Output::removeChannel(Channel* channel) {
    bool removed = false;
    for (auto& slot : m_slots) {
        Channel* expected = channel;
        removed = slot.compare_exchange_strong(expected, nullptr) || removed;
    }
    if (!removed)
        return;
    // Wait until a mix that may have picked the channel up has finished.
    const uint64_t seq = m_mixSeq.load();
    if (seq % 2 == 0)
        return;
    for (int i = 0; i < 200 && m_mixSeq.load() == seq; ++i)
        std::this_thread::sleep_for(std::chrono::microseconds(250));
}

void Output::sdlCallback(void* self, uint8_t* stream, int length) {
    auto* output = static_cast<Output*>(self);
    const auto start = std::chrono::steady_clock::now();
    const int frames = length / int(sizeof(float) * kChannels);
    output->mix(reinterpret_cast<float*>(stream), frames);
    const auto spent = std::chrono::steady_clock::now() - start;
    const double blockSeconds = double(frames) / output->m_rate;
    if (blockSeconds > 0)
        output->m_cpuPercent =
            float(std::chrono::duration<double>(spent).count() / blockSeconds * 100.0);
}

void Output::mix(float* out, int frames) {
    m_mixSeq.fetch_add(1);
    std::memset(out, 0, size_t(frames) * kChannels * sizeof(float));
    for (auto& slot : m_slots) {
        Channel* channel = slot.load(std::memory_order_acquire);
        if (!channel)
            continue;
        for (int done = 0; done < frames; done += kMaxBlockFrames)
            channel->mixInto(out + size_t(done) * kChannels,
                             std::min(kMaxBlockFrames, frames - done));
    }
    m_mixSeq.fetch_add(1);
}

void Output::clockLoop() {
    using Clock = std::chrono::steady_clock;
    const auto start = Clock::now();
    const auto block = std::chrono::duration<double>(double(kClockBlockFrames) / m_rate);
    int64_t framesDone = 0;
    std::unique_lock lock(m_clockMutex);
    // One block ahead of the clock, as a device's buffer is: the first samples go out at once.
    while (!m_clockStop) {
        const double elapsed = std::chrono::duration<double>(Clock::now() - start).count();
        const int64_t due = int64_t(elapsed * m_rate) + kClockBlockFrames;
        while (framesDone < due) {
            const int frames = int(std::min<int64_t>(kMaxBlockFrames, due - framesDone));
            if (m_running)
                mix(m_clockBuffer.data(), frames);
            framesDone += frames;
        }
        m_clockWake.wait_for(lock, block, [this] { return m_clockStop.load(); });
    }
}

} // namespace qwaudio
