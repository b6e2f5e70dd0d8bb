#pragma once

// The program's command line: quillon [HOST[:PORT]] [--path ROUTE] [--help] [--version].
// An address (and a route path) fills the top bar and connects at start; without
// arguments the program starts as it always did. Pure: reads only the words it is given.

#include "Address.hpp"

#include <cstdint>
#include <span>
#include <string>

struct CommandLine {
    enum class Action { Run, Help, Version, Usage };

    Action action = Action::Run;
    std::string host;           // empty: no address given
    std::uint16_t port = cli::kDefaultPort;
    std::string path;           // route path ("1,0"); empty: the device at the address
    std::string error;          // for Action::Usage: what is wrong, in one line
};

// The words after the program's name. Addresses are written as quillon-cli takes them
// (HOST, HOST:PORT, [IPV6]:PORT). --help and --version win over everything else.
CommandLine parseCommandLine(std::span<const std::string> words);

// The usage text for --help; the brief one (the synopsis and a pointer to --help)
// follows a bad argument's message on standard error.
const char* commandLineUsage(bool brief);
