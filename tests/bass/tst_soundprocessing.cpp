// The engine's sound processing heard through SDL's disk driver: tone files play through the
// engine, and the captured output shows what the pre-amplifier, the mono mix and a real LADSPA
// plug-in did; the equaliser's fixed rules, and switching everything on and off while a stream
// plays and while none does.

#include "audio/bass.h"
#include "bass/cbasscompressor.h"
#include "bass/dspplugin.h"
#include "bass/equalizerpreset.h"
#include "recording/appstream.h"

#include <QDataStream>
#include <QFile>
#include <QFileInfo>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>
#include <complex>
#include <functional>

using namespace BASS;

namespace {

constexpr int kRate = 44100;
constexpr qint64 kFrameBytes = 2 * sizeof(float);
const QString kLadspa = QStringLiteral("/usr/lib/ladspa");

using Tone = std::function<float(int frame, int channel)>;

// A float stereo WAV file of seconds of tone.
bool writeWav(const QString& path, int seconds, const Tone& tone) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    const quint32 dataBytes = quint32(seconds * kRate * kFrameBytes);
    QDataStream out(&file);
    out.setByteOrder(QDataStream::LittleEndian);
    out.setFloatingPointPrecision(QDataStream::SinglePrecision);
    out.writeRawData("RIFF", 4);
    out << quint32(36 + dataBytes);
    out.writeRawData("WAVEfmt ", 8);
    out << quint32(16) << quint16(3) << quint16(2) << quint32(kRate)
        << quint32(kRate * kFrameBytes) << quint16(kFrameBytes) << quint16(32);
    out.writeRawData("data", 4);
    out << dataBytes;
    for (int frame = 0; frame < seconds * kRate; ++frame)
        out << tone(frame, 0) << tone(frame, 1);
    return out.status() == QDataStream::Ok;
}

float sine(double frequency, double amplitude, int frame) {
    return float(amplitude * std::sin(2 * M_PI * frequency * frame / kRate));
}

struct Peaks {
    float left = 0;
    float right = 0;
};

// The tone frequencies of the multi-tone: each band's centre as a 44100 Hz stream has it.
std::vector<double> bandTones() {
    std::vector<double> tones;
    for (int band = 0; band < Stream::EQ_MAX_BANDS; ++band)
        tones.push_back(Stream::BandCenter(band, kRate));
    return tones;
}

// Level in dB of one frequency in the left channel of interleaved stereo samples (Goertzel
// over a Hann window).
double levelDb(const std::vector<float>& samples, double frequency) {
    const size_t frames = samples.size() / 2;
    const double coefficient = 2 * std::cos(2 * M_PI * frequency / kRate);
    double s1 = 0;
    double s2 = 0;
    for (size_t i = 0; i < frames; ++i) {
        const double window = 0.5 - 0.5 * std::cos(2 * M_PI * double(i) / double(frames - 1));
        const double s0 = samples[2 * i] * window + coefficient * s1 - s2;
        s2 = s1;
        s1 = s0;
    }
    return 10 * std::log10(std::max(s1 * s1 + s2 * s2 - coefficient * s1 * s2, 1e-30));
}

// The gain in dB of a peaking band (centre Hz, bandwidth in semitones, gain dB) at frequency:
// the standard peaking equaliser filter a parametric band is.
double peakingDb(double frequency, double centre, double semitones, double gainDb) {
    const double a = std::pow(10.0, gainDb / 40.0);
    const double w0 = 2 * M_PI * centre / kRate;
    const double alpha =
        std::sin(w0) * std::sinh(std::log(2.0) / 2 * (semitones / 12) * w0 / std::sin(w0));
    const std::complex<double> z1 = std::polar(1.0, -2 * M_PI * frequency / kRate);
    const std::complex<double> z2 = z1 * z1;
    const std::complex<double> h = (1 + alpha * a - 2 * std::cos(w0) * z1 + (1 - alpha * a) * z2) /
                                   (1 + alpha / a - 2 * std::cos(w0) * z1 + (1 - alpha / a) * z2);
    return 20 * std::log10(std::abs(h));
}

