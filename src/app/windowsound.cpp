#include "app/windowsound.h"

#include "app/soundcontroller.h"
#include "settings/appsettings.h"
#include "ui/equalizerdialog.h"

#include <QActionGroup>
#include <QMenu>
#include <QWidget>

WindowSound::WindowSound(QWidget* window, AppSettings* settings, PlaybackController* playback)
    : QObject(window), m_window(window), m_settings(settings),
      m_controller(new SoundController(settings, playback, this)) {}

EqualizerDialog* WindowSound::equalizer() const {
    return m_dialog;
}

void WindowSound::addMenuEntries(QMenu* menu) {
    menu->addSeparator();
    menu->addAction(tr("&Equaliser..."), this, &WindowSound::slot_showEqualizer);
    // F6 is handled by the window's keys; the menu only names it.
    m_actAutoVolume = menu->addAction(tr("Automatic volume") + QStringLiteral("\tF6"),
                                      m_controller, &SoundController::setAutoVolume);
    m_actAutoVolume->setCheckable(true);
    m_actMono = menu->addAction(tr("Mono"), m_controller, &SoundController::setMono);
    m_actMono->setCheckable(true);

    QMenu* compressor = menu->addMenu(tr("Compressor"));
    m_compressorGroup = new QActionGroup(compressor);
    const QStringList levels{tr("Off"), tr("Low"), tr("Medium"), tr("High")};
    for (int level = 0; level < levels.size(); ++level) {
        QAction* action = compressor->addAction(levels.at(level));
        action->setCheckable(true);
        action->setData(level);
        m_compressorGroup->addAction(action);
        connect(action, &QAction::triggered, this,
                [this, level] { m_controller->setCompressor(level); });
    }
    m_pluginMenu = menu->addMenu(tr("DSP plug-in"));
    connect(m_pluginMenu, &QMenu::aboutToShow, this, &WindowSound::fillPluginMenu);
    connect(menu, &QMenu::aboutToShow, this, &WindowSound::refreshChecks);
    refreshChecks();
}

void WindowSound::refreshChecks() {
    m_actAutoVolume->setChecked(m_settings->AutoVolume());
    m_actMono->setChecked(m_settings->MonoOutput());
    for (QAction* action : m_compressorGroup->actions())
        action->setChecked(action->data().toInt() == m_controller->compressor());
}

void WindowSound::fillPluginMenu() {
    m_pluginMenu->clear();
    auto* group = new QActionGroup(m_pluginMenu);
    const bool enabled = m_settings->WinampPluginEnabled();
    QAction* none = m_pluginMenu->addAction(tr("None"));
    none->setCheckable(true);
    none->setChecked(!enabled);
    group->addAction(none);
    connect(none, &QAction::triggered, this, [this] { m_controller->choosePlugin(QString()); });
    m_pluginMenu->addSeparator();
    const auto& plugins = m_controller->plugins();
    if (plugins.isEmpty()) {
        m_pluginMenu->addAction(tr("No plug-ins in %1")
                                    .arg(m_controller->pluginFolders().join(QStringLiteral(", "))))
            ->setEnabled(false);
    }
    for (const SoundController::PluginEntry& plugin : plugins) {
        QAction* action = m_pluginMenu->addAction(plugin.name);
        action->setCheckable(true);
        action->setToolTip(plugin.path);
        action->setChecked(enabled && plugin.path == m_settings->WinampPluginPath());
        group->addAction(action);
        const QString path = plugin.path;
        connect(action, &QAction::triggered, this, [this, path] { m_controller->choosePlugin(path); });
    }
}

void WindowSound::slot_showEqualizer() {
    if (!m_dialog) {
        m_dialog = new EqualizerDialog(m_window);
        SoundController* c = m_controller;
        connect(m_dialog, &EqualizerDialog::sig_enabledChanged, c,
                &SoundController::setEqualizerEnabled);
        connect(m_dialog, &EqualizerDialog::sig_presetChosen, this, [this](const QString& name) {
            m_controller->choosePreset(name);
            showEqualizerState();
        });
        connect(m_dialog, &EqualizerDialog::sig_bandChanged, this, [this](int band, float db) {
            m_controller->setBandGain(band, db);
            showEqualizerState();
        });
        connect(m_dialog, &EqualizerDialog::sig_preampChanged, c, &SoundController::setPreamp);
    }
    showEqualizerState();
    m_dialog->show();
    m_dialog->raise();
    m_dialog->activateWindow();
}

void WindowSound::showEqualizerState() {
    m_dialog->setState(m_settings->EqualizerEnabled(), m_controller->presetName(),
                       m_controller->gains(), m_controller->preampDb());
}

void WindowSound::closeEqualizer() {
    if (!m_dialog)
        return;
    m_settings->setEQPreset(m_dialog->presetName());
    m_settings->setEQPreamp(QString::number(m_dialog->preampDb()));
    m_dialog->close();
    delete m_dialog;
}
