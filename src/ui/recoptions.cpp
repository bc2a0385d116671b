#include "ui/recoptions.h"

#include "settings/appsettings.h"

#include <QAction>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QLineEdit>
#include <QSpinBox>
#include <QStyle>
#include <QVBoxLayout>

namespace {

// Below 10 the MP3 encoder takes the value as a variable-bit-rate quality; above 320 the engine
// falls back to 128 kbit/s.
constexpr int kMaxBitrate = 320;
// A day: longer periods would never split a recording that anyone keeps running.
constexpr int kMaxTimedSplitMinutes = 24 * 60;

} // namespace

RecOptions::RecOptions(AppSettings* settings, QWidget* parent)
    : QDialog(parent), m_settings(settings), m_cbMode(new QComboBox), m_edFolder(new QLineEdit),
      m_sbBitrate(new QSpinBox), m_sbTimedSplit(new QSpinBox) {
    setObjectName(QStringLiteral("RecOptions"));
    setWindowTitle(tr("Record Options"));
    m_cbMode->setObjectName(QStringLiteral("cbMode"));
    m_cbMode->addItem(tr("Start recording single song"), 2);
    m_cbMode->addItem(tr("Record without splitting"), 1);
    m_cbMode->addItem(tr("Record with splitting"), 0);
    m_cbMode->setCurrentIndex(qMax(0, m_cbMode->findData(settings->RecordingMode())));

    m_edFolder->setObjectName(QStringLiteral("edFolder"));
    m_edFolder->setText(settings->AppRecordingFolder());
    m_edFolder->setPlaceholderText(settings->recordingFolder());

    m_sbBitrate->setObjectName(QStringLiteral("sbBitrate"));
    m_sbBitrate->setRange(0, kMaxBitrate);
    m_sbBitrate->setSuffix(tr(" kbps"));
    m_sbBitrate->setToolTip(tr("Below 10: variable bit rate of that quality (0: quality 4)"));
    m_sbBitrate->setValue(settings->LameBitrate());

    m_sbTimedSplit->setObjectName(QStringLiteral("sbTimedSplit"));
    m_sbTimedSplit->setRange(0, kMaxTimedSplitMinutes);
    m_sbTimedSplit->setSpecialValueText(tr("Off"));
    m_sbTimedSplit->setValue(settings->TimedSplitMinutes());

    auto* form = new QFormLayout;
    form->addRow(tr("Record button"), m_cbMode);
    form->addRow(tr("Timed split (minutes)"), m_sbTimedSplit);
    addFolderPicker();
    form->addRow(tr("Recording folder"), m_edFolder);
    form->addRow(tr("MP3 bit rate"), m_sbBitrate);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    connect(buttons, &QDialogButtonBox::accepted, this, &RecOptions::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);
}

void RecOptions::addFolderPicker() {
    QLineEdit* edit = m_edFolder;
    QAction* pick = edit->addAction(style()->standardIcon(QStyle::SP_DirOpenIcon),
                                    QLineEdit::TrailingPosition);
    pick->setToolTip(tr("Choose the recording folder"));
    connect(pick, &QAction::triggered, this, [this, edit] {
        const QString start = edit->text().isEmpty() ? edit->placeholderText() : edit->text();
        const QString folder = QFileDialog::getExistingDirectory(this, QString(), start);
        if (!folder.isEmpty())
            edit->setText(folder);
    });
}

int RecOptions::mode() const {
    return m_cbMode->currentData().toInt();
}

void RecOptions::accept() {
    m_settings->setRecordingMode(mode());
    m_settings->setAppRecordingFolder(m_edFolder->text().trimmed());
    m_settings->setLameBitrate(m_sbBitrate->value());
    m_settings->setTimedSplitMinutes(m_sbTimedSplit->value());
    QDialog::accept();
}
