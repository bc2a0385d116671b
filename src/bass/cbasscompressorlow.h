#pragma once

// The compressor's low level: a light touch: loud passages lose a little.
// Any thread; plain value, owned by whoever asked for it.

#include "bass/cbasscompressor.h"

namespace BASS {

class CBassCompressorLow : public CBassCompressor {
public:
    // gain dB, attack ms, release ms, threshold dB, ratio, pre-delay ms
    CBassCompressorLow() : CBassCompressor({2.0F, 2.2F, 800.0F, -16.0F, 4.0F, 4.0F}) {}
};

} // namespace BASS
