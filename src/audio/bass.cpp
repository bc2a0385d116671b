// Set-up, configuration, errors and devices of the public interface. Any thread; the state
// behind it belongs to Library and Config.

#include "audio/bass.h"

#include "audio/config.h"
#include "audio/errorstate.h"
#include "audio/library.h"
#include "audio/output.h"
#include "audio/textcodec.h"

#include <mutex>
#include <set>
#include <string>

using qwaudio::Config;
using qwaudio::ErrorState;
using qwaudio::Library;

namespace {

// Device texts handed out stay valid for the life of the process.
const char* internText(const std::string& text) {
    static std::mutex mutex;
    static std::set<std::string> texts;
    std::lock_guard lock(mutex);
    return texts.insert(text).first->c_str();
}

BOOL result(int error) {
    ErrorState::set(error);
    return error == 0 ? TRUE : FALSE;
}

} // namespace

BOOL BASS_Init(int device, DWORD freq, DWORD flags, void* /*win*/, const void* /*clsid*/) {
    return result(Library::instance().init(device, freq == 0 ? 44100 : freq, flags));
}

BOOL BASS_Free() {
    return result(Library::instance().free());
}

DWORD BASS_GetVersion() {
    ErrorState::set(BASS_OK);
    return 0x01000000;
}

int BASS_ErrorGetCode() {
    return ErrorState::get();
}

BOOL BASS_SetConfig(DWORD option, DWORD value) {
    return result(Config::instance().setValue(option, value) ? 0 : BASS_ERROR_ILLTYPE);
}

DWORD BASS_GetConfig(DWORD option) {
    uint32_t value = 0;
    if (!Config::instance().value(option, &value)) {
        ErrorState::set(BASS_ERROR_ILLTYPE);
        return DWORD(-1);
    }
    ErrorState::set(BASS_OK);
    return value;
}

BOOL BASS_SetConfigPtr(DWORD option, const void* value) {
    const bool unicode = (option & BASS_UNICODE) != 0;
    option &= ~DWORD(BASS_UNICODE);
    const std::string text = qwaudio::TextCodec::argument(value, unicode);
    return result(Config::instance().setText(option, value ? text.c_str() : nullptr)
                      ? 0
                      : BASS_ERROR_ILLTYPE);
}

const void* BASS_GetConfigPtr(DWORD option) {
    if (option != BASS_CONFIG_NET_AGENT && option != BASS_CONFIG_NET_PROXY) {
        ErrorState::set(BASS_ERROR_ILLTYPE);
        return nullptr;
    }
    ErrorState::set(BASS_OK);
    return Config::instance().textPointer(option);
}

HPLUGIN BASS_PluginLoad(const void* file, DWORD flags) {
    // The add-on formats (WMA, AAC, MP4, FLAC) are built in; loading one only confirms that.
    const std::string name = qwaudio::TextCodec::argument(file, (flags & BASS_UNICODE) != 0);
    if (name.empty()) {
        ErrorState::set(BASS_ERROR_FILEOPEN);
        return 0;
    }
    ErrorState::set(BASS_OK);
    return 1 + HPLUGIN(std::hash<std::string>{}(name) % 0xFFFF);
}

BOOL BASS_PluginFree(HPLUGIN handle) {
    return result(handle != 0 ? 0 : BASS_ERROR_HANDLE);
}

BOOL BASS_GetDeviceInfo(DWORD device, BASS_DEVICEINFO* info) {
    if (!info)
        return result(BASS_ERROR_ILLPARAM);
    Library& library = Library::instance();
    const int current = library.device();
    if (device == 0) {
        *info = {internText("No sound"), internText(""), DWORD(BASS_DEVICE_ENABLED)};
    } else if (device == 1) {
        *info = {internText("Default"), internText(qwaudio::Output::driverName()),
                 DWORD(BASS_DEVICE_ENABLED | BASS_DEVICE_DEFAULT)};
    } else {
        const auto names = qwaudio::Output::deviceNames();
        if (device - 2 >= names.size())
            return result(BASS_ERROR_DEVICE);
        *info = {internText(names[device - 2]), internText(qwaudio::Output::driverName()),
                 DWORD(BASS_DEVICE_ENABLED)};
    }
    if (current >= 0 && DWORD(current) == device)
        info->flags |= BASS_DEVICE_INIT;
    return result(0);
}

// Capture devices as SDL lists them; the library records from none of them.
BOOL BASS_RecordGetDeviceInfo(DWORD device, BASS_DEVICEINFO* info) {
    if (!info)
        return result(BASS_ERROR_ILLPARAM);
    const auto names = qwaudio::Output::captureDeviceNames();
    if (device >= names.size())
        return result(BASS_ERROR_DEVICE);
    *info = {internText(names[device]), internText(qwaudio::Output::driverName()),
             DWORD(BASS_DEVICE_ENABLED | (device == 0 ? BASS_DEVICE_DEFAULT : 0))};
    return result(0);
}

BOOL BASS_SetDevice(DWORD device) {
    Library& library = Library::instance();
    if (!library.initialised())
        return result(BASS_ERROR_INIT);
    return result(int(device) == library.device() ? 0 : BASS_ERROR_DEVICE);
}

DWORD BASS_GetDevice() {
    Library& library = Library::instance();
    if (!library.initialised()) {
        ErrorState::set(BASS_ERROR_INIT);
        return DWORD(-1);
    }
    ErrorState::set(BASS_OK);
    return DWORD(library.device());
}

BOOL BASS_GetInfo(BASS_INFO* info) {
    Library& library = Library::instance();
    if (!library.initialised())
        return result(BASS_ERROR_INIT);
    if (!info)
        return result(BASS_ERROR_ILLPARAM);
    *info = BASS_INFO{};
    info->minbuf = 23;
    info->latency = 23;
    info->initflags = library.initFlags();
    info->speakers = qwaudio::Output::kChannels;
    info->freq = DWORD(library.output().rate());
    return result(0);
}

BOOL BASS_Start() {
    Library& library = Library::instance();
    if (!library.initialised())
        return result(BASS_ERROR_INIT);
    library.output().setRunning(true);
    return result(0);
}

BOOL BASS_Stop() {
    Library& library = Library::instance();
    if (!library.initialised())
        return result(BASS_ERROR_INIT);
    library.output().setRunning(false);
    return result(0);
}

BOOL BASS_Update(DWORD /*length*/) {
    return result(Library::instance().initialised() ? 0 : BASS_ERROR_INIT);
}

float BASS_GetCPU() {
    ErrorState::set(BASS_OK);
    return Library::instance().output().cpuPercent();
}
