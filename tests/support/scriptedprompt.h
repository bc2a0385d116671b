// Test helper: answers a controller's questions from a script and keeps what it was told, one
// line per call ("question|title|text", "information|title|text", "error|title|text",
// "open|url"). GUI thread; lives on the test's stack.
#pragma once

#include "qtext/userprompt.h"

#include <QList>
#include <QStringList>

class ScriptedPrompt : public QT_EXT::UserPrompt {
public:
    QStringList calls;
    QList<QUrl> opened;
    // Answers for the questions in turn; No once they run out.
    QList<Answer> answers;
    bool control = false;

    Answer question(const QString& title, const QString& text) override {
        calls << QStringLiteral("question|%1|%2").arg(title, text);
        return answers.isEmpty() ? Answer::No : answers.takeFirst();
    }
    void information(const QString& title, const QString& text) override {
        calls << QStringLiteral("information|%1|%2").arg(title, text);
    }
    void error(const QString& title, const QString& text) override {
        calls << QStringLiteral("error|%1|%2").arg(title, text);
    }
    bool controlHeld() const override { return control; }
    void openUrl(const QUrl& url) override {
        opened << url;
        calls << QStringLiteral("open|") + url.toString();
    }

    // The calls of one kind ("question", "information", "error").
    QStringList of(const QString& kind) const {
        QStringList out;
        for (const QString& call : calls) {
            if (call.startsWith(kind + QLatin1Char('|')))
                out << call;
        }
        return out;
    }
    void reset() {
        calls.clear();
        opened.clear();
        answers.clear();
        control = false;
    }
};
