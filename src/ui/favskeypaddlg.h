#pragma once

#include <QDialog>

class Favorites;
class QAbstractButton;
class QButtonGroup;

// Picks the keypad digit of a favourite: ten buttons "btKey0" to "btKey9", each telling in its
// tool tip which favourite already uses it or that it is available. GUI thread; created on the
// stack by the favourites editor.
class FavsKeyPadDlg : public QDialog {
    Q_OBJECT
public:
    explicit FavsKeyPadDlg(const Favorites& favorites, int keyPadNum = 0,
                           QWidget* parent = nullptr);

    // The chosen keypad number: digit + 1, or 0 when none was chosen.
    int keyPadNum() const { return m_keyPadNum; }
    QAbstractButton* keyButton(int digit) const;

private:
    QButtonGroup* m_buttons;
    int m_keyPadNum = 0;
};
