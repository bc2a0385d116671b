#pragma once

// The now-playing panel at the top of the main window: the station's flag, its name as a link to
// its web site, the song title in a larger font, the stream information, the song's cover (a
// button that opens the cover-art window), the button that reports a bad station and the two
// level meters. GUI thread; owned by the main window's layout.

#include <QFrame>

class PeakMeter;
class QImage;
class QLabel;
class QToolButton;

class NowPlayingPanel : public QFrame {
    Q_OBJECT
public:
    explicit NowPlayingPanel(QWidget* parent = nullptr);

    QLabel* stationLabel() const { return m_labelStation; }
    QLabel* songLabel() const { return m_labelSong; }
    QLabel* streamInfoLabel() const { return m_labelStreamInfo; }
    QToolButton* reportButton() const { return m_btReportBad; }
    QToolButton* coverButton() const { return m_btCover; }

    // The station line (rich text), its tool tip and the flag (none for an empty pixmap).
    void showStation(const QString& text, const QString& toolTip, const QPixmap& flag);
    void showSong(const QString& title);
    void showStreamInfo(const QString& text);
    // The song's cover; a null image hides it.
    void showCover(const QImage& cover);
    // Levels as the engine reports them, 0 to PeakMeter::MaximumLevel.
    void setLevels(int left, int right);
    void setMetersEnabled(bool enabled);
    void setMeterColors(const QColor& background, const QColor& top, const QColor& bottom);
    // Meters to the left of the texts, or to the right (the default).
    void placeMeters(bool onLeft);
    bool metersOnLeft() const;

private:
    QWidget* makeMeters();
    QLabel* makeSongLabel();

    QLabel* m_labelFlag;
    QLabel* m_labelStation;
    QLabel* m_labelSong;
    QLabel* m_labelStreamInfo;
    QToolButton* m_btReportBad;
    QToolButton* m_btCover;
    PeakMeter* m_peakLeft = nullptr;
    PeakMeter* m_peakRight = nullptr;
    QWidget* m_meters;
};
