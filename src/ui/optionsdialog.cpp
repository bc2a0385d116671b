#include "ui/optionsdialog.h"

#include "bass/cbass.h"
#include "bass/dspplugin.h"
#include "recording/csystemshutdown.h"
#include "settings/appsettings.h"
#include "ui/playerstatusbar.h"
#include "ui/sounddevicesmodel.h"

#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFontDialog>
#include <QFormLayout>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QScrollArea>
#include <QSpinBox>
#include <QTabWidget>
#include <QVBoxLayout>

#include <memory>

namespace {

// The sleep timer's end actions, named as every other list of them names them.
QList<QPair<QString, int>> sleepActions() {
    QList<QPair<QString, int>> actions;
    for (int code = CSystemShutdown::ActionStopPlaying;
         code <= CSystemShutdown::ActionExitApplication; ++code)
        actions.append({CSystemShutdown::ActionName(code), code});
    return actions;
}

} // namespace

OptionsDialog::OptionsDialog(AppSettings* settings, QWidget* parent)
    : QDialog(parent), m_settings(settings), m_tabs(new QTabWidget(this)) {
    setObjectName(QStringLiteral("OptionsDialog"));
    setWindowTitle(tr("Options"));
    buildGeneral();
    buildTray();
    buildAppearance();
    buildLists();
    buildPlayback();
    buildNetwork();
    buildRecording();
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_tabs);
    layout->addWidget(buttons);
    resize(700, 500);
}

void OptionsDialog::accept() {
    save();
    QDialog::accept();
}

void OptionsDialog::save() {
    for (const Field& field : m_fields)
        field.store();
}

QWidget* OptionsDialog::editor(const QString& key) const {
    for (const Field& field : m_fields) {
        if (field.key == key)
            return field.editor;
    }
    return nullptr;
}

QFormLayout* OptionsDialog::addPage(const QString& title) {
    auto* page = new QWidget;
    auto* form = new QFormLayout(page);
    form->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);
    auto* scroll = new QScrollArea;
    scroll->setWidget(page);
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    m_tabs->addTab(scroll, title);
    return form;
}

void OptionsDialog::addBool(QFormLayout* page, const QString& key, const QString& label, bool value,
                            std::function<void(bool)> set) {
    auto* box = new QCheckBox(label);
    box->setObjectName(key);
    box->setChecked(value);
    page->addRow(box);
    m_fields.push_back({key, box, [box, set] { set(box->isChecked()); }});
}

void OptionsDialog::addInt(QFormLayout* page, const QString& key, const QString& label, int value,
                           int low, int high, const QString& suffix, std::function<void(int)> set) {
    auto* spin = new QSpinBox;
    spin->setObjectName(key);
    spin->setRange(low, high);
    spin->setValue(value);
    spin->setSuffix(suffix);
    page->addRow(label, spin);
    m_fields.push_back({key, spin, [spin, set] { set(spin->value()); }});
}

void OptionsDialog::addChoice(QFormLayout* page, const QString& key, const QString& label,
                              int value, const QList<QPair<QString, int>>& choices,
                              std::function<void(int)> set) {
    auto* combo = new QComboBox;
    combo->setObjectName(key);
    for (const auto& [text, choice] : choices)
        combo->addItem(text, choice);
    const int index = combo->findData(value);
    if (index >= 0) {
        combo->setCurrentIndex(index);
    } else {
        // A stored value the list does not know stays as it is.
        combo->addItem(QString::number(value), value);
        combo->setCurrentIndex(combo->count() - 1);
    }
    page->addRow(label, combo);
    m_fields.push_back({key, combo, [combo, set] { set(combo->currentData().toInt()); }});
}

void OptionsDialog::addText(QFormLayout* page, const QString& key, const QString& label,
                            const QString& value, std::function<void(const QString&)> set,
                            bool secret) {
    auto* edit = new QLineEdit(value);
    edit->setObjectName(key);
    if (secret)
        edit->setEchoMode(QLineEdit::Password);
    page->addRow(label, edit);
    m_fields.push_back({key, edit, [edit, set] { set(edit->text().trimmed()); }});
}

void OptionsDialog::addColor(QFormLayout* page, const QString& key, const QString& label,
                             const QString& value, std::function<void(const QString&)> set) {
    auto* row = new QWidget;
    auto* edit = new QLineEdit(value, row);
    edit->setObjectName(key);
    auto* pick = new QPushButton(tr("Choose..."), row);
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(edit, 1);
    layout->addWidget(pick);
    connect(pick, &QPushButton::clicked, this, [this, edit] {
        const QColor color = QColorDialog::getColor(QColor(edit->text()), this);
        if (color.isValid())
            edit->setText(color.name());
    });
    page->addRow(label, row);
    m_fields.push_back({key, edit, [edit, set] { set(edit->text().trimmed()); }});
}

