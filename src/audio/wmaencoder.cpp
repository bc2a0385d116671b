#include "audio/wmaencoder.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
}

#include <algorithm>
#include <cstring>
#include <map>
#include <utility>

namespace qwaudio {

namespace {

// The usual WMA bit rates; the codec decides which of them a format allows.
constexpr DWORD kCandidateRates[] = {320000, 256000, 192000, 160000, 128000, 96000, 80000,
                                     64000,  48000,  40000,  32000,  24000,  20000, 16000};

AVCodecContext* openCodec(int rate, int channels, int bitRate) {
    const AVCodec* codec = avcodec_find_encoder(AV_CODEC_ID_WMAV2);
    if (!codec)
        return nullptr;
    AVCodecContext* context = avcodec_alloc_context3(codec);
    context->sample_fmt = AV_SAMPLE_FMT_FLTP;
    context->sample_rate = rate;
    av_channel_layout_default(&context->ch_layout, channels);
    context->bit_rate = bitRate;
    context->time_base = AVRational{1, rate};
    context->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    if (avcodec_open2(context, codec, nullptr) < 0)
        avcodec_free_context(&context);
    return context;
}

} // namespace

const DWORD* WmaEncoder::constantRates(int rate, int channels) {
    static std::mutex mutex;
    static std::map<std::pair<int, int>, std::vector<DWORD>> known;
    std::lock_guard lock(mutex);
    auto [it, added] = known.try_emplace({rate, channels});
    std::vector<DWORD>& rates = it->second;
    if (added) {
        // The codec logs every rate it refuses; the refusal is the answer here.
        av_log_set_level(AV_LOG_QUIET);
        for (DWORD candidate : kCandidateRates) {
            AVCodecContext* context = openCodec(rate, channels, int(candidate));
            if (context)
                rates.push_back(candidate);
            avcodec_free_context(&context);
        }
        if (!rates.empty())
            rates.push_back(0);
    }
    return rates.empty() ? nullptr : rates.data();
}

WmaEncoder::~WmaEncoder() {
    release();
}

void WmaEncoder::release() {
    if (m_format && m_format->pb)
        avio_closep(&m_format->pb);
    avformat_free_context(m_format);
    m_format = nullptr;
    avcodec_free_context(&m_codec);
    av_frame_free(&m_frame);
    av_packet_free(&m_packet);
}

int WmaEncoder::open(const std::string& path, int rate, int channels, int bitRate,
                     bool floatInput) {
    std::lock_guard lock(m_mutex);
    m_codec = openCodec(rate, channels, bitRate);
    if (!m_codec)
        return BASS_ERROR_FORMAT;
    if (avformat_alloc_output_context2(&m_format, nullptr, "asf", path.c_str()) < 0)
        return BASS_ERROR_WMA;
    AVStream* stream = avformat_new_stream(m_format, nullptr);
    if (!stream || avcodec_parameters_from_context(stream->codecpar, m_codec) < 0)
        return BASS_ERROR_MEM;
    stream->time_base = m_codec->time_base;
    if (avio_open(&m_format->pb, path.c_str(), AVIO_FLAG_WRITE) < 0) {
        release();
        return BASS_ERROR_CREATE;
    }
    if (avformat_write_header(m_format, nullptr) < 0) {
        release();
        return BASS_ERROR_WMA;
    }
    m_frame = av_frame_alloc();
    m_packet = av_packet_alloc();
    m_channels = channels;
    m_floatInput = floatInput;
    return 0;
}

int WmaEncoder::write(const void* data, size_t bytes) {
    std::lock_guard lock(m_mutex);
    if (!m_codec)
        return BASS_ERROR_HANDLE;
    if (m_floatInput) {
        const auto* samples = static_cast<const float*>(data);
        m_pending.insert(m_pending.end(), samples, samples + bytes / sizeof(float));
    } else {
        const auto* samples = static_cast<const int16_t*>(data);
        for (size_t i = 0; i < bytes / sizeof(int16_t); ++i)
            m_pending.push_back(float(samples[i]) / 32768.0f);
    }
    return encodePending(false);
}

int WmaEncoder::close() {
    std::lock_guard lock(m_mutex);
    if (!m_codec)
        return BASS_ERROR_HANDLE;
    int error = encodePending(true);
    if (error == 0 && avcodec_send_frame(m_codec, nullptr) >= 0)
        error = drainPackets();
    if (av_write_trailer(m_format) < 0 && error == 0)
        error = BASS_ERROR_WMA;
    release();
    return error;
}

// Sends every whole frame waiting; with flush, also the rest padded with silence.
int WmaEncoder::encodePending(bool flush) {
    const size_t frameSize = size_t(m_codec->frame_size);
    const size_t channels = size_t(m_channels);
    size_t done = 0;
    while (m_pending.size() - done >= frameSize * channels || (flush && m_pending.size() > done)) {
        const size_t available = std::min(frameSize, (m_pending.size() - done) / channels);
        m_frame->nb_samples = int(frameSize);
        m_frame->format = AV_SAMPLE_FMT_FLTP;
        m_frame->sample_rate = m_codec->sample_rate;
        av_channel_layout_copy(&m_frame->ch_layout, &m_codec->ch_layout);
        if (av_frame_get_buffer(m_frame, 0) < 0)
            return BASS_ERROR_MEM;
        for (size_t c = 0; c < channels; ++c) {
            auto* plane = reinterpret_cast<float*>(m_frame->data[c]);
            for (size_t i = 0; i < frameSize; ++i)
                plane[i] = i < available ? m_pending[done + i * channels + c] : 0.0f;
        }
        done += available * channels;
        const int error = sendFrame(frameSize);
        av_frame_unref(m_frame);
        if (error != 0)
            return error;
    }
    m_pending.erase(m_pending.begin(), m_pending.begin() + long(done));
    return 0;
}

int WmaEncoder::sendFrame(size_t frames) {
    m_frame->pts = m_nextPts;
    m_nextPts += int64_t(frames);
    if (avcodec_send_frame(m_codec, m_frame) < 0)
        return BASS_ERROR_WMA;
    return drainPackets();
}

int WmaEncoder::drainPackets() {
    AVStream* stream = m_format->streams[0];
    for (;;) {
        const int result = avcodec_receive_packet(m_codec, m_packet);
        if (result == AVERROR(EAGAIN) || result == AVERROR_EOF)
            return 0;
        if (result < 0)
            return BASS_ERROR_WMA;
        av_packet_rescale_ts(m_packet, m_codec->time_base, stream->time_base);
        m_packet->stream_index = 0;
        if (av_interleaved_write_frame(m_format, m_packet) < 0)
            return BASS_ERROR_FILEOPEN;
    }
}

} // namespace qwaudio
