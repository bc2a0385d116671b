#include "bass/cbasscompressor.h"

#include "bass/cbasscompressorhigh.h"
#include "bass/cbasscompressorlow.h"
#include "bass/cbasscompressormedium.h"

namespace BASS {

std::unique_ptr<CBassCompressor> CBassCompressor::ForLevel(int level) {
    switch (level) {
    case Low:
        return std::make_unique<CBassCompressorLow>();
    case Medium:
        return std::make_unique<CBassCompressorMedium>();
    case High:
        return std::make_unique<CBassCompressorHigh>();
    default:
        return nullptr;
    }
}

} // namespace BASS
