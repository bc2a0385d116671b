#include "settings/appsettings.h"

#include "settings/qappsettings.h"
#include "settings/userfolders.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QWidget>

#include <algorithm>
#include <array>
#include <utility>

namespace {

// The defaults of every option in the order the options are documented. MonoOutput is left out
// on purpose: it defaults to false without a defaults entry; so is OnlineDirectoryHost, whose
// empty default means "find the servers", and so are the cover-art options, whose null values
// mean the built-in choices.
const std::array<std::pair<const char*, const char*>, 91> kDefaults = {{
    {"AlwaysOnTop", "false"},
    {"AutoPlayOnStart", "false"},
    {"BalloonTooltip", "true"},
    {"TrayNotification", "1"},
    {"TrayOnMinimize", "false"},
    {"MinimizeOnExit", "false"},
    {"ShowTrayIcon", "true"},
    {"TrayClickMuteVolume", "false"},
    {"PeakMeterEnabled", "true"},
    {"PeakmetersOrientation", "0"},
    {"PeakBackColor", "#55aa7f"},
    {"PeakBarColorTop", "#ffaa00"},
    {"PeakBarColorBottom", "#ffff7f"},
    {"UseInfoStyleSheet", "false"},
    {"InfoBackColor", "rgb(0, 100, 147)"},
    {"InfoTextColor", "white"},
    {"InfoBorderColor", "white"},
    {"PopupBackColor", "rgb(178, 212, 255)"},
    {"PopupTextColor1", "white"},
    {"PopupTextColor2", "black"},
    {"ShowInfoIcon", "true"},
    {"StatusBarLabels", "0"},
    {"ButtonsStyle", "2"},
    {"MenusScrollable", "true"},
    {"ShowStationMenus", "true"},
    {"ShowGroupsFirst", "false"},
    {"GroupSearchResults", "false"},
    {"GroupFavorites", "false"},
    {"SortSearchResults", "true"},
    {"TreeStationsSortColumn", "-1"},
    {"TreeFavoritesSortColumn", "-1"},
    {"AllowSingleKeyShortcuts", "false"},
    {"ProcessMediaKeys", "true"},
    {"SkinMode", "false"},
    {"MiniMode", "false"},
    {"SpeakMessages", "false"},
    {"ShowMessageBoxConnection", "false"},
    {"DoNotShowInfoStations", "false"},
    {"Volume", "25"},
    {"AutoVolume", "false"},
    {"EqualizerEnabled", "false"},
    {"EQPreset", ""},
    {"EQPreamp", ""},
    {"StopFadeOut", "true"},
    {"PlayOnDevices", "-1"},
    {"Playback32Bit", "-1"},
    {"BufferSize", "5000"},
    {"TimeoutValue", "30"},
    {"Retries", "1"},
    {"UpdateInterval", "75"},
    {"Proxy", ""},
    {"ProxyPort", "0"},
    {"ProxyUsername", ""},
    {"ProxyPassword", ""},
    {"RecordingMode", "0"},
    {"RecordNoSplit", "false"},
    {"RecBuffer", "5120000"},
    {"RawRecordingMP3", "true"},
    {"RawRecordingWMA", "false"},
    {"RawRecordingAAC", "false"},
    {"RawRecordingOGG", "false"},
    {"RawRecordingFLAC", "false"},
    {"LameBitrate", "128"},
    {"TimedSplitMinutes", "0"},
    {"FilePattern", "%station%/%track%"},
    {"AppRecordingFolder", ""},
    {"ShutdownComputerAction", "0"},
    {"IRQString", "Listening to %station% playing %track%"},
    {"Editor", "xdg-open"},
    {"LanguageFile", "English.lng"},
    {"LyricsPlugin", ""},
    {"WinampFolder", ""},
    {"WinampPlugin", ""},
    {"WinampPluginPath", ""},
    {"WinampPluginEnabled", "false"},
    {"MaxHistoryLength", "5"},
    {"AutoCheckVersion", "false"},
    {"LastVersionCheckDate", ""},
    {"AppVersion", "1.40.1"},
    {"AutoCheckPresets", "true"},
    {"LastPresetCheckDate", ""},
    {"PresetsVersion", "200"},
    {"PresetsFileCompressed", "presets.xml.gz"},
    {"PresetsFileUncompressed", "presets.xml.gz"},
    {"OldMan", "false"},
    {"Country", ""},
    {"DataFolder", ""},
    {"WebSiteHost", "https://www.quillowave.com"},
    {"OwnAddressHost", "https://ip.quillowave.com"},
    {"GeoAddressHost", "https://geo.quillowave.com"},
    {"GeoAddressKey", "5f2a9c0e7b3d41a8c6e0f9b2d7a4c1e38b5f0d2a6c9e3b7f1a4d8c2e6b0f9a3d"},
}};

const QString kDatePattern = QStringLiteral("d-MM-yyyy hh:mm:ss");
const QString kDisplayDatePattern = QStringLiteral("d-MM-yyyy hh:mm");
constexpr int kAltPresetFileCount = 5;

QString& instanceProgramFolder() {
    static QString folder;
    return folder;
}

// Native separators and exactly one trailing separator, so that file names can be appended.
QString asFolder(const QString& path) {
    QString folder = QDir::toNativeSeparators(QDir::cleanPath(path));
    if (!folder.endsWith(QDir::separator())) {
        folder += QDir::separator();
    }
    return folder;
}

bool liesBelow(const QString& folder, const QString& prefix) {
    const QString cleanFolder = QDir::cleanPath(folder);
    const QString cleanPrefix = QDir::cleanPath(prefix);
    if (cleanPrefix.isEmpty()) {
        return false;
    }
    if (cleanPrefix == QStringLiteral("/")) {
        return true;
    }
    return cleanFolder == cleanPrefix || cleanFolder.startsWith(cleanPrefix + QLatin1Char('/'));
}

// A hand-edited INI value with an unquoted comma reads back as a list; it is still one text.
QString variantText(const QVariant& value) {
    if (value.typeId() == QMetaType::QStringList) {
        return value.toStringList().join(QStringLiteral(", "));
    }
    return value.toString();
}

} // namespace

