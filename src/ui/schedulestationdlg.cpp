#include "ui/schedulestationdlg.h"

#include "qtext/taskscheduler.h"
#include "recording/csystemshutdown.h"
#include "ui/shutdowndlg.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QDateEdit>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QTimeEdit>
#include <QVBoxLayout>

ScheduleStationDlg::ScheduleStationDlg(const Preset& station, QWidget* parent)
    : QDialog(parent), m_station(station), m_lblHeading(new QLabel), m_cbFreq(new QComboBox),
      m_dtStart(new QDateEdit), m_tmStart(new QTimeEdit), m_cbStartAction(new QComboBox),
      m_lblDuration(new QLabel(tr("Duration (minutes)"))), m_teDuration(new QLineEdit),
      m_lblEndAction(new QLabel(tr("End Action"))), m_cbEndAction(new QComboBox),
      m_lblStatus(new QLabel), m_jobs(new QListWidget) {
    setWindowTitle(tr("Schedule Station"));
    buildForm();
    refreshJobs();
}

void ScheduleStationDlg::buildForm() {
    m_lblHeading->setText(m_station.title.isEmpty() ? stationUrl(m_station) : m_station.title);
    m_lblHeading->setStyleSheet(QStringLiteral("color: blue; font-weight: bold"));
    m_lblStatus->setObjectName(QStringLiteral("lblStatus"));
    m_lblStatus->setStyleSheet(QStringLiteral("color: red"));
    m_lblStatus->setWordWrap(true);
    m_cbFreq->addItem(tr("One time"));
    const QDateTime soon = QDateTime::currentDateTime().addSecs(5 * 60);
    m_dtStart->setObjectName(QStringLiteral("dtStart"));
    m_dtStart->setCalendarPopup(true);
    m_dtStart->setDate(soon.date());
    m_tmStart->setObjectName(QStringLiteral("tmStart"));
    m_tmStart->setDisplayFormat(QStringLiteral("HH:mm"));
    m_tmStart->setTime(soon.time());
    m_cbStartAction->setObjectName(QStringLiteral("cbStartAction"));
    m_cbStartAction->addItem(tr("Record"), Record);
    m_cbStartAction->addItem(tr("Play only"), PlayOnly);
    m_teDuration->setObjectName(QStringLiteral("teDuration"));
    m_teDuration->setText(QStringLiteral("60"));
    m_cbEndAction->setObjectName(QStringLiteral("cbEndAction"));
    ShutdownDlg::fillActions(m_cbEndAction);
    connect(m_cbStartAction, &QComboBox::currentIndexChanged, this,
            &ScheduleStationDlg::slot_startActionChanged);
    connect(m_cbEndAction, &QComboBox::currentIndexChanged, this,
            &ScheduleStationDlg::slot_endActionChanged);

    auto* form = new QFormLayout;
    form->addRow(tr("Frequency"), m_cbFreq);
    form->addRow(tr("Start Date"), m_dtStart);
    form->addRow(tr("Start Time"), m_tmStart);
    form->addRow(tr("Start Action"), m_cbStartAction);
    form->addRow(m_lblDuration, m_teDuration);
    form->addRow(m_lblEndAction, m_cbEndAction);
    // Jobs run as the user who schedules them, while that user's session is there to show them:
    // no account or password is asked for.
    auto* account = new QLabel(tr("The station starts under your own account."));
    account->setEnabled(false);

    auto* remove = new QPushButton(tr("Remove"));
    connect(remove, &QPushButton::clicked, this, &ScheduleStationDlg::removeSelectedJob);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    connect(buttons, &QDialogButtonBox::accepted, this, &ScheduleStationDlg::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_lblHeading);
    layout->addLayout(form);
    layout->addWidget(account);
    layout->addWidget(new QLabel(tr("Scheduled by Quillowave")));
    layout->addWidget(m_jobs);
    layout->addWidget(remove, 0, Qt::AlignRight);
    layout->addWidget(m_lblStatus);
    layout->addWidget(buttons);
}

QString ScheduleStationDlg::stationUrl(const Preset& station) {
    if (!station.firstUrl.isEmpty())
        return station.firstUrl;
    if (!station.sources.isEmpty())
        return station.sources.constFirst();
    return station.playlistUrls && !station.playlistUrls->isEmpty()
               ? station.playlistUrls->constFirst()
               : QString();
}

