#include "audio/decoder.h"

#include "audio/bass.h"
#include "audio/bytebuffer.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/opt.h>
#include <libswresample/swresample.h>
}

#include <algorithm>
#include <cstring>

namespace qwaudio {

namespace {

constexpr int kIoBufferSize = 4096;
constexpr size_t kFirstProbeBytes = 2048;
constexpr size_t kMaxProbeBytes = 64 * 1024;
// FFmpeg notes every key frame of most formats in a seek index that grows for as long as the
// input lasts: about 55 kB a minute for a 128 kbit/s MP3 station (one 24-byte entry per frame).
// Nothing here seeks, so a few hundred entries are kept; FFmpeg halves the index at this size.
constexpr unsigned kMaxIndexBytes = 16 * 1024;

bool nameIs(const AVInputFormat* format, const char* name) {
    return format && std::strcmp(format->name, name) == 0;
}

bool isMp4(const AVInputFormat* format) {
    return format && std::strstr(format->name, "mp4") != nullptr;
}

// The container formats each create kind accepts.
bool formatAllowed(StreamKind kind, const AVInputFormat* format) {
    switch (kind) {
    case StreamKind::Generic:
        return nameIs(format, "mp3") || nameIs(format, "ogg") || nameIs(format, "wav") ||
               nameIs(format, "aiff") || nameIs(format, "hls");
    case StreamKind::Wma:
        return nameIs(format, "asf") || nameIs(format, "rtsp");
    case StreamKind::Aac:
        return nameIs(format, "aac");
    case StreamKind::Mp4:
        return isMp4(format);
    case StreamKind::Flac:
        return nameIs(format, "flac") || nameIs(format, "ogg");
    }
    return false;
}

// Ogg carries several codecs; the generic kind takes Vorbis and Opus, the FLAC kind FLAC.
bool codecAllowed(StreamKind kind, const AVInputFormat* format, AVCodecID codec) {
    if (!nameIs(format, "ogg"))
        return true;
    if (kind == StreamKind::Flac)
        return codec == AV_CODEC_ID_FLAC;
    return codec == AV_CODEC_ID_VORBIS || codec == AV_CODEC_ID_OPUS;
}

// The format a Content-Type announces, so that probing can stop early.
const char* formatForContentType(std::string type) {
    std::transform(type.begin(), type.end(), type.begin(),
                   [](unsigned char c) { return char(std::tolower(c)); });
    type = type.substr(0, type.find(';'));
    if (type == "audio/mpeg" || type == "audio/mp3" || type == "audio/mpeg3")
        return "mp3";
    if (type == "audio/aac" || type == "audio/aacp" || type == "audio/x-aac")
        return "aac";
    if (type == "application/ogg" || type == "audio/ogg" || type == "audio/opus" ||
        type == "audio/x-ogg")
        return "ogg";
    if (type == "audio/flac" || type == "audio/x-flac")
        return "flac";
    if (type == "video/x-ms-asf" || type == "audio/x-ms-wma" || type == "application/vnd.ms-asf")
        return "asf";
    return nullptr;
}

uint32_t channelTypeOf(const AVInputFormat* format, AVCodecID codec, AVSampleFormat sampleFormat) {
    if (nameIs(format, "wav")) {
        if (sampleFormat == AV_SAMPLE_FMT_FLT || sampleFormat == AV_SAMPLE_FMT_DBL)
            return BASS_CTYPE_STREAM_WAV_FLOAT;
        return codec >= AV_CODEC_ID_PCM_S16LE && codec < AV_CODEC_ID_ADPCM_IMA_QT
                   ? BASS_CTYPE_STREAM_WAV_PCM
                   : BASS_CTYPE_STREAM_WAV;
    }
    if (nameIs(format, "aiff"))
        return BASS_CTYPE_STREAM_AIFF;
    if (isMp4(format))
        return BASS_CTYPE_STREAM_MP4;
    if (nameIs(format, "asf"))
        return codec == AV_CODEC_ID_MP3 ? BASS_CTYPE_STREAM_WMA_MP3 : BASS_CTYPE_STREAM_WMA;
    switch (codec) {
    case AV_CODEC_ID_MP3:
        return BASS_CTYPE_STREAM_MP3;
    case AV_CODEC_ID_MP2:
        return BASS_CTYPE_STREAM_MP2;
    case AV_CODEC_ID_MP1:
        return BASS_CTYPE_STREAM_MP1;
    case AV_CODEC_ID_VORBIS:
        return BASS_CTYPE_STREAM_OGG;
    case AV_CODEC_ID_OPUS:
        return BASS_CTYPE_STREAM_OPUS;
    case AV_CODEC_ID_FLAC:
        return nameIs(format, "ogg") ? BASS_CTYPE_STREAM_FLAC_OGG : BASS_CTYPE_STREAM_FLAC;
    case AV_CODEC_ID_AAC:
        return BASS_CTYPE_STREAM_AAC;
    case AV_CODEC_ID_WMAV1:
    case AV_CODEC_ID_WMAV2:
    case AV_CODEC_ID_WMAPRO:
    case AV_CODEC_ID_WMAVOICE:
    case AV_CODEC_ID_WMALOSSLESS:
        return BASS_CTYPE_STREAM_WMA;
    default:
        return BASS_CTYPE_STREAM;
    }
}

} // namespace

Decoder::Decoder(const std::atomic<bool>* abortFlag) : m_abortFlag(abortFlag) {
    // Damaged frames of live streams are expected; the library reports through its error codes.
    av_log_set_level(AV_LOG_QUIET);
    m_packet = av_packet_alloc();
    m_frame = av_frame_alloc();
}

Decoder::~Decoder() {
    swr_free(&m_swr);
    avcodec_free_context(&m_codec);
    if (m_format)
        avformat_close_input(&m_format);
    if (m_io) {
        if (m_ownsIo) {
            avio_closep(&m_io);
        } else {
            av_freep(&m_io->buffer);
            avio_context_free(&m_io);
        }
    }
    av_frame_free(&m_frame);
    av_packet_free(&m_packet);
}

int Decoder::readBuffer(void* self, uint8_t* data, int size) {
    auto* decoder = static_cast<Decoder*>(self);
    if (decoder->m_prefixPos < decoder->m_prefix.size()) {
        size_t count = std::min(size_t(size), decoder->m_prefix.size() - decoder->m_prefixPos);
        std::memcpy(data, decoder->m_prefix.data() + decoder->m_prefixPos, count);
        decoder->m_prefixPos += count;
        if (decoder->m_prefixPos == decoder->m_prefix.size())
            std::vector<uint8_t>().swap(decoder->m_prefix);
        decoder->m_prefixPos = decoder->m_prefix.empty() ? 0 : decoder->m_prefixPos;
        return int(count);
    }
    long result = decoder->m_buffer->read(data, size_t(size), decoder->msLeft());
    if (result > 0)
        return int(result);
    if (result == ByteBuffer::TimedOut) {
        decoder->m_timedOut = true;
        return AVERROR(ETIMEDOUT);
    }
    return result == ByteBuffer::Aborted ? AVERROR_EXIT : AVERROR_EOF;
}

int Decoder::readMemory(void* self, uint8_t* data, int size) {
    auto* decoder = static_cast<Decoder*>(self);
    int64_t count = std::min<int64_t>(size, decoder->m_memorySize - decoder->m_memoryPos);
    if (count <= 0)
        return AVERROR_EOF;
    std::memcpy(data, decoder->m_memory + decoder->m_memoryPos, size_t(count));
    decoder->m_memoryPos += count;
    return int(count);
}

int64_t Decoder::seekMemory(void* self, int64_t offset, int whence) {
    auto* decoder = static_cast<Decoder*>(self);
    whence &= ~AVSEEK_FORCE;
    if (whence == AVSEEK_SIZE)
        return decoder->m_memorySize;
    int64_t base = whence == SEEK_CUR   ? decoder->m_memoryPos
                   : whence == SEEK_END ? decoder->m_memorySize
                                        : 0;
    int64_t target = base + offset;
    if (target < 0 || target > decoder->m_memorySize)
        return AVERROR(EINVAL);
    decoder->m_memoryPos = target;
    return target;
}

int Decoder::interrupted(void* self) {
    auto* decoder = static_cast<Decoder*>(self);
    if (decoder->m_abortFlag && decoder->m_abortFlag->load())
        return 1;
    if (decoder->msLeft() == 0) {
        decoder->m_timedOut = true;
        return 1;
    }
    return 0;
}

int Decoder::msLeft() const {
    if (!m_openDeadline)
        return -1;
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        *m_openDeadline - std::chrono::steady_clock::now());
    return int(std::max<int64_t>(0, left.count()));
}

