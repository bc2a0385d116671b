#include "app/windowprompt.h"

#include "ui/texttospeech.h"

#include <QDesktopServices>
#include <QGuiApplication>
#include <QMessageBox>

// The update and directory messages are read aloud too when the user asked for spoken messages.
WindowPrompt::Answer WindowPrompt::question(const QString& title, const QString& text) {
    TextToSpeech::instance()->speak(text, false);
    return QMessageBox::question(m_window, title, text, QMessageBox::Yes | QMessageBox::No) ==
                   QMessageBox::Yes
               ? Answer::Yes
               : Answer::No;
}

void WindowPrompt::information(const QString& title, const QString& text) {
    TextToSpeech::instance()->speak(text, false);
    QMessageBox::information(m_window, title, text);
}

void WindowPrompt::error(const QString& title, const QString& text) {
    QMessageBox::critical(m_window, title, text);
}

bool WindowPrompt::controlHeld() const {
    return QGuiApplication::queryKeyboardModifiers().testFlag(Qt::ControlModifier);
}

void WindowPrompt::openUrl(const QUrl& url) {
    QDesktopServices::openUrl(url);
}
