#pragma once

// The Equaliser dialog: the on/off switch, the preset list, the pre-amplifier and one slider per
// band under its centre frequency. It shows the state it is given and reports each change at
// once; the caller applies it and gives the new state back.
// GUI thread; created on demand and owned by the main window's sound wiring.

#include <QDialog>
#include <QList>
#include <QVector>

class QCheckBox;
class QComboBox;
class QSlider;

class EqualizerDialog : public QDialog {
    Q_OBJECT
public:
    // Sliders move in tenths of a dB.
    static constexpr int StepsPerDb = 10;

    explicit EqualizerDialog(QWidget* parent = nullptr);

    // Shows the state without reporting it back.
    void setState(bool enabled, const QString& preset, const QVector<float>& gains,
                  float preampDb);
    QString presetName() const;
    float preampDb() const;
    QVector<float> gains() const;
    bool isEqualizerOn() const;

    QCheckBox* enabledBox() const { return m_enabled; }
    QComboBox* presetBox() const { return m_presets; }
    QSlider* preampSlider() const { return m_preamp; }
    QSlider* bandSlider(int band) const { return m_bands.value(band); }
    // "80", "1K", "12K": how a band's centre is written under its slider.
    static QString frequencyText(int hz);

signals:
    void sig_enabledChanged(bool on);
    void sig_presetChosen(const QString& name);
    void sig_bandChanged(int band, float gainDb);
    void sig_preampChanged(float db);

private:
    QSlider* addSlider(const QString& caption, const QString& accessible);

    QCheckBox* m_enabled;
    QComboBox* m_presets;
    QSlider* m_preamp = nullptr;
    QList<QSlider*> m_bands;
    QWidget* m_sliderRow;
};