void OptionsDialog::addFolder(QFormLayout* page, const QString& key, const QString& label,
                              const QString& value, std::function<void(const QString&)> set) {
    auto* row = new QWidget;
    auto* edit = new QLineEdit(value, row);
    edit->setObjectName(key);
    auto* pick = new QPushButton(tr("Browse..."), row);
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(edit, 1);
    layout->addWidget(pick);
    connect(pick, &QPushButton::clicked, this, [this, edit] {
        const QString folder = QFileDialog::getExistingDirectory(this, QString(), edit->text());
        if (!folder.isEmpty())
            edit->setText(folder);
    });
    page->addRow(label, row);
    m_fields.push_back({key, edit, [edit, set] { set(edit->text().trimmed()); }});
}

void OptionsDialog::addStatusFields(QFormLayout* page) {
    const QList<QPair<QString, int>> fields{
        {tr("Recording"), PlayerStatusBar::FieldRecording},
        {tr("Stream information"), PlayerStatusBar::FieldStreamInfo},
        {tr("Time for the station"), PlayerStatusBar::FieldStationTime},
        {tr("Time for the song"), PlayerStatusBar::FieldSongTime},
        {tr("Data for the station"), PlayerStatusBar::FieldStationData},
        {tr("Total data"), PlayerStatusBar::FieldTotalData}};
    auto* group = new QWidget;
    group->setObjectName(QStringLiteral("StatusBarLabels"));
    auto* layout = new QGridLayout(group);
    layout->setContentsMargins(0, 0, 0, 0);
    const int shown = PlayerStatusBar::fieldsShown(m_settings->StatusBarLabels());
    QList<QPair<QCheckBox*, int>> boxes;
    for (const auto& [text, bit] : fields) {
        auto* box = new QCheckBox(text, group);
        box->setObjectName(QStringLiteral("StatusBarLabels%1").arg(bit));
        box->setChecked(shown & bit);
        layout->addWidget(box, int(boxes.size()) / 2, int(boxes.size()) % 2);
        boxes.append({box, bit});
    }
    page->addRow(tr("Status-bar fields"), group);
    m_fields.push_back({QStringLiteral("StatusBarLabels"), group, [s = m_settings, boxes] {
                            int bits = 0;
                            for (const auto& [box, bit] : boxes)
                                bits |= box->isChecked() ? bit : 0;
                            // The default set is stored as the default, so it follows changes
                            // of the default; no field at all is not a choice the option has.
                            if (bits == PlayerStatusBar::fieldsShown(0))
                                bits = 0;
                            s->setStatusBarLabels(bits);
                        }});
}

// The setters are bound through small lambdas so each row names its option once.
#define QW_SET(name) [s = m_settings](auto v) { s->set##name(v); }

void OptionsDialog::buildGeneral() {
    AppSettings* s = m_settings;
    QFormLayout* p = addPage(tr("General"));
    addBool(p, "AlwaysOnTop", tr("Keep the window on top of others"), s->AlwaysOnTop(),
            QW_SET(AlwaysOnTop));
    addBool(p, "AutoPlayOnStart", tr("Play the last station at start"), s->AutoPlayOnStart(),
            QW_SET(AutoPlayOnStart));
    addBool(p, "MinimizeOnExit", tr("Closing the window only minimises it"), s->MinimizeOnExit(),
            QW_SET(MinimizeOnExit));
    addBool(p, "AllowSingleKeyShortcuts", tr("Shortcut letters work without Ctrl"),
            s->AllowSingleKeyShortcuts(), QW_SET(AllowSingleKeyShortcuts));
    addBool(p, "ProcessMediaKeys", tr("React to the keyboard's media keys"), s->ProcessMediaKeys(),
            QW_SET(ProcessMediaKeys));
    addBool(p, "SpeakMessages", tr("Speak messages"), s->SpeakMessages(), QW_SET(SpeakMessages));
    addBool(p, "ShowMessageBoxConnection", tr("Show connection errors in a message box"),
            s->ShowMessageBoxConnection(), QW_SET(ShowMessageBoxConnection));
    addBool(p, "AutoCheckVersion", tr("Check for a new version"), s->AutoCheckVersion(),
            QW_SET(AutoCheckVersion));
    addBool(p, "AutoCheckPresets", tr("Check for a new station directory"), s->AutoCheckPresets(),
            QW_SET(AutoCheckPresets));
    addBool(p, "OldMan", tr("Use the plain HTTP client for updates"), s->OldMan(), QW_SET(OldMan));
    addInt(p, "MaxHistoryLength", tr("Stations kept in the history"), s->MaxHistoryLength(), 0, 500,
           QString(), QW_SET(MaxHistoryLength));
    addText(p, "IRQString", tr("Now-playing text"), s->IRQString(), QW_SET(IRQString));
    addText(p, "Editor", tr("Text editor"), s->Editor(), QW_SET(Editor));
    addText(p, "LyricsPlugin", tr("Lyrics program"), s->LyricsPlugin(), QW_SET(LyricsPlugin));
    addText(p, "Country", tr("Your country"), s->Country(), QW_SET(Country));
    addFolder(p, "DataFolder", tr("Data folder"), s->DataFolder(), QW_SET(DataFolder));
}

