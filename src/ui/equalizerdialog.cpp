#include "ui/equalizerdialog.h"

#include "bass/equalizerpreset.h"
#include "bass/stream.h"

#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QSignalBlocker>
#include <QSlider>
#include <QVBoxLayout>

using BASS::EqualizerPreset;
using BASS::Stream;

EqualizerDialog::EqualizerDialog(QWidget* parent)
    : QDialog(parent), m_enabled(new QCheckBox(tr("Equaliser on"))), m_presets(new QComboBox),
      m_sliderRow(new QWidget) {
    setObjectName(QStringLiteral("EqualizerDialog"));
    setWindowTitle(tr("Equaliser"));
    m_enabled->setObjectName(QStringLiteral("EqualizerEnabled"));
    m_presets->setObjectName(QStringLiteral("EQPreset"));
    for (const QString& name : EqualizerPreset::Names())
        m_presets->addItem(tr(name.toUtf8().constData()), name);
    m_presets->setAccessibleName(tr("Preset"));

    auto* top = new QHBoxLayout;
    top->addWidget(m_enabled);
    top->addStretch(1);
    top->addWidget(new QLabel(tr("Preset")));
    top->addWidget(m_presets);

    new QHBoxLayout(m_sliderRow);
    m_preamp = addSlider(tr("Pre-amp"), tr("Pre-amplification"));
    m_preamp->setObjectName(QStringLiteral("EQPreamp"));
    for (int band = 0; band < Stream::EQ_MAX_BANDS; ++band) {
        const QString text = frequencyText(Stream::EQ_CENTERS.at(size_t(band)));
        QSlider* slider = addSlider(text, tr("%1 Hz band").arg(text));
        slider->setObjectName(QStringLiteral("Band%1").arg(band));
        m_bands.append(slider);
        connect(slider, &QSlider::valueChanged, this, [this, band](int value) {
            emit sig_bandChanged(band, float(value) / StepsPerDb);
        });
    }
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(m_sliderRow, 1);

    connect(m_enabled, &QCheckBox::toggled, this, &EqualizerDialog::sig_enabledChanged);
    connect(m_presets, &QComboBox::activated, this,
            [this](int index) { emit sig_presetChosen(m_presets->itemData(index).toString()); });
    connect(m_preamp, &QSlider::valueChanged, this,
            [this](int value) { emit sig_preampChanged(float(value) / StepsPerDb); });
    resize(520, 300);
}

QSlider* EqualizerDialog::addSlider(const QString& caption, const QString& accessible) {
    auto* column = new QVBoxLayout;
    auto* slider = new QSlider(Qt::Vertical);
    const int range = int(Stream::EQ_MAX_GAIN_DB) * StepsPerDb;
    slider->setRange(-range, range);
    slider->setPageStep(StepsPerDb);
    slider->setTickPosition(QSlider::TicksBothSides);
    slider->setTickInterval(5 * StepsPerDb);
    slider->setAccessibleName(accessible);
    auto* label = new QLabel(caption);
    label->setAlignment(Qt::AlignHCenter);
    column->addWidget(slider, 1, Qt::AlignHCenter);
    column->addWidget(label);
    static_cast<QHBoxLayout*>(m_sliderRow->layout())->addLayout(column);
    return slider;
}

QString EqualizerDialog::frequencyText(int hz) {
    return hz >= 1000 ? QStringLiteral("%1K").arg(hz / 1000) : QString::number(hz);
}

void EqualizerDialog::setState(bool enabled, const QString& preset, const QVector<float>& gains,
                               float preampDb) {
    const QSignalBlocker blockEnabled(m_enabled);
    const QSignalBlocker blockPresets(m_presets);
    const QSignalBlocker blockPreamp(m_preamp);
    m_enabled->setChecked(enabled);
    m_presets->setCurrentIndex(std::max(0, m_presets->findData(preset)));
    m_preamp->setValue(qRound(preampDb * StepsPerDb));
    for (int band = 0; band < m_bands.size() && band < gains.size(); ++band) {
        const QSignalBlocker block(m_bands.at(band));
        m_bands.at(band)->setValue(qRound(gains.at(band) * StepsPerDb));
    }
}

QString EqualizerDialog::presetName() const {
    return m_presets->currentData().toString();
}

float EqualizerDialog::preampDb() const {
    return float(m_preamp->value()) / StepsPerDb;
}

QVector<float> EqualizerDialog::gains() const {
    QVector<float> values;
    for (const QSlider* slider : m_bands)
        values.append(float(slider->value()) / StepsPerDb);
    return values;
}

bool EqualizerDialog::isEqualizerOn() const {
    return m_enabled->isChecked();
}
