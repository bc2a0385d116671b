#pragma once

// Addresses the user hands the main window: typed into the Open URL box or dropped on the window
// (text, links, shortcut files). A dropped address is confirmed in the same box and played a
// moment later, once the drag has ended.
// GUI thread; owned by the main window.

#include "stations/preset.h"

#include <QObject>

class QMimeData;
class QuillowaveWindow;

class WindowAddressInput : public QObject {
    Q_OBJECT
public:
    explicit WindowAddressInput(QuillowaveWindow* window);

    // Asks for an address, offering the one dropped last, and plays it.
    void openUrl();
    // Resolves what was dropped; with showFormats it first lists the data's formats.
    void drop(const QMimeData* mime, bool showFormats);
    // Plays the address confirmed after a drop, once.
    void playPending();

private:
    // The address the user confirms or edits; empty when they cancel.
    QString askAddress(const QString& offered);

    QuillowaveWindow* m_window; // the owner
    Preset m_pendingStation;
};
