// quillon-sim: serves a Logix controller described by a JSON database (or a generated one)
// until SIGINT or SIGTERM.
#include <csignal>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <mutex>

#ifdef _WIN32
#include <windows.h>
#else
#include <pthread.h>
#endif

#include "cli.hpp"
#include "quillon_sim/server.hpp"

#include <QuillonVersion.hpp>

namespace {

#ifdef _WIN32
HANDLE stopEvent = nullptr;
BOOL WINAPI onConsoleEvent(DWORD) {
  SetEvent(stopEvent);
  return TRUE;
}
#endif

// Blocks SIGINT and SIGTERM in every thread (call before any thread starts), so that
// waitForStop can take them synchronously.
void prepareStopSignals() {
#ifdef _WIN32
  stopEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  SetConsoleCtrlHandler(onConsoleEvent, TRUE);
#else
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, SIGINT);
  sigaddset(&set, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &set, nullptr);
#endif
}

void waitForStop() {
#ifdef _WIN32
  WaitForSingleObject(stopEvent, INFINITE);
#else
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, SIGINT);
  sigaddset(&set, SIGTERM);
  int signal = 0;
  sigwait(&set, &signal);
#endif
}

}  // namespace

int main(int argc, char** argv) {
  using namespace quillon::sim;
  detail::CommandLine line;
  try {
    line = detail::parseCommandLine(std::vector<std::string>(argv + 1, argv + argc));
  } catch (const std::exception& error) {
    std::cerr << "quillon-sim: " << error.what() << "\n";
    return 2;
  }
  if (line.help) {
    std::cout << detail::usageText();
    return 0;
  }
  if (line.version) {
    std::cout << "quillon-sim " << quillonVersion << "\n";
    return 0;
  }
  try {
    Controller controller = line.generate ? generateController(*line.generate) : loadController(line.database);
    prepareStopSignals();
    // Nothing here reads the request record (the log goes through the observer), so a long
    // demo keeps none.
    line.options.requestRecordLimit = 0;
    Server server(controller, line.options);

    std::ofstream logFile;
    std::ostream* log = nullptr;
    std::mutex logMutex;
    if (line.logRequests == "-") {
      log = &std::cout;
    } else if (!line.logRequests.empty()) {
      logFile.open(line.logRequests, std::ios::app);
      if (!logFile) throw std::runtime_error(line.logRequests + ": cannot be written");
      log = &logFile;
    }
    if (log) {
      server.setRequestObserver([&](const RequestRecord& record) {
        std::lock_guard<std::mutex> lock(logMutex);
        *log << formatRequestRecord(record) << std::endl;
      });
    }
    uint16_t port = server.start(line.port, line.host);
    {
      std::lock_guard<std::mutex> lock(logMutex);
      std::cout << "listening on " << line.host << ":" << port << std::endl;
    }
    waitForStop();
    server.stop();
  } catch (const std::exception& error) {
    std::cerr << "quillon-sim: " << error.what() << "\n";
    return 1;
  }
  return 0;
}
