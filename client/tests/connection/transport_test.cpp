// The TCP transport and the session layer over loopback: connecting, refused
// and unresolvable addresses, exact transfers, timeouts and a peer that leaves.
#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <vector>

#ifndef _WIN32
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>
#endif

#include "bytes.hpp"
#include "session.h"
#include "simulator.hpp"
#include "transport.h"

namespace {

using quillon::sim::Options;
using quillon::testing::Bytes;

constexpr uint32_t kTimeoutMs = 3000;
constexpr uint32_t kShortTimeoutMs = 200;

// RegisterSession: header with length 4, then protocol version 1 and no flags.
const Bytes kRegisterSession{0x65, 0, 4, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0,
                             0,    0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0};

struct HolderDeleter {
  void operator()(zoltc_logix_socket* holder) const { zoltc_logix_socket_close(holder); }
};
using Holder = std::unique_ptr<zoltc_logix_socket, HolderDeleter>;

Holder makeHolder() {
  Holder holder(zoltc_logix_socket_create());
  EXPECT_NE(holder, nullptr);
  return holder;
}

// A port on which nothing listens: a server's port after it stopped.
uint16_t closedPort() {
  auto server = quillon::testing::startServer(quillon::testing::identityController());
  const uint16_t port = server->port();
  server->stop();
  return port;
}

class TransportTest : public quillon::testing::SimulatorTest {
 protected:
  // A holder connected to the fixture's server.
  Holder connected() {
    Holder holder = makeHolder();
    EXPECT_EQ(zoltc_logix_tcp_connect(holder.get(), "127.0.0.1", port(), kTimeoutMs),
              ZOLTC_LOGIX_IO_OK);
    return holder;
  }
};

void sendRegisterSession(zoltc_logix_socket* holder) {
  ASSERT_EQ(zoltc_logix_tcp_send_all(holder, kRegisterSession.data(), 28, kTimeoutMs),
            ZOLTC_LOGIX_IO_OK);
}

// One RegisterSession exchange: once it is answered, the server has accepted
// this connection and every one made before it.
void exchangeRegisterSession(zoltc_logix_socket* holder) {
  sendRegisterSession(holder);
  Bytes reply(28);
  ASSERT_EQ(zoltc_logix_tcp_recv_all(holder, reply.data(), 28, kTimeoutMs), ZOLTC_LOGIX_IO_OK);
  EXPECT_EQ(reply[0], 0x65);
}

TEST_F(TransportTest, ConnectsByAddressAndByName) {
  for (const char* host : {"127.0.0.1", "localhost"}) {
    SCOPED_TRACE(host);
    Holder holder = makeHolder();
    ASSERT_EQ(zoltc_logix_tcp_connect(holder.get(), host, port(), kTimeoutMs),
              ZOLTC_LOGIX_IO_OK);
    EXPECT_TRUE(zoltc_logix_socket_is_open(holder.get()));
    exchangeRegisterSession(holder.get());
  }
  EXPECT_EQ(server().connectionsAccepted(), 2u);
}

TEST_F(TransportTest, ExchangesExactByteCounts) {
  Holder holder = connected();
  sendRegisterSession(holder.get());
  // The reply in two pieces: its header, then its 4 data bytes.
  Bytes reply(28);
  ASSERT_EQ(zoltc_logix_tcp_recv_all(holder.get(), reply.data(), 24, kTimeoutMs),
            ZOLTC_LOGIX_IO_OK);
  EXPECT_EQ(reply[0], 0x65);
  EXPECT_EQ(reply[2], 4);
  ASSERT_EQ(zoltc_logix_tcp_recv_all(holder.get(), reply.data() + 24, 4, kTimeoutMs),
            ZOLTC_LOGIX_IO_OK);
  EXPECT_EQ(reply[24], 1);
}

// Nothing more is coming, so a receive of 0 bytes must not wait at all.
TEST_F(TransportTest, ZeroBytesNeedNoWait) {
  Holder holder = connected();
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(zoltc_logix_tcp_recv_all(holder.get(), nullptr, 0, 60000), ZOLTC_LOGIX_IO_OK);
  EXPECT_EQ(zoltc_logix_tcp_send_all(holder.get(), nullptr, 0, 60000), ZOLTC_LOGIX_IO_OK);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(30));
}

