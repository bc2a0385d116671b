#pragma once

// The program's own notification window: a heading and a text in the screen's lower right
// corner, coloured from the settings, hiding itself a few seconds after it is shown.
// GUI thread; created once and owned by the main window.

#include <QWidget>

class QLabel;
class QTimer;

class PopupInfo : public QWidget {
    Q_OBJECT
public:
    static constexpr int VisibleMs = 5000;

    explicit PopupInfo(QWidget* parent = nullptr);

    // Colours as style-sheet colour texts.
    void showMessage(const QString& heading, const QString& text, const QString& background,
                     const QString& headingColor, const QString& textColor);
    QString heading() const;
    QString text() const;

protected:
    void mousePressEvent(QMouseEvent* event) override;

private:
    QLabel* m_heading;
    QLabel* m_text;
    QTimer* m_hideTimer;
};
