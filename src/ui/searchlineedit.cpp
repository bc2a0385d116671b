#include "ui/searchlineedit.h"

#include <QTimer>

SearchLineEdit::SearchLineEdit(QWidget* parent) : QLineEdit(parent), m_timer(new QTimer(this)) {
    setObjectName(QStringLiteral("searchEdit"));
    setClearButtonEnabled(true);
    setPlaceholderText(tr("Type to search"));
    m_timer->setSingleShot(true);
    m_timer->setInterval(kTypingPauseMs);
    connect(m_timer, &QTimer::timeout, this, &SearchLineEdit::slot_searchTimerUpdate);
    // Only the user's typing starts a search; text set by the program (a history entry) does not.
    connect(this, &QLineEdit::textEdited, m_timer, qOverload<>(&QTimer::start));
    connect(this, &QLineEdit::returnPressed, this, &SearchLineEdit::slot_searchTimerUpdate);
}

void SearchLineEdit::slot_searchTimerUpdate() {
    m_timer->stop();
    emit signal_Search(text());
}
