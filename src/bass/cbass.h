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
#include "bass/sounddevice.h"
#include "bass/station.h"
#include "recording/crecord.h"
#include "recording/oggpager.h"
#include "recording/recordingcodes.h"

#include <QByteArray>
#include <QMutex>
#include <QObject>
#include <QRecursiveMutex>
#include <QString>
#include <QStringList>
#include <QSet>
#include <QWaitCondition>

#include <atomic>
#include <functional>

namespace BASS {

class CBassCompressor;

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
    // True once Init has succeeded in this process; the library's settings outlive a later
    // restart on another device. Until then the window program sends the library nothing, as it
    // loads the library only once its window is on screen.
    static bool WasStarted();
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
    virtual void ClearAbort();
    // Any thread: also ends a create in progress at once.
    virtual void SetAbort();
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
    // The DSP callback's work on the channel's decoding thread (32-bit float samples, length in
    // bytes): the recording's samples hook (OnSampleData); subclasses add their stages after it.
    // Neither this nor an override may allocate or block.
    virtual void ProcessDSP(HDSP handle, DWORD channel, float* samples, DWORD length);

    // Sound processing: the engine's own DSP callback, the compressor and the devices.
    // Installs the DSP callback when it is not installed yet; requires a stream.
    virtual bool InstallDSP();
    bool HasDSP() const { return m_hDsp != 0; }
    // Creates the compressor effect when there is none, then gives it the preset's values.
    virtual bool SetCompressor(const CBassCompressor& preset);
    HFX CompressorHandle() const { return m_hFX; }
    // Every output device the library lists, from 0 ("No sound") on.
    static QList<SoundDevice> OutputDevices();
    // The index of the first recording device of that name; -1 when none (or the name is empty).
    static int RecordDeviceIndex(const QString& name);
    static QString RecordDeviceName(int index);

    // Recording (cbassrecording.cpp: the file, the song buffer and the data paths;
    // cbassencoders.cpp: the encoder programs, their command lines and the WMA encoder)
    virtual void ReportRecordingError(int code, const QString& detail);
    virtual void CheckEncoder();
    virtual bool IsDirectFormat(int streamFormat, int requestedFormat) const;
    virtual bool IsRecording() const;
    virtual bool IsBuffering() const;
    virtual void RestartRecording();
    virtual void MakeFileName(QString& path, int splitMode);
    virtual bool StartRecordingInFolder(const QString& folder, int format);
    virtual bool StartSplitRecording(const QString& folder, int format);
    virtual bool StartUnsplitRecording(const QString& folder, int format);
    virtual bool StartRecordingToFile(QString& path, int splitMode, int format);
    virtual bool StartSplitRecordingToFile(QString& path, int format);
    virtual bool StartUnsplitRecordingToFile(QString& path, int format);
    virtual bool RecordSameFormat(const QString& path, int splitMode);
    virtual void StopRecording();
    virtual quint64 BytesRecorded() const { return m_record.BytesWritten(); }
    virtual QString EncoderProgram(int format) const;
    virtual DWORD EncoderFlags(int format) const;
    virtual ENCODEPROC* EncoderCallback() const;
    virtual bool StartFlac(const QString& path, const QString& params);
    virtual bool StartWma(const QString& path);
    virtual bool StartMp3(const QString& path, const QString& params);
    virtual bool StartAac(const QString& path, const QString& params);
    virtual bool StartOgg(const QString& path, const QString& params);
    virtual bool StartEncoder(const QString& cmdline, const QString& path, DWORD flags, int format);
    virtual bool EncoderExists(const QString& programPath) const;
    virtual QString RecordingExtension(bool withDot) const;
    virtual QString RecordingErrorText(int code) const;
    virtual void OnSampleData(DWORD handle, DWORD channel, void* data, DWORD length);
    virtual bool OnEncodedData(DWORD handle, const void* data, DWORD length);
    virtual void OnRecordingStarted() {}
    // A recorded file is complete and closed (a split's part, or the end of the recording).
    virtual void OnRecordingClosed(const QString& path) { Q_UNUSED(path); }
    virtual void OnBeforeStopRecording() {}
    virtual void OnAfterStopRecording() {}
    virtual void OnEncoderParameters(QString& params, int format);
    virtual void OnWmaParameters(CEncoderParams& params);
    virtual void OnSplitFile(const Song& song);
    virtual void SplitNow();
    // The split delay the cut of a direct copy waits for after the title's byte (any thread).
    virtual int CutDelayMs() const { return 0; }
    // Runs a split or stop of a direct copy once the file has ended at its title change's cut;
    // anything else at once (GUI thread).
    void RunAtCut(const std::function<void()>& action);
    // The song that begins the file a split opens: the one whose title change made the cut,
    // else the current song (GUI thread).
    Song SongForNextFile() const;
    virtual DWORD GetEncoderHandle() const { return m_hStream.load(); }

