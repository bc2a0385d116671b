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

QString StationMenus::groupMenuTitle(const Group& group) {
    const QByteArray name = group.name.toUtf8();
    const QString shown = QCoreApplication::translate("Countries", name.constData());
    return QStringLiteral("%1 (%2)").arg(menuText(shown)).arg(group.stationTotal());
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

void StationMenus::addGroupMenus(QMenu* menu, const RadioStations::GroupList& groups) {
    for (const auto& g : groups) {
        QMenu* sub = menu->addMenu(groupMenuTitle(*g));
        sub->menuAction()->setData(QVariant::fromValue(g.get()));
        if (g->icon)
            sub->setIcon(*g->icon);
        watch(sub);
        Group* group = g.get();
        fillOnFirstShow(sub, [this, sub, group]() { fillGroup(sub, group); });
    }
}

void StationMenus::buildGroupMenu(QMenu* menu, const RadioStations::GroupList& groups) {
    emptyMenu(menu);
    watch(menu);
    addGroupMenus(menu, groups);
}

void StationMenus::buildGenreMenu(QMenu* menu, const QStringList& names) {
    emptyMenu(menu);
    watch(menu);
    for (const QString& name : names) {
        QMenu* sub = menu->addMenu(menuText(name));
        fillOnFirstShow(sub, [this, sub, name]() {
            if (!m_list)
                return;
            RadioStations::PresetList found;
            m_list->findByGenre(name, found);
            QMap<QString, RadioStations::PresetList> byCountry;
            RadioStations::PresetList noCountry;
            for (Preset* p : std::as_const(found)) {
                if (p->country.isEmpty())
                    noCountry << p;
                else
                    byCountry[p->country] << p;
            }
            for (auto it = byCountry.cbegin(); it != byCountry.cend(); ++it) {
                QMenu* countryMenu = sub->addMenu(menuText(it.key()));
                if (const QIcon* flag = CountryFlags::flagIcon(it.key()))
                    countryMenu->setIcon(*flag);
                watch(countryMenu);
                addStations(countryMenu, it.value(), kLetterMenuLimit);
            }
            addStations(sub, noCountry, kLetterMenuLimit);
        });
        watch(sub);
    }
}

void StationMenus::buildTextMenu(QMenu* menu, const QStringList& names) {
    emptyMenu(menu);
    watch(menu);
    for (const QString& name : names) {
        QMenu* sub = menu->addMenu(menuText(name));
        fillOnFirstShow(sub, [this, sub, name]() {
            if (!m_list)
                return;
            RadioStations::PresetList found;
            m_list->search(name, found);
            for (Preset* p : std::as_const(found)) {
                if (!p->title.isEmpty())
                    addStation(sub, p);
            }
        });
        watch(sub);
    }
}
