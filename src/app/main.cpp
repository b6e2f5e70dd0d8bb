// Quillon: browse a Logix controller's tags and watch their values.
#include "CommandLine.hpp"
#include "Startup.hpp"

#include <QuillonVersion.hpp>

#include <iostream>
#include <string>
#include <vector>

int main(int argc, char** argv) {
    const std::vector<std::string> words(argv + (argc > 0 ? 1 : 0), argv + argc);
    const CommandLine line = parseCommandLine(words);
    switch (line.action) {
    case CommandLine::Action::Help:
        std::cout << commandLineUsage(false);
        return 0;
    case CommandLine::Action::Version:
        std::cout << "quillon " << quillonVersion << '\n';
        return 0;
    case CommandLine::Action::Usage:
        std::cerr << "quillon: " << line.error << '\n' << commandLineUsage(true);
        return 2;
    case CommandLine::Action::Run:
        break;
    }
    return runQuillon(line.host, line.port, line.path);
}