// Peak of the left channel over frames [from, to) of interleaved stereo samples.
float peakBetween(const std::vector<float>& samples, size_t from, size_t to) {
    float peak = 0;
    for (size_t frame = from; frame < to && 2 * frame < samples.size(); ++frame)
        peak = std::max(peak, std::abs(samples[2 * frame]));
    return peak;
}

double dB(double ratio) {
    return 20 * std::log10(ratio);
}

} // namespace

class TestSoundProcessing : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void cleanup();
    void preampMultipliesByItsFactor_data();
    void preampMultipliesByItsFactor();
    void monoMakesBothChannelsEqual();
    void pluginShapesTheSoundUntilStopped();
    void pluginsOfAFolderAndBadFiles();
    void bandCentresFollowTheSampleRate();
    void presetTable();
    void valuesTextAndPresetsWithoutEffects();
    void togglingEverythingNeverBreaksPlayback();
    void levelsAndTheirHistory();
    void presetsShapeAMultiToneAsTheirTableSays();
    void compressorLevelsNarrowTheGapBetweenLoudAndQuiet();
    void levellerBringsQuietAndLoudTogether();

private:
    // Writes a tone file and decodes seconds of it through a decoding stream of the engine,
    // after prepare has switched the engine's processing on.
    std::vector<float> decode(int seconds, const Tone& tone,
                              const std::function<void(AppStream&)>& prepare);
    // The next half second heard, after everything already queued has played.
    std::vector<float> heardWindow();
    // Opens a tone file of the given shape on a fresh engine and waits until it is heard.
    void play(const Tone& tone, int seconds = 15);
    // Peaks of the last quarter second heard, after everything already queued has played.
    Peaks heardPeaks();
    qint64 capturedFrames() const { return QFileInfo(m_capture).size() / kFrameBytes; }

    QTemporaryDir m_dir;
    QString m_capture;
    std::unique_ptr<AppStream> m_engine;
    int m_files = 0;
};

void TestSoundProcessing::initTestCase() {
    QVERIFY(m_dir.isValid());
    m_capture = m_dir.filePath(QStringLiteral("heard.raw"));
    qputenv("SDL_AUDIODRIVER", "disk");
    qputenv("SDL_DISKAUDIOFILE", m_capture.toLocal8Bit());
    QString error;
    QVERIFY2(CBass::Init(1, &error, 0, true, 0, "Quillowave", nullptr), qPrintable(error));
}

void TestSoundProcessing::cleanupTestCase() {
    m_engine.reset();
    BASS_Free();
}

void TestSoundProcessing::cleanup() {
    m_engine.reset();
}

void TestSoundProcessing::play(const Tone& tone, int seconds) {
    const QString path = m_dir.filePath(QStringLiteral("tone%1.wav").arg(++m_files));
    QVERIFY(writeWav(path, seconds, tone));
    m_engine = std::make_unique<AppStream>();
    QSignalSpy started(m_engine.get(), &AppStream::signal_Started);
    QVERIFY2(m_engine->OpenFile(path, 0, true), qPrintable(m_engine->LastErrorText()));
    QVERIFY(started.count() == 1 || started.wait());
    heardPeaks();
}

std::vector<float> TestSoundProcessing::heardWindow() {
    // The ring between the DSP stage and the mixer holds well under a second.
    const qint64 from = capturedFrames() + kRate;
    const qint64 half = kRate / 2;
    [&] { QTRY_VERIFY_WITH_TIMEOUT(capturedFrames() > from + half, 10000); }();
    QFile file(m_capture);
    if (!file.open(QIODevice::ReadOnly) || !file.seek(from * kFrameBytes))
        return {};
    const QByteArray bytes = file.read(half * kFrameBytes);
    const auto* samples = reinterpret_cast<const float*>(bytes.constData());
    return std::vector<float>(samples, samples + bytes.size() / qsizetype(sizeof(float)));
}

