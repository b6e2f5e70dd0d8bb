#include "Processes.hpp"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <fstream>
#include <sstream>
#include <spawn.h>
#include <stdexcept>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace processes {

namespace {

int exitStatus(int raw) {
    return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
}

} // namespace

Process::Process(const std::vector<std::string>& argv, const std::filesystem::path& workingDirectory,
                 const std::filesystem::path& output) {
    std::vector<char*> args;
    for (const std::string& arg : argv) {
        args.push_back(const_cast<char*>(arg.c_str()));
    }
    args.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, output.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO);
    // glibc's extension (Linux only, as these tests are).
    posix_spawn_file_actions_addchdir_np(&actions, workingDirectory.c_str());
    const int error = posix_spawn(&pid, args[0], &actions, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (error != 0) {
        throw std::runtime_error("cannot start " + argv[0] + ": " + std::to_string(error));
    }
}

Process::~Process() {
    stop();
}

bool Process::running() {
    int raw = 0;
    if (!ended && waitpid(pid, &raw, WNOHANG) == pid) {
        ended = true;
        status = exitStatus(raw);
    }
    return !ended;
}

int Process::stop(int signalNumber) {
    if (running()) {
        kill(pid, signalNumber);
    }
    return wait();
}

int Process::wait() {
    if (!ended) {
        int raw = 0;
        while (waitpid(pid, &raw, 0) < 0 && errno == EINTR) {
        }
        ended = true;
        status = exitStatus(raw);
    }
    return status;
}

CommandResult run(const std::string& command) {
    CommandResult result;
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) {
        return result;
    }
    char buffer[4096];
    std::size_t n = 0;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) {
        result.output.append(buffer, n);
    }
    result.status = exitStatus(pclose(pipe));
    return result;
}

std::string readFile(const std::filesystem::path& path) {
    std::ostringstream text;
    text << std::ifstream(path, std::ios::binary).rdbuf();
    return text.str();
}

} // namespace processes
