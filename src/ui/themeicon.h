#pragma once

// Icons from the desktop theme, with the program's own resource pictures where the theme has
// none, so that a desktop without an icon theme still shows every button.
// GUI thread; static helpers, no state.

#include <QIcon>
#include <QString>

class ThemeIcon {
public:
    // The theme's icon of that name, else the first resource picture that exists, else none.
    static QIcon get(const QString& themeName, const QString& resource,
                     const QString& fallback = QString());
    // The path of one of the program's own pictures.
    static QString resource(const QString& fileName);
};
