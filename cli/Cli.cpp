#include "Cli.hpp"

#include <algorithm>
#include <new>

#include "Command.hpp"
#include "UsageError.hpp"

#include <QuillonVersion.hpp>

namespace cli {
namespace {

constexpr std::string_view kAddressHelp =
    "HOST is a host name or an IPv4 or IPv6 address; the port defaults to 44818.\n"
    "Write an IPv6 address with a port in brackets: [::1]:44818.\n";

constexpr std::string_view kTimeoutHelp =
    "  --timeout MS   wait at most MS milliseconds for each step of an exchange\n"
    "                 with the controller (default 10000)\n"
    "  --path P       reach the controller along the route path P, such as 1,0\n"
    "                 (backplane port 1, slot 0) behind the module at HOST\n";

void writeTopHelp(std::ostream& out) {
    out << "Usage: quillon-cli COMMAND HOST[:PORT] [ARGUMENTS] [OPTIONS]\n"
           "\n"
           "Talks to a Logix controller from the shell.\n"
           "\n"
           "Commands:\n";
    for (const Command& command : commands()) {
        out << "  " << command.name << std::string(10 - command.name.size(), ' ') << command.summary << "\n";
    }
    out << "\n"
        << kAddressHelp << "\n"
        << "Options of every command:\n"
        << kTimeoutHelp << "  --help         show the command's help\n"
        << "\n"
           "quillon-cli --version prints the version.\n"
           "Exit status: 0 success, 1 the controller or a tag failed, 2 bad usage.\n"
           "Run 'quillon-cli COMMAND --help' for a command's arguments and output.\n";
}

void writeCommandHelp(const Command& command, std::ostream& out) {
    out << "Usage: " << command.synopsis << "\n\n"
        << command.help << "\n";
    if (!command.usesController) {
        out << "  --help         show this help\n";
        return;
    }
    out << "Common options:\n"
        << kTimeoutHelp << "  --help         show this help\n"
        << "\n"
        << kAddressHelp;
}

int usageFailure(std::ostream& err, const std::string& text, const Command* command) {
    err << "quillon-cli: " << text << "\n";
    if (command != nullptr) {
        err << "Usage: " << command->synopsis << "\n"
            << "Run 'quillon-cli " << command->name << " --help' for more.\n";
    } else {
        err << "Usage: quillon-cli COMMAND HOST[:PORT] [ARGUMENTS] [OPTIONS]\n"
               "Run 'quillon-cli --help' for the commands.\n";
    }
    return kExitUsage;
}

const Command* findCommand(std::string_view name) {
    const auto all = commands();
    const auto found = std::find_if(all.begin(), all.end(), [&](const Command& c) { return c.name == name; });
    return found == all.end() ? nullptr : &*found;
}

} // namespace

bool stopsOnSignal(std::span<const std::string> words) {
    const Command* command = words.empty() ? nullptr : findCommand(words.front());
    return command != nullptr && command->stoppable;
}

int runCli(std::span<const std::string> words, std::ostream& out, std::ostream& err, const std::atomic<bool>& stop) {
    if (words.empty()) {
        return usageFailure(err, "missing command", nullptr);
    }
    if (words.front() == "--help" || words.front() == "-h" || words.front() == "help") {
        writeTopHelp(out);
        return kExitOk;
    }
    if (words.front() == "--version") {
        out << "quillon-cli " << quillonVersion << "\n";
        return kExitOk;
    }
    const Command* command = findCommand(words.front());
    if (command == nullptr) {
        return usageFailure(err, "unknown command '" + words.front() + "'", nullptr);
    }
    const auto rest = words.subspan(1);
    if (wantsHelp(rest)) {
        writeCommandHelp(*command, out);
        return kExitOk;
    }
    try {
        const int status = command->run(rest, CommandIo{out, err, stop});
        out.flush();
        return status;
    } catch (const UsageError& usage) {
        return usageFailure(err, usage.what(), command);
    } catch (const std::bad_alloc&) {
        err << "quillon-cli: out of memory\n";
        return kExitFailed;
    }
}

} // namespace cli
