#pragma once

#include "stations/preset.h"

#include <QDialog>

class Favorites;
class QComboBox;
class QDoubleSpinBox;
class QLineEdit;
class QPlainTextEdit;

// Edits one favourite: name, web site, genre, group, stream addresses (one a line) and the
// recording split delay in seconds (0 to 9.9). GUI thread; created on the stack by its caller.
class FavoriteDlg : public QDialog {
    Q_OBJECT
public:
    FavoriteDlg(const Preset& preset, const QStringList& groupNames, QWidget* parent = nullptr);

    // The record as edited: a copy of the one given with the dialog's fields applied.
    Preset preset() const;

    // "Add to favorites": asks first when a favourite of that title exists, then opens the dialog
    // prefilled from station; on OK adds the result and saves. Returns the new favourite or null.
    static Preset* addToFavorites(Favorites& favorites, const Preset& station,
                                  QWidget* parent = nullptr);

    // Seconds as shown in the dialog to the stored milliseconds, and back.
    static int splitDelayMs(double seconds);
    static double splitDelaySeconds(int milliseconds);

    QLineEdit* nameEdit() const { return m_name; }
    QLineEdit* websiteEdit() const { return m_website; }
    QLineEdit* genreEdit() const { return m_genre; }
    QComboBox* groupBox() const { return m_group; }
    QPlainTextEdit* sourceEdit() const { return m_source; }
    QDoubleSpinBox* splitDelayBox() const { return m_splitDelay; }

public slots:
    // Accepts only with a name and at least one address; otherwise says what is missing.
    void accept() override;

signals:
    // The text that says why the dialog could not be accepted.
    void signal_Invalid(const QString& text);

private:
    Preset m_preset;
    QLineEdit* m_name;
    QLineEdit* m_website;
    QLineEdit* m_genre;
    QComboBox* m_group;
    QPlainTextEdit* m_source;
    QDoubleSpinBox* m_splitDelay;
};
