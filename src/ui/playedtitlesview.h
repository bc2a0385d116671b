#pragma once

// The page of played songs beside the station history: newest first, with the time, station,
// song and recorded file of each, and the actions copy, search the web for the song and export
// the log as CSV (buttons and context menu). GUI thread; owned by the station pages.

#include <QWidget>

#include "recording/playedtitles.h"

class QTreeWidget;
class QUrl;

class PlayedTitlesView : public QWidget {
    Q_OBJECT
public:
    PlayedTitlesView(PlayedTitles* log, QWidget* parent = nullptr);

    QTreeWidget* list() const { return m_list; }
    // The entry of the selected row; false when none is selected.
    bool selectedEntry(PlayedTitles::Entry* entry) const;
    // The web search for a song's text.
    static QUrl searchUrl(const PlayedTitles::Entry& entry);

public slots:
    void refresh();
    void copySelected();
    void searchSelected();
    // Asks for a file name, unless one is given, and writes the log there as CSV.
    void exportCsv(const QString& path = QString());

signals:
    // Shown by the window: an export that failed, with its reason.
    void sig_message(const QString& text);

private:
    PlayedTitles* m_log; // the window's
    QTreeWidget* m_list;
};
