#pragma once

#include <QIcon>
#include <QString>

// The flag lookup: country name to flag icon from ":/QuillowaveWindow/Resources/Flags/". Its
// answer decides which directory groups are countries. Process-wide cache under its own lock (the
// directory is read on a worker thread); the icons are drawn on the GUI thread only and live
// until the process ends.
class CountryFlags {
public:
    // The flag of a country, or null when there is no flag resource for it.
    static const QIcon* flagIcon(const QString& name);

    // The resource name the lookup tries for a country name (short name and aliases applied).
    static QString resourceName(const QString& name);

    // Makes the resources of the station layer (flags, station and player icons) available. The
    // layer is a static library, so its resources must be pulled in explicitly once.
    static void initResources();
};
