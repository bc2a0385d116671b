#pragma once

// One compressor setting of the engine: the parameter set handed to the library's compressor
// effect. The three levels derive from it; ForLevel picks one by its number.
// Any thread; plain value, owned by whoever asked for it.

#include "audio/bass.h"

#include <memory>

namespace BASS {

class CBassCompressor {
public:
    enum Level { Off = 0, Low = 1, Medium = 2, High = 3 };

    virtual ~CBassCompressor() = default;

    const BASS_DX8_COMPRESSOR& Parameters() const { return m_parameters; }
    // The setting of a level; null for Off and for numbers outside the levels.
    static std::unique_ptr<CBassCompressor> ForLevel(int level);

protected:
    explicit CBassCompressor(const BASS_DX8_COMPRESSOR& parameters) : m_parameters(parameters) {}

private:
    BASS_DX8_COMPRESSOR m_parameters;
};

} // namespace BASS