void OptionsDialog::buildTray() {
    AppSettings* s = m_settings;
    QFormLayout* p = addPage(tr("Tray"));
    addBool(p, "ShowTrayIcon", tr("Show an icon in the system tray"), s->ShowTrayIcon(),
            QW_SET(ShowTrayIcon));
    addBool(p, "TrayOnMinimize", tr("Minimise to the tray"), s->TrayOnMinimize(),
            QW_SET(TrayOnMinimize));
    addBool(p, "TrayClickMuteVolume", tr("A click on the tray icon mutes the sound"),
            s->TrayClickMuteVolume(), QW_SET(TrayClickMuteVolume));
    addBool(p, "BalloonTooltip", tr("Notify of new songs"), s->BalloonTooltip(),
            QW_SET(BalloonTooltip));
    addChoice(p, "TrayNotification", tr("Notification"), s->TrayNotification(),
              {{tr("Tray message"), 1}, {tr("Own pop-up window"), 2}}, QW_SET(TrayNotification));
    addColor(p, "PopupBackColor", tr("Pop-up background"), s->PopupBackColor(),
             QW_SET(PopupBackColor));
    addColor(p, "PopupTextColor1", tr("Pop-up heading"), s->PopupTextColor1(),
             QW_SET(PopupTextColor1));
    addColor(p, "PopupTextColor2", tr("Pop-up text"), s->PopupTextColor2(),
             QW_SET(PopupTextColor2));
}

void OptionsDialog::buildAppearance() {
    AppSettings* s = m_settings;
    QFormLayout* p = addPage(tr("Appearance"));
    addChoice(p, "ButtonsStyle", tr("Buttons"), s->ButtonsStyle(),
              {{tr("Icons only"), 0}, {tr("Text only"), 1}, {tr("Icons and text"), 2}},
              QW_SET(ButtonsStyle));
    addStatusFields(p);
    addBool(p, "UseInfoStyleSheet", tr("Colour the now-playing panel"), s->UseInfoStyleSheet(),
            QW_SET(UseInfoStyleSheet));
    addColor(p, "InfoBackColor", tr("Panel background"), s->InfoBackColor(), QW_SET(InfoBackColor));
    addColor(p, "InfoTextColor", tr("Panel text"), s->InfoTextColor(), QW_SET(InfoTextColor));
    addColor(p, "InfoBorderColor", tr("Panel border"), s->InfoBorderColor(),
             QW_SET(InfoBorderColor));
    addBool(p, "ShowInfoIcon", tr("Show the station's flag"), s->ShowInfoIcon(),
            QW_SET(ShowInfoIcon));
    addBool(p, "PeakMeterEnabled", tr("Show level meters"), s->PeakMeterEnabled(),
            QW_SET(PeakMeterEnabled));
    addChoice(p, "PeakmetersOrientation", tr("Level meters"), s->PeakmetersOrientation(),
              {{tr("Default"), 0}, {tr("Right"), 1}, {tr("Left"), 2}},
              QW_SET(PeakmetersOrientation));
    addColor(p, "PeakBackColor", tr("Meter background"), s->PeakBackColor(), QW_SET(PeakBackColor));
    addColor(p, "PeakBarColorTop", tr("Meter bar top"), s->PeakBarColorTop(),
             QW_SET(PeakBarColorTop));
    addColor(p, "PeakBarColorBottom", tr("Meter bar bottom"), s->PeakBarColorBottom(),
             QW_SET(PeakBarColorBottom));
    addInt(p, "UpdateInterval", tr("Meter refresh"), s->UpdateInterval(), 20, 1000, tr(" ms"),
           QW_SET(UpdateInterval));
    addBool(p, "SkinMode", tr("Skinned window"), s->SkinMode(), QW_SET(SkinMode));

    auto* font = new QPushButton(s->AppFont().family());
    font->setObjectName(QStringLiteral("AppFont"));
    auto chosen = std::make_shared<QFont>(s->AppFont());
    connect(font, &QPushButton::clicked, this, [this, font, chosen] {
        bool ok = false;
        const QFont picked = QFontDialog::getFont(&ok, *chosen, this);
        if (ok) {
            *chosen = picked;
            font->setText(picked.family());
        }
    });
    p->addRow(tr("Font"), font);
    // Stored only when the user picked one: until then the desktop's font is followed.
    auto picked = std::make_shared<bool>(false);
    connect(font, &QPushButton::clicked, this, [picked] { *picked = true; });
    m_fields.push_back({QStringLiteral("AppFont"), font, [s, chosen, picked] {
                            if (*picked)
                                s->setAppFont(*chosen);
                        }});
}