TEST_F(TransportTest, ReceiveTimesOutWhenNothingArrives) {
  Holder holder = connected();
  Bytes reply(24);
  EXPECT_EQ(zoltc_logix_tcp_recv_all(holder.get(), reply.data(), 24, kShortTimeoutMs),
            ZOLTC_LOGIX_IO_TIMEOUT);
  // The socket stays open: the caller decides.
  EXPECT_TRUE(zoltc_logix_socket_is_open(holder.get()));
}

TEST_F(TransportTest, PeerClosingDuringAReceiveIsClosed) {
  Options options;
  options.truncateReplyTo = 10;
  server().setOptions(options);
  Holder holder = connected();
  sendRegisterSession(holder.get());
  Bytes reply(24);
  EXPECT_EQ(zoltc_logix_tcp_recv_all(holder.get(), reply.data(), 24, kTimeoutMs),
            ZOLTC_LOGIX_IO_CLOSED);
  EXPECT_EQ(reply[0], 0x65);
}

// Sending to a peer that has gone must return an error, not raise SIGPIPE
// (which would end this test program).
TEST_F(TransportTest, SendingToAClosedPeerFailsWithoutASignal) {
  Holder holder = connected();
  server().stop();
  // The first sends may still be accepted locally; the peer's reset to them
  // fails a later one.
  const Bytes block(64 * 1024, 0);
  zoltc_logix_io_result result = ZOLTC_LOGIX_IO_OK;
  for (int i = 0; i < 100 && result == ZOLTC_LOGIX_IO_OK; ++i) {
    result = zoltc_logix_tcp_send_all(holder.get(), block.data(),
                                      static_cast<uint32_t>(block.size()), kTimeoutMs);
  }
  EXPECT_EQ(result, ZOLTC_LOGIX_IO_CLOSED);
}

TEST(TransportRefusal, ClosedPortIsRefusedPromptly) {
  const uint16_t port = closedPort();
  Holder holder = makeHolder();
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(zoltc_logix_tcp_connect(holder.get(), "127.0.0.1", port, 10000),
            ZOLTC_LOGIX_IO_CONNECT_FAILED);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
  EXPECT_FALSE(zoltc_logix_socket_is_open(holder.get()));
}

TEST(TransportRefusal, UnresolvableHostIsResolveFailed) {
  Holder holder = makeHolder();
  EXPECT_EQ(zoltc_logix_tcp_connect(holder.get(), "no-such-controller.invalid", 44818, 1000),
            ZOLTC_LOGIX_IO_RESOLVE_FAILED);
}

// A connect on a holder that is still connected replaces the old socket; a
// failed connect leaves the holder without one.
TEST_F(TransportTest, ReconnectReplacesTheSocket) {
  Holder holder = connected();
  ASSERT_EQ(zoltc_logix_tcp_connect(holder.get(), "127.0.0.1", port(), kTimeoutMs),
            ZOLTC_LOGIX_IO_OK);
  exchangeRegisterSession(holder.get());
  EXPECT_EQ(server().connectionsAccepted(), 2u);
  EXPECT_EQ(zoltc_logix_tcp_connect(holder.get(), "127.0.0.1", closedPort(), kTimeoutMs),
            ZOLTC_LOGIX_IO_CONNECT_FAILED);
  EXPECT_FALSE(zoltc_logix_socket_is_open(holder.get()));
}

