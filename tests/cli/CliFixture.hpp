#pragma once

// quillon-cli's command line run in-process, with what it wrote, and its output's lines.

#include <atomic>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "Cli.hpp"

namespace clitest {

struct CliRun {
    int status = -1;
    std::string out;
    std::string err;
};

inline CliRun runCli(const std::vector<std::string>& words) {
    std::ostringstream out;
    std::ostringstream err;
    const std::atomic<bool> stop{false};
    // A braced list runs left to right: the command, then what it wrote.
    return {cli::runCli(words, out, err, stop), out.str(), err.str()};
}

inline std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> result;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        result.push_back(line);
    }
    return result;
}

} // namespace clitest
