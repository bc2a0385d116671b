#include "app/windowminimode.h"

#include "app/quillowavewindow.h"

#include <QContextMenuEvent>
#include <QMenu>

WindowMiniMode::WindowMiniMode(QuillowaveWindow* window, const QList<QMenu*>& menus)
    : QObject(window), m_window(window), m_menu(new QMenu(window)) {
    m_menu->setObjectName(QStringLiteral("menuMiniMode"));
    // The key is shown as menus show keys; the window's key handler acts on it.
    m_menu->addAction(tr("Normal mode") + QStringLiteral("\tF12"), window,
                      &QuillowaveWindow::slot_toggleCollapse);
    m_menu->addSeparator();
    for (QMenu* menu : menus)
        m_menu->addMenu(menu);
    window->installEventFilter(this);
    for (QWidget* part : window->findChildren<QWidget*>()) {
        if (!qobject_cast<QMenu*>(part))
            part->installEventFilter(this);
    }
}

bool WindowMiniMode::eventFilter(QObject* watched, QEvent* event) {
    // The filter also sees the children leave while the window is being destroyed, when it is a
    // window no more: only the two events taken over here may ask it anything.
    const QEvent::Type type = event->type();
    if ((type != QEvent::ContextMenu && type != QEvent::MouseButtonDblClick) ||
        !m_window->isMiniMode())
        return QObject::eventFilter(watched, event);
    switch (type) {
    case QEvent::ContextMenu:
        m_menu->popup(static_cast<QContextMenuEvent*>(event)->globalPos());
        return true;
    case QEvent::MouseButtonDblClick:
        m_window->slot_toggleCollapse();
        return true;
    default:
        return QObject::eventFilter(watched, event);
    }
}
