#pragma once

#include "stations/preset.h"

#include <QByteArray>
#include <QFile>
#include <QString>

// Test helpers for the personal lists: a station as the user adds one, and a file's bytes.
inline Preset station(const QString& title, const QString& sources,
                      const QString& group = QString()) {
    Preset p;
    p.title = title;
    p.addSource(sources);
    if (!group.isEmpty())
        p.groupName = group;
    p.computeId(false);
    return p;
}

inline QByteArray readFile(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

inline bool writeFile(const QString& path, const QByteArray& data) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(data) == data.size();
}