AppSettings* AppSettings::instance() {
    static AppSettings* settings =
        new AppSettings(instanceProgramFolder().isEmpty() ? QCoreApplication::applicationDirPath()
                                                          : instanceProgramFolder());
    return settings;
}

void AppSettings::setInstanceProgramFolder(const QString& folder) {
    instanceProgramFolder() = folder;
}

QStringList AppSettings::installPrefixes() {
    return {QStringLiteral("/usr"), QStringLiteral("/usr/local"), QStringLiteral("/opt")};
}

AppSettings::AppSettings(const QString& programFolder, const QStringList& programsFolders,
                         QObject* parent)
    : QObject(parent), m_programFolder(asFolder(programFolder)) {
    m_portable =
        std::none_of(programsFolders.begin(), programsFolders.end(), [this](const QString& prefix) {
            return liesBelow(QDir::fromNativeSeparators(m_programFolder), prefix);
        });

    // The settings file lives in the configuration folder; a DataFolder chosen later moves the
    // data files only, so the settings are always found again at start.
    const QString settingsFolder = UserFolders(m_programFolder, m_portable).config();
    if (!m_portable) {
        QDir().mkpath(defaultDataFolder());
        QDir().mkpath(settingsFolder);
    }
    QCoreApplication::setOrganizationName(QStringLiteral("Hollowmere"));
    QCoreApplication::setOrganizationDomain(QStringLiteral("hollowmere.org"));
    QCoreApplication::setApplicationName(QStringLiteral("Quillowave"));
    QSettings::setDefaultFormat(QSettings::IniFormat);
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, settingsFolder);

    fillDefaults();
    if (!m_portable) {
        copyPresetsFile();
    }
    readAltPresetFiles();
}

