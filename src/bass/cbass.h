#pragma once

// The engine of one playable stream: owns the audio library's stream handle and everything
// that belongs to it (station, connected URL, header tags, songs, counters), wraps every library
// call behind a checked virtual operation and raises the numbered engine events.
// Created and driven on the GUI thread; opens run on the connect thread; the library's
// callbacks reach it on their own threads. Owned by the main window (or the command-line player).

#include "audio/bass.h"
#include "bass/headertags.h"
#include "bass/rawtitle.h"
#include "bass/song.h"
#include "bass/station.h"

#include <QMutex>
#include <QObject>
#include <QRecursiveMutex>
#include <QString>
#include <QStringList>
#include <QWaitCondition>

#include <atomic>

namespace BASS {

class CBass : public QObject {
    Q_OBJECT
public:
    // Which create call produced the handle; also the parameter of EVENT_CONNECTING.
    enum StreamKind {
        KindNone = 0,
        KindGeneric = 1,
        KindWma = 2,
        KindAac = 3,
        KindFlac = 5,
        KindMp4 = 6
    };

    static constexpr DWORD DefaultUrlFlags =
        BASS_UNICODE | BASS_STREAM_STATUS | BASS_STREAM_BLOCK | BASS_STREAM_AUTOFREE;
    static constexpr DWORD DecodeFileFlags = BASS_STREAM_DECODE | BASS_SAMPLE_FLOAT;
    static constexpr int PrebufferRounds = 80;
    static constexpr int PrebufferStepMs = 50;
    static constexpr int PrebufferPercent = 80;
    static constexpr int FadeStepMs = 100;

    explicit CBass(QObject* parent = nullptr);
    ~CBass() override;

    // Library start-up, once per process before any engine plays.
    static bool Init(int device, QString* errorText, uint netTimeoutSeconds, bool processPlaylists,
                     uint netBufferMs, const char* userAgent, const char* proxy);
    // The network time-out handed to Init for the user's time-out setting (seconds): half of it
    // above 20 s, else 0 (the library's default); out-of-range settings count as 0.
    static uint NetTimeoutSecondsForSetting(int timeoutSeconds);

    // Opening a stream, stopping it and aborting an open in progress.
    virtual bool OpenFile(const QString& path, DWORD flags, bool start);
    virtual bool OpenURL(const QString& url, DWORD flags = 0);
    virtual bool OpenURLs(const QStringList& urls, bool reverse);
    virtual bool OpenAndStartFile(const QString& path);
    virtual void Reset();
    virtual bool IsAborted() const { return m_aborted.load(); }
    virtual void ClearAbort() { m_aborted = false; }
    virtual void SetAbort() { m_aborted = true; }
    virtual void FadeOut(int ms);
    virtual QString DataFolder() const { return m_dataFolder; }
    virtual void SetDataFolder(const QString& folder) { m_dataFolder = folder; }

    // Playback settings and the state of the open stream.
    int StreamKindOf() const { return m_streamKind; }
    virtual bool IsGenericStream() const { return m_streamKind == KindGeneric; }
    virtual bool IsWmaStream() const { return m_streamKind == KindWma; }
    virtual bool IsAacStream() const { return m_streamKind == KindAac; }
    virtual void SetFadeInMs(int ms) { m_fadeInMs = ms; }
    virtual int FadeInMs() const { return m_fadeInMs; }
    virtual void SetFadeOutMs(int ms) { m_fadeOutMs = ms; }
    virtual int FadeOutMs() const { return m_fadeOutMs; }
    virtual void SetRetries(int retries) { m_retries = retries; }
    virtual int Retries() const { return m_retries; }
    virtual DWORD ActiveState() const;
    virtual bool IsPlaying() const { return ActiveState() == BASS_ACTIVE_PLAYING; }
    virtual bool IsStalled() const { return ActiveState() == BASS_ACTIVE_STALLED; }
    virtual bool IsPaused() const { return ActiveState() == BASS_ACTIVE_PAUSED; }
    virtual bool IsActive() const { return ActiveState() != BASS_ACTIVE_STOPPED; }
    virtual bool IsMuted() const { return m_muted; }
    virtual DWORD Version() const { return BASS_GetVersion(); }
    virtual quint64 BytesDownloaded() const;

    // The output device and the library as a whole, shared by every stream.
    virtual bool SetDevice(DWORD device) { return BASS_SetDevice(device); }
    virtual DWORD GetDevice() const { return BASS_GetDevice(); }
    virtual bool GetInfo(BASS_INFO& info) const { return BASS_GetInfo(&info); }
    virtual bool Update(DWORD length) { return BASS_Update(length); }
    virtual float GetCPU() const { return BASS_GetCPU(); }
    virtual bool Start() { return BASS_Start(); }
    virtual bool StopOutput() { return BASS_Stop(); }
    // "index: name" of every output device the library lists.
    static QStringList DeviceNames();

