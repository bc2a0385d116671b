#include "audio/channel.h"

#include "audio/bytebuffer.h"
#include "audio/config.h"
#include "audio/output.h"
#include "audio/playlistparser.h"

extern "C" {
#include <libavutil/channel_layout.h>
#include <libswresample/swresample.h>
}

#include <algorithm>
#include <cmath>
#include <cstring>
#include <utility>

namespace qwaudio {

namespace {

constexpr size_t kPlayRingSamples = 16384 * Output::kChannels;
constexpr size_t kDecodeRingSamples = 65536;
constexpr size_t kResumeSamples = kPlayRingSamples / 2;
constexpr size_t kFirstBlockSamples = size_t(Output::kMaxBlockFrames) * Output::kChannels;
constexpr auto kFirstBlockWait = std::chrono::milliseconds(250);
constexpr size_t kHeardSamples = 8192 * Output::kChannels;
constexpr size_t kTagHistory = 16;
constexpr size_t kMaxPlaylistBytes = 64 * 1024;
constexpr int kMaxPlaylistDepth = 3;

std::string lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return char(std::tolower(c)); });
    return text;
}

bool isDirectAddress(const std::string& url) {
    const std::string low = lower(url);
    for (const char* scheme : {"mms://", "mmsh://", "mmst://", "rtsp://", "rtmp://"}) {
        if (low.rfind(scheme, 0) == 0)
            return true;
    }
    const std::string path = low.substr(0, low.find_first_of("?#"));
    return path.size() > 5 && path.compare(path.size() - 5, 5, ".m3u8") == 0;
}

std::string joinList(const std::vector<std::string>& items) {
    std::string list;
    for (const auto& item : items) {
        list += item;
        list += '\0';
    }
    list += '\0';
    return list;
}

// The callback's channel while it runs, so that a callback may free its own channel.
thread_local const Channel* t_callbackChannel = nullptr;

std::atomic<int> g_liveChannels{0};

} // namespace

Channel::Channel(DWORD handle, DWORD flags, StreamKind kind, Output* output)
    : m_handle(handle), m_flags(flags), m_kind(kind), m_output(output),
      m_ring((flags & BASS_STREAM_DECODE) ? kDecodeRingSamples : kPlayRingSamples),
      m_mixScratch(size_t(Output::kMaxBlockFrames) * Output::kChannels), m_heard(kHeardSamples) {
    ++g_liveChannels;
}

int Channel::liveCount() {
    return g_liveChannels.load();
}

Channel::~Channel() {
    abortOpen();
    for (std::thread* thread : {&m_netThread, &m_decodeThread}) {
        if (!thread->joinable())
            continue;
        if (thread->get_id() == std::this_thread::get_id())
            thread->detach();
        else
            thread->join();
    }
    swr_free(&m_swr);
    --g_liveChannels;
}

void Channel::startThread(std::thread& thread, void (Channel::*body)()) {
    // The thread holds the channel alive until it ends; the destructor then runs on whichever
    // thread lets go last.
    thread = std::thread([self = shared_from_this(), body] { ((*self).*body)(); });
}

// The time-out bounds the whole open, so that a server trickling its answer fails like a silent
// one.
Decoder::Deadline Channel::openDeadline() {
    return std::chrono::steady_clock::now() +
           std::chrono::milliseconds(std::max<uint32_t>(Config::instance().netTimeoutMs(), 1));
}

int Channel::openUrl(const std::string& url, DOWNLOADPROC* proc, void* user) {
    m_downloadProc = proc;
    m_downloadUser = user;
    m_name = url;
    const Decoder::Deadline deadline = openDeadline();
    if (isDirectAddress(url))
        return openDirect(url, deadline);
    return openNetwork(url, 0, deadline);
}

int Channel::openDirect(const std::string& url, Decoder::Deadline deadline) {
    m_direct = true;
    m_decoder = std::make_unique<Decoder>(&m_abort);
    return m_decoder->openUrl(url, m_kind, deadline);
}

