// The sound options from the settings and the window to the engine: stored values (clamped,
// unknown presets flat) reach every new stream, the menu entries, F6's toggle and the Equaliser
// dialog act at once, a broken plug-in is reported while playback goes on, switching all of it
// while nothing plays is harmless, and playback moves to another output device.

#include "app/playbackcontroller.h"
#include "app/soundcontroller.h"
#include "app/windowsound.h"
#include "bass/dspplugin.h"
#include "recording/appstream.h"
#include "settings/appsettings.h"
#include "ui/equalizerdialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDataStream>
#include <QFile>
#include <QMenu>
#include <QSignalSpy>
#include <QSlider>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>
#include <memory>

namespace {

constexpr int kRate = 44100;
constexpr int kWaitMs = 20000;
const QString kFilter = QStringLiteral("/usr/lib/ladspa/filter.so");

// Ten seconds of a 16-bit stereo sine as a WAV file.
bool writeTone(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    const quint32 frames = 10 * kRate;
    QDataStream out(&file);
    out.setByteOrder(QDataStream::LittleEndian);
    out.writeRawData("RIFF", 4);
    out << quint32(36 + frames * 4);
    out.writeRawData("WAVEfmt ", 8);
    out << quint32(16) << quint16(1) << quint16(2) << quint32(kRate) << quint32(kRate * 4)
        << quint16(4) << quint16(16);
    out.writeRawData("data", 4);
    out << quint32(frames * 4);
    for (quint32 i = 0; i < frames; ++i) {
        const auto value = qint16(8000 * std::sin(2 * M_PI * 440 * i / kRate));
        out << value << value;
    }
    return out.status() == QDataStream::Ok;
}

} // namespace

class TestSoundController : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    AppSettings* m_settings = nullptr;
    QString m_tone;
    std::unique_ptr<PlaybackController> m_player;
    std::unique_ptr<SoundController> m_sound;

    AppStream* engine() const { return m_player->engine(); }

    void resetSettings() {
        m_settings->setEqualizerEnabled(false);
        m_settings->setEQPreset(QString());
        m_settings->setEQPreamp(QString());
        m_settings->setEqualizerPreset(QStringLiteral("Custom"), QString());
        m_settings->setMonoOutput(false);
        m_settings->setAutoVolume(false);
        m_settings->setWinampPluginEnabled(false);
        m_settings->setWinampPluginPath(QString());
        m_settings->setWinampFolder(QString());
    }

    // Plays the tone file and waits until the stored options have been applied to it.
    void playTone() {
        QSignalSpy started(engine(), &AppStream::signal_Started);
        Preset tone;
        tone.title = QStringLiteral("Tone");
        tone.addSource(m_tone);
        m_player->playStation(tone, PlaybackController::Ask::Yes);
        QVERIFY(started.wait(kWaitMs));
        QCoreApplication::processEvents(); // the queued re-apply
        QVERIFY(m_player->hasStream());
    }

