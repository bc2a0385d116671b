#include "stations/busycursor.h"

#include <QCursor>
#include <QGuiApplication>
#include <QThread>

BusyCursor::BusyCursor() {
    const QCoreApplication* app = QCoreApplication::instance();
    if (qobject_cast<const QGuiApplication*>(app) && QThread::currentThread() == app->thread()) {
        QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
        m_active = true;
    }
}

BusyCursor::~BusyCursor() {
    restore();
}

void BusyCursor::restore() {
    if (m_active) {
        QGuiApplication::restoreOverrideCursor();
        m_active = false;
    }
}
