#pragma once

#include "stations/radiostations.h"

#include <QObject>
#include <QPointer>
#include <QStringList>

class QAction;
class QMenu;

// The search flow behind the search field and the search-results page: runs a search in one of
// its modes over the attached station list, keeps the result and the history of the last ten
// search texts (settings keys "00_Search" to "09_Search"). Widget-free, so the main window only
// wires it. GUI thread; owned by the main window.
class SearchController : public QObject {
    Q_OBJECT
public:
    enum Mode {
        ModeText = 0,      // typed text; words separated by blanks narrow each other
        ModeGenre = 2,     // stations whose genre contains the text
        ModeGroupName = 3, // stations of every group whose name contains the text
        ModeWhole = 4,     // the whole text once, not split
        ModeWholeAlt = 5,  // the same as ModeWhole
    };
    static constexpr int kHistorySize = 10;

    explicit SearchController(QObject* parent = nullptr);

    // The list searched. Until one is attached, search() attaches the fallback (the directory).
    void setList(RadioStations* list) { m_list = list; }
    RadioStations* list() const { return m_list; }
    void setFallbackList(RadioStations* list) { m_fallback = list; }

    // Runs a search; false (nothing done) while another search runs or when no list exists.
    bool search(const QString& text, int mode);
    // The search of the "Search similar" action: its caption without the words "Search for".
    bool searchSimilar(const QString& caption);

    bool isBusy() const { return m_busy; }
    const QString& text() const { return m_text; }
    int mode() const { return m_mode; }
    const RadioStations::PresetList& results() const { return m_results; }
    // "%1 %2": the number of stations shown and the word "stations".
    QString countText() const;

    // Search history, most recent first; read from and written to the settings.
    const QStringList& history() const { return m_history; }
    // The mode an entry of the history was searched with; entries read from the settings were
    // typed in the search field.
    int historyMode(qsizetype index) const { return m_historyModes.value(index, ModeText); }
    // Empties menu and lists the search history in it, each entry carrying its text and mode.
    void buildSearchMenu(QMenu* menu) const;
    void loadHistory();
    void saveHistory() const;
    static QString historyKey(int index);

    // The search of one mode over a list, without history or signals.
    static RadioStations::PresetList find(RadioStations& list, const QString& text, int mode);

public slots:
    // Empties the text and the results; the count shows 0 stations.
    void slot_clearSearch();
    // Repeats the search of an entry of the search menu.
    void slot_menuSearch(QAction* action);

signals:
    // Before the search runs: the main window switches to the results page.
    void signal_Started(const QString& text, int mode);
    // After it ran: the list to show (an empty text shows the whole list again).
    void signal_Finished(const RadioStations::PresetList& results);
    void signal_Cleared();
    void signal_CountChanged(const QString& countText);
    void signal_HistoryChanged(const QStringList& history);

private:
    void remember(const QString& text, int mode);

    QPointer<RadioStations> m_list;
    QPointer<RadioStations> m_fallback;
    RadioStations::PresetList m_results;
    QStringList m_history;
    QList<int> m_historyModes; // parallel to m_history
    QString m_text;
    int m_mode = ModeText;
    bool m_busy = false;
};
