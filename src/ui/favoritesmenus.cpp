#include "ui/favoritesmenus.h"

#include <QMenu>

void FavoritesMenus::fillFavoritesGroup(QMenu* menu, Group* group) {
    addStations(menu, group->stations, kFavoritesLetterLimit);
    for (const auto& child : std::as_const(group->children)) {
        QMenu* sub = menu->addMenu(groupMenuTitle(*child));
        if (child->icon)
            sub->setIcon(*child->icon);
        watch(sub);
        Group* g = child.get();
        fillOnFirstShow(sub, [this, sub, g]() { fillFavoritesGroup(sub, g); });
    }
}

void FavoritesMenus::buildGroupMenu(QMenu* menu, const RadioStations::GroupList& groups) {
    emptyMenu(menu);
    watch(menu);
    for (const auto& g : groups) {
        if (g->kind == Group::KindRoot) {
            addStations(menu, g->stations, kFavoritesLetterLimit);
            continue;
        }
        QMenu* sub = menu->addMenu(groupMenuTitle(*g));
        sub->menuAction()->setData(QVariant::fromValue(g.get()));
        if (g->icon)
            sub->setIcon(*g->icon);
        watch(sub);
        Group* group = g.get();
        fillOnFirstShow(sub, [this, sub, group]() { fillFavoritesGroup(sub, group); });
    }
}
