// Encoder settings as text: the parameter text of every recording format read and written back,
// and an encoder command line split into its program and arguments.
#include "audio/commandline.h"
#include "fuzzinput.h"
#include "recording/cencoderparams.h"

#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString text = fuzz::text(data, size);
    for (int format = 0; format <= 8; ++format) {
        BASS::CEncoderParams params;
        params.FromText(format, text);
        BASS::CEncoderParams again;
        again.FromText(format, params.ToText(format));
    }
    qwaudio::CommandLine::split(std::string(reinterpret_cast<const char*>(data), size));
    return 0;
}
