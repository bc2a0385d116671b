// CBass's encoder operations: the program of each format and where it is found, the command
// lines, the start of an external encoder through the library, and the WMA encoder.
//
// The command lines keep their shape; where Debian's programs differ they are told what they
// really get: oggenc reads no 32-bit float, so Ogg Vorbis gets 16-bit samples (-B16); FLAC
// declares the 16-bit signed samples it is sent; faac is told its input is raw, and without
// faac (not in Debian main) ffmpeg writes the AAC as ADTS.

#include "bass/cbass.h"
#include "bass/precondition.h"

#include <QCoreApplication>
#include <QDebug>
#include <QDir>
#include <QFileInfo>
#include <QMutex>
#include <QStandardPaths>

#include <charconv>

namespace BASS {

namespace {

constexpr DWORD kAutoFree16BitRaw = BASS_ENCODE_AUTOFREE | BASS_ENCODE_FP_16BIT | BASS_ENCODE_NOHEAD;
constexpr DWORD kAutoFree16BitWav = BASS_ENCODE_AUTOFREE | BASS_ENCODE_FP_16BIT;
constexpr DWORD kWmaStandardFloat = BASS_WMA_ENCODE_STANDARD | BASS_SAMPLE_FLOAT;
constexpr int kDefaultWmaRate = 128000;

QMutex& encoderFolderMutex() {
    static QMutex mutex;
    return mutex;
}

QString& encoderFolderValue() {
    static QString folder;
    return folder;
}

// 44100 → "44.1", 48000 → "48", 22050 → "22.05": the shortest text of the single-precision
// value, as the encoder expects kHz.
QString kiloHertzText(DWORD sampleRate) {
    char text[32];
    const auto result = std::to_chars(text, text + sizeof text, static_cast<float>(sampleRate) / 1000.0F);
    return QString::fromLatin1(text, static_cast<qsizetype>(result.ptr - text));
}

QString ffmpegProgram() {
    return QStringLiteral("ffmpeg");
}

} // namespace

QString CBass::EncoderFolder() {
    QMutexLocker lock(&encoderFolderMutex());
    return encoderFolderValue();
}

void CBass::SetEncoderFolder(const QString& folder) {
    QMutexLocker lock(&encoderFolderMutex());
    encoderFolderValue() = folder;
}

QString CBass::EncoderProgram(int format) const {
    switch (format) {
    case REC_FORMAT_MP3:
        return QStringLiteral("lame");
    case REC_FORMAT_OGG:
        return QStringLiteral("oggenc");
    case REC_FORMAT_FLAC:
        return QStringLiteral("flac");
    case REC_FORMAT_FAAC:
        return QStringLiteral("faac");
    default:
        return {};
    }
}

DWORD CBass::EncoderFlags(int format) const {
    switch (format) {
    case REC_FORMAT_MP3:
    case REC_FORMAT_OGG:
    case REC_FORMAT_FLAC:
    case REC_FORMAT_FAAC:
        return kAutoFree16BitRaw;
    case REC_FORMAT_WMA:
        return kWmaStandardFloat;
    default:
        return kAutoFree16BitWav;
    }
}

ENCODEPROC* CBass::EncoderCallback() const {
    return &CBass::CALLBACK_Encoder;
}

void CBass::CALLBACK_Encoder(HENCODE handle, DWORD channel, const void* buffer, DWORD length,
                             void* user) {
    Q_UNUSED(channel);
    BASS_REQUIRE_TEXT(user != nullptr, "pBass", );
    static_cast<CBass*>(user)->OnEncodedData(handle, buffer, length);
}

void CBass::CALLBACK_SampleData(HDSP handle, DWORD channel, void* buffer, DWORD length,
                                void* user) {
    if (user && buffer)
        static_cast<CBass*>(user)->ProcessDSP(handle, channel, static_cast<float*>(buffer),
                                              length);
}

bool CBass::EncoderExists(const QString& programPath) const {
    const QFileInfo info(programPath);
    return info.isFile() && info.isExecutable();
}

void CBass::OnEncoderParameters(QString& params, int format) {
    Q_UNUSED(params);
    Q_UNUSED(format);
}

void CBass::OnWmaParameters(CEncoderParams& params) {
    Q_UNUSED(params);
}

// The program in the encoder folder, else the one on PATH; the folder's path when neither is
// there, so that the message names where it was looked for.
QString CBass::EncoderProgramPath(const QString& program) const {
    QString folder = EncoderFolder();
    if (!folder.endsWith(QLatin1Char('/')))
        folder += QLatin1Char('/');
    const QString inFolder = folder + program;
    if (EncoderExists(inFolder))
        return inFolder;
    const QString onPath = QStandardPaths::findExecutable(program);
    return onPath.isEmpty() ? inFolder : onPath;
}

QString CBass::Mp3Parameters(int& bitrate, DWORD sampleRate, DWORD channels,
                             const QString& params) {
    QString quality = params;
    if (quality.isEmpty()) {
        if (bitrate < 1) {
            quality = QStringLiteral("-V 4");
        } else if (bitrate < 10) {
            quality = QStringLiteral("-V %1").arg(bitrate);
        } else {
            if (bitrate > 320 || bitrate < 32)
                bitrate = 128;
            quality = QStringLiteral("--cbr") + QStringLiteral(" -b ") + QString::number(bitrate);
        }
        quality += QStringLiteral(" -t");
    }
    QString input = QStringLiteral(" -r") + QStringLiteral(" -s %1 ").arg(kiloHertzText(sampleRate));
    if (channels == 1)
        input += QStringLiteral("-m mono ");
    input += QStringLiteral(" -");
    return quality + input;
}

QString CBass::OggParameters(int stationBitrate, DWORD sampleRate, DWORD channels,
                             const QString& params) {
    const QString rate = stationBitrate == 0
                             ? QStringLiteral("-B16 -C%1 -R%2 ").arg(channels).arg(sampleRate)
                             : QStringLiteral("-b%1 -B16 -C%2 -R%3 ")
                                   .arg(stationBitrate)
                                   .arg(channels)
                                   .arg(sampleRate);
    return rate + (params.isEmpty() ? QStringLiteral("-q5") : params) + QStringLiteral(" - -r");
}

QString CBass::FlacParameters(DWORD sampleRate, DWORD channels, const QString& params) {
    return QStringLiteral("-c --force-raw-format --endian=little --sample-rate=%1 --channels=%2 "
                          "--bps=16 --sign=signed")
               .arg(sampleRate)
               .arg(channels) +
           params + QStringLiteral(" -");
}

QString CBass::AacParameters(const QString& program, DWORD sampleRate, DWORD channels,
                             const QString& params) {
    if (QFileInfo(program).fileName() == ffmpegProgram()) {
        return QStringLiteral("-hide_banner -loglevel error -f s16le -ar %1 -ac %2 -i - ")
                   .arg(sampleRate)
                   .arg(channels) +
               (params.isEmpty() ? QStringLiteral("-c:a aac -q:a 2") : params) +
               QStringLiteral(" -f adts -");
    }
    return QStringLiteral("-P -R %1 -C %2 ").arg(sampleRate).arg(channels) +
           (params.isEmpty() ? QStringLiteral("-q 100") : params) + QStringLiteral(" -o - -");
}

bool CBass::StartExternal(int format, const QString& program, const QString& path,
                          QString params) {
    OnEncoderParameters(params, format);
    if (params.isEmpty())
        return false;
    return StartEncoder(program + QLatin1Char(' ') + params, path, EncoderFlags(format), format);
}

bool CBass::RequireEncoder(const QString& program) {
    if (EncoderExists(program))
        return true;
    ReportRecordingError(REC_ERROR_MISSING_ENCODER, program);
    return false;
}

CBass::EncoderInput CBass::EncoderInputFormat() const {
    const BASS_CHANNELINFO info = ChannelInfo();
    return {info.freq == 0 ? 44100 : info.freq, info.chans == 0 ? 2 : info.chans};
}

bool CBass::StartMp3(const QString& path, const QString& params) {
    const QString program = EncoderProgramPath(EncoderProgram(REC_FORMAT_MP3));
    if (!RequireEncoder(program))
        return false;
    const auto [rate, channels] = EncoderInputFormat();
    return StartExternal(REC_FORMAT_MP3, program, path,
                         Mp3Parameters(m_mp3Bitrate, rate, channels, params));
}

bool CBass::StartOgg(const QString& path, const QString& params) {
    const QString program = EncoderProgramPath(EncoderProgram(REC_FORMAT_OGG));
    if (!RequireEncoder(program))
        return false;
    const auto [rate, channels] = EncoderInputFormat();
    return StartExternal(REC_FORMAT_OGG, program, path,
                         OggParameters(GetStation().m_bitrate, rate, channels, params));
}

bool CBass::StartFlac(const QString& path, const QString& params) {
    const QString program = EncoderProgramPath(EncoderProgram(REC_FORMAT_FLAC));
    if (!RequireEncoder(program))
        return false;
    const auto [rate, channels] = EncoderInputFormat();
    return StartExternal(REC_FORMAT_FLAC, program, path, FlacParameters(rate, channels, params));
}

bool CBass::StartAac(const QString& path, const QString& params) {
    QString program = EncoderProgramPath(EncoderProgram(REC_FORMAT_FAAC));
    if (!EncoderExists(program))
        program = EncoderProgramPath(ffmpegProgram());
    if (!RequireEncoder(program))
        return false;
    const auto [rate, channels] = EncoderInputFormat();
    return StartExternal(REC_FORMAT_FAAC, program, path,
                         AacParameters(program, rate, channels, params));
}

bool CBass::StartEncoder(const QString& cmdline, const QString& path, DWORD flags, int format) {
    Q_UNUSED(format);
    BASS_REQUIRE_TEXT(flags != 0, "flags!=0", false);
    BASS_REQUIRE_TEXT(!cmdline.isEmpty(), "!cmdline.isEmpty()", false);
    const QString command = QDir::toNativeSeparators(cmdline);
    const DWORD channel = GetEncoderHandle();
    BASS_REQUIRE(channel, false);
    qDebug() << "CBass::StartEncoder " << command;
    m_encoderCommand = command;
    if (m_singleSong && !m_splitting)
        StartAtSongStart();
    const HENCODE encoder = BASS_Encode_Start(channel, command.utf16(), flags | BASS_UNICODE,
                                              EncoderCallback(), this);
    m_record.SetEncoderHandle(encoder);
    if (encoder == 0)
        return false;
    if (m_record.Open(path))
        return true;
    ReportRecordingError(REC_ERROR_CREATE_FILE, path);
    return false;
}

// Picks the WMA rate for the stream: a variable quality when the encoder offers one, else the
// constant rate nearest below the wanted one.
bool CBass::StartWma(const QString& path) {
    if (!m_hStream && !m_hRecordChannel)
        return false;
    CEncoderParams& params = m_record.EncoderParams();
    params.Clear();
    int defaultRate = kDefaultWmaRate;
    const auto [rate, channels] = EncoderInputFormat();
    const int streamKbps = GetStation().m_bitrate;

    if (params.m_mode == 0) {
        params.m_mode = 3;
        if (params.m_bitrate == 0)
            params.m_bitrate = streamKbps < 1000 ? streamKbps * 1000 : streamKbps;
    }
    if (params.m_mode == 3) {
        const DWORD* qualities = BASS_WMA_EncodeGetRates(rate, channels, BASS_WMA_ENCODE_RATES_VBR);
        if (!qualities || *qualities == 0) {
            params.m_mode = 2;
        } else {
            defaultRate = 90;
            const DWORD* last = qualities;
            while (last[1] != 0)
                ++last;
            if (static_cast<int>(*last) < params.m_bitrate)
                params.m_bitrate = static_cast<int>(*last);
        }
    }
    if (params.m_mode != 3)
        params.m_bitrate = ConstantWmaRate(rate, channels, streamKbps, params.m_bitrate, defaultRate);
    if (params.m_bitrate == 0)
        params.m_bitrate = defaultRate;

    InstallDSP();
    const DWORD flags = EncoderFlags(REC_FORMAT_WMA);
    OnWmaParameters(params);
    if (params.m_mode == 0)
        return false;
    const QString nativePath = QDir::toNativeSeparators(path);
    const HWMENCODE handle =
        BASS_WMA_EncodeOpenFile(rate, channels, flags | BASS_UNICODE,
                                static_cast<DWORD>(params.m_bitrate), nativePath.utf16());
    m_record.SetWmaEncoderHandle(handle);
    if (handle == 0) {
        ReportRecordingError(REC_ERROR_ENGINE, StationName());
        return false;
    }
    m_record.Recording().SetFileName(path);
    return true;
}

int CBass::ConstantWmaRate(DWORD rate, DWORD channels, int streamKbps, int bitrate,
                           int defaultRate) const {
    int target = ((streamKbps + 7) / 8) * 8 * 1000;
    if (target == 0)
        target = defaultRate;
    const DWORD* rates = BASS_WMA_EncodeGetRates(rate, channels, BASS_WMA_ENCODE_STANDARD);
    if (!rates || *rates == 0)
        return bitrate;
    const int wanted = bitrate == 0 ? target : bitrate;
    const DWORD* entry = rates;
    while (entry[1] != 0 && static_cast<int>(*entry) > wanted)
        ++entry;
    return static_cast<int>(*entry);
}

} // namespace BASS