Peaks TestSoundProcessing::heardPeaks() {
    const std::vector<float> samples = heardWindow();
    Peaks peaks;
    for (size_t i = 0; i + 1 < samples.size(); i += 2) {
        peaks.left = std::max(peaks.left, std::abs(samples[i]));
        peaks.right = std::max(peaks.right, std::abs(samples[i + 1]));
    }
    return peaks;
}

std::vector<float> TestSoundProcessing::decode(int seconds, const Tone& tone,
                                               const std::function<void(AppStream&)>& prepare) {
    const QString path = m_dir.filePath(QStringLiteral("decoded%1.wav").arg(++m_files));
    if (!writeWav(path, seconds, tone))
        return {};
    AppStream engine;
    if (!engine.OpenFile(path, BASS_STREAM_DECODE | BASS_SAMPLE_FLOAT, false))
        return {};
    prepare(engine);
    std::vector<float> samples(size_t(seconds) * kRate * 2);
    size_t got = 0;
    while (got < samples.size()) {
        const DWORD bytes =
            engine.GetData(samples.data() + got, DWORD((samples.size() - got) * sizeof(float)));
        if (bytes == DWORD(-1) || bytes == 0)
            break;
        got += bytes / sizeof(float);
    }
    samples.resize(got);
    return samples;
}

void TestSoundProcessing::preampMultipliesByItsFactor_data() {
    QTest::addColumn<float>("db");
    QTest::addColumn<float>("factor");
    QTest::newRow("-7.5 dB gives a quarter") << -7.5F << 0.25F;
    QTest::newRow("+7.5 dB gives a half") << 7.5F << 0.5F;
    QTest::newRow("0 dB switches it off") << 0.0F << 1.0F;
}

void TestSoundProcessing::preampMultipliesByItsFactor() {
    QFETCH(float, db);
    QFETCH(float, factor);
    play([](int frame, int) { return sine(440, 0.6, frame); });
    m_engine->ApplyPreamp(db);
    QVERIFY(m_engine->IsPreampEnabled());
    QVERIFY(m_engine->HasDSP());
    const Peaks peaks = heardPeaks();
    QVERIFY2(std::abs(peaks.left - 0.6F * factor) < 0.02F, qPrintable(QString::number(peaks.left)));
    QVERIFY(std::abs(peaks.right - 0.6F * factor) < 0.02F);

    m_engine->SetPreampEnabled(false);
    QVERIFY(std::abs(heardPeaks().left - 0.6F) < 0.02F);
}

void TestSoundProcessing::monoMakesBothChannelsEqual() {
    play([](int frame, int channel) { return channel == 0 ? sine(440, 0.8, frame) : 0.0F; });
    Peaks peaks = heardPeaks();
    QVERIFY(peaks.left > 0.78F && peaks.right < 0.01F);
    m_engine->SetMonoEnabled(true);
    peaks = heardPeaks();
    QVERIFY2(std::abs(peaks.left - 0.4F) < 0.02F, qPrintable(QString::number(peaks.left)));
    QVERIFY2(std::abs(peaks.right - 0.4F) < 0.02F, qPrintable(QString::number(peaks.right)));
    m_engine->SetMonoEnabled(false);
    peaks = heardPeaks();
    QVERIFY(peaks.left > 0.78F && peaks.right < 0.01F);
}

