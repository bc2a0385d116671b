#pragma once

#include "stations/bramblerstations.h"

// The user's favourite stations, kept in "favorites.xml" in the data folder: groups of stations
// whose keys include title and group, so one stream can be a favourite twice. Saving keeps the
// previous file as "favorites_bak.xml". GUI thread; owned by the main window.
class Favorites : public BramblerStations {
    Q_OBJECT
public:
    explicit Favorites(QObject* parent = nullptr);

    bool isPersonal() const override { return true; }
    void reload() override;
    void write(QIODevice* device) override;

    // The list's file; the settings' favourites file unless one was set.
    QString fileName() const;
    void setFileName(const QString& fileName) { m_fileName = fileName; }

    // True when a favourite has exactly the title of preset.
    bool contains(const Preset& preset) const;
    // Files a copy of preset under its group name (or in the root group) and returns the new
    // record; a station without sources is not added (null). A favourite with the same key is
    // replaced, so editing a favourite and adding it again keeps one entry.
    Preset* add(const Preset& preset);
    // Drops the record from the list and from its group; the record is destroyed.
    void remove(Preset* preset);
    // Removes from the groups (and their sub-groups) every record that is no longer in byId.
    void pruneGroups(const GroupList& groups);
    // Writes the list to its file; false after showing the error.
    bool save();
    // Swaps the file and its backup and reloads; a second call swaps them back.
    void restoreBackup();

    // The first favourite with this keypad number (digit + 1), or null.
    Preset* findByKeyPad(int keyPadNum) const;
    // Every favourite in group order (the order of the menus and the editor).
    PresetList favorites() const;

private:
    // The first group of the root kind, where favourites without a group name are filed.
    Group* rootGroup();
    // The empty "Root" group that every reload adds at the end.
    Group* appendRootGroup();

    QString m_fileName;
};
