#include "ui/sleepmenu.h"

#include "recording/sleeptimer.h"

#include <QActionGroup>

SleepMenu::SleepMenu(SleepTimer* timer, QWidget* parent) : QMenu(parent), m_timer(timer) {
    setObjectName(QStringLiteral("menuSleep"));
    auto* group = new QActionGroup(this);
    for (int minutes : SleepTimer::presetMinutes()) {
        QAction* action = addAction(SleepTimer::presetText(minutes));
        action->setData(minutes);
        action->setCheckable(true);
        group->addAction(action);
    }
    connect(this, &QMenu::triggered, this, &SleepMenu::slot_menuSleeper);
    connect(timer, &SleepTimer::sig_changed, this, &SleepMenu::refresh);
    refresh();
}

void SleepMenu::slot_menuSleeper(QAction* action) {
    m_timer->start(action->data().toInt() * 60);
}

void SleepMenu::refresh() {
    setTitle(m_timer->menuTitle());
    const QList<QAction*> entries = actions();
    const int checked = m_timer->presetIndex();
    for (int i = 0; i < entries.size(); ++i)
        entries.at(i)->setChecked(i == checked);
}
