// Effect functions of the public interface: the parametric equaliser, the compressor and the
// automatic gain on a channel's samples after its DSP callbacks. Any thread.

#include "audio/bass.h"

#include "audio/channel.h"
#include "audio/compressoreffect.h"
#include "audio/dampeffect.h"
#include "audio/errorstate.h"
#include "audio/fxtable.h"
#include "audio/library.h"
#include "audio/parameqeffect.h"

using qwaudio::ErrorState;
using qwaudio::FxTable;
using qwaudio::Library;

namespace {

std::shared_ptr<qwaudio::Effect> makeEffect(DWORD type) {
    switch (type) {
    case BASS_FX_DX8_PARAMEQ:
        return std::make_shared<qwaudio::ParamEqEffect>();
    case BASS_FX_DX8_COMPRESSOR:
        return std::make_shared<qwaudio::CompressorEffect>();
    case BASS_FX_BFX_DAMP:
        return std::make_shared<qwaudio::DampEffect>();
    default:
        return nullptr;
    }
}

} // namespace

HFX BASS_ChannelSetFX(DWORD handle, DWORD type, int priority) {
    auto channel = Library::instance().channel(handle);
    if (!channel) {
        ErrorState::set(BASS_ERROR_HANDLE);
        return 0;
    }
    auto effect = makeEffect(type);
    if (!effect) {
        ErrorState::set(BASS_ERROR_ILLTYPE);
        return 0;
    }
    const HFX fx = Library::instance().newHandle();
    FxTable::instance().add(fx, handle, effect);
    channel->effects().add(fx, priority, std::move(effect));
    ErrorState::set(BASS_OK);
    return fx;
}

BOOL BASS_ChannelRemoveFX(DWORD handle, HFX fx) {
    auto channel = Library::instance().channel(handle);
    if (!channel || FxTable::instance().channelOf(fx) != handle || !channel->effects().remove(fx))
        return ErrorState::fail(BASS_ERROR_HANDLE);
    FxTable::instance().remove(fx);
    ErrorState::set(BASS_OK);
    return TRUE;
}

BOOL BASS_FXSetParameters(HFX handle, const void* params) {
    auto effect = FxTable::instance().find(handle);
    if (!effect)
        return ErrorState::fail(BASS_ERROR_HANDLE);
    if (!params)
        return ErrorState::fail(BASS_ERROR_ILLPARAM);
    const int error = effect->setParameters(params);
    ErrorState::set(error);
    return error == 0;
}

BOOL BASS_FXGetParameters(HFX handle, void* params) {
    auto effect = FxTable::instance().find(handle);
    if (!effect)
        return ErrorState::fail(BASS_ERROR_HANDLE);
    if (!params)
        return ErrorState::fail(BASS_ERROR_ILLPARAM);
    effect->parameters(params);
    ErrorState::set(BASS_OK);
    return TRUE;
}

DWORD BASS_FX_GetVersion() {
    ErrorState::set(BASS_OK);
    return 0x01000000;
}
