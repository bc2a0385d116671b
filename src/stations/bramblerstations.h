#pragma once

#include "stations/radiostations.h"

class BusyCursor;
class QFile;
class QXmlStreamReader;
class QXmlStreamWriter;

// Reads station lists from XML (the gzip presets file, the ".qwd" form, plain XML and the
// personal lists), writes personal lists back, exports the directory as text and compresses a
// directory file. GUI thread; owned like its base.
class BramblerStations : public RadioStations {
    Q_OBJECT
public:
    explicit BramblerStations(QObject* parent = nullptr);

    void clear() override;
    void load(const QString& fileName) override;
    void reload() override;
    void exportPresets() override;
    void writeGroups(QIODevice* device, const GroupList& groups) override;
    void exportGroups(QTextStream& stream, const GroupList& groups) override;

    // Writes the XML file at inputPath as a ".qwd" file at outputPath.
    void compressPresets(const QString& inputPath, const QString& outputPath);

    // Inflates a gzip file into out; false when it cannot be opened or its data is not a valid
    // gzip stream. A file cut short gives true with what could be inflated.
    static bool gunzipFile(const QString& fileName, QByteArray& out);

protected:
    // One "Station" element with its "Source" children.
    static void writeStation(QXmlStreamWriter& writer, const Preset& preset);
    // Saves the list to file without losing the old one; on failure reports the given text with
    // the system's reason and returns false. A list read only in part leaves the backup alone.
    bool saveReporting(const QString& file, const QString& openFailedText,
                       const QString& writeFailedText);

private:
    // Makes room in the list and its indexes for that many more stations.
    void reserveFor(qsizetype stations);
    // Reads the stations of reader into the list; returns the reader's error text, empty when
    // the document was read to its end.
    QString read(QXmlStreamReader& reader, bool checkRoot);
    // Favourites and history: a file that fails to parse is set aside under a dated name.
    void loadPersonal(const QString& fileName, BusyCursor& busy);
    // The XML text of a ".qwd" file; empty when its sizes cannot be true.
    static QByteArray readCompressed(QFile& file);
    QString failureText(const QString& what, const QString& fileName, const QString& reason) const;

    // The list holds only the stations before an error in its file.
    bool m_partlyRead = false;
    // That file could not be set aside either: saving would replace it, so nothing is saved.
    bool m_keepFile = false;
};
