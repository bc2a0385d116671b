#pragma once

// The wish list ("Recording list"): artist or track texts; a new song whose text contains one
// of them (as plain text, any case) is recorded. Kept in "wishlist.txt" in the data folder, one
// UTF-8 entry per line. GUI thread; owned by the main window.

#include <QString>
#include <QStringList>

class WishList {
public:
    static QString FileName() { return QStringLiteral("wishlist.txt"); }

    // Every non-empty line of the file; a missing file gives an empty list.
    void Load(const QString& path);
    // Each entry and "\n", in list order. On failure *error holds the path and the reason and
    // the list in memory stays.
    bool Save(const QString& path, QString* error) const;

    const QStringList& Entries() const { return m_entries; }
    void SetEntries(const QStringList& entries) { m_entries = entries; }
    bool IsEmpty() const { return m_entries.isEmpty(); }

    // The first entry found inside songText, ignoring case; -1 when none is.
    int Match(const QString& songText) const;
    // A title carrying an XML document is no song: it never starts a recording.
    static bool IsIgnoredTitle(const QString& rawTitle);

private:
    QStringList m_entries;
};
