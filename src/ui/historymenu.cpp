#include "ui/historymenu.h"

#include "stations/history.h"

#include <QMenu>

HistoryMenu::HistoryMenu(History* history, QObject* parent)
    : StationMenus(history, parent), m_history(history) {}

void HistoryMenu::build(QMenu* menu) {
    emptyMenu(menu);
    if (!m_history)
        return;
    watch(menu);
    int index = 0;
    for (Preset* p : m_history->recent()) {
        const QString name = p->title.isEmpty() ? p->firstUrl : p->title;
        const QChar letter(u'a' + index++);
        QAction* action = menu->addAction(QStringLiteral("%1. %2").arg(letter, menuText(name)));
        action->setData(QVariant::fromValue(p));
    }
}
