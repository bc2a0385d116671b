#include "audio/childprocess.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>

extern char** environ;

namespace qwaudio {

namespace {

void closeFd(int& fd) {
    if (fd >= 0)
        ::close(fd);
    fd = -1;
}

void setNonBlocking(int fd) {
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
}

// Signals a program may have set to be ignored or caught go back to their defaults in the child.
void resetSignals(posix_spawnattr_t* attributes) {
    sigset_t defaults;
    sigemptyset(&defaults);
    for (int signal : {SIGPIPE, SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGCHLD})
        sigaddset(&defaults, signal);
    sigset_t none;
    sigemptyset(&none);
    posix_spawnattr_setsigdefault(attributes, &defaults);
    posix_spawnattr_setsigmask(attributes, &none);
    posix_spawnattr_setpgroup(attributes, 0);
    posix_spawnattr_setflags(attributes, POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK |
                                             POSIX_SPAWN_SETPGROUP);
}

} // namespace

ChildProcess::~ChildProcess() {
    closeInput();
    closeOutput();
    if (m_pid > 0) {
        ::kill(m_pid, SIGKILL);
        while (waitpid(m_pid, nullptr, 0) < 0 && errno == EINTR) {
        }
    }
    closeFd(m_exitFd);
}

int ChildProcess::spawn(const std::vector<std::string>& argv, Output output) {
    int in[2];
    int out[2] = {-1, -1};
    if (pipe2(in, O_CLOEXEC) != 0)
        return errno;
    if (output == Output::Capture && pipe2(out, O_CLOEXEC) != 0) {
        const int error = errno;
        closeFd(in[0]);
        closeFd(in[1]);
        return error;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, in[0], STDIN_FILENO);
    if (output == Output::Capture)
        posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    else
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addclosefrom_np(&actions, STDERR_FILENO + 1);
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    resetSignals(&attributes);

    std::vector<char*> args;
    for (const std::string& arg : argv)
        args.push_back(const_cast<char*>(arg.c_str()));
    args.push_back(nullptr);
    pid_t pid = 0;
    const int error =
        posix_spawn(&pid, argv[0].c_str(), &actions, &attributes, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    closeFd(in[0]);
    closeFd(out[1]);
    if (error != 0) {
        closeFd(in[1]);
        closeFd(out[0]);
        return error;
    }
    m_pid = pid;
    m_input = in[1];
    m_output = out[0];
    setNonBlocking(m_input);
    if (m_output >= 0)
        setNonBlocking(m_output);
    m_exitFd = int(syscall(SYS_pidfd_open, pid, 0));
    return 0;
}

void ChildProcess::closeInput() {
    closeFd(m_input);
}

void ChildProcess::closeOutput() {
    closeFd(m_output);
}

void ChildProcess::kill() {
    if (m_pid > 0)
        ::kill(m_pid, SIGKILL);
}

bool ChildProcess::reap() {
    if (m_pid <= 0)
        return true;
    const pid_t done = waitpid(m_pid, nullptr, WNOHANG);
    if (done == m_pid || (done < 0 && errno == ECHILD)) {
        m_pid = 0;
        closeFd(m_exitFd);
        return true;
    }
    return false;
}

} // namespace qwaudio
