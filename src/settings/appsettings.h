#pragma once

#include <QDateTime>
#include <QFont>
#include <QMap>
#include <QObject>
#include <QString>
#include <QStringList>

class QWidget;

// The one store of the program's persistent options and data-file locations: typed getters and
// setters that write through to the INI file at once. One instance per process, created on first
// use and never destroyed; GUI thread (the defaults map is not locked).
//
// Folders returned here (data, recording, language, program) always end with a separator, so a
// file name can be appended directly; all paths use native separators.
class AppSettings : public QObject {
    Q_OBJECT
public:
    // The process-wide store, built on the folder of the running executable.
    static AppSettings* instance();
    // The program folder instance() uses when it creates the store (tests point it at a scratch
    // folder so that a portable store keeps its files there); only effective before the first
    // instance() call.
    static void setInstanceProgramFolder(const QString& folder);
    // The install prefixes: a program whose folder lies below one of them is installed, any other
    // is portable.
    static QStringList installPrefixes();

    // Builds a store for the program in programFolder. Sets the application-wide organisation,
    // application name and INI path, so only one store should be alive at a time.
    explicit AppSettings(const QString& programFolder,
                         const QStringList& programsFolders = installPrefixes(),
                         QObject* parent = nullptr);

    // Options: getter named after the key, setter, and a toggle for booleans that stores and
    // returns the negated value. A missing key reads as the default; a value that does not convert
    // reads as the type's null value.
    bool AlwaysOnTop() const;
    void setAlwaysOnTop(bool value);
    bool toggleAlwaysOnTop();
    bool AutoPlayOnStart() const;
    void setAutoPlayOnStart(bool value);
    bool toggleAutoPlayOnStart();
    bool BalloonTooltip() const;
    void setBalloonTooltip(bool value);
    bool toggleBalloonTooltip();
    int TrayNotification() const;
    void setTrayNotification(int value);
    bool TrayOnMinimize() const;
    void setTrayOnMinimize(bool value);
    bool toggleTrayOnMinimize();
    bool MinimizeOnExit() const;
    void setMinimizeOnExit(bool value);
    bool toggleMinimizeOnExit();
    bool ShowTrayIcon() const;
    void setShowTrayIcon(bool value);
    bool toggleShowTrayIcon();
    bool TrayClickMuteVolume() const;
    void setTrayClickMuteVolume(bool value);
    bool toggleTrayClickMuteVolume();
    bool PeakMeterEnabled() const;
    void setPeakMeterEnabled(bool value);
    bool togglePeakMeterEnabled();
    int PeakmetersOrientation() const;
    void setPeakmetersOrientation(int value);
    QString PeakBackColor() const;
    void setPeakBackColor(const QString& value);
    QString PeakBarColorTop() const;
    void setPeakBarColorTop(const QString& value);
    QString PeakBarColorBottom() const;
    void setPeakBarColorBottom(const QString& value);
    bool UseInfoStyleSheet() const;
    void setUseInfoStyleSheet(bool value);
    bool toggleUseInfoStyleSheet();
    QString InfoBackColor() const;
    void setInfoBackColor(const QString& value);
    QString InfoTextColor() const;
    void setInfoTextColor(const QString& value);
    QString InfoBorderColor() const;
    void setInfoBorderColor(const QString& value);
    QString PopupBackColor() const;
    void setPopupBackColor(const QString& value);
    QString PopupTextColor1() const;
    void setPopupTextColor1(const QString& value);
    QString PopupTextColor2() const;
    void setPopupTextColor2(const QString& value);
    bool ShowInfoIcon() const;
    void setShowInfoIcon(bool value);
    bool toggleShowInfoIcon();
    int StatusBarLabels() const;
    void setStatusBarLabels(int value);
    int ButtonsStyle() const;
    void setButtonsStyle(int value);
    bool MenusScrollable() const;
    void setMenusScrollable(bool value);
    bool toggleMenusScrollable();
    bool ShowStationMenus() const;
    void setShowStationMenus(bool value);
    bool toggleShowStationMenus();
    bool ShowGroupsFirst() const;
    void setShowGroupsFirst(bool value);
    bool toggleShowGroupsFirst();
    bool GroupSearchResults() const;
    void setGroupSearchResults(bool value);
    bool toggleGroupSearchResults();
    bool GroupFavorites() const;
    void setGroupFavorites(bool value);
    bool toggleGroupFavorites();
    bool SortSearchResults() const;
    void setSortSearchResults(bool value);
    bool toggleSortSearchResults();
    int TreeStationsSortColumn() const;
    void setTreeStationsSortColumn(int value);
    int TreeFavoritesSortColumn() const;
    void setTreeFavoritesSortColumn(int value);
    bool AllowSingleKeyShortcuts() const;
    void setAllowSingleKeyShortcuts(bool value);
    bool toggleAllowSingleKeyShortcuts();
    bool ProcessMediaKeys() const;
    void setProcessMediaKeys(bool value);
    bool toggleProcessMediaKeys();
    bool SkinMode() const;
    void setSkinMode(bool value);
    bool toggleSkinMode();
    bool MiniMode() const;
    void setMiniMode(bool value);
    bool toggleMiniMode();
    bool SpeakMessages() const;
    void setSpeakMessages(bool value);
    bool toggleSpeakMessages();
    bool ShowMessageBoxConnection() const;
    void setShowMessageBoxConnection(bool value);
    bool toggleShowMessageBoxConnection();
    bool DoNotShowInfoStations() const;
    void setDoNotShowInfoStations(bool value);
    bool toggleDoNotShowInfoStations();
    int Volume() const;
    void setVolume(int value);
    bool MonoOutput() const;
    void setMonoOutput(bool value);
    bool toggleMonoOutput();
    bool AutoVolume() const;
    void setAutoVolume(bool value);
    bool toggleAutoVolume();
    bool EqualizerEnabled() const;
    void setEqualizerEnabled(bool value);
    bool toggleEqualizerEnabled();
    QString EQPreset() const;
    void setEQPreset(const QString& value);
    QString EQPreamp() const;
    void setEQPreamp(const QString& value);
    bool StopFadeOut() const;
    void setStopFadeOut(bool value);
    bool toggleStopFadeOut();
    int PlayOnDevices() const;
    void setPlayOnDevices(int value);
    int Playback32Bit() const;
    void setPlayback32Bit(int value);
    int BufferSize() const;
    void setBufferSize(int value);
    int TimeoutValue() const;
    void setTimeoutValue(int value);
    int Retries() const;
    void setRetries(int value);
    int UpdateInterval() const;
    void setUpdateInterval(int value);
    QString Proxy() const;
    void setProxy(const QString& value);
    QString ProxyPort() const;
    void setProxyPort(const QString& value);
    QString ProxyUsername() const;
    void setProxyUsername(const QString& value);
    QString ProxyPassword() const;
    void setProxyPassword(const QString& value);
    int RecordingMode() const;
    void setRecordingMode(int value);
    bool RecordNoSplit() const;
    void setRecordNoSplit(bool value);
    bool toggleRecordNoSplit();
    int RecBuffer() const;
    void setRecBuffer(int value);
    bool RawRecordingMP3() const;
    void setRawRecordingMP3(bool value);
    bool toggleRawRecordingMP3();
    bool RawRecordingWMA() const;
    void setRawRecordingWMA(bool value);
    bool toggleRawRecordingWMA();
    bool RawRecordingAAC() const;
    void setRawRecordingAAC(bool value);
    bool toggleRawRecordingAAC();
    bool RawRecordingOGG() const;
    void setRawRecordingOGG(bool value);
    bool toggleRawRecordingOGG();
    bool RawRecordingFLAC() const;
    void setRawRecordingFLAC(bool value);
    bool toggleRawRecordingFLAC();
    int LameBitrate() const;
    void setLameBitrate(int value);
    // Minutes after which a running recording goes on in a new file; 0 = never.
    int TimedSplitMinutes() const;
    void setTimedSplitMinutes(int value);
    QString FilePattern() const;
    void setFilePattern(const QString& value);
    QString AppRecordingFolder() const;
    void setAppRecordingFolder(const QString& value);
    int ShutdownComputerAction() const;
    void setShutdownComputerAction(int value);
    QString IRQString() const;
    void setIRQString(const QString& value);
    QString Editor() const;
    void setEditor(const QString& value);
    QString LanguageFile() const;
    void setLanguageFile(const QString& value);
    QString LyricsPlugin() const;
    void setLyricsPlugin(const QString& value);
    QString WinampFolder() const;
    void setWinampFolder(const QString& value);
    QString WinampPlugin() const;
    void setWinampPlugin(const QString& value);
    QString WinampPluginPath() const;
    void setWinampPluginPath(const QString& value);
    bool WinampPluginEnabled() const;
    void setWinampPluginEnabled(bool value);
    bool toggleWinampPluginEnabled();
    int MaxHistoryLength() const;
    void setMaxHistoryLength(int value);
    bool AutoCheckVersion() const;
    void setAutoCheckVersion(bool value);
    bool toggleAutoCheckVersion();
    QDateTime LastVersionCheckDate() const;
    void setLastVersionCheckDate(const QDateTime& value);
    QString AppVersion() const;
    void setAppVersion(const QString& value);
    bool AutoCheckPresets() const;
    void setAutoCheckPresets(bool value);
    bool toggleAutoCheckPresets();
    QDateTime LastPresetCheckDate() const;
    void setLastPresetCheckDate(const QDateTime& value);
    int PresetsVersion() const;
    void setPresetsVersion(int value);
    QString PresetsFileCompressed() const;
    void setPresetsFileCompressed(const QString& value);
    QString PresetsFileUncompressed() const;
    void setPresetsFileUncompressed(const QString& value);
    bool OldMan() const;
    void setOldMan(bool value);
    bool toggleOldMan();
    QString Country() const;
    void setCountry(const QString& value);
    QString DataFolder() const;
    void setDataFolder(const QString& value);
    // Base addresses of the online directory's API servers, separated by blanks; empty finds
    // them in DNS.
    QString OnlineDirectoryHost() const;
    void setOnlineDirectoryHost(const QString& value);
    // The program's web site (scheme, host and an optional path prefix, no trailing "/"); every
    // page, download and form of the site is a path below it. The two services of the country
    // lookup and the key the geographic one expects.
    QString WebSiteHost() const;
    void setWebSiteHost(const QString& value);
    QString OwnAddressHost() const;
    void setOwnAddressHost(const QString& value);
    QString GeoAddressHost() const;
    void setGeoAddressHost(const QString& value);
    QString GeoAddressKey() const;
    void setGeoAddressKey(const QString& value);
    // Cover art of the song playing: the source (0, no value: the built-in choice; below 0: no
    // lookups), the services' addresses ("service=address" entries or one address for all, empty:
    // the built-in ones), the custom source's template and the music database's key.
    int CoverArtSource() const;
    void setCoverArtSource(int value);
    QString CoverArtHosts() const;
    void setCoverArtHosts(const QString& value);
    QString CoverArtCustomURL() const;
    void setCoverArtCustomURL(const QString& value);
    QString CoverArtApiKey() const;
    void setCoverArtApiKey(const QString& value);

