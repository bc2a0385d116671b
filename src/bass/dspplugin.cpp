#include "bass/dspplugin.h"

#include "audio/ladspainstance.h"
#include "audio/ladspaplugin.h"
#include "bass/dsppluginevents.h"
#include "bass/stream.h"

#include <QDebug>

namespace BASS {

DSPPlugin::DSPPlugin(const QString& path) : m_path(path) {}

DSPPlugin::~DSPPlugin() {
    Free();
}

QStringList DSPPlugin::DefaultFolders() {
    QStringList folders;
    for (const std::string& folder : qwaudio::LadspaPlugin::defaultFolders())
        folders.append(QString::fromStdString(folder));
    return folders;
}

QList<DSPPlugin*> DSPPlugin::Scan(const QStringList& folders, QStringList* errors) {
    QList<DSPPlugin*> plugins;
    for (const QString& folder : folders) {
        for (const std::string& file : qwaudio::LadspaPlugin::filesIn(folder.toStdString())) {
            auto plugin = std::make_unique<DSPPlugin>(QString::fromStdString(file));
            if (plugin->Load())
                plugins.append(plugin.release());
            else if (errors)
                errors->append(plugin->ErrorText());
        }
    }
    return plugins;
}

DSPPlugin* DSPPlugin::Find(const QList<DSPPlugin*>& list, const QString& name) {
    for (DSPPlugin* plugin : list) {
        if (plugin->Name() == name)
            return plugin;
    }
    return nullptr;
}

void DSPPlugin::FreeAll(QList<DSPPlugin*>& list) {
    qDeleteAll(list);
    list.clear();
}

bool DSPPlugin::Load() {
    if (m_plugin)
        return true;
    std::string error;
    m_plugin = qwaudio::LadspaPlugin::load(m_path.toStdString(), &error);
    if (!m_plugin) {
        m_error = QString::fromStdString(error);
        qDebug() << "DSPPlugin::Load " << m_error;
        return false;
    }
    m_name = QString::fromStdString(m_plugin->name());
    m_error.clear();
    emit DSPPluginEvents::Instance()->signal_Initialized(this);
    return true;
}

bool DSPPlugin::Start(Stream* engine) {
    if (!m_plugin || !engine || !engine->GetHandle())
        return false;
    const HSTREAM channel = engine->GetHandle();
    if (engine == m_engine && channel == m_channel && engine->HasPluginInstance())
        return true;
    BASS_CHANNELINFO info{};
    engine->GetChannelInfo(info);
    std::string error;
    auto instance = m_plugin->instantiate(info.freq ? info.freq : 44100,
                                          info.chans ? int(info.chans) : 2, &error);
    if (!instance) {
        m_error = QString::fromStdString(error);
        return false;
    }
    if (m_engine && m_engine != engine)
        Stop();
    m_engine = engine;
    m_channel = channel;
    engine->SetPluginInstance(std::move(instance));
    emit DSPPluginEvents::Instance()->signal_Started(this);
    return true;
}

void DSPPlugin::Stop() {
    if (!m_plugin || !m_engine)
        return;
    m_engine->SetPluginInstance(nullptr);
    m_engine = nullptr;
    m_channel = 0;
    emit DSPPluginEvents::Instance()->signal_Stopped(this);
}

void DSPPlugin::Free() {
    Stop();
    m_plugin.reset();
}

} // namespace BASS
