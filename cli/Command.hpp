#pragma once

// What every command shares: its streams, the stop flag, its help, and the options
// common to all commands (the controller address and --timeout).

#include <atomic>
#include <cstdint>
#include <ostream>
#include <span>
#include <string>
#include <string_view>

#include "Address.hpp"
#include "Arguments.hpp"
#include "zoltc_logix.h"

namespace cli {

struct CommandIo {
    std::ostream& out;
    std::ostream& err;
    // Set from a signal handler (or a test) to end a watch; lock-free, so safe there.
    const std::atomic<bool>& stop;
};

struct Command {
    std::string_view name;
    std::string_view summary;  // one line for the top-level help
    std::string_view synopsis; // "quillon-cli tags HOST[:PORT] ..."
    std::string_view help;     // the text after the synopsis in "--help"
    // Runs the command on the words after its name. Throws UsageError before it
    // writes anything or connects when the words are not valid.
    int (*run)(std::span<const std::string> words, const CommandIo& io);
    // Runs until stopped: SIGINT and SIGTERM set the stop flag instead of ending the
    // process.
    bool stoppable = false;
    // Talks to one controller at HOST[:PORT], so the common options apply.
    bool usesController = true;
};

inline constexpr OptionSpec kTimeoutOption{"--timeout", true};
inline constexpr OptionSpec kPathOption{"--path", true};
// Messaging: auto (a connection when the controller gives one) unless one of these.
inline constexpr OptionSpec kUnconnectedOption{"--unconnected", false};
inline constexpr OptionSpec kConnectedOption{"--connected", false};

// The exit statuses of every command.
inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;
inline constexpr int kExitUsage = 2;

struct CommonOptions {
    Address address;
    std::uint32_t timeoutMs = 0;
    std::string path; // route path text ("1,0"); empty: the device at the address
    zoltc_logix_messaging messaging = ZOLTC_LOGIX_MESSAGING_AUTO;
};

// The address (the first positional word, which is removed), --timeout (1 to
// 4294967295 ms, 10000 when absent), --path (checked here) and --unconnected or
// --connected (not both). Throws UsageError.
CommonOptions takeCommonOptions(Arguments& arguments);

// The commands, in the order the top-level help lists them.
std::span<const Command> commands();

extern const Command identityCommand;
extern const Command tagsCommand;
extern const Command readCommand;
extern const Command watchCommand;
extern const Command discoverCommand;

} // namespace cli