int Channel::openNetwork(const std::string& url, int depth, Decoder::Deadline deadline) {
    Config& config = Config::instance();
    const auto msLeft = [deadline] {
        return int(std::max<int64_t>(0, std::chrono::duration_cast<std::chrono::milliseconds>(
                                            deadline - std::chrono::steady_clock::now())
                                            .count()));
    };
    NetSource::Options options;
    options.url = url;
    options.agent = config.agent();
    options.proxy = config.proxy();
    options.timeoutMs = uint32_t(std::max(msLeft(), 1));
    options.readTimeoutMs = config.netReadTimeoutMs();
    {
        // Under the lock, so that an abort from another thread sees the sources or is seen.
        std::lock_guard lock(m_wakeMutex);
        if (m_abort)
            return BASS_ERROR_FILEOPEN;
        // Provisional size until the bit rate is known: the buffer length at 256 kbit/s.
        m_buffer = std::make_unique<ByteBuffer>(size_t(config.netBufferMs()) * 32 + 65536);
        m_net = std::make_unique<NetSource>(options, this);
    }
    // FFmpeg does not report the comments of a new chain link on a stream it cannot seek, so
    // the network thread reads them from the pages as they pass.
    m_oggScanner = std::make_unique<OggCommentScanner>(
        [this](const std::vector<std::string>& comments) { onOggComments(comments); });
    startThread(m_netThread, &Channel::netThread);

    int error = m_net->waitForHeaders();
    const std::vector<std::string> lines = m_net->headerLines();
    if (!lines.empty())
        setTag(m_net->icyStatus() ? BASS_TAG_ICY : BASS_TAG_HTTP, joinList(lines));
    if (error != 0) {
        // The server's answer (a 401 or 404 status line) explains the failure: the download
        // callback gets it as it would for a stream that opened.
        if (m_flags & BASS_STREAM_STATUS)
            deliverHeaderBlock();
        return error;
    }
    const std::string contentType = m_net->contentType();

    if (PlaylistParser::looksLikePlaylist(contentType, url) ||
        PlaylistParser::isHls(contentType, url, "")) {
        std::string body;
        uint8_t chunk[4096];
        while (body.size() < kMaxPlaylistBytes) {
            long count = m_buffer->read(chunk, sizeof chunk, msLeft());
            if (count == ByteBuffer::TimedOut)
                return BASS_ERROR_TIMEOUT;
            if (count <= 0)
                break;
            body.append(reinterpret_cast<const char*>(chunk), size_t(count));
        }
        const std::string effective = m_net->effectiveUrl();
        m_net->abort();
        m_buffer->abort();
        if (m_netThread.joinable())
            m_netThread.join();
        {
            std::lock_guard lock(m_wakeMutex);
            m_net.reset();
            m_buffer.reset();
        }
        {
            std::lock_guard lock(m_tagMutex);
            m_tags.clear();
        }
        if (PlaylistParser::isHls(contentType, url, body))
            return openDirect(effective, deadline);
        const std::string next = PlaylistParser::firstEntry(body);
        if (config.playlistMode() == 0 || next.empty() || depth >= kMaxPlaylistDepth)
            return BASS_ERROR_FILEFORM;
        m_name = next;
        if (isDirectAddress(next))
            return openDirect(next, deadline);
        return openNetwork(next, depth + 1, deadline);
    }

    return openBufferedDecoder(contentType, deadline, {});
}

bool Channel::canReopen() const {
    return m_net && m_buffer && !m_buffer->aborted() && m_decoder && m_decoder->refusedFormat();
}

int Channel::reopenAs(StreamKind kind) {
    m_kind = kind;
    std::vector<uint8_t> probed = m_decoder->takeProbe();
    const Decoder::Deadline deadline = openDeadline();
    return openBufferedDecoder(m_net->contentType(), deadline, std::move(probed));
}

int Channel::openBufferedDecoder(const std::string& contentType, Decoder::Deadline deadline,
                                 std::vector<uint8_t> probed) {
    m_decoder = std::make_unique<Decoder>(&m_abort);
    m_decoder->seedProbe(std::move(probed));
    const int error = m_buffer->aborted()
                          ? BASS_ERROR_FILEOPEN
                          : m_decoder->openBuffer(m_buffer.get(), m_kind, contentType, deadline);
    if (error != 0)
        return error;
    int64_t bitRate = m_decoder->bitRate();
    if (bitRate <= 0) {
        const std::string announced = m_net->header("icy-br");
        bitRate = announced.empty() ? 128000 : std::atoll(announced.c_str()) * 1000;
    }
    if (bitRate <= 0)
        bitRate = 128000;
    m_buffer->setCapacity(
        size_t(bitRate / 8 * int64_t(Config::instance().netBufferMs()) / 1000));
    return 0;
}

int Channel::openFile(const std::string& path) {
    m_name = path;
    m_decoder = std::make_unique<Decoder>(&m_abort);
    return m_decoder->openFile(path, m_kind);
}

int Channel::openMemory(const void* data, size_t length) {
    m_decoder = std::make_unique<Decoder>(&m_abort);
    return m_decoder->openMemory(data, length, m_kind);
}

void Channel::start() {
    m_rate = m_decoder->sampleRate();
    m_channels = m_decoder->channels();
    m_channelType = m_decoder->channelType();
    m_originalBits = m_decoder->originalBits();
    if (!m_oggScanner || !tags(BASS_TAG_OGG))
        updateDecoderTags(TagOrigin::Opening);
    m_decoder->takeTagsChanged();
    bool ended = false;
    {
        std::lock_guard lock(m_pendingMutex);
        m_started = true;
        ended = m_pendingEnd;
    }
    // A download that ended while opening has no later network callback to hand its data on.
    if (ended) {
        std::lock_guard order(m_callbackMutex);
        flushPendingDownload();
        deliverDownload(nullptr, 0);
    }
    startThread(m_decodeThread, &Channel::decodeThread);
}

