// Decodes a whole file through the engine as fast as the machine allows, plain or with the full
// sound chain (ten non-flat bands, the automatic volume leveller, the medium compressor, the
// pre-amplifier and the mono mix), so that bench/run_sound can charge the chain's CPU time
// against the decoding's. Prints the seconds of audio it decoded.
// Usage: qw_sound_bench FILE plain|full

#include "bass/cbasscompressor.h"
#include "recording/appstream.h"

#include <QCoreApplication>

#include <algorithm>
#include <cstdio>
#include <vector>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc != 3)
        return 2;
    const bool full = QString::fromLocal8Bit(argv[2]) == QLatin1String("full");
    QString error;
    if (!BASS::CBass::Init(0, &error, 0, false, 0, "Quillowave", nullptr)) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return 1;
    }
    AppStream engine;
    if (!engine.OpenFile(QString::fromLocal8Bit(argv[1]), BASS_STREAM_DECODE | BASS_SAMPLE_FLOAT,
                         false)) {
        std::fprintf(stderr, "%s\n", qPrintable(engine.LastErrorText()));
        return 1;
    }
    if (full) {
        engine.ApplyEqualizerValues(QStringLiteral("4,3,2,1,-1,-2,1,2,3,4"));
        engine.SetAutoVolume(true);
        engine.SetCompressor(*BASS::CBassCompressor::ForLevel(BASS::CBassCompressor::Medium));
        engine.ApplyPreamp(7.5F);
        engine.SetMonoEnabled(true);
    }
    std::vector<float> buffer(65536);
    quint64 samples = 0;
    for (;;) {
        const DWORD bytes = engine.GetData(buffer.data(), DWORD(buffer.size() * sizeof(float)));
        if (bytes == DWORD(-1) || bytes == 0)
            break;
        samples += bytes / sizeof(float);
    }
    const BASS_CHANNELINFO info = engine.ChannelInfo();
    std::printf("%.1f\n", double(samples) / std::max<DWORD>(info.chans, 1) /
                              std::max<DWORD>(info.freq, 1));
    engine.Stop(0);
    BASS_Free();
    return 0;
}
