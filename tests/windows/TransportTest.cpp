// The Windows Sockets branch of the transport over loopback, where Winsock differs from POSIX:
// the library starts Winsock itself, and a peer's reset is a lost connection as an orderly
// close is. The client's own tests, run under wine in the same stage, cover connecting
// (refused connects promptly) and transfers over this transport.
#include <gtest/gtest.h>

#include <winsock2.h>

#include <memory>

#include "transport.h"

namespace {

struct HolderDeleter {
  void operator()(zoltc_logix_socket* holder) const { zoltc_logix_socket_close(holder); }
};
using Holder = std::unique_ptr<zoltc_logix_socket, HolderDeleter>;

// No WSAStartup of the test's own before the holder: creating it starts the socket layer (under
// ctest every test runs in a process of its own, so nothing has started it). Then a peer that
// resets (linger 0) and one that closes in order, each after two of four awaited bytes: real
// Windows reports the reset as WSAECONNRESET, wine as end of stream.
TEST(WindowsTransport, CreatingAHolderStartsWinsockAndResetOrCloseIsALostConnection) {
  const SOCKET before = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  if (before == INVALID_SOCKET) {
    EXPECT_EQ(WSAGetLastError(), WSANOTINITIALISED);
  } else {
    closesocket(before);
  }
  ASSERT_NE(Holder(zoltc_logix_socket_create()), nullptr);
  for (const bool reset : {true, false}) {
    SCOPED_TRACE(reset ? "reset" : "orderly close");
    const SOCKET listener = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    ASSERT_NE(listener, INVALID_SOCKET) << "the holder started Winsock";
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    int length = sizeof address;
    ASSERT_EQ(bind(listener, reinterpret_cast<const sockaddr*>(&address), length), 0);
    ASSERT_EQ(listen(listener, 1), 0);
    ASSERT_EQ(getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length), 0);
    Holder holder(zoltc_logix_socket_create());
    ASSERT_EQ(zoltc_logix_tcp_connect(holder.get(), "127.0.0.1", ntohs(address.sin_port), 5000), ZOLTC_LOGIX_IO_OK);
    const SOCKET peer = accept(listener, nullptr, nullptr);
    closesocket(listener);
    ASSERT_NE(peer, INVALID_SOCKET);
    const linger abort{1, 0};
    EXPECT_EQ(send(peer, "ab", 2, 0), 2);
    if (reset) {
      EXPECT_EQ(setsockopt(peer, SOL_SOCKET, SO_LINGER, reinterpret_cast<const char*>(&abort), sizeof abort), 0);
    }
    closesocket(peer);
    uint8_t buffer[4];
    EXPECT_EQ(zoltc_logix_tcp_recv_all(holder.get(), buffer, 4, 3000), ZOLTC_LOGIX_IO_CLOSED);
    EXPECT_TRUE(zoltc_logix_socket_is_open(holder.get())) << "the caller closes it, not the transport";
  }
}

}  // namespace
