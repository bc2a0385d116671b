#pragma once

// The ways out of mini mode, where the menu bar is hidden: a context menu with "Normal mode" and
// the main menus, and a double-click anywhere on the window. An event filter over the window and
// its parts, acting only while the window is in mini mode.
// GUI thread; owned by the main window.

#include <QList>
#include <QObject>

class QMenu;
class QuillowaveWindow;

class WindowMiniMode : public QObject {
    Q_OBJECT
public:
    // menus: the main menus the context menu repeats.
    WindowMiniMode(QuillowaveWindow* window, const QList<QMenu*>& menus);

    QMenu* contextMenu() const { return m_menu; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QuillowaveWindow* m_window; // the owner
    QMenu* m_menu;
};