    // The date options above read and write the text pattern "d-MM-yyyy hh:mm:ss"; an empty or
    // unparsable text reads as an invalid QDateTime. displayDate formats for the user.
    static QString displayDate(const QDateTime& time);

    // The application font; no stored value reads as the default application font.
    QFont AppFont() const;
    void setAppFont(const QFont& font);

    // The defaults map (key to value text), holding the last value set for each key.
    const QMap<QString, QString>& defaults() const { return m_defaults; }

    // Window geometry under "Window<objectName>", and "Window<objectName>MiniSize" for the mini
    // variant. restore returns false when nothing usable is stored.
    void saveWindowGeometry(const QWidget* widget);
    bool restoreWindowGeometry(QWidget* widget) const;
    void saveWindowGeometryMini(const QWidget* widget);
    bool restoreWindowGeometryMini(QWidget* widget) const;

    // Column width of a tree view under "<objectName>_ColWidth<column>".
    int columnWidth(const QString& objectName, int column, int defaultWidth) const;
    void setColumnWidth(const QString& objectName, int column, int width);

    // Values of a user equaliser preset under "EQPreset_<name>"; an empty name reads as "".
    QString equalizerPreset(const QString& name) const;
    void setEqualizerPreset(const QString& name, const QString& values);

    // Alternative station-list files ("AltPresetFile1" to "AltPresetFile5").
    QStringList altPresetFiles() const { return m_altPresetFiles; }
    void addAltPresetFile(const QString& file);

