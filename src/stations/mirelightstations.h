#pragma once

#include "stations/importedstations.h"

// Reads the Mirelight program's station list (".mld"): one station per line, fields separated
// by tabs (name, description, genre, country, language, then stream addresses), grouped by
// country and state or by genre. GUI thread; owned like its base.
class MirelightStations : public ImportedStations {
    Q_OBJECT
public:
    explicit MirelightStations(QObject* parent = nullptr);

    void load(const QString& fileName) override;

    // The state or province written after the first comma of a North-American station's name,
    // as its full name where the abbreviation is known; empty when the name has no comma.
    static QString stateFromTitle(const QString& title);

private:
    void addLine(QStringView line);
};