    // Checked wrappers of the library's channel calls; each fails without an open stream.
    virtual double Bytes2Seconds(QWORD bytes) const;
    virtual QWORD Seconds2Bytes(double seconds) const;
    virtual DWORD GetChannelDevice() const;
    virtual bool SetChannelDevice(DWORD device);
    virtual bool GetChannelInfo(BASS_CHANNELINFO& info) const;
    virtual BASS_CHANNELINFO ChannelInfo() const;
    virtual const char* GetTags(DWORD tags) const;
    virtual bool SetAttribute(DWORD attrib, float value);
    virtual bool GetAttribute(DWORD attrib, float& value) const;
    virtual BOOL Play(int fadeInMs);
    virtual BOOL PlayPlain();
    virtual BOOL Stop(int fadeOutMs);
    virtual BOOL StopPlain();
    virtual BOOL Pause();
    virtual void SetMute(bool mute, int fadeMs);
    virtual bool SlideAttribute(DWORD attrib, float value, DWORD timeMs);
    virtual bool IsSliding(DWORD attrib) const;
    virtual QWORD GetLength() const;
    virtual bool SetPosition(QWORD position);
    virtual QWORD GetPosition() const;
    virtual DWORD GetLevel() const;
    virtual DWORD GetData(void* buffer, DWORD length);
    virtual HSYNC SetSync(DWORD type, QWORD param, SYNCPROC* proc);
    virtual bool RemoveSync(HSYNC sync);
    virtual HDSP SetDSP(DSPPROC* proc, int priority);
    virtual bool RemoveDSP();
    virtual bool SetLink(DWORD channel);
    virtual bool RemoveLink(DWORD channel);
    virtual HFX SetFX(DWORD type, int priority);
    virtual bool RemoveFX();
    virtual HSTREAM GetHandle() const { return m_hStream.load(); }
    QWORD FilePosition(DWORD mode) const;
    virtual void SetMetaSyncs();
    virtual void SetStallSync();
    virtual void SetEndSync();

    // Texts for the display and for error reports, and reading them from the stream.
    virtual QString StationName(int maxLength = 0) const;
    virtual QString HeaderName() const;
    virtual HeaderTags Tags() const;
    virtual QString Genre() const;
    virtual int Bitrate() const;
    virtual QString BitrateText() const;
    virtual QString StreamFormatText() const;
    static QString ErrorText(int code);
    static QString ChannelTypeText(DWORD ctype);
    static QString ChannelFlagsText(DWORD flags);
    virtual void ReadTags();
    virtual void ReadStreamTitle();
    virtual void ReadHeaderTags();

    // Errors: the library's last error, and showing it or a connect failure to the user.
    virtual QString LastErrorText();
    virtual void RefreshLastError();
    virtual bool ShowError(const QString& text, bool show);
    virtual QString ConnectErrorText(bool askToReport) const;
    virtual int ShowConnectError(bool askToReport);

    // Raises a numbered engine event.
    virtual void bassEvent(uint msg, uint param);

    // Steps of starting playback once a stream is open.
    virtual void WaitForPrebuffer();
    virtual void CheckBitrate();

    // Hooks called by the create procedure and the library's callbacks. OnStreamData runs
    // on the download thread under m_metaMutex; overrides call the base first.
    virtual void OnAfterCreate();
    virtual void OnStreamData(const void* buffer, DWORD length);
    virtual void OnMetaSync();
    virtual void OnDownloadHeader(const char* lines);
    virtual void OnEndSync(DWORD data);
    virtual void OnStallSync(DWORD data);
    virtual void OnTitleChanged(const Song& previous);
    virtual void OnAborted();
    virtual void OnStarted();
    virtual void OnStop();
    virtual void OnAfterStop();
    virtual bool ProcessMetaData(const RawTitle& raw);

    // Readers for other threads: copies taken under the metadata mutex.
    Station GetStation() const;
    void SetStation(const Station& station);
    Song CurrentSong() const;
    Song PreviousSong() const;
    RawTitle LastRawTitle() const;
    int LastErrorCode() const { return m_lastErrorCode; }
    QString ConnectedURL() const;
    qint64 SecondsPlaying() const { return m_secondsPlaying; }
    // How long the last start of playback waited for the network buffer.
    int LastPrebufferMs() const { return m_lastPrebufferMs; }

protected:
    static void CALLBACK_Download(const void* buffer, DWORD length, void* user);
    static void CALLBACK_MetaSync(HSYNC handle, DWORD channel, DWORD data, void* user);
    static void CALLBACK_StallSync(HSYNC handle, DWORD channel, DWORD data, void* user);
    static void CALLBACK_EndSync(HSYNC handle, DWORD channel, DWORD data, void* user);

    // One decoder attempt: raises EVENT_CONNECTING with kind, stores handle and kind.
    bool TryCreate(StreamKind kind, const QString& url, DWORD flags, bool isFile);
    void MetadataHandler();
    // Waits ms in FadeStepMs steps, processing the calling thread's events.
    void WaitSteps(int ms);
    void ReleaseStream();

    std::atomic<HSTREAM> m_hStream{0};
    std::atomic<int> m_streamKind{KindNone};
    HDSP m_hDsp = 0;
    HFX m_hFX = 0;
    DWORD m_hRecordChannel = 0;
    std::atomic<bool> m_aborted{false};
    std::atomic<bool> m_openingFile{false};
    bool m_muted = false;
    bool m_floatOutput = true;
    int m_fadeInMs = 0;
    int m_fadeOutMs = 1000;
    int m_retries = 0;
    float m_savedVolume = 0.0F;
    std::atomic<int> m_lastErrorCode{0};
    QString m_lastErrorText;
    QString m_dataFolder;

    // Guarded by m_metaMutex: touched by the download, sync and connect threads.
    mutable QMutex m_metaMutex;
    BASS_CHANNELINFO m_channelInfo{};
    QString m_connectedUrl;
    Station m_station;
    HeaderTags m_headerTags;
    RawTitle m_rawTitle;
    Song m_currentSong;
    Song m_previousSong;
    quint64 m_bytesDownloaded = 0;
    qint64 m_bitrateCheckedAt = -1;

    std::atomic<qint64> m_secondsPlaying{0};
    std::atomic<qint64> m_secondsCounter2{0};
    std::atomic<int> m_lastPrebufferMs{0};

    // Serialises Stop between the GUI thread and the connect thread; recursive because the
    // fade-out processes events, which may stop again.
    QRecursiveMutex m_stopMutex;
    QMutex m_waitMutex;
    QWaitCondition m_waitCondition;
};

} // namespace BASS
