#include "ui/favoritesmenus.h"

#include <QMenu>

void FavoritesMenus::fillGroup(QMenu* menu, Group* group) {
    addStations(menu, group->stations, kFavoritesLetterLimit);
    addGroupMenus(menu, group->children);
}

void FavoritesMenus::buildGroupMenu(QMenu* menu, const RadioStations::GroupList& groups) {
    emptyMenu(menu);
    watch(menu);
    for (const auto& g : groups) {
        if (g->kind == Group::KindRoot)
            addStations(menu, g->stations, kFavoritesLetterLimit);
        else
            addGroupMenu(menu, g.get());
    }
}
