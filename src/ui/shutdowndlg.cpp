#include "ui/shutdowndlg.h"

#include "recording/csystemshutdown.h"
#include "recording/sleeptimer.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QStandardItemModel>
#include <QVBoxLayout>

ShutdownDlg::ShutdownDlg(QWidget* parent)
    : QDialog(parent), m_lblTime(new QLabel(tr("Stop after (hours and minutes)"))),
      m_cbTimer(new QComboBox), m_lblComputer(new QLabel(tr("Computer"))),
      m_cbShutdown(new QComboBox) {
    setWindowTitle(tr("Sleep timer"));
    m_cbTimer->setObjectName(QStringLiteral("cbTimer"));
    m_cbShutdown->setObjectName(QStringLiteral("cbShutdown"));
    for (int minutes : SleepTimer::presetMinutes())
        m_cbTimer->addItem(SleepTimer::presetText(minutes), minutes);
    fillActions(m_cbShutdown);
    auto* form = new QFormLayout;
    form->addRow(m_lblTime, m_cbTimer);
    form->addRow(m_lblComputer, m_cbShutdown);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);
}

void ShutdownDlg::fillActions(QComboBox* box, const CSystemShutdown& shutdown) {
    auto* model = qobject_cast<QStandardItemModel*>(box->model());
    for (int code = CSystemShutdown::ActionStopPlaying;
         code <= CSystemShutdown::ActionExitApplication; ++code) {
        box->addItem(CSystemShutdown::ActionName(code), code);
        const CSystemShutdown::Availability can = shutdown.availability(code);
        if (!can.allowed && model) {
            QStandardItem* item = model->item(box->count() - 1);
            item->setEnabled(false);
            item->setToolTip(can.reason);
        }
    }
}

void ShutdownDlg::selectLength(int seconds) {
    const int index = m_cbTimer->findData(seconds / 60);
    m_cbTimer->setCurrentIndex(index >= 0 && seconds % 60 == 0 ? index : 0);
}

void ShutdownDlg::selectAction(int code) {
    const int index = m_cbShutdown->findData(code);
    if (index >= 0)
        m_cbShutdown->setCurrentIndex(index);
}

int ShutdownDlg::lengthSeconds() const {
    return m_cbTimer->currentData().toInt() * 60;
}

int ShutdownDlg::action() const {
    return m_cbShutdown->currentData().toInt();
}
