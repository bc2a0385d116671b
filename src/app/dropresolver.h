#pragma once

// Turns what is dropped on (or pasted into) the main window into a station address: a text with
// an address, an Internet shortcut (".url") or a desktop link (".desktop"), or the first of a
// list of dropped files; a text in braces is a favourites list to import instead.
// Widget-free; any thread (it reads only the data handed to it and small local files).

#include <QString>

class QMimeData;

class DropResolver {
public:
    enum class Kind { Nothing, Address, FavoritesList };

    struct Result {
        Kind kind = Kind::Nothing;
        QString text;
    };

    static Result resolve(const QMimeData* data);
    // The address part of a dropped text ("http://..." or "mms://..." up to the first "|" or line
    // end); empty when the text holds none.
    static QString addressFromText(const QString& text);
    // The address a ".url" or ".desktop" file points at; empty when it holds none.
    static QString addressFromShortcutFile(const QString& path);
};
