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
    m_rate = rate > 0 ? rate : 44100;
    m_deviceIndex = device;
    m_clockBuffer.assign(size_t(kMaxBlockFrames) * kChannels, 0.0f);
    if (device == 0) {
        m_clockStop = false;
        m_running = true;
        m_clock = std::thread([this] { clockLoop(); });
        m_open = true;
        return 0;
    }
    if (!startSdlAudio())
        return BASS_ERROR_DRIVER;
    m_sdlStarted = true;
    std::string name;
    if (device >= 2) {
        const char* found = SDL_GetAudioDeviceName(device - 2, 0);
        if (!found)
            return BASS_ERROR_DEVICE;
        name = found;
    }
    SDL_AudioSpec want{};
    want.freq = m_rate;
    want.format = AUDIO_F32SYS;
    want.channels = kChannels;
    want.samples = 2048; // about 46 ms: fewer wake-ups, still quick volume changes
    want.callback = [](void* self, Uint8* stream, int length) {
        sdlCallback(self, stream, length);
    };
    want.userdata = this;
    SDL_AudioSpec have{};
    m_sdlDevice = SDL_OpenAudioDevice(name.empty() ? nullptr : name.c_str(), 0, &want, &have, 0);
    if (m_sdlDevice == 0)
        return BASS_ERROR_DRIVER;
    m_open = true;
    m_running = true;
    SDL_PauseAudioDevice(m_sdlDevice, 0);
    return 0;
}

void Output::close() {
    if (m_clock.joinable()) {
        m_clockStop = true;
        m_clock.join();
    }
    if (m_sdlDevice != 0) {
        SDL_CloseAudioDevice(m_sdlDevice);
        m_sdlDevice = 0;
    }
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
    m_running = running;
    if (m_sdlDevice != 0)
        SDL_PauseAudioDevice(m_sdlDevice, running ? 0 : 1);
}

bool Output::addChannel(Channel* channel) {
    for (auto& slot : m_slots) {
        if (slot.load() == channel)
            return true;
    }
    for (auto& slot : m_slots) {
        Channel* expected = nullptr;
        if (slot.compare_exchange_strong(expected, channel))
            return true;
    }
    return false;
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
    int64_t framesDone = 0;
    while (!m_clockStop) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        const double elapsed = std::chrono::duration<double>(Clock::now() - start).count();
        const int64_t due = int64_t(elapsed * m_rate);
        while (framesDone < due) {
            const int frames = int(std::min<int64_t>(1024, due - framesDone));
            if (m_running)
                mix(m_clockBuffer.data(), frames);
            framesDone += frames;
        }
    }
}

} // namespace qwaudio