void Channel::abortOpen() {
    {
        std::lock_guard lock(m_wakeMutex);
        m_abort = true;
        if (m_buffer)
            m_buffer->abort();
        if (m_net)
            m_net->abort();
    }
    m_wake.notify_all();
    m_decodedWake.notify_all();
}

void Channel::shutdown() {
    abortOpen();
    m_output->removeChannel(this);
    m_state = Stopped;
    m_encoders.channelFreed();
    m_effects.clear();
    std::lock_guard lock(m_callbackMutex);
    m_freed = true;
}

void Channel::netThread() {
    m_net->run();
}

// ---- download path (network thread) ----

void Channel::deliverDownload(const void* data, DWORD length) {
    if (!m_downloadProc)
        return;
    std::lock_guard lock(m_callbackMutex);
    if (m_freed)
        return;
    t_callbackChannel = this;
    m_downloadProc(data, length, m_downloadUser);
    t_callbackChannel = nullptr;
}

void Channel::flushPendingDownload() {
    std::vector<uint8_t> pending;
    {
        std::lock_guard lock(m_pendingMutex);
        if (!m_started || m_headerDelivered)
            return;
        m_headerDelivered = true;
        pending.swap(m_pendingDownload);
    }
    if (m_flags & BASS_STREAM_STATUS)
        deliverHeaderBlock();
    if (!pending.empty())
        deliverDownload(pending.data(), DWORD(pending.size()));
}

void Channel::deliverHeaderBlock() {
    const char* header = tags(BASS_TAG_ICY);
    if (!header)
        header = tags(BASS_TAG_HTTP);
    if (header)
        deliverDownload(header, 0);
}

void Channel::onNetData(const uint8_t* data, size_t length) {
    if (m_started) {
        // Handed on and scanned before the decoder can read it: a new Ogg link's title then
        // reaches the syncs while the link's first audio is still ahead of the decoder, so a
        // cut placed at the link's start is not already passed. A block larger than the room
        // in the buffer is written in parts while the decoder reads.
        handOn(data, length);
        m_buffer->write(data, length);
        return;
    }
    if (!m_buffer->write(data, length))
        return;
    {
        std::lock_guard lock(m_pendingMutex);
        if (!m_started) {
            m_pendingDownload.insert(m_pendingDownload.end(), data, data + length);
            if (m_oggScanner)
                m_oggScanner->feed(data, length);
            return;
        }
    }
    handOn(data, length);
}

void Channel::handOn(const uint8_t* data, size_t length) {
    // Held across the flush so that a flush by start() or play() cannot overtake newer data.
    std::lock_guard order(m_callbackMutex);
    flushPendingDownload();
    deliverDownload(data, DWORD(length));
    if (m_oggScanner)
        m_oggScanner->feed(data, length);
}

void Channel::onOggComments(const std::vector<std::string>& comments) {
    setTag(BASS_TAG_OGG, joinList(comments));
    if (!m_started)
        return;
    fireSyncs(BASS_SYNC_META, 0);
    fireSyncs(BASS_SYNC_OGG_CHANGE, 0);
}

void Channel::onNetMeta(const std::string& text) {
    setTag(BASS_TAG_META, text);
    if (!m_started)
        return;
    std::lock_guard order(m_callbackMutex);
    flushPendingDownload();
    fireSyncs(BASS_SYNC_META, 0);
}

void Channel::onNetEnd() {
    m_buffer->setEndOfData();
    {
        std::lock_guard lock(m_pendingMutex);
        if (!m_started) {
            m_pendingEnd = true;
            return;
        }
    }
    std::lock_guard order(m_callbackMutex);
    flushPendingDownload();
    deliverDownload(nullptr, 0);
    fireSyncs(BASS_SYNC_DOWNLOAD, 0);
}

// ---- decoding (decoder thread) ----

