#include "ui/favoritesdlg.h"

#include "stations/favorites.h"
#include "ui/favoritedlg.h"
#include "ui/favskeypaddlg.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

FavoritesDlg::FavoritesDlg(Favorites* favorites, QWidget* parent)
    : QDialog(parent), m_favorites(favorites), m_list(new QListWidget),
      m_edit(new QPushButton(tr("Edit"))), m_remove(new QPushButton(tr("Remove favorite"))),
      m_keyPad(new QPushButton(tr("Set keypad shortcut"))),
      m_schedule(new QPushButton(tr("Schedule"))) {
    setWindowTitle(tr("Edit Favorites"));
    setObjectName(QStringLiteral("FavoritesDlg"));
    m_edit->setToolTip(tr("Edit favorite"));

    auto* buttons = new QVBoxLayout;
    for (QPushButton* b : {m_edit, m_remove, m_keyPad, m_schedule})
        buttons->addWidget(b);
    buttons->addStretch();
    auto* close = new QDialogButtonBox(QDialogButtonBox::Close);
    buttons->addWidget(close);
    auto* layout = new QHBoxLayout(this);
    layout->addWidget(m_list, 1);
    layout->addLayout(buttons);

    connect(m_edit, &QPushButton::clicked, this, &FavoritesDlg::slot_Edit);
    connect(m_remove, &QPushButton::clicked, this, &FavoritesDlg::slot_Remove);
    connect(m_keyPad, &QPushButton::clicked, this, &FavoritesDlg::slot_KeyPad);
    connect(m_schedule, &QPushButton::clicked, this, &FavoritesDlg::slot_Schedule);
    connect(close, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_list, &QListWidget::currentRowChanged, this, &FavoritesDlg::updateButtons);
    connect(m_list, &QListWidget::itemActivated, this, [this]() {
        if (Preset* p = selectedFavorite())
            emit signal_itemActivated(p);
    });
    resize(520, 360);
    refresh();
}

QString FavoritesDlg::itemText(const Preset& preset) {
    if (preset.group && preset.group->kind != Group::KindRoot)
        return preset.title + QStringLiteral(" (") + preset.group->name + QLatin1Char(')');
    return preset.title;
}

void FavoritesDlg::refresh() {
    const Preset* keep = selectedFavorite();
    m_list->clear();
    if (m_favorites) {
        for (Preset* p : m_favorites->favorites()) {
            auto* item = new QListWidgetItem(itemText(*p), m_list);
            item->setData(Qt::UserRole, QVariant::fromValue(p));
            if (p->keyPadNum > 0)
                item->setToolTip(tr("Keypad %1").arg(p->keyPadNum - 1));
        }
    }
    selectFavorite(keep);
    if (m_list->currentRow() < 0 && m_list->count() > 0)
        m_list->setCurrentRow(0);
    updateButtons();
}

Preset* FavoritesDlg::selectedFavorite() const {
    const QListWidgetItem* item = m_list->currentItem();
    return item ? item->data(Qt::UserRole).value<Preset*>() : nullptr;
}

void FavoritesDlg::selectFavorite(const Preset* preset) {
    for (int i = 0; preset && i < m_list->count(); ++i) {
        if (m_list->item(i)->data(Qt::UserRole).value<Preset*>() == preset) {
            m_list->setCurrentRow(i);
            return;
        }
    }
}

void FavoritesDlg::updateButtons() {
    const Preset* p = selectedFavorite();
    for (QPushButton* b : {m_edit, m_remove, m_keyPad, m_schedule})
        b->setEnabled(p != nullptr);
    m_keyPad->setText(p && p->keyPadNum > 0 ? tr("Remove keypad shortcut")
                                            : tr("Set keypad shortcut"));
}

void FavoritesDlg::changed(const Preset* select) {
    m_favorites->save();
    refresh();
    selectFavorite(select);
    updateButtons();
    emit signal_FavoritesChanged();
}

void FavoritesDlg::slot_Edit() {
    Preset* p = selectedFavorite();
    if (!p || !m_favorites)
        return;
    FavoriteDlg dlg(*p, m_favorites->groupNames(), this);
    if (dlg.exec() != QDialog::Accepted)
        return;
    const Preset edited = dlg.preset();
    // The key holds title and group: an edited favourite replaces the old entry outright.
    m_favorites->remove(p);
    changed(m_favorites->add(edited));
}

void FavoritesDlg::slot_Remove() {
    Preset* p = selectedFavorite();
    if (!p || !m_favorites)
        return;
    const int row = m_list->currentRow();
    m_favorites->remove(p);
    changed(nullptr);
    m_list->setCurrentRow(qMin(row, m_list->count() - 1));
}

void FavoritesDlg::slot_KeyPad() {
    Preset* p = selectedFavorite();
    if (!p || !m_favorites)
        return;
    if (p->keyPadNum > 0) {
        p->keyPadNum = 0;
        changed(p);
        return;
    }
    FavsKeyPadDlg dlg(*m_favorites, p->keyPadNum, this);
    if (dlg.exec() != QDialog::Accepted || dlg.keyPadNum() == 0)
        return;
    p->keyPadNum = dlg.keyPadNum();
    changed(p);
}

void FavoritesDlg::slot_Schedule() {
    if (Preset* p = selectedFavorite())
        emit signal_Schedule(p);
}
