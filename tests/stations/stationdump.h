#pragma once

#include "stations/radiostations.h"

#include <QStringList>

// Test helper: a station list written as one line per group and per station, so that a table row
// can state the expected tree compactly.
//   group:   "G <path of names> k<kind> <f when it has a flag icon, else ->"
//   station: "S <title> c=<country> <f|-> <sources separated by blanks>"
inline void dumpGroups(const RadioStations::GroupList& groups, const QString& path,
                       QStringList& out) {
    for (const auto& g : groups) {
        const QString gpath = path.isEmpty() ? g->name : path + QLatin1Char('/') + g->name;
        const bool flag = g->icon && g->kind == Group::KindCountry;
        out << QStringLiteral("G %1 k%2 %3").arg(gpath).arg(g->kind).arg(flag ? "f" : "-");
        for (const Preset* p : std::as_const(g->stations)) {
            out << QStringLiteral("S %1 c=%2 %3 %4")
                       .arg(p->title, p->country, p->flagIcon ? "f" : "-",
                            p->sources.join(QLatin1Char(' ')));
        }
        dumpGroups(g->children, gpath, out);
    }
}

inline QStringList dumpStations(const RadioStations& list) {
    QStringList out;
    dumpGroups(list.topGroups, QString(), out);
    return out;
}
