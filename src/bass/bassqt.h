#pragma once

// The engine with its Qt face: the event signal, the one-second timer, the candidate stream
// URLs filled by the playlist readers, title processing, the queued error message and the cover-art
// lookup of each new song.
// Created on the GUI thread (its timer runs there); owned like CBass.

#include "bass/cbass.h"
#include "coverart/coverart.h"

#include <QStringList>

#include <atomic>

class AppSettings;
class QTimer;

namespace QT_EXT {
class UserPrompt;
}

namespace BASS {

class BassQt : public CBass {
    Q_OBJECT
public:
    explicit BassQt(QObject* parent = nullptr);
    ~BassQt() override;

    void Reset() override;
    bool ShowError(const QString& text, bool show) override;
    // 1 when the user wants the failed station reported, else 0.
    int ShowConnectError(bool askToReport) override;
    // Who shows the engine's errors and asks its questions (the engine shows no widget); without
    // one they go to the log and every question is answered no.
    void SetUserPrompt(QT_EXT::UserPrompt* prompt) { m_prompt = prompt; }
    void bassEvent(uint msg, uint param) override;
    bool ProcessMetaData(const RawTitle& raw) override;

    // Candidate stream URLs, tried in order by the connect thread.
    QStringList URLs() const { return m_urls; }
    void SetURLs(const QStringList& urls) { m_urls = urls; }

    // The playlist readers; the one-argument forms fill the candidate list.
    virtual void ParsePls(const QString& text, QStringList& urls);
    virtual void ParseAsx(const QString& text, QStringList& urls);
    virtual void ParseM3u(const QString& text, QStringList& urls);
    virtual void ParseMediaSrc(const QString& text, QStringList& urls);
    void ParsePls(const QString& text) { ParsePls(text, m_urls); }
    void ParseAsx(const QString& text) { ParseAsx(text, m_urls); }
    void ParseM3u(const QString& text) { ParseM3u(text, m_urls); }
    void ParseMediaSrc(const QString& text) { ParseMediaSrc(text, m_urls); }
    static bool IsPlaylistURL(const QString& url);

    CoverArt* GetCoverArt() const { return m_coverArt; }
    // Takes the cover-art options; from then on every new song's cover is looked up (unless the
    // source is switched off). Without this call the engine looks nothing up.
    void ConfigureCoverArt(const AppSettings& settings);
    // Whether each new song's cover is looked up.
    void SetCoverArtLookups(bool on) { m_lookUpCovers = on; }

signals:
    void sig_bassEvent(BASS::BassQt* stream, uint msg, uint param);
    // An error text the moment it is shown (the window shows a box, the command line prints).
    void sig_errorShown(BASS::BassQt* stream, const QString& text);
    void sig_coverArtReady(BASS::BassQt* stream, CoverArt::coverArtType type);
    void sig_coverArtStatusChanged(BASS::BassQt* stream, CoverArt::status value);

public slots:
    void slot_secondsTimerUpdate();
    void slot_showError();
    void slot_coverArtProcess(CoverArt::coverArtType type);
    void slot_coverArtStatusChanged(CoverArt::status value);

protected:
    // Per-second work of subclasses, run every second with the stream's state.
    virtual void OnSecondTick(DWORD state);
    void OnAfterStop() override;

private:
    // Written by the GUI thread before the connect thread starts; run() reads it there.
    QStringList m_urls;
    QT_EXT::UserPrompt* m_prompt = nullptr; // GUI thread only
    QTimer* m_secondsTimer = nullptr; // GUI thread only
    QStringList m_errorTexts; // GUI thread only
    CoverArt* m_coverArt; // child; GUI thread only
    std::atomic<bool> m_lookUpCovers{false}; // written by the GUI thread, read by the syncs
};

} // namespace BASS