QString ScheduleStationDlg::buildParameters(const QString& url, const QString& title,
                                            int startAction, int durationMinutes, int endAction,
                                            QString* error) {
    if (url.trimmed().isEmpty()) {
        *error = tr("This station has no stream address");
        return QString();
    }
    if (startAction != PlayOnly && (durationMinutes < 1 || durationMinutes > MaxDurationMinutes)) {
        *error = tr("Invalid duration");
        return QString();
    }
    QString title2 = title;
    // A double quote would end the quoted name early; the name is only shown, so drop it.
    title2.remove(u'"');
    QString parameters = QStringLiteral("/url=%1 /name=\"%2\" /show=normal /action=Record ")
                             .arg(url.trimmed(), title2);
    if (startAction == PlayOnly)
        return parameters + QStringLiteral("/action=Play ");
    if (startAction != Record) {
        *error = tr("Unknown start action");
        return QString();
    }
    // The command-line reader exchanges the codes of "Shutdown" (1) and "Exit application" (4),
    // so they are written exchanged: the action carried out is the one chosen here.
    const int written =
        endAction == CSystemShutdown::ActionShutdown ? CSystemShutdown::ActionExitApplication
        : endAction == CSystemShutdown::ActionExitApplication ? CSystemShutdown::ActionShutdown
                                                              : endAction;
    return parameters +
           QStringLiteral("/duration=%1 /end_action=%2").arg(durationMinutes * 60).arg(written);
}

void ScheduleStationDlg::slot_startActionChanged(int index) {
    const bool record = m_cbStartAction->itemData(index).toInt() != PlayOnly;
    for (QWidget* w : std::initializer_list<QWidget*>{m_lblDuration, m_teDuration, m_lblEndAction,
                                                      m_cbEndAction})
        w->setVisible(record);
}

void ScheduleStationDlg::slot_endActionChanged(int index) {
    setStatus(m_cbEndAction->itemData(index, Qt::ToolTipRole).toString());
}

QString ScheduleStationDlg::statusText() const {
    return m_lblStatus->text();
}

void ScheduleStationDlg::setStatus(const QString& text) {
    m_lblStatus->setText(text);
}

void ScheduleStationDlg::accept() {
    QT_EXT::Schedule schedule;
    schedule.setStart(QDateTime(m_dtStart->date(), m_tmStart->time()));
    schedule.m_creator = QStringLiteral("Quillowave");
    schedule.m_description = m_station.title;
    const int startAction = m_cbStartAction->currentData().toInt();
    const int duration = qMax(0, m_teDuration->text().trimmed().toInt());
    QString error;
    schedule.m_parameters = buildParameters(stationUrl(m_station), m_station.title, startAction,
                                            duration, m_cbEndAction->currentData().toInt(), &error);
    if (schedule.m_parameters.isEmpty()) {
        setStatus(error);
        if (error == tr("Invalid duration"))
            m_teDuration->setFocus();
        return;
    }
    schedule.setMinutesDuration(startAction == PlayOnly ? 0 : duration);
    schedule.m_application = QCoreApplication::applicationFilePath();
    QT_EXT::TaskScheduler scheduler;
    if (!scheduler.CreateTask(schedule)) {
        QMessageBox::warning(this, windowTitle(),
                             tr("Failed to schedule task") + QStringLiteral(".\n") +
                                 scheduler.lastError() + u'.');
        return;
    }
    QMessageBox::information(this, windowTitle(), tr("Station has been scheduled") + u'.');
    QDialog::accept();
}

void ScheduleStationDlg::refreshJobs() {
    m_jobs->clear();
    QT_EXT::TaskScheduler scheduler;
    m_jobs->addItems(scheduler.ListTasks());
}

void ScheduleStationDlg::removeSelectedJob() {
    const QListWidgetItem* item = m_jobs->currentItem();
    if (!item)
        return;
    QT_EXT::TaskScheduler scheduler;
    if (!scheduler.DeleteTask(item->text()))
        setStatus(scheduler.lastError());
    refreshJobs();
}
