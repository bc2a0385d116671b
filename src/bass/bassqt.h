#pragma once

// The engine with its Qt face: the event signal, the one-second timer, the candidate stream
// URLs filled by the playlist readers, title processing and the queued error box.
// Created on the GUI thread (its timer runs there); owned like CBass.

#include "bass/cbass.h"

#include <QStringList>

class QTimer;

namespace BASS {

class BassQt : public CBass {
    Q_OBJECT
public:
    explicit BassQt(QObject* parent = nullptr);
    ~BassQt() override;

    void Reset() override;
    bool ShowError(const QString& text, bool show) override;
    int ShowConnectError(bool askToReport) override;
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

signals:
    void sig_bassEvent(BASS::BassQt* stream, uint msg, uint param);
    // An error text the moment it is shown (the window shows a box, the command line prints).
    void sig_errorShown(BASS::BassQt* stream, const QString& text);

public slots:
    void slot_secondsTimerUpdate();
    void slot_showError();

protected:
    // Per-second work of subclasses, run every second with the stream's state.
    virtual void OnSecondTick(DWORD state);

private:
    // Written by the GUI thread before the connect thread starts; run() reads it there.
    QStringList m_urls;
    QTimer* m_secondsTimer = nullptr; // GUI thread only
    QStringList m_errorTexts; // GUI thread only
};

} // namespace BASS
