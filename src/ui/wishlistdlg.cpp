#include "ui/wishlistdlg.h"

#include "recording/wishlist.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QInputDialog>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

WishListDlg::WishListDlg(WishList* list, const QString& path, QWidget* parent)
    : QDialog(parent), m_list(list), m_path(path), m_lwWishes(new QListWidget(this)) {
    setWindowTitle(tr("Recording list"));
    m_lwWishes->setObjectName(QStringLiteral("lwWishes"));
    m_lwWishes->setSortingEnabled(true);
    m_lwWishes->addItems(list->Entries());
    m_lwWishes->sortItems(Qt::AscendingOrder);

    auto* help = new QLabel(tr("Enter an artist, a track or both: when a station plays a song "
                               "that contains one of them, recording starts."),
                            this);
    help->setWordWrap(true);
    help->setStyleSheet(QStringLiteral("color: blue"));

    auto* add = new QPushButton(tr("Add new"), this);
    auto* edit = new QPushButton(tr("Edit"), this);
    auto* remove = new QPushButton(tr("Delete"), this);
    connect(add, &QPushButton::clicked, this, &WishListDlg::slot_add);
    connect(edit, &QPushButton::clicked, this, &WishListDlg::slot_edit);
    connect(remove, &QPushButton::clicked, this, &WishListDlg::slot_delete);
    connect(m_lwWishes, &QListWidget::itemActivated, this, &WishListDlg::slot_edit);
    auto* side = new QVBoxLayout;
    for (QPushButton* button : {add, edit, remove})
        side->addWidget(button);
    side->addStretch(1);
    auto* row = new QHBoxLayout;
    row->addWidget(m_lwWishes, 1);
    row->addLayout(side);

    auto* box = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(box, &QDialogButtonBox::accepted, this, &WishListDlg::accept);
    connect(box, &QDialogButtonBox::rejected, this, &WishListDlg::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(help);
    layout->addLayout(row, 1);
    layout->addWidget(box);

    m_ask = [this](const QString& title, const QString& old, QString* text) {
        bool ok = false;
        *text = QInputDialog::getText(this, title, tr("Artist/Track"), QLineEdit::Normal, old,
                                      &ok);
        return ok;
    };
}

bool WishListDlg::addText(const QString& text) {
    if (text.isEmpty())
        return false;
    if (!m_lwWishes->findItems(text, Qt::MatchExactly | Qt::MatchCaseSensitive).isEmpty()) {
        emit sig_message(tr("Item already exists"));
        return false;
    }
    m_lwWishes->addItem(text);
    return true;
}

void WishListDlg::slot_add() {
    QString text;
    if (m_ask(tr("New item"), QString(), &text))
        addText(text);
}

void WishListDlg::slot_edit() {
    QListWidgetItem* item = m_lwWishes->currentItem();
    if (!item)
        return;
    QString text;
    if (!m_ask(tr("Edit item"), item->text(), &text))
        return;
    const QString old = item->text();
    delete item;
    if (!addText(text))
        m_lwWishes->addItem(old);
}

void WishListDlg::slot_delete() {
    delete m_lwWishes->currentItem();
}

void WishListDlg::accept() {
    QStringList texts;
    for (int i = 0; i < m_lwWishes->count(); ++i)
        texts.append(m_lwWishes->item(i)->text());
    WishList edited;
    edited.SetEntries(texts);
    QString error;
    if (!edited.Save(m_path, &error))
        emit sig_message(error);
    // The list in memory is the edited one even when its file could not be written.
    m_list->SetEntries(texts);
    QDialog::accept();
}
