#include "audio/ladspainstance.h"

#include <algorithm>
#include <cmath>

namespace qwaudio {

namespace {

// Where a default hint places the value between the bounds (0 lower, 1 upper).
double hintPosition(LADSPA_PortRangeHintDescriptor hints) {
    if (LADSPA_IS_HINT_DEFAULT_LOW(hints))
        return 0.25;
    if (LADSPA_IS_HINT_DEFAULT_MIDDLE(hints))
        return 0.5;
    if (LADSPA_IS_HINT_DEFAULT_HIGH(hints))
        return 0.75;
    if (LADSPA_IS_HINT_DEFAULT_MAXIMUM(hints))
        return 1.0;
    return 0.0;
}

double between(double lower, double upper, double position, bool logarithmic) {
    if (logarithmic && lower > 0 && upper > 0)
        return std::exp(std::log(lower) * (1 - position) + std::log(upper) * position);
    return lower * (1 - position) + upper * position;
}

} // namespace

LADSPA_Data LadspaInstance::defaultValue(const LADSPA_PortRangeHint& hint, unsigned long rate) {
    const LADSPA_PortRangeHintDescriptor hints = hint.HintDescriptor;
    const double scale = LADSPA_IS_HINT_SAMPLE_RATE(hints) ? double(rate) : 1.0;
    const bool hasLower = LADSPA_IS_HINT_BOUNDED_BELOW(hints);
    const bool hasUpper = LADSPA_IS_HINT_BOUNDED_ABOVE(hints);
    const double lower = hasLower ? hint.LowerBound * scale : 0.0;
    const double upper = hasUpper ? hint.UpperBound * scale : lower;
    double value = hasLower ? lower : 0.0;
    if (LADSPA_IS_HINT_DEFAULT_0(hints))
        value = 0;
    else if (LADSPA_IS_HINT_DEFAULT_1(hints))
        value = 1;
    else if (LADSPA_IS_HINT_DEFAULT_100(hints))
        value = 100;
    else if (LADSPA_IS_HINT_DEFAULT_440(hints))
        value = 440;
    else if (LADSPA_IS_HINT_HAS_DEFAULT(hints))
        value = between(lower, upper, hintPosition(hints), LADSPA_IS_HINT_LOGARITHMIC(hints));
    if (LADSPA_IS_HINT_INTEGER(hints))
        value = std::round(value);
    if (hasLower)
        value = std::max(value, lower);
    if (hasUpper)
        value = std::min(value, upper);
    return LADSPA_Data(value);
}

LadspaInstance::LadspaInstance(std::shared_ptr<void> library, const LADSPA_Descriptor* descriptor,
                               const Layout& layout, unsigned long rate, int channels)
    : m_library(std::move(library)), m_descriptor(descriptor), m_layout(layout),
      m_channels(channels), m_controls(descriptor->PortCount, 0.0F),
      m_ins(size_t(channels), std::vector<LADSPA_Data>(BlockFrames)),
      m_outs(size_t(channels), std::vector<LADSPA_Data>(BlockFrames)), m_spare(BlockFrames) {
    for (unsigned long port = 0; port < descriptor->PortCount; ++port) {
        const LADSPA_PortDescriptor kind = descriptor->PortDescriptors[port];
        if (LADSPA_IS_PORT_CONTROL(kind) && LADSPA_IS_PORT_INPUT(kind))
            m_controls[port] = defaultValue(descriptor->PortRangeHints[port], rate);
    }
    const int perHandle = int(layout.audioIns.size());
    for (int first = 0; first < channels; first += perHandle) {
        LADSPA_Handle handle = descriptor->instantiate(descriptor, rate);
        if (!handle) {
            for (LADSPA_Handle started : m_handles)
                descriptor->cleanup(started);
            m_handles.clear();
            return;
        }
        connectPorts(handle, first);
        if (descriptor->activate)
            descriptor->activate(handle);
        m_handles.push_back(handle);
    }
}

LadspaInstance::~LadspaInstance() {
    for (LADSPA_Handle handle : m_handles) {
        if (m_descriptor->deactivate)
            m_descriptor->deactivate(handle);
        m_descriptor->cleanup(handle);
    }
}

void LadspaInstance::connectPorts(LADSPA_Handle handle, int firstChannel) {
    for (unsigned long port = 0; port < m_descriptor->PortCount; ++port) {
        const LADSPA_PortDescriptor kind = m_descriptor->PortDescriptors[port];
        LADSPA_Data* target = &m_controls[port];
        if (LADSPA_IS_PORT_AUDIO(kind)) {
            const auto& ports = LADSPA_IS_PORT_INPUT(kind) ? m_layout.audioIns : m_layout.audioOuts;
            const int channel =
                firstChannel + int(std::find(ports.begin(), ports.end(), port) - ports.begin());
            if (LADSPA_IS_PORT_INPUT(kind))
                // A mono stream feeds its one channel to every input of a stereo plug-in.
                target = m_ins[size_t(std::min(channel, m_channels - 1))].data();
            else
                target = channel < m_channels ? m_outs[size_t(channel)].data() : m_spare.data();
        }
        m_descriptor->connect_port(handle, port, target);
    }
}

void LadspaInstance::process(float* samples, unsigned long frames) {
    while (frames > 0) {
        const unsigned long block = std::min(frames, BlockFrames);
        runBlock(samples, block);
        samples += block * unsigned(m_channels);
        frames -= block;
    }
}

void LadspaInstance::runBlock(float* samples, unsigned long frames) {
    const auto stride = size_t(m_channels);
    for (size_t channel = 0; channel < stride; ++channel) {
        for (unsigned long frame = 0; frame < frames; ++frame)
            m_ins[channel][frame] = samples[frame * stride + channel];
    }
    for (LADSPA_Handle handle : m_handles)
        m_descriptor->run(handle, frames);
    for (size_t channel = 0; channel < stride; ++channel) {
        for (unsigned long frame = 0; frame < frames; ++frame)
            samples[frame * stride + channel] = m_outs[channel][frame];
    }
}

} // namespace qwaudio
