#pragma once

// One encoder program started with a pipe to its standard input and, when asked, one from its
// standard output; standard error goes to /dev/null. Our pipe ends are close-on-exec and
// non-blocking; the child gets no other descriptor of ours and its own process group, so a
// Ctrl-C meant for the player does not cut a recording short. Used by one thread at a time
// (the encoder's pump thread once started); owned by Encoder. The destructor kills and reaps
// a child still running: no zombie outlives it.

#include <sys/types.h>

#include <string>
#include <vector>

namespace qwaudio {

class ChildProcess {
public:
    ChildProcess() = default;
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    enum class Output { Capture, Discard };
    // argv[0] is the program's path. 0 or an errno value.
    int spawn(const std::vector<std::string>& argv, Output output);

    int inputFd() const { return m_input; }
    int outputFd() const { return m_output; }
    // Readable once the child has ended; -1 when the kernel offers no process descriptor.
    int exitFd() const { return m_exitFd; }
    void closeInput();
    void closeOutput();
    void kill();
    // Collects the child's exit status without waiting; true once collected.
    bool reap();
    bool reaped() const { return m_pid <= 0; }

private:
    pid_t m_pid = 0;
    int m_input = -1;
    int m_output = -1;
    int m_exitFd = -1;
};

} // namespace qwaudio
