#include "CommandLine.hpp"

#include "Address.hpp"
#include "UsageError.hpp"

#include <algorithm>

CommandLine parseCommandLine(std::span<const std::string> words) {
    CommandLine line;
    const auto has = [&](const char* flag) { return std::find(words.begin(), words.end(), flag) != words.end(); };
    if (has("--help") || has("-h")) {
        line.action = CommandLine::Action::Help;
        return line;
    }
    if (has("--version")) {
        line.action = CommandLine::Action::Version;
        return line;
    }
    for (const std::string& word : words) {
        if (word.starts_with("-")) {
            line.error = "unknown option '" + word + "'";
        } else if (!line.host.empty()) {
            line.error = "more than one address: '" + word + "'";
        } else {
            try {
                const cli::Address address = cli::parseAddress(word);
                line.host = address.host;
                line.port = address.port;
            } catch (const cli::UsageError& error) {
                line.error = error.what();
            }
        }
        if (!line.error.empty()) {
            line.action = CommandLine::Action::Usage;
            line.host.clear();
            return line;
        }
    }
    return line;
}

const char* commandLineUsage(bool brief) {
    if (brief) {
        return "Usage: quillon [HOST[:PORT]] [--help] [--version]\n"
               "Run 'quillon --help' for more.\n";
    }
    return "Usage: quillon [HOST[:PORT]] [--help] [--version]\n"
           "Browse a Logix controller's tags and watch their values.\n"
           "  HOST[:PORT]  fill the address in and connect at start (port 44818 by default;\n"
           "               an IPv6 address with a port in brackets: [::1]:44818)\n"
           "  --help       show this text\n"
           "  --version    print the version\n";
}