int Decoder::probeBuffer(const std::string& contentType, const AVInputFormat** format) {
    const char* hinted = formatForContentType(contentType);
    std::vector<uint8_t> probe;
    for (size_t want = kFirstProbeBytes;; want *= 2) {
        bool ended = false;
        while (m_prefix.size() < want) {
            uint8_t chunk[kIoBufferSize];
            long result =
                m_buffer->read(chunk, std::min(sizeof chunk, want - m_prefix.size()), msLeft());
            if (result == ByteBuffer::TimedOut)
                return BASS_ERROR_TIMEOUT;
            if (result == ByteBuffer::Aborted)
                return BASS_ERROR_FILEOPEN;
            if (result == ByteBuffer::EndOfData) {
                ended = true;
                break;
            }
            m_prefix.insert(m_prefix.end(), chunk, chunk + result);
        }
        if (m_prefix.empty())
            return BASS_ERROR_FILEFORM;
        probe.assign(m_prefix.begin(), m_prefix.end());
        probe.resize(m_prefix.size() + AVPROBE_PADDING_SIZE, 0);
        AVProbeData data{};
        data.filename = "";
        data.buf = probe.data();
        data.buf_size = int(m_prefix.size());
        data.mime_type = contentType.c_str();
        int score = 0;
        const AVInputFormat* found = av_probe_input_format3(&data, 1, &score);
        const bool last = ended || want >= kMaxProbeBytes;
        const bool confident = score > AVPROBE_SCORE_RETRY ||
                               (hinted && nameIs(found, hinted) && score >= AVPROBE_SCORE_RETRY);
        if (found && (confident || (last && score > 0))) {
            *format = found;
            return 0;
        }
        if (last)
            return BASS_ERROR_FILEFORM;
    }
}

