#pragma once

// The whole command line: picks the command, prints help, turns usage errors into
// exit status 2. main() only adds the signal handling.

#include <atomic>
#include <ostream>
#include <span>
#include <string>

namespace cli {

// `words` are the arguments after the program name. Returns the exit status.
int runCli(std::span<const std::string> words, std::ostream& out, std::ostream& err, const std::atomic<bool>& stop);

// True when the words name a command that ends cleanly on the stop flag (watch):
// only then are SIGINT and SIGTERM caught.
bool stopsOnSignal(std::span<const std::string> words);

} // namespace cli