void OptionsDialog::buildLists() {
    AppSettings* s = m_settings;
    QFormLayout* p = addPage(tr("Station lists"));
    addBool(p, "MenusScrollable", tr("Scrollable menus"), s->MenusScrollable(),
            QW_SET(MenusScrollable));
    addBool(p, "ShowStationMenus", tr("Show the station menus"), s->ShowStationMenus(),
            QW_SET(ShowStationMenus));
    addBool(p, "ShowGroupsFirst", tr("Groups before stations"), s->ShowGroupsFirst(),
            QW_SET(ShowGroupsFirst));
    addBool(p, "GroupSearchResults", tr("Group search results"), s->GroupSearchResults(),
            QW_SET(GroupSearchResults));
    addBool(p, "GroupFavorites", tr("Group favourites"), s->GroupFavorites(),
            QW_SET(GroupFavorites));
    addBool(p, "SortSearchResults", tr("Sort search results"), s->SortSearchResults(),
            QW_SET(SortSearchResults));
    addBool(p, "DoNotShowInfoStations", tr("Hide information entries"), s->DoNotShowInfoStations(),
            QW_SET(DoNotShowInfoStations));
}

void OptionsDialog::buildPlayback() {
    AppSettings* s = m_settings;
    QFormLayout* p = addPage(tr("Playback"));
    addDevices(p);
    addChoice(p, "Playback32Bit", tr("Floating-point playback"), s->Playback32Bit(),
              {{tr("Engine default"), -1}, {tr("Off"), 0}, {tr("On"), 1}}, QW_SET(Playback32Bit));
    addInt(p, "BufferSize", tr("Network buffer"), s->BufferSize(), 500, 60000, tr(" ms"),
           QW_SET(BufferSize));
    addInt(p, "TimeoutValue", tr("Connection time-out"), s->TimeoutValue(), 1, 60, tr(" s"),
           QW_SET(TimeoutValue));
    addInt(p, "Retries", tr("Retries"), s->Retries(), 0, 5, QString(), QW_SET(Retries));
    addBool(p, "StopFadeOut", tr("Fade out when stopping"), s->StopFadeOut(), QW_SET(StopFadeOut));
    addBool(p, "AutoVolume", tr("Automatic volume"), s->AutoVolume(), QW_SET(AutoVolume));
    addBool(p, "MonoOutput", tr("Mono output"), s->MonoOutput(), QW_SET(MonoOutput));
    addBool(p, "EqualizerEnabled", tr("Equaliser"), s->EqualizerEnabled(),
            QW_SET(EqualizerEnabled));
    addFolder(p, "WinampFolder", tr("Plug-in folder"), s->WinampFolder(), QW_SET(WinampFolder));
    addPlugins(p);
}

void OptionsDialog::addDevices(QFormLayout* page) {
    auto* view = new QListView;
    view->setObjectName(QStringLiteral("PlayOnDevices"));
    auto* model = new SoundDevicesModel(BASS::CBass::OutputDevices(), m_settings->PlayOnDevices(),
                                        view);
    view->setModel(model);
    view->setAccessibleName(tr("Output device"));
    view->setMaximumHeight(120);
    connect(view, &QListView::clicked, model,
            [model](const QModelIndex& index) { model->chooseRow(index.row()); });
    page->addRow(tr("Output device"), view);
    AppSettings* s = m_settings;
    m_fields.push_back({"PlayOnDevices", view, [s, model] {
                            s->setPlayOnDevices(model->chosenDevice());
                        }});
}

