#pragma once

#include <QIcon>
#include <QList>
#include <QSharedPointer>
#include <QString>

class Preset;

// One node of the station tree: a world region, a country, a state or a user group, with its
// stations and sub-groups. GUI thread. Owned by its parent's children list or the container.
class Group {
public:
    enum Kind { KindNone = 0, KindRoot = 1, KindTop = 2, KindCountry = 3 };

    QList<QSharedPointer<Group>> children;
    QList<Preset*> stations;
    Group* parent = nullptr;
    const QIcon* icon = nullptr;
    QString name;
    QString title;
    int kind = KindNone;
    int stationCount = 0;

    // The title up to its first "(" (when that is not the first character), trimmed.
    static QString shortName(const QString& title);

    // Stations in this group and, recursively, in all its sub-groups.
    int stationTotal() const;
};
