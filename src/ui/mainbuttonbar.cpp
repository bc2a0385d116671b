#include "ui/mainbuttonbar.h"

#include "ui/searchlineedit.h"
#include "ui/themeicon.h"

#include <QHBoxLayout>
#include <QSlider>
#include <QToolButton>

namespace {

QIcon playIcon() {
    return ThemeIcon::get(QStringLiteral("media-playback-start"),
                          ThemeIcon::resource(QStringLiteral("Play.png")));
}

QIcon stopIcon() {
    return ThemeIcon::get(QStringLiteral("media-playback-stop"),
                          ThemeIcon::resource(QStringLiteral("Stop.png")));
}

} // namespace

MainButtonBar::MainButtonBar(QWidget* parent) : QWidget(parent) {
    makeButtons();
    showMuted(false);

    m_sliderVolume = new QSlider(Qt::Horizontal, this);
    m_sliderVolume->setObjectName(QStringLiteral("sliderVolume"));
    m_sliderVolume->setRange(0, 100);
    m_sliderVolume->setPageStep(10);
    m_sliderVolume->setSingleStep(1);
    m_sliderVolume->setFixedWidth(120);

    m_editSearch = new SearchLineEdit(this);
    m_editSearch->setObjectName(QStringLiteral("editSearch"));
    m_editSearch->setPlaceholderText(tr("Type to search"));
    m_editSearch->setClearButtonEnabled(true);
    m_editSearch->setMinimumWidth(140);
    layOut();
}

QToolButton* MainButtonBar::makeButton(const QString& objectName, const QString& caption,
                                       const QIcon& icon, const QString& toolTip) {
    auto* button = new QToolButton(this);
    button->setObjectName(objectName);
    button->setText(caption);
    button->setIcon(icon);
    button->setToolTip(toolTip);
    button->setAutoRaise(true);
    button->setFocusPolicy(Qt::StrongFocus);
    m_buttons << button;
    return button;
}

void MainButtonBar::makeButtons() {
    const auto themed = [](const char* name) { return ThemeIcon::get(QLatin1String(name), {}); };
    m_btPlay =
        makeButton(QStringLiteral("btPlay"), tr("&Play"), playIcon(), tr("Play the last station"));
    m_btStop = makeButton(QStringLiteral("btStop"), tr("&Stop"), stopIcon(), tr("Stop playing"));
    m_btRecord = makeButton(QStringLiteral("btRecord"), tr("&Record"),
                            ThemeIcon::get(QStringLiteral("media-record"),
                                           ThemeIcon::resource(QStringLiteral("Record.png"))),
                            tr("Record the station"));
    m_btMute = makeButton(QStringLiteral("btMute"), tr("M&ute"), QIcon(), tr("Sound on or off"));
    m_btOptions = makeButton(QStringLiteral("btOptions"), tr("&Options"),
                             themed("preferences-system"), tr("Options"));
    m_btSearch = makeButton(QStringLiteral("btSearch"), tr("Searc&h"), themed("system-search"),
                            tr("Search the directory"));
    m_btFavs = makeButton(QStringLiteral("btFavs"), tr("&Favorites"), themed("emblem-favorite"),
                          tr("Your favourite stations"));
    m_btHistory = makeButton(QStringLiteral("btHistory"), tr("H&istory"),
                             themed("document-open-recent"), tr("Recently played stations"));
    m_btBrowser = makeButton(QStringLiteral("StationBrowser"), tr("&Directory"),
                             ThemeIcon::get(QStringLiteral("network-workgroup"),
                                            ThemeIcon::resource(QStringLiteral("Station.ico"))),
                             tr("Browse the station directory"));
}

void MainButtonBar::layOut() {
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(2);
    for (QToolButton* button : {m_btPlay, m_btStop, m_btRecord, m_btMute})
        row->addWidget(button);
    // The Play button turns into Stop while a station plays, so a second Stop in the bar would
    // only repeat it; the button stays for its shortcut letter and remote control.
    m_btStop->hide();
    row->addWidget(m_sliderVolume);
    row->addSpacing(12);
    for (QToolButton* button : {m_btBrowser, m_btFavs, m_btHistory})
        row->addWidget(button);
    row->addStretch(1);
    row->addWidget(m_editSearch);
    row->addWidget(m_btSearch);
    row->addWidget(m_btOptions);
}

void MainButtonBar::setStyle(int style) {
    const Qt::ToolButtonStyle qtStyle = style == IconOnly   ? Qt::ToolButtonIconOnly
                                        : style == TextOnly ? Qt::ToolButtonTextOnly
                                                            : Qt::ToolButtonTextBesideIcon;
    for (QToolButton* button : std::as_const(m_buttons))
        button->setToolButtonStyle(qtStyle);
}

void MainButtonBar::showBusy(bool busy, int style) {
    const bool iconOnly = style == IconOnly;
    const QString caption = busy ? tr("&Stop") : tr("&Play");
    m_btPlay->setText(iconOnly ? QString() : caption);
    if (iconOnly)
        m_btPlay->setToolTip(busy ? tr("Stop") : tr("Play"));
    m_btPlay->setIcon(style == TextOnly ? QIcon() : busy ? stopIcon() : playIcon());
    m_btPlay->setAccessibleName(busy ? tr("Stop playing") : tr("Play"));
    m_btStop->setEnabled(busy);
    m_btRecord->setEnabled(busy);
}

void MainButtonBar::showMuted(bool muted) {
    m_btMute->setIcon(muted ? ThemeIcon::get(QStringLiteral("audio-volume-muted"),
                                             ThemeIcon::resource(QStringLiteral("sound_mute.png")),
                                             ThemeIcon::resource(QStringLiteral("SoundOff.png")))
                            : ThemeIcon::get(QStringLiteral("audio-volume-high"),
                                             ThemeIcon::resource(QStringLiteral("sound.png")),
                                             ThemeIcon::resource(QStringLiteral("SoundOn.png"))));
    m_btMute->setChecked(muted);
}

void MainButtonBar::setMiniMode(bool mini) {
    m_editSearch->setVisible(!mini);
    for (QToolButton* button : {m_btSearch, m_btFavs, m_btHistory, m_btBrowser, m_btOptions})
        button->setVisible(!mini);
}
