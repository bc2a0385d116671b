#pragma once

// Watches the titles of the playing stream for the wish list: a new song whose text contains a
// wished entry, while nothing is recorded, asks for a single-song recording. The window starts
// it (it knows the recording folder). GUI thread; owned by the main window.

#include "recording/wishlist.h"

#include <QObject>

class AppStream;

namespace BASS {
class BassQt;
}

class WishWatcher : public QObject {
    Q_OBJECT
public:
    WishWatcher(AppStream* engine, QObject* parent = nullptr);

    WishList& List() { return m_list; }

signals:
    // The song playing now contains entry: record it.
    void sig_recordWish(const QString& entry);

public slots:
    void slot_bassEvent(BASS::BassQt* stream, uint msg, uint param);

private:
    AppStream* m_engine; // the window's
    WishList m_list;
};
