#pragma once

// One shared copy of each distinct text read from a list: the genres, languages and cities that
// thousands of stations repeat then cost one allocation each rather than one per station.
// Used by one thread at a time; owned by whoever reads a list, for the length of the reading.

#include <QHash>
#include <QString>
#include <QStringView>

class StringPool {
public:
    // The shared copy of text; an empty text gives the null string.
    QString get(QStringView text);

private:
    // Each key views the data of its own value, which stays where it is while the value lives.
    QHash<QStringView, QString> m_strings;
};
