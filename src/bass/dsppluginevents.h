#pragma once

// The signals of the DSP plug-ins: a plug-in was loaded, started on a stream or stopped.
// GUI thread; one process-wide instance (Instance()), living until the program ends.

#include <QObject>

namespace BASS {

class DSPPlugin;

class DSPPluginEvents : public QObject {
    Q_OBJECT
public:
    static DSPPluginEvents* Instance();

signals:
    void signal_Started(BASS::DSPPlugin* plugin);
    void signal_Stopped(BASS::DSPPlugin* plugin);
    void signal_Initialized(BASS::DSPPlugin* plugin);
};

} // namespace BASS