    // Style sheet of the information panel, coloured when UseInfoStyleSheet is set.
    QString infoStyleSheet() const;

    // Folders and files.
    bool isPortable() const { return m_portable; }
    QString programFolder() const;
    QString dataFolder() const;
    QString recordingFolder() const;
    QString languageFolder() const;
    QString favoritesFile() const;
    QString historyFile() const;
    QString wishListFile() const;
    QString presetsFile() const;
    QString settingsFile() const;
    QString dataFilePath(const QString& name) const;
    QString programFilePath(const QString& name) const;

    // In-memory lists kept here for others; their owners load and save them.
    QStringList searchFilters() const { return m_searchFilters; }
    void setSearchFilters(const QStringList& filters) { m_searchFilters = filters; }
    QStringList wishList() const { return m_wishList; }
    void setWishList(const QStringList& wishes) { m_wishList = wishes; }

private:
    bool readBool(const QString& key) const;
    int readInt(const QString& key) const;
    QString readString(const QString& key) const;
    void writeBool(const QString& key, bool value);
    void writeInt(const QString& key, int value);
    void writeString(const QString& key, const QString& value);
    bool toggleBool(const QString& key);
    QDateTime readDate(const QString& key) const;
    void writeDate(const QString& key, const QDateTime& time);

    void fillDefaults();
    QString defaultDataFolder() const;
    void copyPresetsFile() const;
    void readAltPresetFiles();

    QString m_programFolder; // with a trailing separator
    bool m_portable = false;
    QMap<QString, QString> m_defaults;
    QStringList m_altPresetFiles;
    QStringList m_searchFilters;
    QStringList m_wishList;
};