void AppSettings::fillDefaults() {
    for (const auto& [key, value] : kDefaults) {
        m_defaults.insert(QString::fromLatin1(key), QString::fromLatin1(value));
    }
}

// ---- typed access -------------------------------------------------------------------------------

bool AppSettings::readBool(const QString& key) const {
    const bool fallback = m_defaults.value(key) == QStringLiteral("true");
    return QAppSettings().value(key, fallback).toBool();
}

int AppSettings::readInt(const QString& key) const {
    const int fallback = m_defaults.value(key).toInt();
    return QAppSettings().value(key, fallback).toInt();
}

QString AppSettings::readString(const QString& key) const {
    return variantText(QAppSettings().value(key, m_defaults.value(key)));
}

void AppSettings::writeString(const QString& key, const QString& value) {
    if (m_defaults.contains(key)) {
        m_defaults.insert(key, value);
    }
    QAppSettings().setValue(key, value);
}

void AppSettings::writeBool(const QString& key, bool value) {
    writeString(key, value ? QStringLiteral("true") : QStringLiteral("false"));
}

void AppSettings::writeInt(const QString& key, int value) {
    if (m_defaults.contains(key)) {
        m_defaults.insert(key, QString::number(value));
    }
    QAppSettings().setValue(key, value);
}

bool AppSettings::toggleBool(const QString& key) {
    const bool value = !readBool(key);
    writeBool(key, value);
    return value;
}

QDateTime AppSettings::readDate(const QString& key) const {
    return QDateTime::fromString(readString(key), kDatePattern);
}

void AppSettings::writeDate(const QString& key, const QDateTime& time) {
    writeString(key, time.isValid() ? time.toString(kDatePattern) : QString());
}

QString AppSettings::displayDate(const QDateTime& time) {
    return time.toString(kDisplayDatePattern);
}