void TestSoundProcessing::pluginShapesTheSoundUntilStopped() {
    DSPPlugin lowPass(kLadspa + QStringLiteral("/filter.so"));
    QVERIFY2(lowPass.Load(), qPrintable(lowPass.ErrorText()));
    QCOMPARE(lowPass.Name(), QStringLiteral("Simple Low Pass Filter"));
    play([](int frame, int) { return sine(5000, 0.5, frame); });
    QVERIFY(heardPeaks().left > 0.48F);

    QVERIFY(lowPass.Start(m_engine.get()));
    QCOMPARE(lowPass.Channel(), m_engine->GetHandle());
    QVERIFY(lowPass.Start(m_engine.get())); // once per stream
    const Peaks filtered = heardPeaks();
    QVERIFY2(filtered.left < 0.1F, qPrintable(QString::number(filtered.left)));
    QVERIFY(filtered.right < 0.1F);

    lowPass.Stop();
    QCOMPARE(lowPass.Channel(), HSTREAM(0));
    QVERIFY(!m_engine->HasPluginInstance());
    QVERIFY(heardPeaks().left > 0.48F);

    // A stop of the stream unloads the running plug-in with it.
    QVERIFY(lowPass.Start(m_engine.get()));
    m_engine->Stop(0);
    QVERIFY(!m_engine->HasPluginInstance());
}

void TestSoundProcessing::pluginsOfAFolderAndBadFiles() {
    QStringList errors;
    QList<DSPPlugin*> plugins = DSPPlugin::Scan({kLadspa}, &errors);
    QVERIFY(plugins.size() > 20);
    QVERIFY(DSPPlugin::Find(plugins, QStringLiteral("TAP Stereo Echo")));
    QVERIFY(!DSPPlugin::Find(plugins, QStringLiteral("No such plug-in")));
    // White noise takes no input: named among the reasons, not offered.
    QVERIFY(errors.filter(QStringLiteral("noise.so")).size() == 1);
    DSPPlugin::FreeAll(plugins);
    QVERIFY(plugins.isEmpty());

    QVERIFY(DSPPlugin::Scan({QStringLiteral("/no/such/folder")}, &errors).isEmpty());

    const QString fake = m_dir.filePath(QStringLiteral("fake.so"));
    QFile file(fake);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("text");
    file.close();
    DSPPlugin bad(fake);
    QVERIFY(!bad.Load());
    QVERIFY(bad.ErrorText().contains(QStringLiteral("not a LADSPA plug-in library")));
    play([](int frame, int) { return sine(440, 0.5, frame); });
    QVERIFY(!bad.Start(m_engine.get()));
    QVERIFY(m_engine->IsPlaying());
}

void TestSoundProcessing::bandCentresFollowTheSampleRate() {
    QCOMPARE(Stream::BandCenter(0, 44100), 80);
    QCOMPARE(Stream::BandCenter(9, 44100), 14700);
    QCOMPARE(Stream::BandCenter(5, 22050), 3000);
    for (int band = 6; band < Stream::EQ_MAX_BANDS; ++band)
        QVERIFY(Stream::BandCenter(band, 22050) <= 7350);
    QCOMPARE(Stream::BandCenter(9, 0), 16000);
}

void TestSoundProcessing::presetTable() {
    QCOMPARE(EqualizerPreset::Names(),
             QStringList({"Custom", "Classical", "Fullbass", "Pop", "Rock", "Soft", "Techno"}));
    QCOMPARE(EqualizerPreset::Find(QStringLiteral("Rock"))->ValuesText(),
             QStringLiteral("-1,1,2,3,-1,-1,0,0,4,4"));
    QVERIFY(!EqualizerPreset::Find(QStringLiteral("rock")));
    QCOMPARE(EqualizerPreset::FindOrFlat(QStringLiteral("Nonsense")).name,
             QStringLiteral("Custom"));
    QCOMPARE(EqualizerPreset::FindOrFlat(QString()).ValuesText(),
             QStringLiteral("0,0,0,0,0,0,0,0,0,0"));
    QCOMPARE(Stream::PreampFactor(-15), 0.0F);
    QCOMPARE(Stream::PreampFactor(-7.5F), 0.25F);
    QCOMPARE(Stream::PreampFactor(0), 0.0F);
    QCOMPARE(Stream::PreampFactor(7.5F), 0.5F);
    QCOMPARE(Stream::PreampFactor(15), 1.0F);
    QCOMPARE(CBassCompressor::ForLevel(CBassCompressor::High)->Parameters().fRatio, 10.0F);
    QCOMPARE(CBassCompressor::ForLevel(CBassCompressor::Low)->Parameters().fThreshold, -16.0F);
    QVERIFY(!CBassCompressor::ForLevel(CBassCompressor::Off));
    QVERIFY(!CBassCompressor::ForLevel(7));
}

