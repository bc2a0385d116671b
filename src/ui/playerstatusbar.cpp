#include "ui/playerstatusbar.h"

#include <QIcon>
#include <QLabel>

namespace {

QLabel* namedLabel(const QString& name, QWidget* parent) {
    auto* label = new QLabel(parent);
    label->setObjectName(name);
    return label;
}

} // namespace

PlayerStatusBar::PlayerStatusBar(QWidget* parent)
    : QStatusBar(parent), m_labelStatus(namedLabel(QStringLiteral("labelStatus"), this)),
      m_labelWarning(namedLabel(QStringLiteral("labelWarning"), this)),
      m_labelRecording(namedLabel(QStringLiteral("labelRecording"), this)),
      m_labelRecordCounters(namedLabel(QStringLiteral("labelRecordCounters"), this)),
      m_labelStatusInfo(namedLabel(QStringLiteral("labelStatusInfo"), this)),
      m_labelSleep(nullptr) {
    m_labelStatus->setMinimumWidth(160);
    addWidget(m_labelStatus, 1);
    m_labelWarning->setStyleSheet(QStringLiteral("color: #b00000; font-weight: bold;"));
    m_labelWarning->hide();
    addPermanentWidget(m_labelWarning);
    addPermanentWidget(m_labelRecording);
    addPermanentWidget(m_labelRecordCounters);
    addPermanentWidget(m_labelStatusInfo);
    const char* names[CounterCount] = {"labelStationData", "labelTotalData", "labelStationTime",
                                       "labelSongTime"};
    for (int i = 0; i < CounterCount; ++i) {
        m_counters[i] = namedLabel(QString::fromLatin1(names[i]), this);
        m_counters[i]->setMinimumWidth(52);
        m_counters[i]->setAlignment(Qt::AlignCenter);
        addPermanentWidget(m_counters[i]);
    }
    m_labelSleep = namedLabel(QStringLiteral("labelSleep"), this);
    addPermanentWidget(m_labelSleep);
    m_labelSleep->hide();
    resetCounters();
}

int PlayerStatusBar::fieldsShown(int option) {
    return option != 0 ? option
                       : FieldRecording | FieldStationTime | FieldSongTime | FieldStationData |
                             FieldTotalData;
}

void PlayerStatusBar::showFields(int option) {
    const int fields = fieldsShown(option);
    m_labelRecording->setVisible(fields & FieldRecording);
    m_labelStatusInfo->setVisible(fields & FieldStreamInfo);
    m_counters[StationTime]->setVisible(fields & FieldStationTime);
    m_counters[SongTime]->setVisible(fields & FieldSongTime);
    m_counters[StationData]->setVisible(fields & FieldStationData);
    m_counters[TotalData]->setVisible(fields & FieldTotalData);
}

void PlayerStatusBar::setWarning(const QString& text) {
    m_labelWarning->setText(text);
    m_labelWarning->setToolTip(text);
    m_labelWarning->setVisible(!text.isEmpty());
}

void PlayerStatusBar::setStatusText(const QString& text) {
    m_labelStatus->setText(text);
}

void PlayerStatusBar::showError(const QString& text) {
    m_labelStatus->setStyleSheet(QStringLiteral("color: red;"));
    m_labelStatus->setText(text);
    m_labelStatus->setToolTip(text);
}

void PlayerStatusBar::clearError() {
    m_labelStatus->setStyleSheet(QString());
    m_labelStatus->setToolTip(QString());
}

void PlayerStatusBar::showStreamInfo(const QString& text) {
    m_labelStatusInfo->setText(text);
}

void PlayerStatusBar::setCounters(const QString& stationData, const QString& totalData,
                                  const QString& stationTime, const QString& songTime) {
    m_counters[StationData]->setText(stationData);
    m_counters[TotalData]->setText(totalData);
    m_counters[StationTime]->setText(stationTime);
    m_counters[SongTime]->setText(songTime);
}

void PlayerStatusBar::resetCounters() {
    const QString tips[CounterCount] = {
        tr("Amount of data used for current station"), tr("Total amount of data used"),
        tr("Time elapsed for current station"), tr("Time elapsed for current song")};
    for (int i = 0; i < CounterCount; ++i) {
        m_counters[i]->setToolTip(tips[i]);
        m_counters[i]->clear();
    }
}

void PlayerStatusBar::setSleepText(const QString& text, const QString& toolTip) {
    m_labelSleep->setText(text);
    m_labelSleep->setToolTip(toolTip);
    m_labelSleep->setVisible(!text.isEmpty());
}

void PlayerStatusBar::showRecording(const QIcon& icon, const QString& fileName) {
    m_labelRecording->setPixmap(icon.isNull() ? QPixmap() : icon.pixmap(16, 16));
    m_labelRecording->setToolTip(fileName);
    if (icon.isNull()) {
        m_labelRecordCounters->clear();
        m_labelRecordCounters->setToolTip(QString());
    }
}

void PlayerStatusBar::showRecordingFile(const QString& fileName) {
    m_labelRecording->setToolTip(fileName);
}

void PlayerStatusBar::setRecordingCounters(const QString& bytes, const QString& time) {
    m_labelRecordCounters->setText(bytes + QLatin1Char(' ') + time);
    m_labelRecordCounters->setToolTip(tr("Amount of data recorded and time recording"));
}
