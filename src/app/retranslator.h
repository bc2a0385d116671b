#pragma once

// Re-applies the texts already shown after the language tables changed: each text of every
// widget, action, menu, tab, header and list of choices is taken back to its English source
// through the previous language's tables and translated again. It works on whatever windows are
// open, so a dialog built with tr() needs no code of its own to follow a switch; texts composed
// with arguments are refreshed by their owners on QEvent::LanguageChange.
// GUI thread; a short-lived value.

#include "app/clangmanager.h"

class QAction;
class QWidget;

class Retranslator {
public:
    // Widgets with this property set to true show the user's own texts (station names, song
    // titles), which stay as they are even when they happen to read like a program text.
    static const char* const UserTextProperty;

    // previousSources: the tables' translation-to-source map from before the switch.
    explicit Retranslator(CLangManager::Table previousSources);

    // Every widget of the application, open or hidden.
    void applyToAll() const;
    void apply(QWidget* widget) const;
    void apply(QAction* action) const;
    // The text in the new language, or the text unchanged when it is no program text.
    QString again(const QString& shown) const;

private:
    void applyToItems(QWidget* widget) const;

    CLangManager::Table m_previousSources;
};