#define QW_BOOL_OPTION(Key)                                                                        \
    bool AppSettings::Key() const {                                                                \
        return readBool(QStringLiteral(#Key));                                                     \
    }                                                                                              \
    void AppSettings::set##Key(bool value) {                                                       \
        writeBool(QStringLiteral(#Key), value);                                                    \
    }                                                                                              \
    bool AppSettings::toggle##Key() {                                                              \
        return toggleBool(QStringLiteral(#Key));                                                   \
    }
#define QW_INT_OPTION(Key)                                                                         \
    int AppSettings::Key() const {                                                                 \
        return readInt(QStringLiteral(#Key));                                                      \
    }                                                                                              \
    void AppSettings::set##Key(int value) {                                                        \
        writeInt(QStringLiteral(#Key), value);                                                     \
    }
#define QW_STRING_OPTION(Key)                                                                      \
    QString AppSettings::Key() const {                                                             \
        return readString(QStringLiteral(#Key));                                                   \
    }                                                                                              \
    void AppSettings::set##Key(const QString& value) {                                             \
        writeString(QStringLiteral(#Key), value);                                                  \
    }
#define QW_DATE_OPTION(Key)                                                                        \
    QDateTime AppSettings::Key() const {                                                           \
        return readDate(QStringLiteral(#Key));                                                     \
    }                                                                                              \
    void AppSettings::set##Key(const QDateTime& value) {                                           \
        writeDate(QStringLiteral(#Key), value);                                                    \
    }

QW_STRING_OPTION(OnlineDirectoryHost)
QW_INT_OPTION(CoverArtSource)
QW_STRING_OPTION(CoverArtHosts)
QW_STRING_OPTION(CoverArtCustomURL)
QW_STRING_OPTION(CoverArtApiKey)
QW_BOOL_OPTION(AlwaysOnTop)
QW_BOOL_OPTION(AutoPlayOnStart)
QW_BOOL_OPTION(BalloonTooltip)
QW_INT_OPTION(TrayNotification)
QW_BOOL_OPTION(TrayOnMinimize)
QW_BOOL_OPTION(MinimizeOnExit)
QW_BOOL_OPTION(ShowTrayIcon)
QW_BOOL_OPTION(TrayClickMuteVolume)
QW_BOOL_OPTION(PeakMeterEnabled)
QW_INT_OPTION(PeakmetersOrientation)
QW_STRING_OPTION(PeakBackColor)
QW_STRING_OPTION(PeakBarColorTop)
QW_STRING_OPTION(PeakBarColorBottom)
QW_BOOL_OPTION(UseInfoStyleSheet)
QW_STRING_OPTION(InfoBackColor)
QW_STRING_OPTION(InfoTextColor)
QW_STRING_OPTION(InfoBorderColor)
QW_STRING_OPTION(PopupBackColor)
QW_STRING_OPTION(PopupTextColor1)
QW_STRING_OPTION(PopupTextColor2)
QW_BOOL_OPTION(ShowInfoIcon)
QW_INT_OPTION(StatusBarLabels)
QW_INT_OPTION(ButtonsStyle)
QW_BOOL_OPTION(MenusScrollable)
QW_BOOL_OPTION(ShowStationMenus)
QW_BOOL_OPTION(ShowGroupsFirst)
QW_BOOL_OPTION(GroupSearchResults)
QW_BOOL_OPTION(GroupFavorites)
QW_BOOL_OPTION(SortSearchResults)
QW_INT_OPTION(TreeStationsSortColumn)
QW_INT_OPTION(TreeFavoritesSortColumn)
QW_BOOL_OPTION(AllowSingleKeyShortcuts)
QW_BOOL_OPTION(ProcessMediaKeys)
QW_BOOL_OPTION(SkinMode)
QW_BOOL_OPTION(MiniMode)
QW_BOOL_OPTION(SpeakMessages)
QW_BOOL_OPTION(ShowMessageBoxConnection)
QW_BOOL_OPTION(DoNotShowInfoStations)
QW_INT_OPTION(Volume)
QW_BOOL_OPTION(MonoOutput)
QW_BOOL_OPTION(AutoVolume)
QW_BOOL_OPTION(EqualizerEnabled)
QW_STRING_OPTION(EQPreset)
QW_STRING_OPTION(EQPreamp)
QW_BOOL_OPTION(StopFadeOut)
QW_INT_OPTION(PlayOnDevices)
QW_INT_OPTION(Playback32Bit)
QW_INT_OPTION(BufferSize)
QW_INT_OPTION(TimeoutValue)
QW_INT_OPTION(Retries)
QW_INT_OPTION(UpdateInterval)
QW_STRING_OPTION(Proxy)
QW_STRING_OPTION(ProxyPort)
QW_STRING_OPTION(ProxyUsername)
QW_STRING_OPTION(ProxyPassword)
QW_INT_OPTION(RecordingMode)
QW_BOOL_OPTION(RecordNoSplit)
QW_INT_OPTION(RecBuffer)
QW_BOOL_OPTION(RawRecordingMP3)
QW_BOOL_OPTION(RawRecordingWMA)
QW_BOOL_OPTION(RawRecordingAAC)
QW_BOOL_OPTION(RawRecordingOGG)
QW_BOOL_OPTION(RawRecordingFLAC)
QW_INT_OPTION(LameBitrate)
QW_INT_OPTION(TimedSplitMinutes)
QW_STRING_OPTION(FilePattern)
QW_STRING_OPTION(AppRecordingFolder)
QW_INT_OPTION(ShutdownComputerAction)
QW_STRING_OPTION(IRQString)
QW_STRING_OPTION(Editor)
QW_STRING_OPTION(LanguageFile)
QW_STRING_OPTION(LyricsPlugin)
QW_STRING_OPTION(WinampFolder)
QW_STRING_OPTION(WinampPlugin)
QW_STRING_OPTION(WinampPluginPath)
QW_BOOL_OPTION(WinampPluginEnabled)
QW_INT_OPTION(MaxHistoryLength)
QW_BOOL_OPTION(AutoCheckVersion)
QW_DATE_OPTION(LastVersionCheckDate)
QW_STRING_OPTION(AppVersion)
QW_BOOL_OPTION(AutoCheckPresets)
QW_DATE_OPTION(LastPresetCheckDate)
QW_INT_OPTION(PresetsVersion)
QW_STRING_OPTION(PresetsFileCompressed)
QW_STRING_OPTION(PresetsFileUncompressed)
QW_BOOL_OPTION(OldMan)
QW_STRING_OPTION(Country)
QW_STRING_OPTION(DataFolder)
QW_STRING_OPTION(WebSiteHost)
QW_STRING_OPTION(OwnAddressHost)
QW_STRING_OPTION(GeoAddressHost)
QW_STRING_OPTION(GeoAddressKey)

#undef QW_BOOL_OPTION
#undef QW_INT_OPTION
#undef QW_STRING_OPTION
#undef QW_DATE_OPTION

// ---- computed keys ------------------------------------------------------------------------------

QFont AppSettings::AppFont() const {
    QFont font;
    const QString description = readString(QStringLiteral("AppFont"));
    if (description.isEmpty() || !font.fromString(description)) {
        return QFont();
    }
    return font;
}

void AppSettings::setAppFont(const QFont& font) {
    writeString(QStringLiteral("AppFont"), font.toString());
}

void AppSettings::saveWindowGeometry(const QWidget* widget) {
    QAppSettings().setValue(QStringLiteral("Window") + widget->objectName(),
                            widget->saveGeometry());
}

bool AppSettings::restoreWindowGeometry(QWidget* widget) const {
    const QByteArray geometry =
        QAppSettings().value(QStringLiteral("Window") + widget->objectName()).toByteArray();
    return !geometry.isEmpty() && widget->restoreGeometry(geometry);
}

void AppSettings::saveWindowGeometryMini(const QWidget* widget) {
    QAppSettings().setValue(QStringLiteral("Window%1MiniSize").arg(widget->objectName()),
                            widget->saveGeometry());
}

bool AppSettings::restoreWindowGeometryMini(QWidget* widget) const {
    const QByteArray geometry =
        QAppSettings()
            .value(QStringLiteral("Window%1MiniSize").arg(widget->objectName()))
            .toByteArray();
    return !geometry.isEmpty() && widget->restoreGeometry(geometry);
}

int AppSettings::columnWidth(const QString& objectName, int column, int defaultWidth) const {
    const QString key = QStringLiteral("%1_%2%3").arg(objectName, QStringLiteral("ColWidth"),
                                                      QString::number(column));
    return QAppSettings().value(key, defaultWidth).toInt();
}

void AppSettings::setColumnWidth(const QString& objectName, int column, int width) {
    const QString key = QStringLiteral("%1_%2%3").arg(objectName, QStringLiteral("ColWidth"),
                                                      QString::number(column));
    QAppSettings().setValue(key, width);
}

QString AppSettings::equalizerPreset(const QString& name) const {
    if (name.isEmpty()) {
        return QString();
    }
    return variantText(QAppSettings().value(QStringLiteral("EQPreset_") + name));
}

void AppSettings::setEqualizerPreset(const QString& name, const QString& values) {
    if (name.isEmpty()) {
        return;
    }
    QAppSettings().setValue(QStringLiteral("EQPreset_") + name, values);
}

void AppSettings::readAltPresetFiles() {
    QAppSettings settings;
    for (int n = 1; n <= kAltPresetFileCount; ++n) {
        const QString file = variantText(settings.value(QStringLiteral("AltPresetFile%1").arg(n)));
        if (file.isEmpty()) {
            break;
        }
        m_altPresetFiles.append(file);
    }
}

void AppSettings::addAltPresetFile(const QString& file) {
    if (file.isEmpty() || m_altPresetFiles.contains(file)) {
        return;
    }
    m_altPresetFiles.append(file);
    // Only five keys are read back, so the oldest entry gives way to the new one.
    while (m_altPresetFiles.size() > kAltPresetFileCount) {
        m_altPresetFiles.removeFirst();
    }
    QAppSettings settings;
    for (int n = 1; n <= m_altPresetFiles.size(); ++n) {
        settings.setValue(QStringLiteral("AltPresetFile%1").arg(n), m_altPresetFiles.at(n - 1));
    }
}

QString AppSettings::infoStyleSheet() const {
    if (!UseInfoStyleSheet()) {
        return QStringLiteral(
            "QFrame#frameInfo { border: 1px solid lightgray; border-radius: 8px; }");
    }
    QString sheet = QStringLiteral("QFrame#frameInfo\n\t\t\t\t{\n\t\t\t\tbackground-color: "
                                   "{BACK_COLOR};\n\t\t\t\tcolor: {TEXT_COLOR};\n\t\t\t\t"
                                   "border-radius: 8px;\n\t\t\t\tborder: 1px solid "
                                   "{BORDER_COLOR};\n\t\t\t\t}\n\t\t\t\tQLabel\n\t\t\t\t{\n\t\t\t\t"
                                   "background-color: {BACK_COLOR};\n\t\t\t\tcolor: "
                                   "{TEXT_COLOR};\n\t\t\t\t}");
    sheet.replace(QStringLiteral("{BACK_COLOR}"), InfoBackColor());
    sheet.replace(QStringLiteral("{TEXT_COLOR}"), InfoTextColor());
    sheet.replace(QStringLiteral("{BORDER_COLOR}"), InfoBorderColor());
    return sheet;
}

// ---- folders and files --------------------------------------------------------------------------

QString AppSettings::defaultDataFolder() const {
    return UserFolders(m_programFolder, m_portable).data();
}

QString AppSettings::dataFolder() const {
    const QString chosen = DataFolder();
    if (!chosen.isEmpty() && QDir(chosen).exists()) {
        return asFolder(chosen);
    }
    return defaultDataFolder();
}

QString AppSettings::recordingFolder() const {
    const QString chosen = AppRecordingFolder();
    if (!chosen.isEmpty()) {
        return asFolder(chosen);
    }
    const QString music = QStandardPaths::writableLocation(QStandardPaths::MusicLocation);
    if (m_portable || music.isEmpty()) {
        return asFolder(dataFolder() + QStringLiteral("Recordings"));
    }
    return asFolder(music + QStringLiteral("/Quillowave"));
}

QString AppSettings::programFolder() const {
    return m_programFolder;
}

// A portable copy keeps "Languages" beside itself; an installed one keeps the shipped files in
// share/quillowave/languages, lower case as the rest of share.
QString AppSettings::languageFolder() const {
    return asFolder(UserFolders(m_programFolder, m_portable).bundled() +
                    (m_portable ? QStringLiteral("Languages") : QStringLiteral("languages")));
}

QString AppSettings::dataFilePath(const QString& name) const {
    return dataFolder() + name;
}

QString AppSettings::programFilePath(const QString& name) const {
    return m_programFolder + name;
}

QString AppSettings::favoritesFile() const {
    return dataFilePath(QStringLiteral("favorites.xml"));
}

QString AppSettings::historyFile() const {
    return dataFilePath(QStringLiteral("history.xml"));
}

QString AppSettings::wishListFile() const {
    return dataFilePath(QStringLiteral("wishlist.txt"));
}

QString AppSettings::presetsFile() const {
    return dataFilePath(PresetsFileUncompressed());
}

QString AppSettings::settingsFile() const {
    return QDir::toNativeSeparators(QAppSettings().fileName());
}

void AppSettings::copyPresetsFile() const {
    const QString target = presetsFile();
    if (!QFile::exists(target)) {
        const QString bundled = UserFolders(m_programFolder, m_portable).bundled();
        QFile::copy(bundled + PresetsFileUncompressed(), target);
    }
}