void Channel::decodeThread() {
    // Until a stream plays, its bytes stay in the download buffer, where the position
    // functions count them as buffered: reading ahead would move them out of that count into
    // samples nobody hears yet, so a pre-buffer wait would wait for them once more.
    if (!isDecodeOnly()) {
        std::unique_lock lock(m_wakeMutex);
        m_wake.wait(lock, [this] { return m_played || m_abort.load(); });
    }
    std::vector<float> decoded;
    std::vector<float> converted;
    while (!m_abort) {
        decoded.clear();
        const Decoder::Result result = m_decoder->decode(decoded);
        if (m_decoder->takeTagsChanged() && !m_oggScanner) {
            updateDecoderTags(TagOrigin::Change);
            fireSyncs(m_channelType == BASS_CTYPE_STREAM_WMA ||
                              m_channelType == BASS_CTYPE_STREAM_WMA_MP3
                          ? BASS_SYNC_WMA_META
                          : BASS_SYNC_META,
                      0);
            fireSyncs(BASS_SYNC_OGG_CHANGE, 0);
        }
        if (decoded.empty()) {
            if (result == Decoder::Result::End)
                break;
            continue;
        }
        const int rate = m_decoder->sampleRate();
        const int channels = m_decoder->channels();
        m_rate = rate;
        m_channels = channels;
        runDsp(decoded);
        m_effects.process(decoded, channels, rate);
        m_encoders.feed(decoded, m_decoder->blockPosition(), rate, channels);
        if (isDecodeOnly()) {
            if (!pushSamples(decoded.data(), decoded.size()))
                break;
            continue;
        }
        convertForOutput(decoded, rate, channels, converted);
        if (!pushSamples(converted.data(), converted.size()))
            break;
        std::lock_guard lock(m_wakeMutex);
        m_decodedWake.notify_all();
    }
    std::lock_guard lock(m_wakeMutex);
    m_sourceEnded = true;
    m_decodedWake.notify_all();
}

bool Channel::pushSamples(const float* samples, size_t count) {
    while (count > 0) {
        if (m_abort)
            return false;
        const size_t written = m_ring.write(samples, count);
        samples += written;
        count -= written;
        if (count == 0)
            break;
        // The mixer cannot signal, so sleep about as long as it needs to drain half the ring
        // rather than waking often; abortOpen() cuts the wait short. A decoding channel is
        // drained by BASS_ChannelGetData at any speed and is checked often.
        int waitMs = 2;
        if (!isDecodeOnly()) {
            const size_t half = m_ring.capacity() / 2;
            const size_t writable = m_ring.writable();
            const size_t missingFrames =
                writable >= half ? 0 : (half - writable) / Output::kChannels;
            waitMs = int(std::clamp<size_t>(
                missingFrames * 1000 / size_t(std::max(m_output->rate(), 1)), 2, 200));
        }
        std::unique_lock lock(m_wakeMutex);
        m_wake.wait_for(lock, std::chrono::milliseconds(waitMs), [this] { return m_abort.load(); });
    }
    return true;
}

void Channel::convertForOutput(const std::vector<float>& in, int rate, int channels,
                               std::vector<float>& out) {
    const float frequency = m_frequency.load();
    const int inRate = frequency > 0 ? int(frequency) : rate;
    const int outRate = m_output->rate();
    const size_t frames = in.size() / size_t(channels);
    if (inRate == outRate && channels == Output::kChannels) {
        out.assign(in.begin(), in.end());
        return;
    }
    if (!m_swr || m_swrInRate != inRate || m_swrChannels != channels) {
        swr_free(&m_swr);
        AVChannelLayout inLayout;
        AVChannelLayout outLayout;
        av_channel_layout_default(&inLayout, channels);
        av_channel_layout_default(&outLayout, Output::kChannels);
        if (swr_alloc_set_opts2(&m_swr, &outLayout, AV_SAMPLE_FMT_FLT, outRate, &inLayout,
                                AV_SAMPLE_FMT_FLT, inRate, 0, nullptr) < 0 ||
            swr_init(m_swr) < 0) {
            swr_free(&m_swr);
            out.clear();
            return;
        }
        m_swrInRate = inRate;
        m_swrChannels = channels;
    }
    const int capacity = swr_get_out_samples(m_swr, int(frames));
    out.resize(size_t(std::max(capacity, 0)) * Output::kChannels);
    uint8_t* target = reinterpret_cast<uint8_t*>(out.data());
    const uint8_t* source = reinterpret_cast<const uint8_t*>(in.data());
    const int produced = swr_convert(m_swr, &target, capacity, &source, int(frames));
    out.resize(size_t(std::max(produced, 0)) * Output::kChannels);
}

void Channel::runDsp(std::vector<float>& samples) {
    std::vector<Dsp> dsps;
    {
        std::lock_guard lock(m_listMutex);
        dsps = m_dsps;
    }
    if (dsps.empty())
        return;
    const bool asFloat = Config::instance().floatDsp();
    if (!asFloat) {
        m_dspShorts.resize(samples.size());
        for (size_t i = 0; i < samples.size(); ++i)
            m_dspShorts[i] = int16_t(std::lrint(std::clamp(samples[i], -1.0f, 1.0f) * 32767.0f));
    }
    std::lock_guard lock(m_callbackMutex);
    if (m_freed)
        return;
    t_callbackChannel = this;
    for (const Dsp& dsp : dsps) {
        if (asFloat)
            dsp.proc(dsp.handle, m_handle, samples.data(), DWORD(samples.size() * sizeof(float)),
                     dsp.user);
        else
            dsp.proc(dsp.handle, m_handle, m_dspShorts.data(),
                     DWORD(m_dspShorts.size() * sizeof(int16_t)), dsp.user);
    }
    t_callbackChannel = nullptr;
    if (!asFloat) {
        for (size_t i = 0; i < samples.size(); ++i)
            samples[i] = float(m_dspShorts[i]) / 32768.0f;
    }
}