int Decoder::openBuffer(ByteBuffer* buffer, StreamKind kind, const std::string& contentType,
                        Deadline deadline) {
    m_buffer = buffer;
    m_openDeadline = deadline;
    const AVInputFormat* format = nullptr;
    int error = probeBuffer(contentType, &format);
    if (error == 0 && (!formatAllowed(kind, format) || nameIs(format, "hls"))) {
        error = BASS_ERROR_FILEFORM;
        m_refusedFormat = !nameIs(format, "hls");
    }
    if (error == 0) {
        auto* ioBuffer = static_cast<uint8_t*>(av_malloc(kIoBufferSize));
        m_io = avio_alloc_context(ioBuffer, kIoBufferSize, 0, this, &Decoder::readBuffer,
                                  nullptr, nullptr);
        m_io->seekable = 0;
        error = openWith(m_io, format, "", kind, false);
    }
    m_openDeadline.reset();
    return error;
}

int Decoder::openFile(const std::string& path, StreamKind kind) {
    // The "file:" prefix keeps a path with a colon from being taken for a protocol.
    if (avio_open2(&m_io, ("file:" + path).c_str(), AVIO_FLAG_READ, nullptr, nullptr) < 0)
        return BASS_ERROR_FILEOPEN;
    m_ownsIo = true;
    const AVInputFormat* format = nullptr;
    if (av_probe_input_buffer2(m_io, &format, path.c_str(), nullptr, 0, 1 << 20) < 0)
        return BASS_ERROR_FILEFORM;
    if (!formatAllowed(kind, format) || nameIs(format, "hls"))
        return BASS_ERROR_FILEFORM;
    return openWith(m_io, format, path, kind, false);
}

