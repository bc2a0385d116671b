#pragma once

// The main window's language: installs the program's translator and loads the chosen language
// before the window builds its texts, offers the language files found in the Settings menu, and
// switches at once when one is picked, re-applying the texts of every open window.
// GUI thread; owned by the main window.

#include "app/languagefiles.h"

#include <QObject>

class AppSettings;
class QAction;
class QActionGroup;
class QMenu;

class WindowLanguage : public QObject {
    Q_OBJECT
public:
    WindowLanguage(AppSettings* settings, QObject* parent);

    // Adds the "Language" menu to parent; the window fills it when it first opens.
    QMenu* addMenu(QMenu* parent);
    QMenu* menu() const { return m_menu; }
    const LanguageFiles& files() const { return m_files; }
    // Fills the menu with one checkable entry per language file, when it is still empty.
    void buildMenu();
    // Loads the file of the menu entry, re-applies every text shown and stores the choice.
    void switchTo(QAction* action);
    void switchTo(const LanguageFiles::Entry& entry);

    // After "/lang=": when the stored language file is not found, the program stays in English
    // and the returned message says so; empty when the file is there.
    static QString fallBackToEnglish(AppSettings* settings);

signals:
    void signal_langChanged();

private:
    QString currentFileName() const;

    AppSettings* m_settings; // the program's
    LanguageFiles m_files;
    QMenu* m_menu = nullptr;
    QActionGroup* m_group = nullptr;
};
