#pragma once

// The station pages of the main window, one shown at a time: the directory tree, the favourites,
// the stations played recently, the search results with the number found below them and the
// online directory. Each page reports the station the user activates.
// GUI thread; owned by the main window's layout.

#include <QStackedWidget>

class AppSettings;
class History;
class Preset;
class OnlineSearchPage;
class PlayedTitles;
class PlayedTitlesView;
class QLabel;
class QPushButton;
class QTreeWidget;
class RadioStations;
class StationTreeView;
class TreeStations;

class StationPages : public QStackedWidget {
    Q_OBJECT
public:
    enum Page {
        PageDirectory = 0,
        PageFavorites = 1,
        PageHistory = 2,
        PageSearch = 3,
        PageOnline = 4
    };

    // The history page lists the entries of history.
    StationPages(History* history, QWidget* parent = nullptr);

    StationTreeView* directoryView() const { return m_treeStations; }
    StationTreeView* favoritesView() const { return m_treeFavorites; }
    QTreeWidget* historyView() const { return m_treeHistory; }
    TreeStations* searchView() const { return m_treeSearch; }
    QLabel* searchCountLabel() const { return m_labelSearchCount; }
    // Below the search results: the same search in the online directory.
    QPushButton* searchOnlineButton() const { return m_btSearchOnline; }
    OnlineSearchPage* onlinePage() const { return m_onlinePage; }
    // Adds the online directory's page; its stations are reported like every other.
    void setOnlinePage(OnlineSearchPage* page);

    // The played songs beside the stations played: the history page becomes two tabs.
    PlayedTitlesView* setPlayedTitles(PlayedTitles* log);

    void showFavorites(RadioStations* favorites);
    // Lists the history's entries again, most recent first.
    void showHistory();
    // True for a page or one of the station lists.
    bool contains(const QWidget* widget) const;
    // The widths of the directory's columns as the user left them.
    void loadColumnWidths(const AppSettings& settings);
    void saveColumnWidths(AppSettings& settings) const;

signals:
    void signal_itemActivated(Preset* preset);
    void signal_searchOnline();
    // The user asked to schedule a station of one of the lists.
    void signal_scheduleStation(Preset* preset);

private:
    QTreeWidget* makeHistoryPage();
    QWidget* makeSearchPage();
    void offerScheduleMenu(StationTreeView* view);

    History* m_history; // the window's
    StationTreeView* m_treeStations;
    StationTreeView* m_treeFavorites;
    QTreeWidget* m_treeHistory = nullptr;
    TreeStations* m_treeSearch = nullptr;
    QLabel* m_labelSearchCount = nullptr;
    QPushButton* m_btSearchOnline = nullptr;
    OnlineSearchPage* m_onlinePage = nullptr;
};
