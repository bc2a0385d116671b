#pragma once

#include "ui/stationmenus.h"

class History;

// The history menu: "a. title", "b. title" ... for the most recent stations, at most
// "MaxHistoryLength" of them. The main window appends its own "Clear" entry. GUI thread; owned by
// the main window.
class HistoryMenu : public StationMenus {
    Q_OBJECT
public:
    explicit HistoryMenu(History* history, QObject* parent = nullptr);

    // Empties menu and lists the history in it.
    void build(QMenu* menu);

private:
    QPointer<History> m_history;
};
