#pragma once

// The compressor's medium level: evens out speech and music of different loudness.
// Any thread; plain value, owned by whoever asked for it.

#include "bass/cbasscompressor.h"

namespace BASS {

class CBassCompressorMedium : public CBassCompressor {
public:
    // gain dB, attack ms, release ms, threshold dB, ratio, pre-delay ms
    CBassCompressorMedium() : CBassCompressor({5.0F, 1.6F, 600.0F, -20.0F, 6.0F, 3.0F}) {}
};

} // namespace BASS