void OptionsDialog::addPlugins(QFormLayout* page) {
    auto* combo = new QComboBox;
    combo->setObjectName(QStringLiteral("WinampPlugin"));
    combo->addItem(tr("None"), QString());
    const QString folder = m_settings->WinampFolder();
    QList<BASS::DSPPlugin*> plugins = BASS::DSPPlugin::Scan(
        folder.isEmpty() ? BASS::DSPPlugin::DefaultFolders() : QStringList{folder}, nullptr);
    for (const BASS::DSPPlugin* plugin : plugins)
        combo->addItem(plugin->Name(), plugin->Path());
    BASS::DSPPlugin::FreeAll(plugins);
    const QString path = m_settings->WinampPluginPath();
    if (m_settings->WinampPluginEnabled() && !path.isEmpty()) {
        if (combo->findData(path) < 0)
            combo->addItem(m_settings->WinampPlugin(), path);
        combo->setCurrentIndex(combo->findData(path));
    }
    page->addRow(tr("DSP plug-in"), combo);
    AppSettings* s = m_settings;
    m_fields.push_back({"WinampPlugin", combo, [s, combo] {
                            const QString chosen = combo->currentData().toString();
                            s->setWinampPluginEnabled(!chosen.isEmpty());
                            if (chosen.isEmpty())
                                return;
                            s->setWinampPluginPath(chosen);
                            s->setWinampPlugin(combo->currentText());
                        }});
}

void OptionsDialog::buildNetwork() {
    AppSettings* s = m_settings;
    QFormLayout* p = addPage(tr("Network"));
    addText(p, "Proxy", tr("Proxy server"), s->Proxy(), QW_SET(Proxy));
    addText(p, "ProxyPort", tr("Proxy port"), s->ProxyPort(), QW_SET(ProxyPort));
    addText(p, "ProxyUsername", tr("User name"), s->ProxyUsername(), QW_SET(ProxyUsername));
    addText(p, "ProxyPassword", tr("Password"), s->ProxyPassword(), QW_SET(ProxyPassword), true);
}

void OptionsDialog::buildRecording() {
    AppSettings* s = m_settings;
    QFormLayout* p = addPage(tr("Recording"));
    addFolder(p, "AppRecordingFolder", tr("Recording folder"), s->AppRecordingFolder(),
              QW_SET(AppRecordingFolder));
    addText(p, "FilePattern", tr("File names"), s->FilePattern(), QW_SET(FilePattern));
    addChoice(p, "RecordingMode", tr("Record button"), s->RecordingMode(),
              {{tr("Record"), 0}, {tr("Record, opposite splitting"), 1}, {tr("Single song"), 2}},
              QW_SET(RecordingMode));
    addBool(p, "RecordNoSplit", tr("Do not split into songs"), s->RecordNoSplit(),
            QW_SET(RecordNoSplit));
    // Kept in bytes, shown in KB: nobody counts a buffer byte by byte. An untouched value keeps
    // its bytes.
    const int bufferKb = s->RecBuffer() / 1024;
    addInt(p, "RecBuffer", tr("Recording buffer"), bufferKb, 0, 50000, tr(" KB"),
           [s, bufferKb](int kb) {
               if (kb != bufferKb)
                   s->setRecBuffer(kb * 1024);
           });
    addInt(p, "LameBitrate", tr("Encoder bit rate"), s->LameBitrate(), 32, 320, tr(" kbps"),
           QW_SET(LameBitrate));
    addBool(p, "RawRecordingMP3", tr("Save MP3 streams as they arrive"), s->RawRecordingMP3(),
            QW_SET(RawRecordingMP3));
    addBool(p, "RawRecordingWMA", tr("Save WMA streams as they arrive"), s->RawRecordingWMA(),
            QW_SET(RawRecordingWMA));
    addBool(p, "RawRecordingAAC", tr("Save AAC streams as they arrive"), s->RawRecordingAAC(),
            QW_SET(RawRecordingAAC));
    addBool(p, "RawRecordingOGG", tr("Save Ogg streams as they arrive"), s->RawRecordingOGG(),
            QW_SET(RawRecordingOGG));
    addBool(p, "RawRecordingFLAC", tr("Save FLAC streams as they arrive"), s->RawRecordingFLAC(),
            QW_SET(RawRecordingFLAC));
    addChoice(p, "ShutdownComputerAction", tr("When the sleep timer ends"),
              s->ShutdownComputerAction(), sleepActions(), QW_SET(ShutdownComputerAction));
}

#undef QW_SET