#ifndef _WIN32
// A listener that never accepts, its queue filled, so that a further connect
// stays pending: the SYN is dropped, not refused. (Windows refuses instead, so
// this exists for POSIX only.)
class FullListener {
 public:
  FullListener() {
    listener_ = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    if (bind(listener_, reinterpret_cast<sockaddr*>(&address), size) != 0 ||
        listen(listener_, 0) != 0 ||
        getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &size) != 0) {
      return;
    }
    port_ = ntohs(address.sin_port);
    // Connect until one attempt stays pending: the queue is then full.
    for (int i = 0; i < 16; ++i) {
      const int fd = socket(AF_INET, SOCK_STREAM, 0);
      fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
      connect(fd, reinterpret_cast<sockaddr*>(&address), size);
      pollfd entry{fd, POLLOUT, 0};
      if (poll(&entry, 1, 300) == 1) {
        fillers_.push_back(fd);
        continue;
      }
      close(fd);
      full_ = true;
      break;
    }
  }
  ~FullListener() {
    for (int fd : fillers_) {
      close(fd);
    }
    close(listener_);
  }
  bool full() const { return full_; }
  uint16_t port() const { return port_; }

 private:
  int listener_ = -1;
  uint16_t port_ = 0;
  bool full_ = false;
  std::vector<int> fillers_;
};

TEST(TransportPending, ConnectStillPendingAtTheTimeoutIsTimeout) {
  FullListener listener;
  ASSERT_TRUE(listener.full());
  Holder holder = makeHolder();
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(zoltc_logix_tcp_connect(holder.get(), "127.0.0.1", listener.port(), kShortTimeoutMs),
            ZOLTC_LOGIX_IO_TIMEOUT);
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(180));
  EXPECT_FALSE(zoltc_logix_socket_is_open(holder.get()));

  zoltc_logix_client* client = zoltc_logix_client_create();
  ASSERT_NE(client, nullptr);
  EXPECT_EQ(zoltc_logix_connect(client, "127.0.0.1", listener.port(), kShortTimeoutMs),
            ZOLTC_LOGIX_ERR_TIMEOUT);
  zoltc_logix_client_destroy(client);
}
#endif

TEST(TransportArguments, InvalidArgumentsAndMissingSockets) {
  Holder holder = makeHolder();
  uint8_t byte = 0;
  EXPECT_EQ(zoltc_logix_tcp_connect(nullptr, "127.0.0.1", 1, 100), ZOLTC_LOGIX_IO_INVALID_ARGUMENT);
  EXPECT_EQ(zoltc_logix_tcp_connect(holder.get(), nullptr, 1, 100),
            ZOLTC_LOGIX_IO_INVALID_ARGUMENT);
  EXPECT_EQ(zoltc_logix_tcp_connect(holder.get(), "", 1, 100), ZOLTC_LOGIX_IO_INVALID_ARGUMENT);
  EXPECT_EQ(zoltc_logix_tcp_connect(holder.get(), "127.0.0.1", 0, 100),
            ZOLTC_LOGIX_IO_INVALID_ARGUMENT);
  EXPECT_EQ(zoltc_logix_tcp_send_all(nullptr, &byte, 1, 100), ZOLTC_LOGIX_IO_INVALID_ARGUMENT);
  EXPECT_EQ(zoltc_logix_tcp_recv_all(holder.get(), nullptr, 1, 100),
            ZOLTC_LOGIX_IO_INVALID_ARGUMENT);
  EXPECT_EQ(zoltc_logix_tcp_send_all(holder.get(), &byte, 1, 100), ZOLTC_LOGIX_IO_CLOSED);
  EXPECT_EQ(zoltc_logix_tcp_recv_all(holder.get(), &byte, 1, 100), ZOLTC_LOGIX_IO_CLOSED);
  EXPECT_EQ(zoltc_logix_tcp_recv_all(holder.get(), &byte, 0, 100), ZOLTC_LOGIX_IO_CLOSED);
  EXPECT_FALSE(zoltc_logix_socket_is_open(nullptr));
  zoltc_logix_socket_close(nullptr);
}

