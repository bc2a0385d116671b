#pragma once

#include "ui/stationmenus.h"

// The favourites menu: favourites of the root group listed directly, every other group as a
// "%1 (%2)" sub-menu; a group of 50 or more favourites is split by initial letter. GUI thread;
// owned by the main window.
class FavoritesMenus : public StationMenus {
    Q_OBJECT
public:
    static constexpr int kFavoritesLetterLimit = 49;

    using StationMenus::StationMenus;

    void buildGroupMenu(QMenu* menu, const RadioStations::GroupList& groups) override;

protected:
    void fillGroup(QMenu* menu, Group* group) override;
};