private slots:
    void initTestCase() {
        QVERIFY(m_dir.isValid());
        qRegisterMetaType<Preset>();
        AppSettings::setInstanceProgramFolder(m_dir.path());
        m_settings = AppSettings::instance();
        m_settings->setStopFadeOut(false);
        m_tone = m_dir.filePath(QStringLiteral("tone.wav"));
        QVERIFY(writeTone(m_tone));
        QString error;
        QString warning;
        QVERIFY2(PlaybackController::initEngine(m_settings, &error, &warning), qPrintable(error));
    }

    void init() {
        resetSettings();
        m_player = std::make_unique<PlaybackController>(m_settings);
        m_sound = std::make_unique<SoundController>(m_settings, m_player.get());
    }

    void cleanup() {
        m_sound.reset();
        m_player.reset();
    }

    void storedEqualizerIsClampedAndUnknownPresetsAreFlat_data() {
        QTest::addColumn<QString>("preset");
        QTest::addColumn<QString>("customValues");
        QTest::addColumn<QString>("preamp");
        QTest::addColumn<QString>("presetShown");
        QTest::addColumn<QString>("gains");
        QTest::addColumn<float>("preampDb");
        QTest::newRow("table preset") << "Rock" << "" << "-3" << "Rock"
                                      << "-1,1,2,3,-1,-1,0,0,4,4" << -3.0F;
        QTest::newRow("unknown preset is flat") << "Loud" << "" << "" << "Custom"
                                                << "0,0,0,0,0,0,0,0,0,0" << 0.0F;
        QTest::newRow("empty preset is flat") << "" << "" << "x" << "Custom"
                                              << "0,0,0,0,0,0,0,0,0,0" << 0.0F;
        QTest::newRow("own values clamped, short and malformed")
            << "Custom" << "40,-99,x,,3.5" << "99" << "Custom" << "15,-15,0,0,3.5,0,0,0,0,0"
            << 15.0F;
        QTest::newRow("too many values") << "Custom" << "1,2,3,4,5,6,7,8,9,10,11,12" << "-40"
                                         << "Custom" << "1,2,3,4,5,6,7,8,9,10" << -15.0F;
    }

    void storedEqualizerIsClampedAndUnknownPresetsAreFlat() {
        QFETCH(QString, preset);
        QFETCH(QString, customValues);
        QFETCH(QString, preamp);
        QFETCH(QString, presetShown);
        QFETCH(QString, gains);
        QFETCH(float, preampDb);
        m_settings->setEQPreset(preset);
        m_settings->setEqualizerPreset(QStringLiteral("Custom"), customValues);
        m_settings->setEQPreamp(preamp);
        QCOMPARE(m_sound->presetName(), presetShown);
        QCOMPARE(SoundController::gainsText(m_sound->gains()), gains);
        QCOMPARE(m_sound->preampDb(), preampDb);
    }

    void everyNewStreamGetsTheStoredOptions() {
        m_settings->setMonoOutput(true);
        m_settings->setEqualizerEnabled(true);
        m_settings->setEQPreamp(QStringLiteral("-7.5"));
        m_settings->setWinampPluginPath(kFilter);
        m_settings->setWinampPluginEnabled(true);
        for (int round = 0; round < 2; ++round) {
            playTone();
            QVERIFY(engine()->IsMonoEnabled());
            QVERIFY(engine()->IsPreampEnabled());
            QCOMPARE(engine()->PreampFactorValue(), 0.25F);
            QVERIFY(engine()->HasPluginInstance());
            QCOMPARE(m_sound->activePlugin()->Channel(), engine()->GetHandle());
            m_player->stopPlayback(PlaybackController::Ask::No);
            QVERIFY(!engine()->HasPluginInstance());
        }
    }

    void switchingOffActsOnThePlayingStream() {
        m_settings->setEqualizerEnabled(true);
        m_settings->setEQPreamp(QStringLiteral("7.5"));
        m_settings->setMonoOutput(true);
        playTone();
        QVERIFY(engine()->IsPreampEnabled());
        m_sound->setEqualizerEnabled(false);
        QVERIFY(!engine()->IsPreampEnabled());
        QVERIFY(!m_settings->EqualizerEnabled());
        m_sound->setMono(false);
        QVERIFY(!engine()->IsMonoEnabled());
        QVERIFY(!m_settings->MonoOutput());
        m_sound->choosePlugin(kFilter);
        QVERIFY(engine()->HasPluginInstance());
        QCOMPARE(m_settings->WinampPlugin(), QStringLiteral("Simple Low Pass Filter"));
        m_sound->choosePlugin(QString());
        QVERIFY(!engine()->HasPluginInstance());
        QVERIFY(!m_settings->WinampPluginEnabled());
        QVERIFY(engine()->IsPlaying());
    }

    void brokenPluginIsReportedAndPlaybackGoesOn() {
        QSignalSpy errors(m_sound.get(), &SoundController::sig_error);
        const QString fake = m_dir.filePath(QStringLiteral("dsp.so"));
        QFile file(fake);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("no library");
        file.close();
        m_settings->setWinampPluginPath(fake);
        m_settings->setWinampPluginEnabled(true);
        playTone();
        QCOMPARE(errors.count(), 1);
        QVERIFY(errors.first().value(0).toString().contains(QStringLiteral("could not be loaded")));
        QVERIFY(!engine()->HasPluginInstance());
        QVERIFY(engine()->IsPlaying());

        // A folder that does not exist offers no plug-ins and says where it looked.
        m_settings->setWinampFolder(m_dir.filePath(QStringLiteral("missing")));
        m_sound->reloadPlugins();
        QVERIFY(m_sound->plugins().isEmpty());
        QCOMPARE(m_sound->pluginFolders(), QStringList{m_settings->WinampFolder()});
    }

    void switchingWhileNothingPlaysIsHarmless() {
        for (int level = -1; level <= 4; ++level)
            m_sound->setCompressor(level);
        QCOMPARE(m_sound->compressor(), 0);
        m_sound->setCompressor(2);
        m_sound->setMono(true);
        m_sound->setAutoVolume(true);
        m_sound->setEqualizerEnabled(true);
        m_sound->choosePreset(QStringLiteral("Techno"));
        m_sound->setBandGain(3, 4);
        m_sound->setBandGain(99, 4);
        m_sound->setPreamp(-3);
        m_sound->choosePlugin(kFilter);
        m_sound->applyToStream();
        QVERIFY(!m_player->hasStream());
        QCOMPARE(m_sound->compressor(), 2);
        // A changed band turns the preset into the user's own values.
        QCOMPARE(m_settings->EQPreset(), QStringLiteral("Custom"));
        QCOMPARE(m_settings->equalizerPreset(QStringLiteral("Custom")),
                 QStringLiteral("-6,1,4,4,-1,-2,0,0,5,5"));
        playTone();
        QVERIFY(engine()->IsMonoEnabled());
        QVERIFY(engine()->HasPluginInstance());
        QCOMPARE(engine()->PreampFactorValue(), BASS::Stream::PreampFactor(-3));
    }

    void autoVolumeTogglesAndSaysSo() {
        QSignalSpy status(m_sound.get(), &SoundController::sig_status);
        QVERIFY(m_sound->toggleAutoVolume());
        QVERIFY(m_settings->AutoVolume());
        QVERIFY(!m_sound->toggleAutoVolume());
        QCOMPARE(status.count(), 2);
        QCOMPARE(status.at(0).value(0).toString(), QStringLiteral("Automatic volume on"));
        QCOMPARE(status.at(1).value(0).toString(), QStringLiteral("Automatic volume off"));
    }

    void menuAndEqualizerDialogActAtOnce() {
        QWidget window;
        WindowSound sound(&window, m_settings, m_player.get());
        QMenu menu;
        sound.addMenuEntries(&menu);
        QStringList texts;
        for (QAction* action : menu.actions())
            texts << action->text();
        QVERIFY(texts.contains(QStringLiteral("&Equaliser...")));
        QVERIFY(texts.contains(QStringLiteral("Mono")));
        QVERIFY(texts.contains(QStringLiteral("Compressor")));
        QVERIFY(texts.contains(QStringLiteral("DSP plug-in")));

        QMenu* plugins = sound.pluginMenu();
        emit plugins->aboutToShow();
        QAction* lowPass = nullptr;
        for (QAction* action : plugins->actions()) {
            if (action->text() == QStringLiteral("Simple Low Pass Filter"))
                lowPass = action;
        }
        QVERIFY(lowPass);
        lowPass->trigger();
        QCOMPARE(m_settings->WinampPluginPath(), kFilter);

        sound.slot_showEqualizer();
        EqualizerDialog* dialog = sound.equalizer();
        QVERIFY(dialog && dialog->isVisible());
        playTone();
        dialog->enabledBox()->click();
        QVERIFY(m_settings->EqualizerEnabled());
        dialog->presetBox()->setCurrentIndex(dialog->presetBox()->findData("Pop"));
        emit dialog->presetBox()->activated(dialog->presetBox()->currentIndex());
        QCOMPARE(m_settings->EQPreset(), QStringLiteral("Pop"));
        QCOMPARE(dialog->bandSlider(4)->value(), 3 * EqualizerDialog::StepsPerDb);
        dialog->bandSlider(0)->setValue(5 * EqualizerDialog::StepsPerDb);
        QCOMPARE(dialog->presetName(), QStringLiteral("Custom"));
        QCOMPARE(m_settings->equalizerPreset(QStringLiteral("Custom")),
                 QStringLiteral("5,-1,0,1,3,3,1,0,-1,-2"));
        dialog->preampSlider()->setValue(-75);
        QCOMPARE(engine()->PreampFactorValue(), 0.25F);
        QCOMPARE(EqualizerDialog::frequencyText(12000), QStringLiteral("12K"));
        QCOMPARE(EqualizerDialog::frequencyText(600), QStringLiteral("600"));

        // Closing keeps the preset and the pre-amplification.
        m_settings->setEQPreset(QString());
        sound.closeEqualizer();
        QVERIFY(!sound.equalizer());
        QCOMPARE(m_settings->EQPreset(), QStringLiteral("Custom"));
        QCOMPARE(m_settings->EQPreamp(), QStringLiteral("-7.5"));
    }

    void playbackMovesToTheChosenDevice() {
        playTone();
        QSignalSpy status(m_player.get(), &PlaybackController::sig_status);
        QVERIFY(m_sound->moveToDevice(0));
        QCOMPARE(BASS_GetDevice(), DWORD(0));
        QCOMPARE(m_settings->PlayOnDevices(), 0);
        QTRY_VERIFY_WITH_TIMEOUT(status.count() > 0 && status.last().value(0) == "Playing",
                                 kWaitMs);
        QVERIFY(m_player->isActive());
        QVERIFY(m_sound->moveToDevice(-1));
        QCOMPARE(BASS_GetDevice(), DWORD(1));
        QVERIFY(m_sound->moveToDevice(-1)); // already there: nothing to do
    }
};

QTEST_MAIN(TestSoundController)
#include "tst_soundcontroller.moc"