void TestSoundProcessing::valuesTextAndPresetsWithoutEffects() {
    AppStream idle;
    // Without a stream nothing is created and nothing fails.
    idle.ApplyEqualizerValues(QStringLiteral("1,2,3"));
    QVERIFY(!idle.ApplyEqualizerPreset(QStringLiteral("Rock")));
    idle.SetAutoVolume(true);
    QVERIFY(!idle.IsAutoVolume());
    idle.ApplyPreamp(QStringLiteral("0"));
    QVERIFY(!idle.IsPreampEnabled());
    idle.ApplyPreamp(QStringLiteral("x"));
    QVERIFY(!idle.IsPreampEnabled());
    idle.ApplyPreamp(QStringLiteral("-7.5"));
    QVERIFY(idle.IsPreampEnabled());
    QCOMPARE(idle.PreampFactorValue(), 0.25F);
    QVERIFY(!idle.HasDSP());
    QVERIFY(!idle.SetCompressor(*CBassCompressor::ForLevel(CBassCompressor::Low)));
}

void TestSoundProcessing::togglingEverythingNeverBreaksPlayback() {
    play([](int frame, int) { return sine(440, 0.5, frame); });
    DSPPlugin echo(kLadspa + QStringLiteral("/tap_echo.so"));
    QVERIFY(echo.Load());
    const auto compressor = CBassCompressor::ForLevel(CBassCompressor::Medium);
    for (int round = 0; round < 20; ++round) {
        const bool on = round % 2 == 0;
        m_engine->SetMonoEnabled(on);
        m_engine->SetPreampEnabled(on);
        m_engine->SetAutoVolume(on);
        if (on) {
            m_engine->ApplyEqualizerPreset(QStringLiteral("Techno"));
            m_engine->SetCompressor(*compressor);
            echo.Start(m_engine.get());
        } else {
            m_engine->RemoveEqualizer();
            if (m_engine->CompressorHandle())
                m_engine->RemoveFX();
            echo.Stop();
        }
        QTest::qWait(20);
    }
    QVERIFY(m_engine->IsPlaying());
    QVERIFY(heardPeaks().left > 0.45F);
    QVERIFY(!m_engine->HasPluginInstance());
    for (int band = 0; band < Stream::EQ_MAX_BANDS; ++band)
        QCOMPARE(m_engine->BandHandle(band), HFX(0));
}

void TestSoundProcessing::levelsAndTheirHistory() {
    play([](int frame, int channel) { return sine(440, channel == 0 ? 0.5 : 0.25, frame); });
    QPair<int, int> levels;
    for (int i = 0; i < Stream::LEVEL_HISTORY + 1; ++i)
        levels = m_engine->GetLevels();
    QVERIFY2(std::abs(levels.first - 50) <= 3, qPrintable(QString::number(levels.first)));
    QVERIFY(std::abs(levels.second - 25) <= 3);
    // The eleventh reading went to the first place again.
    QCOMPARE(m_engine->LevelAt(0), levels);
    QCOMPARE(m_engine->LevelAt(Stream::LEVEL_HISTORY), qMakePair(0, 0));
}

