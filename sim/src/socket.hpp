// The few socket operations the server needs, over POSIX sockets or Windows Sockets 2.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace quillon::sim::detail {

#ifdef _WIN32
using SocketHandle = uintptr_t;
#else
using SocketHandle = int;
#endif
extern const SocketHandle kNoSocket;

// Starts the platform's socket layer once (Windows); harmless elsewhere.
void initSockets();

// A listening TCP socket on host:port (IPv4 address text or "localhost"); throws
// std::runtime_error when it cannot be created or bound.
SocketHandle listenOn(const std::string& host, uint16_t port);
uint16_t localPort(SocketHandle socket);
uint32_t localIpv4(SocketHandle socket);  // host byte order

// Waits for a connection; kNoSocket once the listening socket has been shut down or when
// accept fails (for example when descriptors run out), with the reason in `error`.
SocketHandle acceptOn(SocketHandle listener, std::string& error);

// Makes a receive that waits longer than `ms` fail (0: wait for ever).
void setReceiveTimeout(SocketHandle socket, uint32_t ms);

enum class Received { all, closed, timedOut };
// Receives exactly `size` bytes.
Received receiveAll(SocketHandle socket, uint8_t* data, size_t size);
// Sends all bytes; false on an error. Never raises SIGPIPE.
bool sendAll(SocketHandle socket, const uint8_t* data, size_t size);

// A UDP socket bound to host:port (IPv4 address text or "localhost"); kNoSocket when it
// cannot be bound.
SocketHandle datagramOn(const std::string& host, uint16_t port);
// Waits for one datagram of at most `capacity` bytes; its size (0 after an error) and
// sender (host byte order).
size_t receiveDatagram(SocketHandle socket, uint8_t* data, size_t capacity, uint32_t& fromIpv4,
                       uint16_t& fromPort);
void sendDatagram(SocketHandle socket, const uint8_t* data, size_t size, uint32_t toIpv4, uint16_t toPort);

// Ends both directions so that a thread blocked in receive wakes up.
void shutdownSocket(SocketHandle socket);
// Wakes a thread blocked in acceptOn. Returns true when that already closed the socket
// (Windows), so that it must not be closed again.
bool stopListening(SocketHandle listener);
void closeSocket(SocketHandle socket);

}  // namespace quillon::sim::detail