    // The recording's state and settings.
    CRecord& Record() { return m_record; }
    const CRecord& Record() const { return m_record; }
    int SplitModeOf() const { return m_splitMode; }
    void SetSplitMode(int mode) { m_splitMode = mode; }
    bool SingleSong() const { return m_singleSong; }
    void SetSingleSong(bool single) { m_singleSong = single; }
    int RequestedFormat() const { return m_requestedFormat; }
    void ClearDirectFormats() { m_directFormats.clear(); }
    void AddDirectFormat(int format) { m_directFormats.insert(format); }
    int Mp3Bitrate() const { return m_mp3Bitrate; }
    void SetMp3Bitrate(int kbps) { m_mp3Bitrate = kbps; }
    void SetRecBufferCapacity(quint32 bytes) { m_record.Recording().SetCapacity(bytes); }
    QString RecordingPath() const;
    QString RecordingFolder() const { return m_recordingFolder; }
    void SetRecordingFolder(const QString& folder) { m_recordingFolder = folder; }
    // Splits now: a direct copy at the next frame boundary, an encoded one at once.
    void SplitAtNextFrame();
    quint32 WriteFailures() const { return m_writeFailures.load(); }
    static QString EncoderFolder();
    static void SetEncoderFolder(const QString& folder);
    // The stream's own recording format from its channel type (REC_FORMAT_*).
    virtual int StreamRecordingFormat() const;
    // Per-second counters of the recording, while the stream plays.
    void TickRecordingSeconds();