int Decoder::openMemory(const void* data, size_t length, StreamKind kind) {
    m_memory = static_cast<const uint8_t*>(data);
    m_memorySize = int64_t(length);
    auto* ioBuffer = static_cast<uint8_t*>(av_malloc(kIoBufferSize));
    m_io = avio_alloc_context(ioBuffer, kIoBufferSize, 0, this, &Decoder::readMemory, nullptr,
                              &Decoder::seekMemory);
    const AVInputFormat* format = nullptr;
    if (av_probe_input_buffer2(m_io, &format, "", nullptr, 0, 1 << 20) < 0)
        return BASS_ERROR_FILEFORM;
    if (!formatAllowed(kind, format) || nameIs(format, "hls"))
        return BASS_ERROR_FILEFORM;
    return openWith(m_io, format, "", kind, false);
}

int Decoder::openUrl(const std::string& url, StreamKind kind, Deadline deadline) {
    m_openDeadline = deadline;
    const int error = openWith(nullptr, nullptr, url, kind, true);
    m_openDeadline.reset();
    return error;
}

int Decoder::openWith(AVIOContext* io, const AVInputFormat* format, const std::string& url,
                      StreamKind kind, bool direct) {
    m_format = avformat_alloc_context();
    m_format->interrupt_callback.callback = &Decoder::interrupted;
    m_format->interrupt_callback.opaque = this;
    m_format->probesize = 32 * 1024;
    m_format->max_analyze_duration = AV_TIME_BASE / 2;
    m_format->max_index_size = kMaxIndexBytes;
    if (io) {
        m_format->pb = io;
        m_format->flags |= AVFMT_FLAG_CUSTOM_IO;
    }
    AVDictionary* options = nullptr;
    if (direct) {
        const std::string timeoutUs = std::to_string(int64_t(std::max(msLeft(), 1)) * 1000);
        av_dict_set(&options, "rw_timeout", timeoutUs.c_str(), 0);
    }
    int result = avformat_open_input(&m_format, url.c_str(), format, &options);
    av_dict_free(&options);
    if (result < 0) {
        m_format = nullptr;
        if (m_timedOut || result == AVERROR(ETIMEDOUT))
            return BASS_ERROR_TIMEOUT;
        if (interrupted(this))
            return BASS_ERROR_FILEOPEN;
        return direct ? BASS_ERROR_FILEOPEN : BASS_ERROR_FILEFORM;
    }
    if (direct) {
        if (!formatAllowed(kind, m_format->iformat) &&
            !(kind == StreamKind::Generic && !nameIs(m_format->iformat, "asf")))
            return BASS_ERROR_FILEFORM;
        if (avformat_find_stream_info(m_format, nullptr) < 0)
            return m_timedOut ? BASS_ERROR_TIMEOUT : BASS_ERROR_FILEFORM;
    }
    return prepareCodec(kind);
}

