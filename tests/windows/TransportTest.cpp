// The Windows Sockets branch of the transport over loopback: what Winsock reports
// differently from POSIX. A refused connect shows up only in select's exception set,
// so a connect that waited on the write set alone would read "refused" as a timeout;
// a peer's reset is a lost connection, as an orderly close is; and the library starts
// Winsock itself. The client's own tests, run under wine in the same stage, cover its
// connect and reads over this transport.
#include <gtest/gtest.h>

#include <winsock2.h>
#include <ws2tcpip.h>

#include <chrono>
#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

#include "transport.h"
#include "zoltc_logix.h"

namespace {

using Clock = std::chrono::steady_clock;

// Long enough that a refusal read as a timeout cannot pass the prompt bound below;
// the bound leaves headroom for Windows' 15.6 ms timer steps and a busy machine.
constexpr uint32_t kConnectTimeoutMs = 5000;
constexpr auto kPromptly = std::chrono::milliseconds(1500);
constexpr uint32_t kTransferTimeoutMs = 3000;

struct HolderDeleter {
  void operator()(zoltc_logix_socket* holder) const { zoltc_logix_socket_close(holder); }
};
using Holder = std::unique_ptr<zoltc_logix_socket, HolderDeleter>;

// A Winsock socket owned by the test (the peer side of a connection).
class Socket {
 public:
  explicit Socket(SOCKET handle = INVALID_SOCKET) : handle_(handle) {}
  Socket(Socket&& other) noexcept : handle_(std::exchange(other.handle_, INVALID_SOCKET)) {}
  Socket& operator=(Socket&& other) noexcept {
    if (this != &other) {
      close();
      handle_ = std::exchange(other.handle_, INVALID_SOCKET);
    }
    return *this;
  }
  ~Socket() { close(); }
  SOCKET get() const { return handle_; }
  void close() {
    if (handle_ != INVALID_SOCKET) closesocket(handle_);
    handle_ = INVALID_SOCKET;
  }

 private:
  SOCKET handle_;
};

// The test's own sockets need Winsock too; the library's start-up is tested on its own.
void startWinsock() {
  WSADATA data;
  ASSERT_EQ(WSAStartup(MAKEWORD(2, 2), &data), 0);
}

struct Bound {
  Socket socket;
  uint16_t port = 0;
};

// A socket bound to 127.0.0.1 on an ephemeral port, listening when asked to.
Bound bindLoopback(bool listening) {
  Bound bound{Socket(socket(AF_INET, SOCK_STREAM, IPPROTO_TCP))};
  EXPECT_NE(bound.socket.get(), INVALID_SOCKET);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  EXPECT_EQ(bind(bound.socket.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
  if (listening) {
    EXPECT_EQ(listen(bound.socket.get(), 4), 0);
  }
  int length = sizeof address;
  EXPECT_EQ(getsockname(bound.socket.get(), reinterpret_cast<sockaddr*>(&address), &length), 0);
  bound.port = ntohs(address.sin_port);
  return bound;
}

// A loopback port on which nothing listens: bound once, then released.
uint16_t closedPort() { return bindLoopback(false).port; }

// A holder connected to a fresh listener, and the listener's side of the connection.
struct Connection {
  Holder holder;
  Socket peer;
};

Connection connectToListener() {
  Bound listener = bindLoopback(true);
  Connection connection{Holder(zoltc_logix_socket_create()), Socket()};
  EXPECT_NE(connection.holder, nullptr);
  EXPECT_EQ(zoltc_logix_tcp_connect(connection.holder.get(), "127.0.0.1", listener.port,
                                    kConnectTimeoutMs),
            ZOLTC_LOGIX_IO_OK);
  connection.peer = Socket(accept(listener.socket.get(), nullptr, nullptr));
  EXPECT_NE(connection.peer.get(), INVALID_SOCKET);
  return connection;
}

class WindowsTransport : public ::testing::Test {
 protected:
  void SetUp() override { startWinsock(); }
  void TearDown() override { WSACleanup(); }
};

// The regression this guards: waiting on the write set alone turns every refused
// connect into a timeout after the full wait.
TEST_F(WindowsTransport, RefusedConnectIsConnectFailedWellBeforeTheTimeout) {
  const uint16_t port = closedPort();
  for (const char* host : {"127.0.0.1", "localhost"}) {
    SCOPED_TRACE(host);
    Holder holder(zoltc_logix_socket_create());
    ASSERT_NE(holder, nullptr);
    const Clock::time_point start = Clock::now();
    EXPECT_EQ(zoltc_logix_tcp_connect(holder.get(), host, port, kConnectTimeoutMs),
              ZOLTC_LOGIX_IO_CONNECT_FAILED);
    EXPECT_LT(Clock::now() - start, kPromptly);
    EXPECT_FALSE(zoltc_logix_socket_is_open(holder.get()));
  }
}

// A peer that resets (linger 0) and one that closes in order both read as a lost
// connection: real Windows reports the reset as WSAECONNRESET, wine as end of stream.
TEST_F(WindowsTransport, ResetAndOrderlyCloseAreBothALostConnection) {
  for (const bool reset : {true, false}) {
    SCOPED_TRACE(reset ? "reset" : "orderly close");
    Connection connection = connectToListener();
    ASSERT_NE(connection.peer.get(), INVALID_SOCKET);
    ASSERT_EQ(send(connection.peer.get(), "ab", 2, 0), 2);
    if (reset) {
      const linger abort{1, 0};
      ASSERT_EQ(setsockopt(connection.peer.get(), SOL_SOCKET, SO_LINGER,
                           reinterpret_cast<const char*>(&abort), sizeof abort),
                0);
    }
    connection.peer.close();
    // Four bytes wanted, two sent before the peer went.
    std::vector<uint8_t> buffer(4);
    EXPECT_EQ(zoltc_logix_tcp_recv_all(connection.holder.get(), buffer.data(), 4,
                                       kTransferTimeoutMs),
              ZOLTC_LOGIX_IO_CLOSED);
    // The transport never closes the socket itself: the caller does.
    EXPECT_TRUE(zoltc_logix_socket_is_open(connection.holder.get()));
  }
}

// No WSAStartup of the test's own here: creating a holder starts the socket layer.
// (Under ctest every test runs in a process of its own, so nothing has started it.)
TEST(WindowsSocketLayer, CreatingAHolderStartsWinsock) {
  const SOCKET before = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  if (before == INVALID_SOCKET) {
    EXPECT_EQ(WSAGetLastError(), WSANOTINITIALISED);
  } else {
    closesocket(before);
  }
  Holder holder(zoltc_logix_socket_create());
  ASSERT_NE(holder, nullptr);
  const SOCKET after = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  EXPECT_NE(after, INVALID_SOCKET);
  if (after != INVALID_SOCKET) closesocket(after);
}

}  // namespace
