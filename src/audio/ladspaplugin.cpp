#include "audio/ladspaplugin.h"

#include "audio/ladspainstance.h"

#include <dlfcn.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <sstream>

namespace qwaudio {

namespace {

constexpr const char* kSystemFolder = "/usr/lib/ladspa";

// The audio ports of one direction, in port order.
std::vector<unsigned long> audioPorts(const LADSPA_Descriptor* descriptor, bool inputs) {
    std::vector<unsigned long> ports;
    for (unsigned long port = 0; port < descriptor->PortCount; ++port) {
        const LADSPA_PortDescriptor kind = descriptor->PortDescriptors[port];
        if (LADSPA_IS_PORT_AUDIO(kind) && bool(LADSPA_IS_PORT_INPUT(kind)) == inputs)
            ports.push_back(port);
    }
    return ports;
}

// An effect this host can run: as many audio outputs as inputs, one or two.
bool runnable(const LADSPA_Descriptor* descriptor) {
    if (!descriptor->instantiate || !descriptor->connect_port || !descriptor->run ||
        !descriptor->cleanup)
        return false;
    const size_t ins = audioPorts(descriptor, true).size();
    return ins >= 1 && ins <= 2 && audioPorts(descriptor, false).size() == ins;
}

void fail(std::string* error, const std::string& text) {
    if (error)
        *error = text;
}

} // namespace

std::vector<std::string> LadspaPlugin::filesIn(const std::string& folder) {
    std::vector<std::string> files;
    std::error_code code;
    for (const auto& entry : std::filesystem::directory_iterator(folder, code)) {
        if (entry.path().extension() == ".so" && !entry.is_directory(code))
            files.push_back(entry.path().string());
    }
    std::sort(files.begin(), files.end());
    return files;
}

std::vector<std::string> LadspaPlugin::defaultFolders() {
    std::vector<std::string> folders;
    if (const char* path = std::getenv("LADSPA_PATH")) {
        std::stringstream list(path);
        for (std::string folder; std::getline(list, folder, ':');) {
            if (!folder.empty())
                folders.push_back(folder);
        }
    }
    if (std::find(folders.begin(), folders.end(), kSystemFolder) == folders.end())
        folders.emplace_back(kSystemFolder);
    return folders;
}

std::unique_ptr<LadspaPlugin> LadspaPlugin::load(const std::string& path, std::string* error) {
    void* raw = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!raw) {
        const char* reason = dlerror();
        fail(error, "not a LADSPA plug-in library: " + std::string(reason ? reason : path));
        return nullptr;
    }
    std::shared_ptr<void> library(raw, [](void* handle) { dlclose(handle); });
    auto entry = reinterpret_cast<LADSPA_Descriptor_Function>(dlsym(raw, "ladspa_descriptor"));
    if (!entry) {
        fail(error, "no ladspa_descriptor entry point in " + path);
        return nullptr;
    }
    for (unsigned long index = 0;; ++index) {
        const LADSPA_Descriptor* descriptor = entry(index);
        if (!descriptor)
            break;
        if (runnable(descriptor))
            return std::unique_ptr<LadspaPlugin>(new LadspaPlugin(library, descriptor, path));
    }
    fail(error, "no plug-in with matching audio inputs and outputs in " + path);
    return nullptr;
}

LadspaPlugin::LadspaPlugin(std::shared_ptr<void> library, const LADSPA_Descriptor* descriptor,
                           std::string path)
    : m_library(std::move(library)), m_descriptor(descriptor), m_path(std::move(path)),
      m_audioIns(audioPorts(descriptor, true)), m_audioOuts(audioPorts(descriptor, false)) {}

LadspaPlugin::~LadspaPlugin() = default;

std::unique_ptr<LadspaInstance> LadspaPlugin::instantiate(unsigned long rate, int channels,
                                                          std::string* error) const {
    const int ins = audioInputs();
    if (channels < 1 || (ins == 2 && channels > 2)) {
        fail(error, name() + " cannot run on " + std::to_string(channels) + " channels");
        return nullptr;
    }
    auto instance = std::make_unique<LadspaInstance>(
        m_library, m_descriptor, LadspaInstance::Layout{m_audioIns, m_audioOuts}, rate, channels);
    if (!instance->valid()) {
        fail(error, name() + " did not start at " + std::to_string(rate) + " Hz");
        return nullptr;
    }
    return instance;
}

} // namespace qwaudio
