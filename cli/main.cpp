// quillon-cli: the client library from the shell (identity, tag list, reads, watch).

#include <atomic>
#include <csignal>
#include <iostream>
#include <string>
#include <vector>

#include "Cli.hpp"

namespace {

// Written by the signal handler; a lock-free atomic is safe to store there.
std::atomic<bool> stopRequested{false};
static_assert(std::atomic<bool>::is_always_lock_free);

extern "C" void requestStop(int) {
    stopRequested.store(true);
}

void catchStopSignals() {
#ifdef _WIN32
    std::signal(SIGINT, requestStop);
    std::signal(SIGTERM, requestStop);
#else
    struct sigaction action {};
    action.sa_handler = requestStop;
    sigemptyset(&action.sa_mask);
    // The watch looks at the flag between readings and during its waits; an exchange
    // under way is finished first, so the session still ends in order.
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
#endif
}

} // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> words(argv + (argc > 0 ? 1 : 0), argv + argc);
#ifndef _WIN32
    // A closed output pipe shows up as a failed write instead of ending the process,
    // so that the session is still unregistered on the way out.
    std::signal(SIGPIPE, SIG_IGN);
#endif
    if (cli::stopsOnSignal(words)) {
        catchStopSignals();
    }
    return cli::runCli(words, std::cout, std::cerr, stopRequested);
}
