#pragma once

// Turns an encoder command line into the program's file and its arguments. Any thread;
// stateless.

#include <string>
#include <vector>

namespace qwaudio {

class CommandLine {
public:
    // Words separated by blanks; double or single quotes group blanks into a word.
    static std::vector<std::string> split(const std::string& text);
    // The program as given when it names an executable file, else the same file name found
    // in a folder of PATH; empty when neither exists.
    static std::string findProgram(const std::string& name);
    // The words with the program resolved as above; empty when the program is not found.
    static std::vector<std::string> resolve(const std::string& text);
};

} // namespace qwaudio
