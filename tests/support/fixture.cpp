// Reads fixture.env and drives the fixture servers through the fixturectl command.
// Any thread; no state of its own.
#include "support/fixture.h"

#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <spawn.h>
#include <sys/wait.h>
#include <vector>

extern char** environ;

namespace qwtest {

namespace {

bool runFixtureCtl(std::vector<std::string> args) {
    args.insert(args.begin(), {QW_FIXTURECTL, "--dir", fixtureDir()});
    std::vector<char*> argv;
    for (std::string& arg : args) {
        argv.push_back(arg.data());
    }
    argv.push_back(nullptr);
    pid_t pid = 0;
    if (posix_spawn(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0) {
        return false;
    }
    int status = 0;
    while (waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR) {
            return false;
        }
    }
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

std::string withBase(const std::string& key, const std::string& path) {
    const std::string base = fixtureValue(key);
    if (base.empty()) {
        return {};
    }
    return path.empty() || path.front() == '/' ? base + path : base + "/" + path;
}

} // namespace

std::string fixtureDir() {
    const char* dir = std::getenv("QW_FIXTURE_DIR");
    return dir && *dir ? std::string(dir) : std::string(QW_DEFAULT_FIXTURE_DIR);
}

std::string wwwDir() {
    return fixtureDir() + "/www";
}

std::string fixtureValue(const std::string& key) {
    std::ifstream in(fixtureDir() + "/fixture.env");
    std::string line;
    while (std::getline(in, line)) {
        const auto eq = line.find('=');
        if (eq != std::string::npos && line.compare(0, eq, key) == 0 && eq == key.size()) {
            return line.substr(eq + 1);
        }
    }
    return {};
}

std::string icecastUrl(const std::string& mount) {
    return withBase("QW_ICECAST_URL", mount);
}

std::string httpUrl(const std::string& path) {
    return withBase("QW_HTTP_URL", path);
}

bool setMountTitle(const std::string& mount, const std::string& title) {
    return runFixtureCtl({"title", mount, title});
}

bool stopSource(const std::string& mount) {
    return runFixtureCtl({"stop-source", mount});
}

bool startSource(const std::string& mount) {
    return runFixtureCtl({"start-source", mount});
}

} // namespace qwtest
