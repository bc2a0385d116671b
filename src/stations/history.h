#pragma once

#include "stations/bramblerstations.h"

// The stations played most recently, most recent first, kept in "history.xml" in the data
// folder. The list is not trimmed in memory; only the first "MaxHistoryLength" entries are
// written and shown. GUI thread; owned by the main window.
class History : public BramblerStations {
    Q_OBJECT
public:
    explicit History(QObject* parent = nullptr);

    bool isPersonal() const override { return true; }
    void clear() override;
    void reload() override;
    void addPreset(const QString& key, Preset* preset) override;
    void writeGroups(QIODevice* device, const GroupList& groups) override;

    QString fileName() const;
    void setFileName(const QString& fileName) { m_fileName = fileName; }

    // Puts a copy of a played station at the front; an entry with the same key moves there
    // instead of being listed twice. Returns the new front record.
    Preset* add(const Preset& preset);
    // Writes the most recent entries to the file; false after showing the error.
    bool save();

    // The ordered list, most recent first.
    const QList<QSharedPointer<Preset>>& presets() const { return m_presets; }
    // The first "MaxHistoryLength" entries: what is written and shown.
    PresetList recent() const;

    // A record the main window may use freely (for example to prepare a station to play).
    Preset scratch;

private:
    QList<QSharedPointer<Preset>> m_presets;
    QString m_fileName;
};
