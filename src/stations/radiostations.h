#pragma once

#include "stations/group.h"
#include "stations/preset.h"

#include <QHash>
#include <QIcon>
#include <QList>
#include <QMap>
#include <QObject>
#include <QSharedPointer>
#include <QStringList>
#include <QXmlStreamWriter>
#include <memory>

class QIODevice;
class QTextStream;

// A station list: owns its Preset records and Group tree and keeps the indexes by key and by
// address. Serves as the directory, and as the base of favourites, history and the importers.
// GUI thread; owned by the main window (or by whoever loads a list).
class RadioStations : public QObject {
    Q_OBJECT
public:
    using PresetList = QList<Preset*>;
    using GroupList = QList<QSharedPointer<Group>>;
    enum class MessageKind { Information, Critical };

    explicit RadioStations(QObject* parent = nullptr);
    ~RadioStations() override;

    virtual void clear();
    virtual bool isInformationText(const QString& text) const;
    virtual bool isInformationStation(const Preset& preset) const;
    virtual QStringList groupNames() const;
    virtual void exportPresets();
    virtual void load(const QString& fileName);
    virtual void reload();
    virtual void randomPreset(Preset& out) const;
    virtual void findByPreset(const Preset& preset, PresetList& out) const;
    virtual void findById(const QString& key, PresetList& out) const;
    virtual void findByUrls(const Preset& preset, PresetList& out) const;
    virtual void search(const QString& text, PresetList& out, const PresetList* subset = nullptr);
    virtual void findByTitle(const QString& stationTitle, PresetList& out,
                             const PresetList* list = nullptr) const;
    virtual void findByUrl(const QString& url, PresetList& out) const;
    virtual void findByCountry(const QString& countryName, PresetList& out,
                               const PresetList* subset = nullptr) const;
    virtual void findByGenre(const QString& genreText, PresetList& out,
                             const PresetList* subset = nullptr) const;
    virtual void matchPreset(Preset* preset, const QString& text, PresetList& out,
                             bool hideInformation) const;
    virtual void addPreset(const QString& key, Preset* preset);
    virtual bool isPersonal() const { return false; }
    virtual void removePreset(Preset* preset);
    virtual void removePresets(const PresetList& list);
    // The XML writer of device: the one of the document in progress, or a new one.
    QXmlStreamWriter& writerFor(QIODevice* device);
    // Ends the document in progress; false when the writer met an error on the way.
    bool finishWriting();
    virtual void writeBegin(QIODevice* device);
    virtual void writeEnd();
    virtual void write(QIODevice* device);
    virtual void writeGroups(QIODevice* device, const GroupList& groups);
    virtual void exportGroups(QTextStream& stream, const GroupList& groups);

    // Abbreviation to full name; filled by the first container constructed.
    static const QMap<QString, QString>& usStates();
    static const QMap<QString, QString>& canadaStates();
    static const QMap<QString, QString>& australiaStates();

    // Messages for the user go to message boxes while interactive (the default with a widget
    // application); every message is also kept in messages() and emitted.
    void setInteractive(bool on) { m_interactive = on; }
    // The message box of an interactive list, for a message kept while it was not.
    static void showMessageBox(MessageKind kind, const QString& text);
    const QStringList& messages() const { return m_messages; }

    int version = 0;
    bool showGroupsFirst = false;
    QIcon stationIcon;
    QIcon groupIcon;
    QString rootElementName = QStringLiteral("Quillowave");
    QStringList networks;
    QStringList genres;
    QStringList ethnicGenres;
    GroupList topGroups;
    QList<QSharedPointer<Preset>> allPresets;
    QHash<QString, Preset*> byId;
    QHash<QString, Preset*> byUrl;
    QMap<QString, int> countries;
    QMap<QString, QString> genreNames;

signals:
    void signal_Message(RadioStations::MessageKind kind, const QString& text);

protected:
    void report(MessageKind kind, const QString& text);

private:
    // What one search learns once and reuses for every record: the matcher of the text and the
    // answers for country names and groups, which many records share.
    struct SearchContext;
    // The searchable text of allPresets, folded once and kept between searches.
    struct SearchIndex;
    bool fieldMatches(const Preset& preset, SearchContext& context) const;
    void searchAll(SearchContext& context, PresetList& out, bool hideInformation);
    void match(Preset* preset, bool fieldHit, SearchContext& context, PresetList& out,
               bool hideInformation) const;

    bool m_interactive = true;
    QStringList m_messages;
    std::unique_ptr<SearchIndex> m_searchIndex;
    std::unique_ptr<QXmlStreamWriter> m_writer;
};