int Decoder::prepareCodec(StreamKind kind) {
    // The first audio stream: without stream-info probing FFmpeg's best-stream choice skips
    // streams whose rate is not known yet.
    m_streamIndex = -1;
    for (unsigned i = 0; i < m_format->nb_streams && m_streamIndex < 0; ++i) {
        if (m_format->streams[i]->codecpar->codec_type == AVMEDIA_TYPE_AUDIO)
            m_streamIndex = int(i);
    }
    if (m_streamIndex < 0)
        return m_timedOut ? BASS_ERROR_TIMEOUT : BASS_ERROR_FILEFORM;
    AVStream* stream = m_format->streams[m_streamIndex];
    for (unsigned i = 0; i < m_format->nb_streams; ++i) {
        if (int(i) != m_streamIndex)
            m_format->streams[i]->discard = AVDISCARD_ALL;
    }
    const AVCodecID codecId = stream->codecpar->codec_id;
    if (!codecAllowed(kind, m_format->iformat, codecId))
        return BASS_ERROR_FILEFORM;
    const AVCodec* codec = avcodec_find_decoder(codecId);
    if (!codec)
        return BASS_ERROR_CODEC;
    m_codec = avcodec_alloc_context3(codec);
    avcodec_parameters_to_context(m_codec, stream->codecpar);
    if (avcodec_open2(m_codec, codec, nullptr) < 0)
        return BASS_ERROR_CODEC;
    m_bitRate = stream->codecpar->bit_rate > 0 ? stream->codecpar->bit_rate : m_format->bit_rate;
    m_originalBits = stream->codecpar->bits_per_raw_sample > 0
                         ? stream->codecpar->bits_per_raw_sample
                         : stream->codecpar->bits_per_coded_sample;
    readTags();
    m_tagsChanged = false;
    // Decode until the first samples so that the rate and channel count are known now.
    while (m_pending.empty()) {
        if (decode(m_pending) == Result::End && m_pending.empty())
            return m_timedOut ? BASS_ERROR_TIMEOUT : BASS_ERROR_FILEFORM;
    }
    m_pendingPosition = m_blockPosition;
    if (m_bitRate <= 0)
        m_bitRate = m_codec->bit_rate;
    if (!m_buffer && m_io)
        m_sourceSize = m_memory ? m_memorySize : avio_size(m_io);
    m_channelType = channelTypeOf(m_format->iformat, codecId, m_codec->sample_fmt);
    return 0;
}

bool Decoder::convertFrame(std::vector<float>& out) {
    const int channels = m_frame->ch_layout.nb_channels;
    if (channels <= 0 || m_frame->sample_rate <= 0)
        return false;
    if (!m_swr || m_swrRate != m_frame->sample_rate || m_swrFormat != m_frame->format ||
        m_swrChannels != channels) {
        swr_free(&m_swr);
        if (swr_alloc_set_opts2(&m_swr, &m_frame->ch_layout, AV_SAMPLE_FMT_FLT,
                                m_frame->sample_rate, &m_frame->ch_layout,
                                AVSampleFormat(m_frame->format), m_frame->sample_rate, 0,
                                nullptr) < 0 ||
            swr_init(m_swr) < 0) {
            swr_free(&m_swr);
            return false;
        }
        m_swrRate = m_frame->sample_rate;
        m_swrFormat = m_frame->format;
        m_swrChannels = channels;
    }
    m_rate = m_frame->sample_rate;
    m_channels = channels;
    const size_t start = out.size();
    const int capacity = swr_get_out_samples(m_swr, m_frame->nb_samples);
    out.resize(start + size_t(capacity) * size_t(channels));
    uint8_t* target = reinterpret_cast<uint8_t*>(out.data() + start);
    int frames =
        swr_convert(m_swr, &target, capacity, const_cast<const uint8_t**>(m_frame->extended_data),
                    m_frame->nb_samples);
    out.resize(start + size_t(std::max(frames, 0)) * size_t(channels));
    return frames > 0;
}

