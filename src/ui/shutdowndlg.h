#pragma once

// The sleep-timer dialog: how long to play on (the preset times) and what the computer does
// afterwards. Actions the machine does not allow are shown greyed out with the reason.
// GUI thread; shown modally by the main window, on its stack.

#include "recording/csystemshutdown.h"

#include <QDialog>

class QComboBox;
class QLabel;

class ShutdownDlg : public QDialog {
    Q_OBJECT
public:
    explicit ShutdownDlg(QWidget* parent = nullptr);

    // Selects the preset of that many seconds, the first ("Off") when none has it.
    void selectLength(int seconds);
    void selectAction(int code);
    int lengthSeconds() const;
    int action() const;

    // Fills the action list, each entry enabled per the machine's answer for it.
    static void fillActions(QComboBox* box, const CSystemShutdown& shutdown = CSystemShutdown());

private:
    QLabel* m_lblTime;
    QComboBox* m_cbTimer;
    QLabel* m_lblComputer;
    QComboBox* m_cbShutdown;
};