    // Command lines of the external encoders, without the program: built from the stream's
    // sample rate and channel count, or replaced by a user text where the format allows.
    static QString Mp3Parameters(int& bitrate, DWORD sampleRate, DWORD channels,
                                 const QString& params);
    static QString OggParameters(int stationBitrate, DWORD sampleRate, DWORD channels,
                                 const QString& params);
    static QString FlacParameters(DWORD sampleRate, DWORD channels, const QString& params);
    static QString AacParameters(const QString& program, DWORD sampleRate, DWORD channels,
                                 const QString& params);

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
    static void CALLBACK_Encoder(HENCODE handle, DWORD channel, const void* buffer, DWORD length,
                                 void* user);
    static void CALLBACK_SampleData(HDSP handle, DWORD channel, void* buffer, DWORD length,
                                    void* user);
    // Writes a block of the recording and counts it; false after the third failure in a row.
    enum class WriteOutcome { Written, Failed, FailedThrice };
    WriteOutcome WriteRecordingBlock(const void* data, DWORD length);
    QString EncoderProgramPath(const QString& program) const;
    bool RequireEncoder(const QString& program);
    bool StartExternal(int format, const QString& program, const QString& path, QString params);
    // The rate and channels the encoders are fed, CD format while the stream has not said.
    struct EncoderInput {
        DWORD rate;
        DWORD channels;
    };
    EncoderInput EncoderInputFormat() const;
    int ConstantWmaRate(DWORD rate, DWORD channels, int streamKbps, int bitrate,
                        int defaultRate) const;
    // Stops the recording on the engine's own thread: a library thread must not stop the
    // encoder that is calling it.
    void QueueStopRecording();
    // Stops the encoders and closes the file, then lets the file be tagged.
    void CloseRecordingFile();
    // Direct copy with cuts at title changes; callers hold m_metaMutex.
    WriteOutcome FeedDirect(quint64 offset, const char* data, qsizetype length);
    WriteOutcome WriteDirect(const char* data, qsizetype length);
    void RegisterCut(int delayMs);
    void RegisterStartOfFile();
    int BytesPerSecond() const;
    void ReachCut(qsizetype cut);
    // The file ended at a cut: the next one begins with m_carry; the GUI thread is told.
    void SealCut(const Song& song);
    void KeepForNextFile(const char* data, qsizetype length);
    void ReplayCarry();
    void ClearCuts();
    // Direct copy of an Ogg stream in whole pages (cbassoggcopy.cpp); callers hold m_metaMutex.
    bool IsOggPaged() const;
    bool CopiesOgg() const;
    WriteOutcome FeedOggPages(const char* data, qsizetype length);
    WriteOutcome RouteOggPage(const OggPager::Page& page);
    QByteArray FromStreamStart(const OggPager::Page& page) const;
    bool RecordingTargetEmpty() const;
    void RegisterOggCut();
    void OnOggTitleWhileBuffering();
    void ClearOggCuts();
    // GUI thread: a cut was reached; the actions waiting for one run.
    void OnCutReached(const Song& song, quint32 generation);
    void RunReadyCutActions();
    // Encoded recordings: the audio library ends the encoder's samples at the title's sample
    // and keeps the next ones for the encoder the split starts (cbassencodercuts.cpp).
    // Callers hold m_metaMutex; false when the library cannot place the cut (no encoder
    // program, or a stream whose packets carry no position), so the split goes by the clock.
    bool RegisterEncoderCut(quint64 sourceByte, int delayMs, bool startOfFile);
    // The byte where the audio of a title that has just arrived begins (m_metaMutex).
    quint64 TitleByte() const;
    void NoteSongStart();
    // Before a single-song recording's encoder starts: it begins at the song's first sample.
    void StartAtSongStart();
    void ClearEncoderCuts();
    static void CALLBACK_EncoderCut(HSYNC handle, DWORD channel, DWORD data, void* user);

    // One decoder attempt: raises EVENT_CONNECTING with kind, stores handle and kind.
    bool TryCreate(StreamKind kind, const QString& url, DWORD flags, bool isFile);
    void MetadataHandler();
    // Waits ms in FadeStepMs steps, processing the calling thread's events.
    void WaitSteps(int ms);
    // One pre-buffer step: PrebufferStepMs, cut short as soon as arriving data lifts the
    // buffered share of end above PrebufferPercent or the open is aborted.
    void WaitPrebufferStep(HSTREAM handle, QWORD end);
    static qint64 BufferedPercent(HSTREAM handle, QWORD end);
    void WakeArrivalWaits();
    void ReleaseStream();

    // Atomic: the GUI, connect and callback threads all read them.
    std::atomic<HSTREAM> m_hStream{0};
    std::atomic<int> m_streamKind{KindNone};
    std::atomic<bool> m_aborted{false};
    std::atomic<bool> m_creating{false}; // a create call runs (connect thread writes)
    std::atomic<bool> m_openingFile{false};
    std::atomic<int> m_lastErrorCode{0};

    // Set by the GUI thread; Stop, which the connect thread also calls before an open, clears
    // them under m_stopMutex.
    HDSP m_hDsp = 0;
    // Channel count of the samples the DSP callback gets; set when it is installed.
    std::atomic<int> m_dspChannels{2};
    HFX m_hFX = 0;
    DWORD m_hRecordChannel = 0;

    // Settings: written by the GUI thread while no connect runs, read by the connect thread
    // (the thread's start orders the two).
    bool m_floatOutput = true;
    int m_fadeInMs = 0;
    int m_fadeOutMs = 1000;
    int m_retries = 0;

