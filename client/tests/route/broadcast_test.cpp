// Broadcast discovery, only inside a user and network namespace of the test's own: its
// datagrams cannot leave that namespace's loopback interface.
#include <gtest/gtest.h>

#include <net/if.h>
#include <sched.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <fstream>
#include <string>

#include "chassis.hpp"
#include "simulator.hpp"

namespace {

constexpr int kNoNamespace = 77;

bool writeFile(const char* path, const std::string& text) {
  std::ofstream file(path);
  return static_cast<bool>(file << text << std::flush);
}

// Becomes root of a new user namespace with a network namespace whose loopback is up.
bool enterOwnNetwork() {
  const uid_t uid = getuid();
  const gid_t gid = getgid();
  if (unshare(CLONE_NEWUSER | CLONE_NEWNET) != 0) return false;
  writeFile("/proc/self/setgroups", "deny");
  if (!writeFile("/proc/self/uid_map", "0 " + std::to_string(uid) + " 1") ||
      !writeFile("/proc/self/gid_map", "0 " + std::to_string(gid) + " 1"))
    return false;
  const int fd = socket(AF_INET, SOCK_DGRAM, 0);
  ifreq request{};
  std::strncpy(request.ifr_name, "lo", IFNAMSIZ - 1);
  const bool up = fd >= 0 && ioctl(fd, SIOCGIFFLAGS, &request) == 0 &&
                  (request.ifr_flags = static_cast<short>(request.ifr_flags | IFF_UP),
                   ioctl(fd, SIOCSIFFLAGS, &request) == 0);
  if (fd >= 0) close(fd);
  return up;
}

// In the child: 0 when exactly the module answered the broadcast.
int discoverByBroadcast() {
  if (!enterOwnNetwork()) return kNoNamespace;
  quillon::sim::Server server(quillon::testing::chassisController());
  const uint16_t port = server.start(0, "0.0.0.0");
  zoltc_logix_device_list list{};
  const zoltc_logix_result result = zoltc_logix_discover("127.255.255.255", port, true, 500, &list);
  const bool found = result == ZOLTC_LOGIX_OK && list.count == 1 &&
                     std::strcmp(list.devices[0].identity.product_name, quillon::testing::kModuleName) == 0;
  zoltc_logix_device_list_free(&list);
  return found ? 0 : 1;
}

TEST(Broadcast, EveryDeviceOnTheNetworkAnswers) {
  QUILLON_SKIP_SECOND_PASS();
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) _exit(discoverByBroadcast());
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  if (WEXITSTATUS(status) == kNoNamespace)
    GTEST_SKIP() << "no user and network namespace can be made here; broadcast is not sent anywhere else";
  EXPECT_EQ(WEXITSTATUS(status), 0) << "the module did not answer the broadcast inside the namespace";
}

}  // namespace
