#pragma once

// One level meter: a bar that fills from the bottom with a two-colour gradient, on a background
// colour; greyed while disabled. GUI thread; owned by the main window's layout.

#include <QColor>
#include <QWidget>

class PeakMeter : public QWidget {
    Q_OBJECT
public:
    // Levels as the engine reports them: 0 (silence) to 32768 (full scale).
    static constexpr int MaximumLevel = 32768;

    explicit PeakMeter(QWidget* parent = nullptr);

    void setColors(const QColor& background, const QColor& top, const QColor& bottom);
    void setLevel(int level);
    int level() const { return m_level; }
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int m_level = 0;
    QColor m_background = QColor(0x55, 0xaa, 0x7f);
    QColor m_top = QColor(0xff, 0xaa, 0x00);
    QColor m_bottom = QColor(0xff, 0xff, 0x7f);
};
