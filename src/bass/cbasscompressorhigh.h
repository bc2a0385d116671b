#pragma once

// The compressor's high level: close to a limiter: loud and quiet parts end up near one level.
// Any thread; plain value, owned by whoever asked for it.

#include "bass/cbasscompressor.h"

namespace BASS {

class CBassCompressorHigh : public CBassCompressor {
public:
    // gain dB, attack ms, release ms, threshold dB, ratio, pre-delay ms
    CBassCompressorHigh() : CBassCompressor({10.0F, 1.2F, 400.0F, -20.0F, 10.0F, 2.0F}) {}
};

} // namespace BASS
