#include "app/windowcoverart.h"

#include "ui/coverartwindow.h"
#include "ui/nowplayingpanel.h"

#include <QImage>
#include <QToolButton>

WindowCoverArt::WindowCoverArt(QWidget* window, NowPlayingPanel* panel, CoverArt* lookup)
    : QObject(window), m_window(window), m_panel(panel), m_lookup(lookup) {
    connect(m_lookup, &CoverArt::sig_statusChanged, this, &WindowCoverArt::slot_statusChanged);
    connect(m_panel->coverButton(), &QToolButton::clicked, this,
            &WindowCoverArt::slot_showCoverWindow);
}

CoverArtWindow* WindowCoverArt::coverWindow() const {
    return m_dialog;
}

bool WindowCoverArt::isCoverOf(const BASS::Song& song) const {
    return m_lookup->Artist() == song.m_artist.trimmed() &&
           m_lookup->Title() == song.m_title.trimmed();
}

void WindowCoverArt::slot_statusChanged(CoverArt::status value) {
    if (value > CoverArt::StatusNotFound)
        return; // lyrics leave the cover as it is
    const QString file = value == CoverArt::StatusFound ? m_lookup->GetCoverArtFile() : QString();
    m_panel->showCover(file.isEmpty() ? QImage() : QImage(file));
    if (value == CoverArt::StatusNone)
        closeCoverWindow();
    emit sig_coverChanged(file);
}

void WindowCoverArt::slot_showCoverWindow() {
    if (!m_dialog)
        m_dialog = new CoverArtWindow(m_lookup, m_window);
    m_dialog->show();
    m_dialog->raise();
    m_dialog->activateWindow();
}

void WindowCoverArt::closeCoverWindow() {
    if (m_dialog)
        m_dialog->close();
}