void TestSoundProcessing::presetsShapeAMultiToneAsTheirTableSays() {
    const std::vector<double> tones = bandTones();
    play([&tones](int frame, int) {
        float sum = 0;
        for (double tone : tones)
            sum += sine(tone, 0.02, frame);
        return sum;
    }, 25);
    const std::vector<float> reference = heardWindow();
    std::vector<double> flat;
    for (double tone : tones)
        flat.push_back(levelDb(reference, tone));

    for (const EqualizerPreset& preset : EqualizerPreset::Table()) {
        QVERIFY(m_engine->ApplyEqualizerPreset(preset.name));
        for (int band = 0; band < Stream::EQ_MAX_BANDS; ++band)
            QVERIFY(m_engine->BandHandle(band) != 0);
        const std::vector<float> shaped = heardWindow();
        for (size_t i = 0; i < tones.size(); ++i) {
            double expected = 0;
            for (int band = 0; band < Stream::EQ_MAX_BANDS; ++band) {
                expected += peakingDb(tones[i], Stream::BandCenter(band, kRate),
                                      Stream::EQ_BANDWIDTH, preset.gains.at(size_t(band)));
            }
            const double heard = levelDb(shaped, tones[i]) - flat[i];
            QVERIFY2(std::abs(heard - expected) < 1.0,
                     qPrintable(QStringLiteral("%1 at %2 Hz: heard %3 dB, expected %4 dB")
                                    .arg(preset.name)
                                    .arg(tones[i])
                                    .arg(heard)
                                    .arg(expected)));
        }
    }
    m_engine->RemoveEqualizer();
    const std::vector<float> again = heardWindow();
    QVERIFY(std::abs(levelDb(again, tones[0]) - flat[0]) < 0.5);
}

void TestSoundProcessing::compressorLevelsNarrowTheGapBetweenLoudAndQuiet() {
    // Three seconds loud (-1 dB), then three seconds 12 dB quieter.
    const Tone tone = [](int frame, int) {
        return sine(440, frame < 3 * kRate ? 0.9 : 0.9 / 3.98, frame);
    };
    const auto gapDb = [](const std::vector<float>& samples) {
        const float loud = peakBetween(samples, size_t(2.5 * kRate), size_t(3 * kRate));
        const float quiet = peakBetween(samples, size_t(5.5 * kRate), size_t(6 * kRate));
        return std::pair<double, float>{dB(double(loud) / double(quiet)), loud};
    };
    const auto plain = gapDb(decode(6, tone, [](AppStream&) {}));
    QVERIFY(std::abs(plain.first - 12) < 0.5);
    double previousGap = plain.first;
    for (int level : {CBassCompressor::Low, CBassCompressor::Medium, CBassCompressor::High}) {
        const auto compressed = gapDb(decode(6, tone, [level](AppStream& engine) {
            QVERIFY(engine.SetCompressor(*CBassCompressor::ForLevel(level)));
            QVERIFY(engine.CompressorHandle() != 0);
        }));
        QVERIFY2(compressed.first < previousGap - 0.5,
                 qPrintable(QStringLiteral("level %1: gap %2 dB after %3 dB")
                                .arg(level)
                                .arg(compressed.first)
                                .arg(previousGap)));
        QVERIFY(compressed.second < plain.second);
        previousGap = compressed.first;
    }
}

void TestSoundProcessing::levellerBringsQuietAndLoudTogether() {
    const auto levelled = [this](double amplitude) {
        const auto samples = decode(8, [amplitude](int frame, int) {
            return sine(440, amplitude, frame);
        }, [](AppStream& engine) {
            engine.SetAutoVolume(true);
            QVERIFY(engine.IsAutoVolume());
        });
        return peakBetween(samples, size_t(7.5 * kRate), size_t(8 * kRate));
    };
    const float quiet = levelled(0.25);
    const float loud = levelled(0.98);
    QVERIFY2(std::abs(dB(double(loud) / double(quiet))) < 3,
             qPrintable(QStringLiteral("quiet %1, loud %2").arg(quiet).arg(loud)));
    QVERIFY(loud < 0.95F);
}

QTEST_GUILESS_MAIN(TestSoundProcessing)
#include "tst_soundprocessing.moc"
