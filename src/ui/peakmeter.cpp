#include "ui/peakmeter.h"

#include <QLinearGradient>
#include <QPainter>

#include <algorithm>

PeakMeter::PeakMeter(QWidget* parent) : QWidget(parent) {
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Expanding);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void PeakMeter::setColors(const QColor& background, const QColor& top, const QColor& bottom) {
    if (background.isValid())
        m_background = background;
    if (top.isValid())
        m_top = top;
    if (bottom.isValid())
        m_bottom = bottom;
    update();
}

void PeakMeter::setLevel(int level) {
    const int clamped = std::clamp(level, 0, MaximumLevel);
    if (clamped == m_level)
        return;
    m_level = clamped;
    update();
}

QSize PeakMeter::sizeHint() const {
    return {10, 80};
}

QSize PeakMeter::minimumSizeHint() const {
    return {6, 24};
}

void PeakMeter::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QRect area = rect();
    const bool enabled = isEnabled();
    painter.fillRect(area, enabled ? m_background
                                   : palette().color(QPalette::Disabled, QPalette::Window));
    if (!enabled || m_level == 0)
        return;
    const int height = int(qint64(area.height()) * m_level / MaximumLevel);
    const QRect bar(area.left() + 1, area.bottom() - height + 1, area.width() - 2, height);
    QLinearGradient gradient(area.bottomLeft(), area.topLeft());
    gradient.setColorAt(0.0, m_bottom);
    gradient.setColorAt(1.0, m_top);
    painter.fillRect(bar, gradient);
}
