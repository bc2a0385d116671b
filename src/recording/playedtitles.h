#pragma once

// The log of played titles: every song the program plays, with its time, station, artist,
// title and the file it was recorded to, kept in "playedtitles.tsv" in the data folder (one
// tab-separated UTF-8 line per song, oldest first) and bounded to the latest MaxEntries songs.
// A new song is appended; the file is replaced whole (never half written) when a song's file is
// noted and when a quarter more lines than it keeps have piled up. GUI thread; owned by the main
// window.

#include <QDateTime>
#include <QList>
#include <QObject>
#include <QString>

class PlayedTitles : public QObject {
    Q_OBJECT
public:
    struct Entry {
        QDateTime time;
        QString station;
        QString artist;
        QString title;
        QString file; // empty when the song was not recorded
        bool operator==(const Entry& other) const = default;
    };

    static constexpr int MaxEntries = 2000;
    static QString FileName() { return QStringLiteral("playedtitles.tsv"); }

    explicit PlayedTitles(QObject* parent = nullptr);

    // Reads the log at path (a missing file is an empty log) and saves to it from now on.
    void Load(const QString& path);
    const QList<Entry>& Entries() const { return m_entries; }

    // A new song; the oldest goes when the log is full.
    void Add(const Entry& entry);
    // The latest song of station was recorded to file.
    void SetRecordedFile(const QString& station, const QString& artist, const QString& title,
                         const QString& file);

    // The entries as CSV (a header row, then one row per song, fields quoted where needed).
    static QByteArray Csv(const QList<Entry>& entries);
    bool ExportCsv(const QString& path, QString* error) const;
    // "Artist - Title", or the one that is not empty.
    static QString SongText(const Entry& entry);

signals:
    void sig_changed();
    // The log could not be written; the entries in memory stay.
    void sig_saveFailed(const QString& message);

private:
    void Save();
    void Append(const Entry& entry);
    static QByteArray Line(const Entry& entry);

    QString m_path;
    int m_linesInFile = 0;
    QList<Entry> m_entries; // oldest first
};
