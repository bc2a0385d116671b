#include "ui/stationmenus.h"

#include "stations/countryflags.h"

#include <QCoreApplication>
#include <QMap>
#include <QMenu>
#include <algorithm>

StationMenus::StationMenus(RadioStations* list, QObject* parent) : QObject(parent), m_list(list) {}

QString StationMenus::menuText(const QString& text) {
    QString out = text;
    out.replace(QLatin1Char('&'), QStringLiteral("&&"));
    return out;
}

QString StationMenus::groupTitle(const Group& group) {
    const QByteArray name = group.name.toUtf8();
    const QString shown = QCoreApplication::translate("Countries", name.constData());
    return QStringLiteral("%1 (%2)").arg(shown).arg(group.stationTotal());
}

QString StationMenus::groupMenuTitle(const Group& group) {
    return menuText(groupTitle(group));
}

Preset* StationMenus::presetOf(const QAction* action) {
    return action ? action->data().value<Preset*>() : nullptr;
}

void StationMenus::emptyMenu(QMenu* menu) {
    menu->clear();
    const auto subMenus = menu->findChildren<QMenu*>(Qt::FindDirectChildrenOnly);
    for (QMenu* sub : subMenus)
        delete sub;
}

void StationMenus::fillOnFirstShow(QMenu* menu, const std::function<void()>& fill) {
    QObject::connect(menu, &QMenu::aboutToShow, menu, [menu, fill]() {
        const char* filled = "qwStationMenuFilled";
        if (menu->property(filled).toBool())
            return;
        menu->setProperty(filled, true);
        fill();
    });
}

void StationMenus::watch(QMenu* menu) {
    const char* watched = "qwStationMenuWatched";
    if (menu->property(watched).toBool())
        return;
    menu->setProperty(watched, true);
    connect(menu, &QMenu::triggered, this, [this, menu](QAction* action) {
        // A sub-menu's triggered signal also reaches every menu above it: answer only once.
        if (action->parent() != menu)
            return;
        if (Preset* p = presetOf(action))
            emit signal_itemActivated(p);
    });
}

QAction* StationMenus::addStation(QMenu* menu, Preset* preset) {
    QAction* action = menu->addAction(menuText(preset->title));
    if (m_list)
        action->setIcon(m_list->stationIcon);
    action->setData(QVariant::fromValue(preset));
    return action;
}

void StationMenus::addStations(QMenu* menu, RadioStations::PresetList stations,
                               qsizetype letterLimit) {
    if (m_sorted) {
        std::stable_sort(stations.begin(), stations.end(), [](const Preset* a, const Preset* b) {
            return a->title.compare(b->title, Qt::CaseInsensitive) < 0;
        });
    }
    stations.removeIf([](const Preset* p) { return p->title.isEmpty(); });
    if (stations.size() <= letterLimit) {
        for (Preset* p : std::as_const(stations))
            addStation(menu, p);
        return;
    }
    QMap<QString, QMenu*> letters;
    for (Preset* p : std::as_const(stations)) {
        const QString letter = p->title.left(1).toUpper();
        QMenu*& sub = letters[letter];
        if (!sub) {
            sub = menu->addMenu(menuText(letter));
            watch(sub);
        }
        addStation(sub, p);
    }
}

void StationMenus::fillGroup(QMenu* menu, Group* group) {
    if (m_list && m_list->showGroupsFirst) {
        addGroupMenus(menu, group->children);
        addStations(menu, group->stations, kLetterMenuLimit);
    } else {
        addStations(menu, group->stations, kLetterMenuLimit);
        addGroupMenus(menu, group->children);
    }
}

void StationMenus::addGroupMenu(QMenu* menu, Group* group) {
    QMenu* sub = menu->addMenu(groupMenuTitle(*group));
    sub->menuAction()->setData(QVariant::fromValue(group));
    if (group->icon)
        sub->setIcon(*group->icon);
    watch(sub);
    fillOnFirstShow(sub, [this, sub, group]() { fillGroup(sub, group); });
}

void StationMenus::addGroupMenus(QMenu* menu, const RadioStations::GroupList& groups) {
    for (const auto& g : groups)
        addGroupMenu(menu, g.get());
}

void StationMenus::buildGroupMenu(QMenu* menu, const RadioStations::GroupList& groups) {
    emptyMenu(menu);
    watch(menu);
    addGroupMenus(menu, groups);
}

QList<QPair<QString, RadioStations::PresetList>>
StationMenus::byCountry(const RadioStations::PresetList& stations) {
    QMap<QString, RadioStations::PresetList> countries;
    RadioStations::PresetList noCountry;
    for (Preset* p : stations) {
        if (p->country.isEmpty())
            noCountry << p;
        else
            countries[p->country] << p;
    }
    QList<QPair<QString, RadioStations::PresetList>> out;
    for (auto it = countries.cbegin(); it != countries.cend(); ++it)
        out.append({it.key(), it.value()});
    if (!noCountry.isEmpty())
        out.append({QString(), noCountry});
    return out;
}

void StationMenus::buildNameMenus(QMenu* menu, const QStringList& names,
                                  const std::function<void(QMenu*, const QString&)>& fill) {
    emptyMenu(menu);
    watch(menu);
    for (const QString& name : names) {
        QMenu* sub = menu->addMenu(menuText(name));
        watch(sub);
        fillOnFirstShow(sub, [this, sub, name, fill]() {
            if (m_list)
                fill(sub, name);
        });
    }
}

void StationMenus::buildGenreMenu(QMenu* menu, const QStringList& names) {
    buildNameMenus(menu, names, [this](QMenu* sub, const QString& name) {
        RadioStations::PresetList found;
        m_list->findByGenre(name, found);
        for (const auto& [country, stations] : byCountry(found)) {
            if (country.isEmpty()) {
                addStations(sub, stations, kLetterMenuLimit);
                continue;
            }
            QMenu* countryMenu = sub->addMenu(menuText(country));
            if (const QIcon* flag = CountryFlags::flagIcon(country))
                countryMenu->setIcon(*flag);
            watch(countryMenu);
            addStations(countryMenu, stations, kLetterMenuLimit);
        }
    });
}

void StationMenus::buildTextMenu(QMenu* menu, const QStringList& names) {
    buildNameMenus(menu, names, [this](QMenu* sub, const QString& name) {
        RadioStations::PresetList found;
        m_list->search(name, found);
        for (Preset* p : std::as_const(found)) {
            if (!p->title.isEmpty())
                addStation(sub, p);
        }
    });
}
