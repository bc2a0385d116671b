#pragma once

// Test helper: a small station directory built in memory, shaped like the real one:
//   Europe (region) > Germany (country, flag) > Bavaria (state)
//                   > Jazz Net (non-country group below the region)
//   North America  > USA > Texas
#include "stations/countryflags.h"
#include "stations/radiostations.h"

#include <QTranslator>

class SampleStations : public RadioStations {
public:
    SampleStations() { setInteractive(false); }

    Group* group(Group* parent, const QString& name, int kind) {
        auto g = QSharedPointer<Group>::create();
        g->name = name;
        g->title = name;
        g->kind = kind;
        g->parent = parent;
        g->icon = kind == Group::KindCountry ? CountryFlags::flagIcon(name) : &groupIcon;
        if (parent)
            parent->children << g;
        else
            topGroups << g;
        return g.get();
    }

    Preset* station(Group* g, const QString& title, const QString& genre,
                    const QString& city = QString()) {
        auto* p = new Preset;
        p->title = title;
        p->genre = genre;
        p->city = city;
        p->addSource(QStringLiteral("http://127.0.0.1/%1").arg(allPresets.size()));
        for (const Group* c = g; c; c = c->parent) {
            if (c->kind == Group::KindCountry) {
                p->country = c->name;
                p->flagIcon = CountryFlags::flagIcon(c->name);
                break;
            }
        }
        p->computeId(false);
        addPreset(p->id, p);
        g->stations << p;
        p->setGroup(g);
        return p;
    }

    void fill() {
        Group* europe = group(nullptr, QStringLiteral("Europe"), Group::KindTop);
        Group* germany = group(europe, QStringLiteral("Germany"), Group::KindCountry);
        Group* bavaria = group(germany, QStringLiteral("Bavaria"), Group::KindNone);
        Group* jazzNet = group(europe, QStringLiteral("Jazz Net"), Group::KindNone);
        Group* america = group(nullptr, QStringLiteral("North America"), Group::KindTop);
        Group* usa = group(america, QStringLiteral("USA"), Group::KindCountry);
        Group* texas = group(usa, QStringLiteral("Texas"), Group::KindNone);
        station(germany, QStringLiteral("ROCK ANTENNE"), QStringLiteral("Rock"));
        station(germany, QStringLiteral("Smooth Berlin"), QStringLiteral("Smooth Jazz Classics"),
                QStringLiteral("Berlin"));
        station(bavaria, QStringLiteral("Alpen Welle"), QStringLiteral("Folk"),
                QStringLiteral("Munich"));
        station(jazzNet, QStringLiteral("Jazz & Blues"), QStringLiteral("Jazz"));
        station(texas, QStringLiteral("Austin Tower Scanner"), QStringLiteral("Scanner"),
                QStringLiteral("Austin"));
        station(texas, QStringLiteral("KUT Austin"), QStringLiteral("Public Radio"),
                QStringLiteral("Austin"));
        genres = {QStringLiteral("Jazz"), QStringLiteral("Rock")};
        networks = {QStringLiteral("Austin")};
    }
};

// A language with a few names translated, context ignored as the program's translator does.
class SampleTranslator : public QTranslator {
public:
    QString translate(const char*, const char* source, const char* = nullptr,
                      int = -1) const override {
        const QByteArray s(source);
        if (s == "Germany")
            return QStringLiteral("Deutschland");
        if (s == "Europe")
            return QStringLiteral("Europa");
        return QString();
    }
    bool isEmpty() const override { return false; }
};
