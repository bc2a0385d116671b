#pragma once

// The audio library as a module of its own, loaded by the window program once its window is on
// screen: FFmpeg, libcurl and SDL 2 come with it (over a hundred shared libraries, most of the
// program's loading time), so they are mapped after the window appears instead of before main.
// The program's calls of the library's functions go through forwarders pointed at the module's
// functions here. No Qt; the module is loaded once and stays until the process ends.

#include <string>
#include <vector>

class AudioModule {
public:
    // The module's file name, as the build names it.
    static const char* fileName();
    // The folders to look in, in order; set before the first call of a library function.
    static void setFolders(std::vector<std::string> folders);
    // Loads the module from the first folder that has it; false with the reason when it cannot
    // be loaded (every library function then returns its neutral value, and a later call tries
    // again). Once loaded it stays.
    static bool load(std::string* error = nullptr);
    // The module's function at index (in the order of bassfunctions.h), loading the module
    // first when a library function is called before load(); null without the module.
    static void* function(int index);
};
