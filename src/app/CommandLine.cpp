#include "CommandLine.hpp"

#include "Address.hpp"
#include "Route.hpp"
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
    bool hasPath = false;
    for (std::size_t i = 0; i < words.size() && line.error.empty(); ++i) {
        const std::string* word = &words[i];
        if (*word == "--path") {
            const std::string* route = i + 1 < words.size() ? &words[++i] : nullptr;
            if (route == nullptr || hasPath) {
                line.error = hasPath ? "more than one --path" : "--path needs a route path such as 1,0";
            } else if (const std::string problem = routeProblem(*route); !problem.empty()) {
                line.error = "invalid --path '" + *route + "': " + problem;
            } else {
                line.path = *route;
                hasPath = true;
            }
        } else if (word->starts_with("-")) {
            line.error = "unknown option '" + *word + "'";
        } else if (!line.host.empty()) {
            line.error = "more than one address: '" + *word + "'";
        } else {
            try {
                const cli::Address address = cli::parseAddress(*word);
                line.host = address.host;
                line.port = address.port;
            } catch (const cli::UsageError& error) {
                line.error = error.what();
            }
        }
    }
    if (!line.error.empty()) {
        line.action = CommandLine::Action::Usage;
        line.host.clear();
        line.path.clear();
    }
    return line;
}

const char* commandLineUsage(bool brief) {
    if (brief) {
        return "Usage: quillon [HOST[:PORT]] [--path ROUTE] [--help] [--version]\n"
               "Run 'quillon --help' for more.\n";
    }
    return "Usage: quillon [HOST[:PORT]] [--path ROUTE] [--help] [--version]\n"
           "Browse a Logix controller's tags and watch their values.\n"
           "  HOST[:PORT]  fill the address in and connect at start (port 44818 by default;\n"
           "               an IPv6 address with a port in brackets: [::1]:44818)\n"
           "  --path ROUTE reach the controller behind the device at the address along a\n"
           "               route path: 1,0 is the controller in slot 0 of the chassis\n"
           "               (backplane port 1); fills the top bar's Path\n"
           "  --help       show this text\n"
           "  --version    print the version\n";
}
