#pragma once

// Child processes for the tests of whole programs (POSIX).

#include <csignal>
#include <filesystem>
#include <string>
#include <sys/types.h>
#include <vector>

namespace processes {

// A program running in the background until stopped (SIGTERM, then waited for).
class Process {
public:
    // Starts `argv[0]` (a path) with the arguments, in `workingDirectory`, standard output
    // and error to `output`. Throws std::runtime_error when it cannot start.
    Process(const std::vector<std::string>& argv, const std::filesystem::path& workingDirectory,
            const std::filesystem::path& output);
    ~Process();
    Process(const Process&) = delete;
    Process& operator=(const Process&) = delete;

    bool running();
    // Ends it with the signal and returns its exit status (-1 when the signal killed it).
    int stop(int signalNumber = SIGTERM);
    // Waits for it to end by itself and returns its exit status (-1 for a signal).
    int wait();

private:
    pid_t pid = -1;
    int status = 0;
    bool ended = false;
};

struct CommandResult {
    int status = -1;
    std::string output;
};

// Runs a shell command to its end; its standard output is captured.
CommandResult run(const std::string& command);

std::string readFile(const std::filesystem::path& path);

} // namespace processes
