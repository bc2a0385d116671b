#pragma once

// One LADSPA plug-in library: opened with dlopen, its first effect (audio inputs and outputs,
// one or two of each) chosen, and its name and port layout described. Instances for a stream
// come from instantiate(). Any thread, one at a time; owned by whoever loaded it. The library
// stays open as long as the plug-in or any of its instances lives.

#include <ladspa.h>

#include <memory>
#include <string>
#include <vector>

namespace qwaudio {

class LadspaInstance;

class LadspaPlugin {
public:
    // Plug-in files of a folder (*.so), sorted by name; empty when the folder cannot be read.
    static std::vector<std::string> filesIn(const std::string& folder);
    // The folders searched when none is chosen: LADSPA_PATH's entries, then /usr/lib/ladspa.
    static std::vector<std::string> defaultFolders();

    // Opens path; null with a message in *error when it is no usable LADSPA plug-in.
    static std::unique_ptr<LadspaPlugin> load(const std::string& path, std::string* error);

    ~LadspaPlugin();
    LadspaPlugin(const LadspaPlugin&) = delete;
    LadspaPlugin& operator=(const LadspaPlugin&) = delete;

    const std::string& path() const { return m_path; }
    std::string name() const { return m_descriptor->Name ? m_descriptor->Name : ""; }
    std::string label() const { return m_descriptor->Label ? m_descriptor->Label : ""; }
    int audioInputs() const { return int(m_audioIns.size()); }

    // A running copy for a stream of rate Hz and channels channels; null with a message when
    // the plug-in cannot serve that layout or refuses to start.
    std::unique_ptr<LadspaInstance> instantiate(unsigned long rate, int channels,
                                                std::string* error) const;

private:
    LadspaPlugin(std::shared_ptr<void> library, const LADSPA_Descriptor* descriptor,
                 std::string path);

    std::shared_ptr<void> m_library; // the dlopen handle, shared with the instances
    const LADSPA_Descriptor* m_descriptor;
    std::string m_path;
    std::vector<unsigned long> m_audioIns;
    std::vector<unsigned long> m_audioOuts;
};

} // namespace qwaudio