void Channel::updateDecoderTags(TagOrigin origin) {
    const bool change = origin == TagOrigin::Change;
    const Decoder::Tags tags = m_decoder->tags();
    const bool asf = m_decoder->formatName() == "asf";
    std::vector<std::string> items;
    for (const auto& [key, value] : tags) {
        // FFmpeg's generic names back to the ASF attribute names Windows Media readers know.
        std::string name = key;
        if (asf) {
            const std::string low = lower(key);
            if (low == "artist")
                name = "author";
            else if (low == "genre")
                name = "WM/Genre";
            else if (low == "album")
                name = "WM/AlbumTitle";
        }
        items.push_back(name + "=" + value);
    }
    if (asf && !change && m_decoder->bitRate() > 0)
        items.push_back("Bitrate=" + std::to_string(m_decoder->bitRate()));
    if (items.empty())
        return;
    if (!asf)
        setTag(BASS_TAG_OGG, joinList(items));
    else
        setTag(change ? BASS_TAG_WMA_META : BASS_TAG_WMA, joinList(items));
}

// ---- callbacks ----

void Channel::fireSyncs(DWORD type, DWORD data) {
    std::vector<Sync> matching;
    {
        std::lock_guard lock(m_listMutex);
        for (auto it = m_syncs.begin(); it != m_syncs.end();) {
            if ((it->type & ~(BASS_SYNC_MIXTIME | BASS_SYNC_ONETIME)) != type) {
                ++it;
                continue;
            }
            matching.push_back(*it);
            if (it->type & BASS_SYNC_ONETIME)
                it = m_syncs.erase(it);
            else
                ++it;
        }
    }
    if (matching.empty())
        return;
    std::lock_guard lock(m_callbackMutex);
    const Channel* outer = t_callbackChannel;
    t_callbackChannel = this;
    for (const Sync& sync : matching) {
        if (m_freed)
            break;
        sync.proc(sync.handle, m_handle, data, sync.user);
    }
    t_callbackChannel = outer;
}

HSYNC Channel::addSync(HSYNC handle, DWORD type, QWORD param, SYNCPROC* proc, void* user) {
    std::lock_guard lock(m_listMutex);
    m_syncs.push_back({handle, type, param, proc, user});
    return handle;
}

bool Channel::removeSync(HSYNC handle) {
    std::lock_guard lock(m_listMutex);
    auto it = std::find_if(m_syncs.begin(), m_syncs.end(),
                           [handle](const Sync& sync) { return sync.handle == handle; });
    if (it == m_syncs.end())
        return false;
    m_syncs.erase(it);
    return true;
}

HDSP Channel::addDsp(HDSP handle, DSPPROC* proc, void* user, int priority) {
    std::lock_guard lock(m_listMutex);
    auto it = std::find_if(m_dsps.begin(), m_dsps.end(),
                           [priority](const Dsp& dsp) { return dsp.priority < priority; });
    m_dsps.insert(it, {handle, proc, user, priority});
    return handle;
}

bool Channel::removeDsp(HDSP handle) {
    std::lock_guard lock(m_listMutex);
    auto it = std::find_if(m_dsps.begin(), m_dsps.end(),
                           [handle](const Dsp& dsp) { return dsp.handle == handle; });
    if (it == m_dsps.end())
        return false;
    m_dsps.erase(it);
    return true;
}

// ---- mixer (output thread): no allocation, no locks, no calls out ----

