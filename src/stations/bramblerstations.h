#pragma once

#include "stations/radiostations.h"

class QXmlStreamReader;

// Reads station lists from XML (the gzip presets file, the ".qwd" form, plain XML and the
// personal lists), writes personal lists back, exports the directory as text and compresses a
// directory file. GUI thread; owned like its base.
class BramblerStations : public RadioStations {
    Q_OBJECT
public:
    explicit BramblerStations(QObject* parent = nullptr);

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
    void writeStation(const Preset& preset);
    // Saves the list to file without losing the old one; on failure reports the given text
    // (the open failure alone, the write failure with the system's reason) and returns false.
    bool saveReporting(const QString& file, const QString& openFailedText,
                       const QString& writeFailedText);

private:
    void read(QXmlStreamReader& reader, bool checkRoot);
    QString failureText(const QString& what, const QString& fileName, const QString& reason) const;
};
