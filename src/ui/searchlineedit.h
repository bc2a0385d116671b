#pragma once

#include <QLineEdit>

class QTimer;

// The search field: emits signal_Search with its text after a short pause in typing, or at once
// on Enter. GUI thread; owned by the main window.
class SearchLineEdit : public QLineEdit {
    Q_OBJECT
public:
    static constexpr int kTypingPauseMs = 600;

    explicit SearchLineEdit(QWidget* parent = nullptr);

public slots:
    void slot_searchTimerUpdate();

signals:
    void signal_Search(const QString& text);

private:
    QTimer* m_timer;
};
