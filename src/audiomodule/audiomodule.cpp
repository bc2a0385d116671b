#include "audiomodule/audiomodule.h"

#include "audiomodule/bassfunctions.h"

#include <dlfcn.h>

#include <array>
#include <atomic>
#include <mutex>

namespace {

#define QW_BASS_FUNCTION(ret, name, params, args) #name,
constexpr const char* kNames[] = {QW_BASS_FUNCTIONS};
#undef QW_BASS_FUNCTION
constexpr size_t kCount = std::size(kNames);

// Written once under the call_once of load(); read by the forwarders after it.
struct Module {
    std::once_flag once;
    std::atomic<bool> tried{false};
    std::vector<std::string> folders;
    std::string error;
    std::array<void*, kCount> functions{};
};

Module& module() {
    static Module instance;
    return instance;
}

// The module's functions, or the reason it cannot serve them.
std::string open(Module& m) {
    std::string reasons;
    for (const std::string& folder : m.folders) {
        const std::string path = folder + '/' + AudioModule::fileName();
        void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (!handle) {
            reasons += (reasons.empty() ? "" : "; ") + std::string(dlerror());
            continue;
        }
        for (size_t i = 0; i < kCount; ++i) {
            m.functions[i] = dlsym(handle, kNames[i]);
            if (!m.functions[i]) {
                m.functions.fill(nullptr);
                return path + ": " + kNames[i] + " is missing";
            }
        }
        return {};
    }
    return reasons.empty() ? std::string(AudioModule::fileName()) + " was looked for nowhere"
                           : reasons;
}

} // namespace

const char* AudioModule::fileName() {
    return "libquillowave-audio.so";
}

void AudioModule::setFolders(std::vector<std::string> folders) {
    module().folders = std::move(folders);
}

bool AudioModule::load(std::string* error) {
    Module& m = module();
    std::call_once(m.once, [&m] {
        m.error = open(m);
        m.tried = true;
    });
    if (error)
        *error = m.error;
    return m.error.empty();
}

void* AudioModule::function(int index) {
    Module& m = module();
    if (!m.tried)
        load();
    return m.functions[size_t(index)];
}
