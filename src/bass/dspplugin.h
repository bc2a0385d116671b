#pragma once

// One DSP plug-in file (a LADSPA library): loaded once, named by the plug-in it holds, and
// started on an engine's stream, where it runs in the engine's DSP stage with its default
// control values until it is stopped, freed or the stream ends.
// GUI thread; owned by the list that scanned it (FreeAll) or by whoever loaded it.

#include "audio/bass.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <memory>

namespace qwaudio {
class LadspaPlugin;
}

namespace BASS {

class Stream;

class DSPPlugin {
public:
    explicit DSPPlugin(const QString& path);
    ~DSPPlugin();
    DSPPlugin(const DSPPlugin&) = delete;
    DSPPlugin& operator=(const DSPPlugin&) = delete;

    // The folders searched when the user chose none: LADSPA_PATH, then /usr/lib/ladspa.
    static QStringList DefaultFolders();
    // Every plug-in file of the folders that loads; the reasons of the others go to errors.
    static QList<DSPPlugin*> Scan(const QStringList& folders, QStringList* errors);
    static DSPPlugin* Find(const QList<DSPPlugin*>& list, const QString& name);
    static void FreeAll(QList<DSPPlugin*>& list);

    bool Load();
    bool IsLoaded() const { return m_plugin != nullptr; }
    QString Path() const { return m_path; }
    QString Name() const { return m_name; }
    QString ErrorText() const { return m_error; }
    // The stream the plug-in runs on; 0 when stopped.
    HSTREAM Channel() const { return m_channel; }

    // Runs the plug-in on the engine's current stream; a second start on the same stream does
    // nothing. False with ErrorText when it cannot run there.
    bool Start(Stream* engine);
    void Stop();
    void Free();

private:
    QString m_path;
    QString m_name;
    QString m_error;
    std::unique_ptr<qwaudio::LadspaPlugin> m_plugin;
    Stream* m_engine = nullptr; // the engine it was started on; not owned
    HSTREAM m_channel = 0;
};

} // namespace BASS
