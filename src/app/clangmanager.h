#pragma once

// The translation tables of the whole process, filled from a ".lng" language file and its
// ".ex.lng" supplement. Every tr() of the program ends here through AppTranslator; the context
// is not part of the key, so one English text has one translation everywhere.
// Any thread may look up (under the tables' lock); loading happens on the GUI thread. One
// instance per process, created on first use.

#include <QHash>
#include <QReadWriteLock>
#include <QString>

class CLangManager {
public:
    using Table = QHash<QString, QString>;

    static CLangManager* instance();

    // Replaces the tables with the entries of the file (".xml" read as ".lng") and then those
    // of its supplement beside it, whose entries win. A file that cannot be opened is skipped.
    void load(const QString& fileName);
    // Empties the tables: every text shows in English.
    void clear();

    // The lookup behind tr(): the translation of the UTF-8 source, or the source itself; with
    // count >= 0, "%n" becomes the count and "%Ln" the count in the locale's notation.
    QString translate(const char* source, const char* disambiguation, int count) const;
    QString translated(const QString& text) const;
    bool hasTranslation(const QString& text) const;
    // The English text a translation was made from, or the text itself.
    QString sourceOf(const QString& text) const;
    // Translation back to source text, for re-applying texts already shown.
    Table sources() const;
    int count() const;
    // The file last loaded, empty while the program is in English.
    QString fileName() const;

    // Reads the entries of one language file's contents into table, later ones replacing
    // earlier ones. The file's one escape: "\n" stands for a line break.
    static void readEntries(const QByteArray& contents, Table& table);
    static QString supplementName(const QString& fileName);

private:
    CLangManager() = default;
    static void readFile(const QString& path, Table& table);

    mutable QReadWriteLock m_lock;
    Table m_translations; // guarded by m_lock
    Table m_sources;      // guarded by m_lock
    QString m_fileName;   // guarded by m_lock
};
