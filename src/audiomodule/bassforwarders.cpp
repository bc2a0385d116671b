// The audio library's functions in the window program: each calls the module's function of the
// same name (see audiomodule.h), or returns the neutral value of its type without the module.

#include "audio/bass.h"
#include "audiomodule/audiomodule.h"
#include "audiomodule/bassfunctions.h"

namespace {

#define QW_BASS_FUNCTION(ret, name, params, args) Index_##name,
enum FunctionIndex { QW_BASS_FUNCTIONS };
#undef QW_BASS_FUNCTION

} // namespace

#define QW_BASS_FUNCTION(ret, name, params, args)                                                  \
    ret name params {                                                                              \
        using Result = ret;                                                                        \
        using Function = Result(*) params;                                                         \
        const auto function = reinterpret_cast<Function>(AudioModule::function(Index_##name));     \
        return function ? function args : Result{};                                                \
    }
extern "C" {
QW_BASS_FUNCTIONS
}
#undef QW_BASS_FUNCTION
