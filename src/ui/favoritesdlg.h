#pragma once

#include "stations/preset.h"

#include <QDialog>
#include <QPointer>

class Favorites;
class QListWidget;
class QPushButton;

// The favourites editor ("Edit Favorites"): lists every favourite, edits one in FavoriteDlg,
// removes one, sets or removes its keypad shortcut and hands it to the scheduler. Every change is
// saved at once. GUI thread; owned by the main window.
class FavoritesDlg : public QDialog {
    Q_OBJECT
public:
    explicit FavoritesDlg(Favorites* favorites, QWidget* parent = nullptr);

    // Fills the list again from the favourites, keeping the selection where it can.
    void refresh();
    Preset* selectedFavorite() const;
    void selectFavorite(const Preset* preset);
    QListWidget* listWidget() const { return m_list; }

    // The list text of a favourite: its title, and its group in brackets unless that is the
    // root group.
    static QString itemText(const Preset& preset);

public slots:
    void slot_Edit();
    void slot_Remove();
    // Removes the selected favourite's shortcut, or opens the keypad dialog when it has none.
    void slot_KeyPad();
    void slot_Schedule();

signals:
    // The favourites changed and were saved: menus and views need rebuilding.
    void signal_FavoritesChanged();
    void signal_Schedule(Preset* preset);
    void signal_itemActivated(Preset* preset);

private:
    void updateButtons();
    void changed(const Preset* select);

    QPointer<Favorites> m_favorites;
    QListWidget* m_list;
    QPushButton* m_edit;
    QPushButton* m_remove;
    QPushButton* m_keyPad;
    QPushButton* m_schedule;
};
