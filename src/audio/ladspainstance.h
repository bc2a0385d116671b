#pragma once

// A LADSPA plug-in running on one stream: one plug-in handle per channel for a mono plug-in,
// one for both channels of a stereo one, every control input at its default value. process()
// runs on the channel's DSP thread and neither allocates nor blocks; the rest on the thread that
// owns it. Owned by the engine object that plays the stream.

#include <ladspa.h>

#include <memory>
#include <vector>

namespace qwaudio {

class LadspaInstance {
public:
    // Frames handed to the plug-in per run; longer blocks are processed in pieces.
    static constexpr unsigned long BlockFrames = 4096;

    struct Layout {
        std::vector<unsigned long> audioIns;
        std::vector<unsigned long> audioOuts;
    };

    // Takes a descriptor whose audio ports are given in layout; library keeps the plug-in's
    // code loaded. valid() tells whether every handle started.
    LadspaInstance(std::shared_ptr<void> library, const LADSPA_Descriptor* descriptor,
                   const Layout& layout, unsigned long rate, int channels);
    ~LadspaInstance();
    LadspaInstance(const LadspaInstance&) = delete;
    LadspaInstance& operator=(const LadspaInstance&) = delete;

    bool valid() const { return !m_handles.empty(); }
    int channels() const { return m_channels; }
    // The value a control input starts with: the port's default hint, else its lower bound
    // (or 0), kept inside its bounds.
    static LADSPA_Data defaultValue(const LADSPA_PortRangeHint& hint, unsigned long rate);

    // Runs the plug-in over interleaved samples of the stream's channel count, in place.
    void process(float* samples, unsigned long frames);

private:
    void connectPorts(LADSPA_Handle handle, int firstChannel);
    void runBlock(float* samples, unsigned long frames);

    std::shared_ptr<void> m_library;
    const LADSPA_Descriptor* m_descriptor;
    Layout m_layout;
    int m_channels;
    std::vector<LADSPA_Handle> m_handles;
    std::vector<LADSPA_Data> m_controls;          // one per port; control ports read theirs
    std::vector<std::vector<LADSPA_Data>> m_ins;  // per stream channel, BlockFrames each
    std::vector<std::vector<LADSPA_Data>> m_outs; // per stream channel, BlockFrames each
    std::vector<LADSPA_Data> m_spare;             // inputs and outputs a mono stream leaves over
};

} // namespace qwaudio