void Channel::mixInto(float* out, int frames) {
    if (m_state.load(std::memory_order_acquire) != Playing) {
        m_levelLeft.store(0, std::memory_order_relaxed);
        m_levelRight.store(0, std::memory_order_relaxed);
        return;
    }
    const size_t wanted = size_t(frames) * Output::kChannels;
    if (m_stalled.load(std::memory_order_acquire)) {
        if (m_ring.readable() < kResumeSamples && !m_sourceEnded.load(std::memory_order_acquire)) {
            m_levelLeft.store(0, std::memory_order_relaxed);
            m_levelRight.store(0, std::memory_order_relaxed);
            return;
        }
        m_stalled.store(false, std::memory_order_release);
    }
    const size_t got = m_ring.read(m_mixScratch.data(), wanted);
    const float volume = m_volume.load(std::memory_order_relaxed);
    const float pan = m_pan.load(std::memory_order_relaxed);
    const float left = volume * (pan > 0 ? 1.0f - pan : 1.0f);
    const float right = volume * (pan < 0 ? 1.0f + pan : 1.0f);
    float peakLeft = 0;
    float peakRight = 0;
    size_t heardPos = m_heardPos.load(std::memory_order_relaxed);
    for (size_t i = 0; i + 1 < got; i += 2) {
        const float l = m_mixScratch[i] * left;
        const float r = m_mixScratch[i + 1] * right;
        out[i] += l;
        out[i + 1] += r;
        peakLeft = std::max(peakLeft, std::fabs(l));
        peakRight = std::max(peakRight, std::fabs(r));
        m_heard[heardPos].store(l, std::memory_order_relaxed);
        m_heard[heardPos + 1].store(r, std::memory_order_relaxed);
        heardPos += 2;
        if (heardPos == m_heard.size())
            heardPos = 0;
    }
    m_heardPos.store(heardPos, std::memory_order_release);
    m_playedFrames.fetch_add(got / Output::kChannels, std::memory_order_relaxed);
    m_levelLeft.store(uint32_t(std::min(peakLeft, 1.0f) * 32768.0f), std::memory_order_relaxed);
    m_levelRight.store(uint32_t(std::min(peakRight, 1.0f) * 32768.0f), std::memory_order_relaxed);
    if (got < wanted) {
        if (m_sourceEnded.load(std::memory_order_acquire) && m_ring.readable() == 0)
            m_drained.store(true, std::memory_order_release);
        else if (m_playedFrames.load(std::memory_order_relaxed) > 0)
            // Before the first samples the decoder is only starting up: not a stall.
            m_stalled.store(true, std::memory_order_release);
    }
}

// ---- ticker thread ----

bool Channel::tick() {
    {
        std::lock_guard lock(m_slideMutex);
        if (m_slide.active) {
            const auto elapsed = std::chrono::steady_clock::now() - m_slide.start;
            double share = m_slide.duration.count() > 0
                               ? std::chrono::duration<double>(elapsed).count() /
                                     std::chrono::duration<double>(m_slide.duration).count()
                               : 1.0;
            share = std::min(share, 1.0);
            const float value = m_slide.from + float(share) * (m_slide.to - m_slide.from);
            mixValue(m_slide.attrib)->store(value);
            if (share >= 1.0)
                m_slide.active = false;
        }
    }
    // Fired here rather than by the decoder thread, which must not wait for a callback.
    for (unsigned cuts = m_encoders.takeReachedCuts(); cuts > 0; --cuts)
        fireSyncs(BASS_SYNC_ENCODE_CUT, 0);
    if (isDecodeOnly()) {
        if (!m_endReported && m_sourceEnded.load() && m_ring.readable() == 0) {
            m_endReported = true;
            fireSyncs(BASS_SYNC_END, 0);
        }
        return false;
    }
    const bool playing = m_state.load() == Playing;
    const bool stalled = playing && m_stalled.load();
    if (playing && stalled != m_reportedStall) {
        m_reportedStall = stalled;
        fireSyncs(BASS_SYNC_STALL, stalled ? 0 : 1);
    }
    if (m_drained.load() && !m_endReported) {
        m_endReported = true;
        m_state = Stopped;
        m_output->removeChannel(this);
        fireSyncs(BASS_SYNC_END, 0);
        return (m_flags & BASS_STREAM_AUTOFREE) != 0;
    }
    return false;
}

// ---- API ----

int Channel::play(bool restart) {
    if (isDecodeOnly())
        return BASS_ERROR_DECODE;
    if (m_drained.load())
        return BASS_ERROR_ENDED;
    if (restart && m_state.load() == Stopped && m_decoder && m_decoder->lengthFrames() < 0)
        m_ring.clear();
    // What arrived while the stream opened reaches the download callback by the time it plays,
    // not at the next network block: a recording started right after would count the server's
    // burst as new audio.
    {
        std::lock_guard order(m_callbackMutex);
        flushPendingDownload();
    }
    const int previous = m_state.exchange(Playing);
    if (previous == Playing)
        return 0;
    {
        std::lock_guard lock(m_wakeMutex);
        m_played = true;
    }
    m_wake.notify_all();
    awaitFirstBlock();
    if (const int error = m_output->addChannel(this); error != 0) {
        m_state = Stopped;
        return error;
    }
    return 0;
}

void Channel::awaitFirstBlock() {
    std::unique_lock lock(m_wakeMutex);
    m_decodedWake.wait_for(lock, kFirstBlockWait, [this] {
        return m_ring.readable() >= kFirstBlockSamples || m_sourceEnded.load() || m_abort.load();
    });
}

