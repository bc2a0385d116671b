#pragma once

// The sleep menu: the preset times as checkable entries, titled with the end action. Choosing
// one starts the timer for that long (the end action stays); the check and the title follow the
// timer whatever changed it. GUI thread; owned by its parent menu.

#include <QMenu>

class SleepTimer;

class SleepMenu : public QMenu {
    Q_OBJECT
public:
    SleepMenu(SleepTimer* timer, QWidget* parent = nullptr);

public slots:
    void slot_menuSleeper(QAction* action);
    void refresh();

private:
    SleepTimer* m_timer;
};
