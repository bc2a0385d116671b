#pragma once

// What a widget-free controller asks of the user: questions, notices, the state of the Control
// key and opening an address in the browser. The main window answers with message boxes and the
// desktop; tests answer from a script. GUI thread; owned by whoever implements it, outliving
// the controllers that hold it.

#include <QString>
#include <QUrl>

namespace QT_EXT {

class UserPrompt {
public:
    enum class Answer { Yes, No };

    virtual ~UserPrompt() = default;

    // A Yes/No question (HTML allowed).
    virtual Answer question(const QString& title, const QString& text) = 0;
    virtual void information(const QString& title, const QString& text) = 0;
    virtual void error(const QString& title, const QString& text) = 0;
    // Whether the user holds Control at this moment (it asks for the variant of a step).
    virtual bool controlHeld() const = 0;
    virtual void openUrl(const QUrl& url) = 0;
};

} // namespace QT_EXT