int Channel::pause() {
    if (isDecodeOnly())
        return BASS_ERROR_DECODE;
    int expected = Playing;
    if (!m_state.compare_exchange_strong(expected, Paused))
        return expected == Paused ? BASS_ERROR_ALREADY : BASS_ERROR_NOPLAY;
    return 0;
}

int Channel::stop() {
    m_state = Stopped;
    m_output->removeChannel(this);
    m_stalled = false;
    return 0;
}

DWORD Channel::activeState() const {
    if (isDecodeOnly())
        return m_sourceEnded.load() && m_ring.readable() == 0 ? BASS_ACTIVE_STOPPED
                                                              : BASS_ACTIVE_PLAYING;
    switch (m_state.load()) {
    case Playing:
        return m_stalled.load() ? BASS_ACTIVE_STALLED : BASS_ACTIVE_PLAYING;
    case Paused:
        return BASS_ACTIVE_PAUSED;
    default:
        return BASS_ACTIVE_STOPPED;
    }
}

int Channel::bytesPerSample() const {
    return (m_flags & BASS_SAMPLE_FLOAT) ? 4 : 2;
}

void Channel::info(BASS_CHANNELINFO* info) const {
    *info = BASS_CHANNELINFO{};
    info->freq = DWORD(m_rate.load());
    info->chans = DWORD(m_channels.load());
    info->flags = m_flags & ~DWORD(BASS_UNICODE);
    info->ctype = m_channelType.load();
    info->origres = DWORD(std::max(m_originalBits, 0));
    info->filename = m_name.c_str();
}

void Channel::setTag(DWORD type, std::string value) {
    std::lock_guard lock(m_tagMutex);
    auto& history = m_tags[type];
    history.push_back(std::move(value));
    while (history.size() > kTagHistory)
        history.pop_front();
}

const char* Channel::tags(DWORD type) const {
    std::lock_guard lock(m_tagMutex);
    auto it = m_tags.find(type);
    if (it == m_tags.end() || it->second.empty())
        return nullptr;
    return it->second.back().c_str();
}

const std::atomic<float>* Channel::mixValue(DWORD attrib) const {
    switch (attrib) {
    case BASS_ATTRIB_VOL:
        return &m_volume;
    case BASS_ATTRIB_PAN:
        return &m_pan;
    default:
        return nullptr;
    }
}

std::atomic<float>* Channel::mixValue(DWORD attrib) {
    return const_cast<std::atomic<float>*>(std::as_const(*this).mixValue(attrib));
}

int Channel::setAttribute(DWORD attrib, float value) {
    if (attrib != BASS_ATTRIB_FREQ)
        return slideAttribute(attrib, value, 0);
    if (value != 0 && (value < 100 || value > 1000000))
        return BASS_ERROR_ILLPARAM;
    m_frequency = value;
    return 0;
}

int Channel::attribute(DWORD attrib, float* value) const {
    if (attrib == BASS_ATTRIB_FREQ) {
        const float frequency = m_frequency.load();
        *value = frequency > 0 ? frequency : float(m_rate.load());
        return 0;
    }
    const std::atomic<float>* source = mixValue(attrib);
    if (!source)
        return BASS_ERROR_ILLTYPE;
    *value = source->load();
    return 0;
}

int Channel::slideAttribute(DWORD attrib, float value, DWORD timeMs) {
    std::atomic<float>* target = mixValue(attrib);
    if (!target)
        return BASS_ERROR_ILLTYPE;
    // Volume has no upper bound (it amplifies); pan runs from full left to full right.
    const float limited =
        attrib == BASS_ATTRIB_VOL ? std::max(value, 0.0f) : std::clamp(value, -1.0f, 1.0f);
    std::lock_guard lock(m_slideMutex);
    if (timeMs == 0) {
        // Setting the value outright ends a slide of the same attribute.
        if (m_slide.attrib == attrib)
            m_slide.active = false;
        target->store(limited);
        return 0;
    }
    m_slide.active = true;
    m_slide.attrib = attrib;
    m_slide.from = target->load();
    m_slide.to = limited;
    m_slide.start = std::chrono::steady_clock::now();
    m_slide.duration = std::chrono::milliseconds(timeMs);
    return 0;
}

bool Channel::isSliding(DWORD attrib) const {
    std::lock_guard lock(m_slideMutex);
    return m_slide.active && (attrib == 0 || attrib == m_slide.attrib);
}

DWORD Channel::level() const {
    if (m_state.load() != Playing)
        return 0;
    return m_levelLeft.load() | (m_levelRight.load() << 16);
}

