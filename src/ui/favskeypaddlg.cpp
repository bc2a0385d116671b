#include "ui/favskeypaddlg.h"

#include "stations/favorites.h"

#include <QButtonGroup>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QPushButton>
#include <QVBoxLayout>

FavsKeyPadDlg::FavsKeyPadDlg(const Favorites& favorites, int keyPadNum, QWidget* parent)
    : QDialog(parent), m_buttons(new QButtonGroup(this)), m_keyPadNum(keyPadNum) {
    setWindowTitle(tr("Keypad shortcuts"));
    setObjectName(QStringLiteral("FavsKeyPadDlg"));
    auto* grid = new QGridLayout;
    // Laid out like a numeric keypad: 7 8 9 / 4 5 6 / 1 2 3 / 0.
    for (int digit = 0; digit <= 9; ++digit) {
        auto* button = new QPushButton(QString::number(digit));
        button->setObjectName(QStringLiteral("btKey%1").arg(digit));
        button->setCheckable(true);
        button->setChecked(digit + 1 == keyPadNum);
        const Preset* owner = favorites.findByKeyPad(digit + 1);
        button->setToolTip(
            QStringLiteral("%1. %2").arg(digit).arg(owner ? owner->title : tr("Available")));
        m_buttons->addButton(button, digit);
        if (digit == 0)
            grid->addWidget(button, 3, 0, 1, 3);
        else
            grid->addWidget(button, 2 - (digit - 1) / 3, (digit - 1) % 3);
    }
    m_buttons->setExclusive(true);
    connect(m_buttons, &QButtonGroup::idClicked, this,
            [this](int digit) { m_keyPadNum = digit + 1; });

    auto* box = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    connect(box, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(box, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addWidget(box);
}

QAbstractButton* FavsKeyPadDlg::keyButton(int digit) const {
    return m_buttons->button(digit);
}
