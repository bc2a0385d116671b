#pragma once

#include "stations/preset.h"

#include <QDialog>

class QLineEdit;
class QPlainTextEdit;

// The form the user fills to suggest a station, report one that fails or comment on one:
// name, stream addresses (one a line), a replacement address (report and comment), genre,
// country, state (suggestion), web site and comments, started from a station.
// GUI thread; created on the stack by its caller.
class StationFormDlg : public QDialog {
    Q_OBJECT
public:
    enum class Kind { Suggestion, Report, Comment };

    StationFormDlg(Kind kind, const Preset& station, QWidget* parent = nullptr);

    // The station as edited.
    Preset station() const;
    QString newUrl() const;
    QString comments() const;

    QLineEdit* nameEdit() const { return m_name; }
    QPlainTextEdit* sourceEdit() const { return m_sources; }
    QLineEdit* newUrlEdit() const { return m_newUrl; }
    QPlainTextEdit* commentsEdit() const { return m_comments; }

private:
    Preset m_station;
    QLineEdit* m_name;
    QPlainTextEdit* m_sources;
    QLineEdit* m_newUrl = nullptr;
    QLineEdit* m_genre;
    QLineEdit* m_country;
    QLineEdit* m_state = nullptr;
    QLineEdit* m_website;
    QPlainTextEdit* m_comments;
};
