#include "ui/playedtitlesview.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QTreeWidget>
#include <QUrl>
#include <QUrlQuery>
#include <QVBoxLayout>

PlayedTitlesView::PlayedTitlesView(PlayedTitles* log, QWidget* parent)
    : QWidget(parent), m_log(log), m_list(new QTreeWidget(this)) {
    setObjectName(QStringLiteral("playedTitles"));
    m_list->setObjectName(QStringLiteral("treePlayedTitles"));
    m_list->setHeaderLabels({tr("Time"), tr("Station"), tr("Song"), tr("Recorded to")});
    m_list->setRootIsDecorated(false);
    m_list->setContextMenuPolicy(Qt::ActionsContextMenu);

    auto* copy = new QAction(tr("&Copy"), this);
    copy->setShortcut(QKeySequence::Copy);
    copy->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    auto* search = new QAction(tr("&Search the web for this song"), this);
    auto* exportAll = new QAction(tr("&Export as CSV..."), this);
    connect(copy, &QAction::triggered, this, &PlayedTitlesView::copySelected);
    connect(search, &QAction::triggered, this, &PlayedTitlesView::searchSelected);
    connect(exportAll, &QAction::triggered, this, [this] { exportCsv(); });
    m_list->addActions({copy, search, exportAll});

    auto* buttons = new QHBoxLayout;
    for (QAction* action : {copy, search, exportAll}) {
        auto* button = new QPushButton(action->text().remove(QLatin1Char('&')), this);
        connect(button, &QPushButton::clicked, action, &QAction::trigger);
        buttons->addWidget(button);
    }
    buttons->addStretch(1);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_list, 1);
    layout->addLayout(buttons);

    connect(m_log, &PlayedTitles::sig_changed, this, &PlayedTitlesView::refresh);
    refresh();
}

void PlayedTitlesView::refresh() {
    m_list->clear();
    const QList<PlayedTitles::Entry>& entries = m_log->Entries();
    QList<QTreeWidgetItem*> items;
    for (auto it = entries.crbegin(); it != entries.crend(); ++it) {
        auto* item = new QTreeWidgetItem(
            {QLocale().toString(it->time.toLocalTime(), QLocale::ShortFormat), it->station,
             PlayedTitles::SongText(*it), QDir::toNativeSeparators(it->file)});
        item->setData(0, Qt::UserRole, int(entries.size() - 1 - (it - entries.crbegin())));
        items.append(item);
    }
    m_list->addTopLevelItems(items);
}

bool PlayedTitlesView::selectedEntry(PlayedTitles::Entry* entry) const {
    const QTreeWidgetItem* item = m_list->currentItem();
    if (!item)
        return false;
    const int index = item->data(0, Qt::UserRole).toInt();
    if (index < 0 || index >= m_log->Entries().size())
        return false;
    *entry = m_log->Entries().at(index);
    return true;
}

QUrl PlayedTitlesView::searchUrl(const PlayedTitles::Entry& entry) {
    QUrl url(QStringLiteral("https://duckduckgo.com/"));
    QUrlQuery query;
    query.addQueryItem(QStringLiteral("q"), PlayedTitles::SongText(entry));
    url.setQuery(query);
    return url;
}

void PlayedTitlesView::copySelected() {
    PlayedTitles::Entry entry;
    if (selectedEntry(&entry))
        QApplication::clipboard()->setText(PlayedTitles::SongText(entry));
}

void PlayedTitlesView::searchSelected() {
    PlayedTitles::Entry entry;
    if (selectedEntry(&entry))
        QDesktopServices::openUrl(searchUrl(entry));
}

void PlayedTitlesView::exportCsv(const QString& path) {
    QString target = path;
    if (target.isEmpty())
        target = QFileDialog::getSaveFileName(this, tr("Export as CSV"),
                                              QDir::home().filePath(QStringLiteral("songs.csv")),
                                              tr("CSV files (*.csv)"));
    if (target.isEmpty())
        return;
    QString error;
    if (!m_log->ExportCsv(target, &error))
        emit sig_message(error);
}
