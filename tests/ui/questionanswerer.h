#pragma once

// Answers the question boxes a window test meets. GUI thread; lives on the test's stack.

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QStringList>
#include <QTimer>

// Answers every question box that opens while it lives with the button given, and keeps the
// texts asked; it stops answering when it goes out of scope, so no later test meets it.
class QuestionAnswerer {
public:
    explicit QuestionAnswerer(QMessageBox::StandardButton answer) {
        m_poll.setInterval(20);
        QObject::connect(&m_poll, &QTimer::timeout, [this, answer] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box || !box->isVisible())
                return;
            asked << box->text();
            box->button(answer)->click();
        });
        m_poll.start();
    }
    QStringList asked;

private:
    QTimer m_poll;
};
