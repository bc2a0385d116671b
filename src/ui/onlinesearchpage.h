#pragma once

#include <QWidget>

class AppSettings;
class OnlineDirectory;
class OnlineStationModel;
class Preset;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QTimer;
class QTreeView;
class StationIconCache;

// The "Online" page of the station pages: a name to search for, filters by country, tag, format
// and bitrate, the results of the online directory fetched page by page as the user scrolls, and
// a line saying what the directory is doing ("offline", "not answering"). Activating a station
// reports it like every other station list and counts the click.
// GUI thread; owned by the station pages.
class OnlineSearchPage : public QWidget {
    Q_OBJECT
public:
    // Pause after typing before the search is sent.
    static constexpr int kTypingPauseMs = 400;

    OnlineSearchPage(OnlineDirectory* directory, StationIconCache* icons,
                     QWidget* parent = nullptr);
    // The page with its own client of the servers the settings name (or DNS finds), its results
    // and its icon cache (beside the other data of a portable copy, else in the user's cache).
    static OnlineSearchPage* create(const AppSettings& settings, QWidget* parent);
    static QString iconFolder(const AppSettings& settings);

    QLineEdit* nameEdit() const { return m_editName; }
    QComboBox* countryFilter() const { return m_comboCountry; }
    QComboBox* tagFilter() const { return m_comboTag; }
    QComboBox* codecFilter() const { return m_comboCodec; }
    QComboBox* bitrateFilter() const { return m_comboBitrate; }
    QCheckBox* showBrokenBox() const { return m_checkBroken; }
    QTreeView* resultsView() const { return m_view; }
    QLabel* stateLabel() const { return m_labelState; }
    OnlineStationModel* model() const { return m_model; }

    // Searches for the text (as when it is typed in the name field) right away.
    void searchFor(const QString& name);
    // Sends the search the fields describe.
    void slot_search();

signals:
    void signal_itemActivated(Preset* preset);

protected:
    void showEvent(QShowEvent* event) override;

private:
    QWidget* makeFilterRow();
    void fillFilters();
    void showState();
    void activate(const QModelIndex& index);
    void showContextMenu(const QPoint& at);

    OnlineDirectory* m_directory;
    OnlineStationModel* m_model;
    QLineEdit* m_editName = nullptr;
    QComboBox* m_comboCountry = nullptr;
    QComboBox* m_comboTag = nullptr;
    QComboBox* m_comboCodec = nullptr;
    QComboBox* m_comboBitrate = nullptr;
    QCheckBox* m_checkBroken = nullptr;
    QTreeView* m_view = nullptr;
    QLabel* m_labelState = nullptr;
    QTimer* m_typingTimer = nullptr;
};