// Connect results of the client for addresses that never get a session.
TEST(ClientRefusal, RefusedAndUnresolvableAreConnectFailed) {
  zoltc_logix_client* client = zoltc_logix_client_create();
  ASSERT_NE(client, nullptr);
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(zoltc_logix_connect(client, "127.0.0.1", closedPort(), 10000),
            ZOLTC_LOGIX_ERR_CONNECT_FAILED);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
  EXPECT_EQ(zoltc_logix_connect(client, "no-such-controller.invalid", 44818, 1000),
            ZOLTC_LOGIX_ERR_CONNECT_FAILED);
  EXPECT_EQ(zoltc_logix_get_product_name(client), nullptr);
  zoltc_logix_client_destroy(client);
}

// A session that never registered sends nothing when closed, and a session
// without a socket refuses exchanges. The same record then registers on a new
// connection; by the time that is recorded, anything sent on the first
// connection would have been recorded too.
TEST_F(TransportTest, SessionWithoutRegistrationClosesSilently) {
  zoltc_logix_session* session = zoltc_logix_session_create();
  ASSERT_NE(session, nullptr);
  EXPECT_EQ(session->sender_context, 0u);
  zoltc_logix_encap_reply reply{};
  EXPECT_EQ(zoltc_logix_session_transact(session, 0x6F, nullptr, 0, &reply),
            ZOLTC_LOGIX_STATUS_NOT_CONNECTED);
  session->socket = zoltc_logix_socket_create();
  ASSERT_EQ(zoltc_logix_tcp_connect(session->socket, "127.0.0.1", port(), kTimeoutMs),
            ZOLTC_LOGIX_IO_OK);
  zoltc_logix_session_close(session);
  EXPECT_EQ(session->socket, nullptr);
  EXPECT_EQ(session->state, ZOLTC_LOGIX_SESSION_CLOSED);

  ASSERT_EQ(zoltc_logix_session_open(session, "127.0.0.1", port(), kTimeoutMs),
            ZOLTC_LOGIX_STATUS_OK);
  EXPECT_EQ(session->state, ZOLTC_LOGIX_SESSION_REGISTERED);
  EXPECT_EQ(session->sender_context, 1u);
  const auto wire = records();
  ASSERT_EQ(wire.size(), 1u);
  EXPECT_EQ(wire[0].connectionId, 2u);
  EXPECT_EQ(wire[0].command, 0x65);
  zoltc_logix_session_free(session);
  zoltc_logix_session_free(nullptr);
}

// Too much data for one packet is refused before anything is sent; the
// session keeps its connection.
TEST_F(TransportTest, ExchangeRefusesOversizeData) {
  zoltc_logix_session* session = zoltc_logix_session_create();
  ASSERT_NE(session, nullptr);
  ASSERT_EQ(zoltc_logix_session_open(session, "127.0.0.1", port(), kTimeoutMs),
            ZOLTC_LOGIX_STATUS_OK);
  const Bytes data(65536, 0);
  zoltc_logix_encap_reply reply{};
  EXPECT_EQ(zoltc_logix_session_transact(session, 0x6F, data.data(), 65536, &reply),
            ZOLTC_LOGIX_STATUS_INVALID_ARGUMENT);
  EXPECT_EQ(zoltc_logix_session_transact(session, 0x6F, nullptr, 4, &reply),
            ZOLTC_LOGIX_STATUS_INVALID_ARGUMENT);
  EXPECT_EQ(session->state, ZOLTC_LOGIX_SESSION_REGISTERED);
  zoltc_logix_session_free(session);
  EXPECT_TRUE(waitForRecord([](const auto& record) { return record.command == 0x66; }));
  EXPECT_EQ(records().size(), 2u);  // RegisterSession and UnRegisterSession only
}

}  // namespace
