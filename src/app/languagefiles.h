#pragma once

// The language files the program can offer: the ".lng" files of the shipped language folder and
// of the user's own, listed by the menu's rules (supplements, temporary files and the variants
// that share another file's texts are left out), with each language's display name and flag
// country. GUI thread; a plain value.

#include <QList>
#include <QString>
#include <QStringList>

class AppSettings;

class LanguageFiles {
public:
    struct Entry {
        QString fileName; // as stored in LanguageFile
        QString path;
        QString displayName; // untranslated: the file name up to its first "."
    };

    // Earlier folders win for a file found in several.
    explicit LanguageFiles(const QStringList& folders);
    // The user's language folder first, then the shipped one.
    static QStringList folders(const AppSettings& settings);

    // Sorted by file name.
    const QList<Entry>& entries() const { return m_entries; }
    // The path of the named file (case ignored, ".xml" read as ".lng"), empty when none.
    QString find(const QString& fileName) const;

    static bool isListed(const QString& fileName);
    static QString displayName(const QString& fileName);
    // The country whose flag stands for a language, empty when it has none.
    static QString flagCountry(const QString& displayName);
    // The name stored when LanguageFile is empty.
    static QString defaultFileName();

private:
    QList<Entry> m_entries;
};
