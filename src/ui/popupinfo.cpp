#include "ui/popupinfo.h"

#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <QTimer>
#include <QVBoxLayout>

PopupInfo::PopupInfo(QWidget* parent)
    : QWidget(parent, Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint),
      m_heading(new QLabel(this)), m_text(new QLabel(this)), m_hideTimer(new QTimer(this)) {
    setObjectName(QStringLiteral("PopupInfo"));
    setAttribute(Qt::WA_ShowWithoutActivating);
    QFont bold = m_heading->font();
    bold.setBold(true);
    m_heading->setFont(bold);
    m_text->setWordWrap(true);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(12, 10, 12, 10);
    layout->addWidget(m_heading);
    layout->addWidget(m_text);
    m_hideTimer->setSingleShot(true);
    connect(m_hideTimer, &QTimer::timeout, this, &QWidget::hide);
}

void PopupInfo::showMessage(const QString& heading, const QString& text, const QString& background,
                            const QString& headingColor, const QString& textColor) {
    setStyleSheet(QStringLiteral("QWidget { background-color: %1; }").arg(background));
    m_heading->setStyleSheet(
        QStringLiteral("QLabel { background-color: transparent; color: %1; }").arg(headingColor));
    m_text->setStyleSheet(
        QStringLiteral("QLabel { background-color: transparent; color: %1; }").arg(textColor));
    m_heading->setText(heading);
    m_text->setText(text);
    setFixedWidth(320);
    adjustSize();
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect free = screen->availableGeometry();
        move(free.right() - width() - 16, free.bottom() - height() - 16);
    }
    show();
    m_hideTimer->start(VisibleMs);
}

QString PopupInfo::heading() const {
    return m_heading->text();
}

QString PopupInfo::text() const {
    return m_text->text();
}

void PopupInfo::mousePressEvent(QMouseEvent*) {
    hide();
}
