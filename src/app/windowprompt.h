#pragma once

// The main window's answers to the questions of its controllers: message boxes over the window,
// the keyboard state and the desktop's browser.
// GUI thread; owned by the main window's web helper.

#include "qtext/userprompt.h"

class QWidget;

class WindowPrompt : public QT_EXT::UserPrompt {
public:
    explicit WindowPrompt(QWidget* window) : m_window(window) {}

    Answer question(const QString& title, const QString& text) override;
    void information(const QString& title, const QString& text) override;
    void error(const QString& title, const QString& text) override;
    bool controlHeld() const override;
    void openUrl(const QUrl& url) override;

private:
    QWidget* m_window; // the parent of the boxes
};
