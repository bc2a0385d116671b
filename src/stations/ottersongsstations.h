#pragma once

#include "stations/importedstations.h"

// Reads the Ottersongs program's station list (".osd"): a compressed byte array in a Qt data
// stream whose text is a run of fields, each ended by a line feed or a tab, eight to a record
// (key, name, web site, genre, country, state, city, stream address). Consecutive records with
// the same key are one station with several addresses. GUI thread; owned like its base.
class OttersongsStations : public ImportedStations {
    Q_OBJECT
public:
    explicit OttersongsStations(QObject* parent = nullptr);

    void load(const QString& fileName) override;

    // The file's text: the records up to the first NUL character.
    static QString recordsText(const QByteArray& fileBytes);

private:
    void readRecords(QStringView text);
};
