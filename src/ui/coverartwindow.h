#pragma once

// The cover-art window: the song's cover in its full size, what the service told about its
// album, the lookup's status, and on request the song's lyrics and the artist's biography.
// It shows what the lookup reports and asks it for lyrics and biographies; no stale cover stays,
// as every status change redraws it from the lookup's current song.
// GUI thread; owned by the main window (a child dialog, not modal).

#include <QDialog>

class CoverArt;
class QLabel;
class QPushButton;
class QTextBrowser;

class CoverArtWindow : public QDialog {
    Q_OBJECT
public:
    static constexpr int CoverSide = 300;

    explicit CoverArtWindow(CoverArt* lookup, QWidget* parent = nullptr);

    QLabel* coverLabel() const { return m_cover; }
    QLabel* albumLabel() const { return m_album; }
    QLabel* statusLabel() const { return m_status; }
    QTextBrowser* textView() const { return m_text; }
    QPushButton* lyricsButton() const { return m_btLyrics; }
    QPushButton* artistInfoButton() const { return m_btArtistInfo; }

    // The album's details as rich text: artist, album, date, genre, price, tracks, store link.
    static QString albumText(const CoverArt& lookup);

public slots:
    void refresh();

private:
    void showResult(int type);

    CoverArt* m_lookup; // the engine's; outlives the window
    QLabel* m_cover;
    QLabel* m_album;
    QLabel* m_status;
    QTextBrowser* m_text;
    QPushButton* m_btLyrics;
    QPushButton* m_btArtistInfo;
};