DWORD Channel::data(void* buffer, DWORD length, int* error) {
    const bool asFloat = (length & BASS_DATA_FLOAT) || (m_flags & BASS_SAMPLE_FLOAT);
    const size_t sampleBytes = asFloat ? sizeof(float) : sizeof(int16_t);
    if (length == BASS_DATA_AVAILABLE)
        return DWORD(isDecodeOnly() ? m_ring.readable() * sampleBytes
                                    : kHeardSamples * sampleBytes);
    length &= ~DWORD(BASS_DATA_FLOAT);
    if (length > 0x0FFFFFFF) {
        *error = BASS_ERROR_ILLPARAM;
        return DWORD(-1);
    }
    // At most 4 MB of samples per call; fewer than asked is a normal answer.
    const size_t samples = std::min<size_t>(length / sampleBytes, size_t(1) << 20);
    std::vector<float> values(samples);
    size_t got = 0;
    if (isDecodeOnly()) {
        while (got < samples && !m_abort) {
            got += m_ring.read(values.data() + got, samples - got);
            if (got < samples) {
                if (m_sourceEnded.load() && m_ring.readable() == 0)
                    break;
                std::this_thread::sleep_for(std::chrono::milliseconds(2));
            }
        }
        if (got == 0 && m_sourceEnded.load()) {
            *error = BASS_ERROR_ENDED;
            return DWORD(-1);
        }
        m_deliveredSamples += got;
    } else {
        if (m_state.load() != Playing) {
            *error = BASS_ERROR_NOPLAY;
            return DWORD(-1);
        }
        got = std::min(samples, m_heard.size());
        const size_t end = m_heardPos.load(std::memory_order_acquire);
        for (size_t i = 0; i < got; ++i)
            values[i] = m_heard[(end + m_heard.size() - got + i) % m_heard.size()].load(
                std::memory_order_relaxed);
    }
    if (asFloat) {
        std::memcpy(buffer, values.data(), got * sizeof(float));
    } else {
        auto* shorts = static_cast<int16_t*>(buffer);
        for (size_t i = 0; i < got; ++i)
            shorts[i] = int16_t(std::lrint(std::clamp(values[i], -1.0f, 1.0f) * 32767.0f));
    }
    return DWORD(got * sampleBytes);
}

QWORD Channel::filePosition(DWORD mode) const {
    if (m_buffer) {
        switch (mode) {
        case BASS_FILEPOS_CURRENT:
            return currentSourceByte();
        case BASS_FILEPOS_DOWNLOAD:
            return m_buffer->totalWritten();
        case BASS_FILEPOS_END:
            return m_buffer->capacity();
        case BASS_FILEPOS_START:
            return 0;
        case BASS_FILEPOS_CONNECTED:
            return m_buffer->endOfData() ? 0 : 1;
        case BASS_FILEPOS_BUFFER:
            return m_buffer->available();
        case BASS_FILEPOS_LINK:
            return m_oggScanner ? QWORD(m_oggScanner->linkStart()) : QWORD(-1);
        default:
            return QWORD(-1);
        }
    }
    if (!m_decoder || m_direct)
        return QWORD(-1);
    const int64_t size = m_decoder->sourceSize();
    switch (mode) {
    case BASS_FILEPOS_CURRENT:
        return QWORD(m_decoder->sourcePosition());
    case BASS_FILEPOS_DOWNLOAD:
    case BASS_FILEPOS_END:
        return QWORD(size);
    case BASS_FILEPOS_START:
        return 0;
    default:
        return QWORD(-1);
    }
}

QWORD Channel::currentSourceByte() const {
    const int64_t parsed = m_decoder ? m_decoder->sourcePosition() : -1;
    return parsed >= 0 ? QWORD(parsed) : m_buffer->totalRead();
}

QWORD Channel::position() const {
    const int channels = std::max(m_channels.load(), 1);
    if (isDecodeOnly())
        return m_deliveredSamples.load() * QWORD(bytesPerSample());
    const double frames =
        double(m_playedFrames.load()) * m_rate.load() / std::max(m_output->rate(), 1);
    return QWORD(frames) * QWORD(channels) * QWORD(bytesPerSample());
}

QWORD Channel::length() const {
    const int64_t frames = m_decoder ? m_decoder->lengthFrames() : -1;
    if (frames < 0)
        return QWORD(-1);
    return QWORD(frames) * QWORD(std::max(m_channels.load(), 1)) * QWORD(bytesPerSample());
}

double Channel::bytesToSeconds(QWORD bytes) const {
    const double perSecond =
        double(std::max(m_rate.load(), 1)) * std::max(m_channels.load(), 1) * bytesPerSample();
    return double(bytes) / perSecond;
}

QWORD Channel::secondsToBytes(double seconds) const {
    const QWORD frameBytes = QWORD(std::max(m_channels.load(), 1)) * QWORD(bytesPerSample());
    return QWORD(std::max(seconds, 0.0) * std::max(m_rate.load(), 1)) * frameBytes;
}

} // namespace qwaudio
