#pragma once

// Where the program keeps the user's files and finds its own read-only ones. Installed: settings
// in $XDG_CONFIG_HOME/Quillowave, lists and logs in $XDG_DATA_HOME/Quillowave, caches in
// $XDG_CACHE_HOME/Quillowave, shipped files in <prefix>/share/quillowave. A portable copy keeps
// all of it beside itself. Any thread; a plain value.

#include <QString>

class UserFolders {
public:
    // programFolder with a trailing separator, as the settings store keeps it.
    UserFolders(const QString& programFolder, bool portable);

    // Each with a trailing separator and native separators.
    QString config() const;
    QString data() const;
    QString cache() const;
    QString bundled() const;

private:
    QString userFolder(int location, const QString& homeFallback) const;

    QString m_programFolder;
    bool m_portable;
};