Decoder::Result Decoder::decode(std::vector<float>& out) {
    const size_t startSize = out.size();
    if (!m_pending.empty() && &out != &m_pending) {
        out.insert(out.end(), m_pending.begin(), m_pending.end());
        m_pending.clear();
        m_blockPosition = m_pendingPosition;
        return Result::Samples;
    }
    while (!m_ended) {
        int received = avcodec_receive_frame(m_codec, m_frame);
        if (received == 0) {
            m_blockPosition = m_frame->pkt_pos;
            bool produced = convertFrame(out);
            av_frame_unref(m_frame);
            if (produced)
                return Result::Samples;
            continue;
        }
        if (received == AVERROR_EOF) {
            m_ended = true;
            break;
        }
        int read = av_read_frame(m_format, m_packet);
        if (read < 0) {
            avcodec_send_packet(m_codec, nullptr);
            if (read == AVERROR_EXIT)
                m_ended = true;
            while (!m_ended && avcodec_receive_frame(m_codec, m_frame) == 0) {
                if (out.size() == startSize)
                    m_blockPosition = m_frame->pkt_pos;
                convertFrame(out);
                av_frame_unref(m_frame);
            }
            m_ended = true;
            break;
        }
        if (m_packet->stream_index == m_streamIndex) {
            size_t size = 0;
            const uint8_t* update =
                av_packet_get_side_data(m_packet, AV_PKT_DATA_METADATA_UPDATE, &size);
            AVStream* stream = m_format->streams[m_streamIndex];
            if (update || (stream->event_flags & AVSTREAM_EVENT_FLAG_METADATA_UPDATED) ||
                (m_format->event_flags & AVFMT_EVENT_FLAG_METADATA_UPDATED)) {
                stream->event_flags &= ~AVSTREAM_EVENT_FLAG_METADATA_UPDATED;
                m_format->event_flags &= ~AVFMT_EVENT_FLAG_METADATA_UPDATED;
                if (update) {
                    AVDictionary* dict = nullptr;
                    if (av_packet_unpack_dictionary(update, size, &dict) == 0 && dict) {
                        av_dict_copy(&stream->metadata, dict, 0);
                        av_dict_free(&dict);
                    }
                }
                readTags();
            }
            noteParsed(m_packet->pos, m_packet->size);
            // A damaged packet is skipped: a radio stream goes on after a bad frame.
            avcodec_send_packet(m_codec, m_packet);
        }
        av_packet_unref(m_packet);
    }
    if (m_ended)
        noteParsed(-1, 0);
    return out.size() > startSize ? Result::Samples : Result::End;
}

void Decoder::readTags() {
    Tags tags;
    const AVDictionaryEntry* entry = nullptr;
    AVStream* stream = m_format->streams[m_streamIndex];
    for (AVDictionary* dict : {stream->metadata, m_format->metadata}) {
        while ((entry = av_dict_get(dict, "", entry, AV_DICT_IGNORE_SUFFIX)))
            tags.emplace_back(entry->key, entry->value);
        if (!tags.empty())
            break;
    }
    if (tags != m_tags) {
        m_tags = std::move(tags);
        m_tagsChanged = true;
    }
}

bool Decoder::takeTagsChanged() {
    bool changed = m_tagsChanged;
    m_tagsChanged = false;
    return changed;
}

Decoder::Tags Decoder::tags() const {
    return m_tags;
}

int Decoder::seekIndexEntries() const {
    if (!m_format || m_streamIndex < 0)
        return 0;
    return avformat_index_get_entries_count(m_format->streams[m_streamIndex]);
}

int64_t Decoder::lengthFrames() const {
    if (!m_format || m_format->duration <= 0 || !m_io || m_buffer)
        return -1;
    return av_rescale(m_format->duration, m_rate, AV_TIME_BASE);
}

std::string Decoder::formatName() const {
    return m_format && m_format->iformat ? m_format->iformat->name : "";
}

void Decoder::noteParsed(int64_t packetPosition, int packetSize) {
    // The end of the last packet given to the codec, not what the demuxer has read ahead:
    // bytes it holds unparsed (an MP3 demuxer reads 1 KiB at a time) are still to be decoded,
    // as the download buffer's are. Packets without a position fall back to the demuxer's.
    int64_t parsed = packetPosition >= 0 ? packetPosition + packetSize : -1;
    if (parsed < 0 && m_io)
        parsed = avio_tell(m_io);
    if (parsed > m_sourcePosition.load())
        m_sourcePosition = parsed;
}

int64_t Decoder::sourcePosition() const {
    return m_sourcePosition.load();
}

int64_t Decoder::sourceSize() const {
    return m_sourceSize;
}

} // namespace qwaudio
