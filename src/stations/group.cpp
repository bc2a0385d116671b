#include "stations/group.h"

QString Group::shortName(const QString& title) {
    const qsizetype paren = title.indexOf(QLatin1Char('('));
    if (paren >= 1)
        return title.left(paren).trimmed();
    return title;
}

int Group::stationTotal() const {
    int total = static_cast<int>(stations.size());
    for (const auto& child : children)
        total += child->stationTotal();
    return total;
}