    // GUI thread only.
    bool m_muted = false;
    float m_savedVolume = 0.0F;
    QString m_dataFolder;

    // Guarded by m_metaMutex: touched by the download, sync and connect threads.
    mutable QMutex m_metaMutex;
    QString m_lastErrorText;
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

    // The recording; its state is set on the GUI thread and read by the library's threads.
    CRecord m_record;
    std::atomic<int> m_splitMode{SPLIT_PER_SONG};
    std::atomic<bool> m_singleSong{false};
    std::atomic<int> m_requestedFormat{REC_FORMAT_MP3};
    QSet<int> m_directFormats; // GUI thread only
    int m_mp3Bitrate = 128;    // GUI thread only
    std::atomic<quint32> m_writeFailures{0};
    std::atomic<bool> m_stopQueued{false};
    QString m_recordingFolder; // GUI thread only: folder of the running recording
    QString m_recordingPath;   // guarded by m_metaMutex
    QString m_encoderCommand;  // GUI thread only: command line of the running encoder

    // Cuts of a direct copy at title changes. The title handler registers them on the thread
    // that delivered the title (for ICY streams the download thread, between the bytes before
    // and after the metadata block); the download thread writes up to the cut and then keeps
    // the bytes for the next file, which the GUI thread opens. Guarded by m_metaMutex.
    struct PendingCut {
        quint64 offset = 0; // first byte after the title change
        int delayMs = 0;
        Song song; // the song that begins there
        // The start of a file or of the song buffer: the bytes before the first whole frame
        // are dropped instead of ending another file.
        bool startOfFile = false;
    };
    QList<PendingCut> m_cuts;  // oldest first
    QByteArray m_cutWindow;    // bytes from the oldest cut on, not yet written
    quint64 m_cutWindowOffset = 0;
    bool m_cutSealed = false;  // the file ended at a cut: bytes go to m_carry
    QByteArray m_carry;        // the next file's first bytes
    quint64 m_carryOffset = 0;
    // An Ogg copy ends a file only before a page, and a file of its own begins with the header
    // pages of its logical stream. A new logical stream's first pages are held back until its
    // title says whether it begins a new file. Guarded by m_metaMutex.
    OggPager m_oggPager;
    QByteArray m_oggHeld;
    bool m_oggHolding = false;
    bool m_oggHeldComplete = false; // the held stream's audio has begun
    bool m_oggCutPending = false;   // a cut without a new logical stream: at the next page
    Song m_oggCutSong;
    bool m_oggBufferAtStreamStart = false; // the song buffer began at the stream's first page
    // Cuts given to the audio library for an encoded recording, oldest first, and where the
    // current song's audio began. Guarded by m_metaMutex.
    QList<PendingCut> m_encoderCuts;
    DWORD m_encoderCutSyncStream = 0; // the stream the cut sync is set on
    quint64 m_songStartByte = 0;
    DWORD m_songStartStream = 0;
    bool m_splitting = false; // GUI thread only: a split is opening the next file
    // Stale cut notifications of an ended recording are told apart by this.
    std::atomic<quint32> m_recordingGeneration{0};
    // GUI thread only: split actions whose cut is expected, the cuts reached before their
    // action came, the actions waiting, and the song of the file being opened.
    int m_cutsExpected = 0;
    QList<Song> m_reachedCuts;
    QList<std::function<void()>> m_actionsAtCut;
    Song m_nextFileSong;
    bool m_nextFileSongSet = false;
    QMutex m_waitMutex;
    QWaitCondition m_waitCondition;
    // Woken by each arrival of stream data and by an abort, so that the pre-buffer wait ends
    // as soon as its condition holds.
    QMutex m_arrivalMutex;
    QWaitCondition m_arrival;
    quint64 m_arrivals = 0; // guarded by m_arrivalMutex
};

} // namespace BASS
