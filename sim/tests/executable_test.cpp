// The quillon-sim executable: prints the port it listens on, serves, ends cleanly on SIGTERM.
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "wire.hpp"

extern char** environ;

namespace quillon::sim::test {
namespace {

struct Child {
  pid_t pid = -1;
  FILE* out = nullptr;
};

Child spawnSimulator(std::vector<const char*> arguments) {
  int pipeEnds[2];
  EXPECT_EQ(pipe(pipeEnds), 0);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], STDOUT_FILENO);
  posix_spawn_file_actions_addclose(&actions, pipeEnds[0]);
  std::vector<char*> argv{const_cast<char*>(QUILLON_SIM_EXECUTABLE)};
  for (const char* argument : arguments) argv.push_back(const_cast<char*>(argument));
  argv.push_back(nullptr);
  Child child;
  EXPECT_EQ(posix_spawn(&child.pid, QUILLON_SIM_EXECUTABLE, &actions, nullptr, argv.data(), environ), 0);
  posix_spawn_file_actions_destroy(&actions);
  close(pipeEnds[1]);
  child.out = fdopen(pipeEnds[0], "r");
  return child;
}

int waitExit(const Child& child) {
  int status = 0;
  waitpid(child.pid, &status, 0);
  fclose(child.out);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(Executable, ServesTheSampleAndStopsOnSigterm) {
  Child child = spawnSimulator({"--db", QUILLON_SIM_SAMPLE, "--port", "0", "--symbols-per-page", "1"});
  char line[128] = {};
  ASSERT_NE(fgets(line, sizeof line, child.out), nullptr);
  const char* prefix = "listening on 127.0.0.1:";
  ASSERT_EQ(std::strncmp(line, prefix, std::strlen(prefix)), 0) << line;
  auto port = static_cast<uint16_t>(std::atoi(line + std::strlen(prefix)));
  {
    WireClient wire(port);
    ASSERT_NE(wire.registerSession(), 0u);
    RouterReply page = wire.request(0x55, PathBuilder().classId(0x6B).instance(0), Bytes{1, 0, 1, 0});
    EXPECT_EQ(page.status, 0x06);  // the knob from the command line holds
  }
  kill(child.pid, SIGTERM);
  EXPECT_EQ(waitExit(child), 0);
}

TEST(Executable, RefusesAMissingDatabase) {
  Child child = spawnSimulator({"--db", "/nonexistent/controller.json"});
  EXPECT_EQ(waitExit(child), 1);
  child = spawnSimulator({"--bogus"});
  EXPECT_EQ(waitExit(child), 2);
}

}  // namespace
}  // namespace quillon::sim::test
