#include "recording/wishwatcher.h"

#include "bass/bassevents.h"
#include "recording/appstream.h"

WishWatcher::WishWatcher(AppStream* engine, QObject* parent)
    : QObject(parent), m_engine(engine) {
    connect(engine, &BASS::BassQt::sig_bassEvent, this, &WishWatcher::slot_bassEvent);
}

void WishWatcher::slot_bassEvent(BASS::BassQt* stream, uint msg, uint param) {
    Q_UNUSED(stream);
    Q_UNUSED(param);
    if (msg != BASS::EVENT_META_CHANGED || m_list.IsEmpty())
        return;
    if (WishList::IsIgnoredTitle(m_engine->LastRawTitle().m_complete))
        return;
    const int found = m_list.Match(m_engine->CurrentSong().Text());
    if (found >= 0 && !m_engine->IsRecording())
        emit sig_recordWish(m_list.Entries().at(found));
}
