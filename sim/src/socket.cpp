#include "socket.hpp"

#include <cstring>
#include <stdexcept>

#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
#else
#include <arpa/inet.h>
#include <cerrno>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>
#endif

namespace quillon::sim::detail {

#ifdef _WIN32
const SocketHandle kNoSocket = INVALID_SOCKET;
using Length = int;
namespace {
constexpr int kSendFlags = 0;
bool interrupted() { return false; }
bool timedOut() { return WSAGetLastError() == WSAETIMEDOUT; }
std::string lastErrorText() { return "error " + std::to_string(WSAGetLastError()); }
}  // namespace
#else
const SocketHandle kNoSocket = -1;
using Length = socklen_t;
namespace {
constexpr int kSendFlags = MSG_NOSIGNAL;
bool interrupted() { return errno == EINTR; }
bool timedOut() { return errno == EAGAIN || errno == EWOULDBLOCK; }
std::string lastErrorText() { return std::strerror(errno); }
}  // namespace
#endif

void initSockets() {
#ifdef _WIN32
  static const bool started = [] {
    WSADATA data;
    return WSAStartup(MAKEWORD(2, 2), &data) == 0;
  }();
  if (!started) throw std::runtime_error("Windows Sockets could not be started");
#endif
}

namespace {

sockaddr_in ipv4Address(const std::string& host, uint16_t port) {
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(port);
  std::string numeric = host == "localhost" ? "127.0.0.1" : host;
  if (inet_pton(AF_INET, numeric.c_str(), &address.sin_addr) != 1)
    throw std::runtime_error("not an IPv4 address: " + host);
  return address;
}

}  // namespace

SocketHandle listenOn(const std::string& host, uint16_t port) {
  sockaddr_in address = ipv4Address(host, port);
  SocketHandle listener = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  if (listener == kNoSocket) throw std::runtime_error("cannot create a socket");
#ifndef _WIN32
  // Windows' SO_REUSEADDR would let another process take the port; only POSIX needs it
  // to rebind a port whose old connections linger in TIME_WAIT.
  int yes = 1;
  setsockopt(listener, SOL_SOCKET, SO_REUSEADDR, reinterpret_cast<const char*>(&yes), sizeof yes);
#endif
  if (bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
      listen(listener, 64) != 0) {
    closeSocket(listener);
    throw std::runtime_error("cannot listen on " + host + ":" + std::to_string(port));
  }
  return listener;
}

SocketHandle datagramOn(const std::string& host, uint16_t port) {
  sockaddr_in address = ipv4Address(host, port);
  SocketHandle socket = ::socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
  if (socket == kNoSocket) return kNoSocket;
  if (bind(socket, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
    closeSocket(socket);
    return kNoSocket;
  }
  return socket;
}

size_t receiveDatagram(SocketHandle socket, uint8_t* data, size_t capacity, uint32_t& fromIpv4,
                       uint16_t& fromPort) {
  sockaddr_in from{};
  Length length = sizeof from;
  auto got = recvfrom(socket, reinterpret_cast<char*>(data), static_cast<int>(capacity), 0,
                      reinterpret_cast<sockaddr*>(&from), &length);
  if (got <= 0) return 0;
  fromIpv4 = ntohl(from.sin_addr.s_addr);
  fromPort = ntohs(from.sin_port);
  return static_cast<size_t>(got);
}

void sendDatagram(SocketHandle socket, const uint8_t* data, size_t size, uint32_t toIpv4, uint16_t toPort) {
  sockaddr_in to{};
  to.sin_family = AF_INET;
  to.sin_addr.s_addr = htonl(toIpv4);
  to.sin_port = htons(toPort);
  sendto(socket, reinterpret_cast<const char*>(data), static_cast<int>(size), kSendFlags,
         reinterpret_cast<const sockaddr*>(&to), sizeof to);
}

uint16_t localPort(SocketHandle socket) {
  sockaddr_in address{};
  Length length = sizeof address;
  if (getsockname(socket, reinterpret_cast<sockaddr*>(&address), &length) != 0) return 0;
  return ntohs(address.sin_port);
}

uint32_t localIpv4(SocketHandle socket) {
  sockaddr_in address{};
  Length length = sizeof address;
  if (getsockname(socket, reinterpret_cast<sockaddr*>(&address), &length) != 0) return 0;
  return ntohl(address.sin_addr.s_addr);
}

SocketHandle acceptOn(SocketHandle listener, std::string& error) {
  for (;;) {
    SocketHandle connection = accept(listener, nullptr, nullptr);
    if (connection != kNoSocket) {
      int yes = 1;
      setsockopt(connection, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&yes), sizeof yes);
      return connection;
    }
#ifndef _WIN32
    // A client that gave up before we took its connection is not our end.
    if (interrupted() || errno == ECONNABORTED) continue;
#endif
    error = lastErrorText();
    return kNoSocket;
  }
}

void setReceiveTimeout(SocketHandle socket, uint32_t ms) {
#ifdef _WIN32
  DWORD limit = ms;
#else
  timeval limit{};
  limit.tv_sec = static_cast<time_t>(ms / 1000);
  limit.tv_usec = static_cast<suseconds_t>((ms % 1000) * 1000);
#endif
  setsockopt(socket, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&limit), sizeof limit);
}

Received receiveAll(SocketHandle socket, uint8_t* data, size_t size) {
  while (size > 0) {
    int chunk = size > 0x10000 ? 0x10000 : static_cast<int>(size);
    auto got = recv(socket, reinterpret_cast<char*>(data), chunk, 0);
    if (got < 0 && interrupted()) continue;
    if (got < 0 && timedOut()) return Received::timedOut;
    if (got <= 0) return Received::closed;
    data += got;
    size -= static_cast<size_t>(got);
  }
  return Received::all;
}

bool sendAll(SocketHandle socket, const uint8_t* data, size_t size) {
  while (size > 0) {
    int chunk = size > 0x10000 ? 0x10000 : static_cast<int>(size);
    auto sent = send(socket, reinterpret_cast<const char*>(data), chunk, kSendFlags);
    if (sent < 0 && interrupted()) continue;
    if (sent <= 0) return false;
    data += sent;
    size -= static_cast<size_t>(sent);
  }
  return true;
}

void shutdownSocket(SocketHandle socket) {
#ifdef _WIN32
  shutdown(socket, SD_BOTH);
  // A recv blocked in another thread does not return on shutdown everywhere (wine's
  // Windows Sockets keep it waiting); cancelling the socket's pending I/O ends it.
  CancelIoEx(reinterpret_cast<HANDLE>(socket), nullptr);
#else
  shutdown(socket, SHUT_RDWR);
#endif
}

bool stopListening(SocketHandle listener) {
#ifdef _WIN32
  closesocket(listener);  // the one way to end a blocking accept there
  return true;
#else
  shutdown(listener, SHUT_RDWR);  // accept then fails with EINVAL
  return false;
#endif
}

void closeSocket(SocketHandle socket) {
#ifdef _WIN32
  closesocket(socket);
#else
  close(socket);
#endif
}

}  // namespace quillon::sim::detail
