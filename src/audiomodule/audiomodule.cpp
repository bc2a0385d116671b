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

// Written under the mutex by load(); the forwarders read the functions once loaded is set.
struct Module {
    std::mutex mutex;
    std::atomic<bool> tried{false};
    std::atomic<bool> loaded{false};
    std::vector<std::string> folders;
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
                dlclose(handle);
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
    Module& m = module();
    const std::lock_guard lock(m.mutex);
    m.folders = std::move(folders);
}

bool AudioModule::load(std::string* error) {
    Module& m = module();
    const std::lock_guard lock(m.mutex);
    std::string reason;
    if (!m.loaded) {
        reason = open(m);
        m.loaded = reason.empty();
        m.tried = true;
    }
    if (error)
        *error = reason;
    return m.loaded;
}

void* AudioModule::function(int index) {
    Module& m = module();
    if (!m.tried)
        load();
    return m.loaded ? m.functions[size_t(index)] : nullptr;
}
