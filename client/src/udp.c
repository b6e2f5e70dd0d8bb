/* UDP datagrams over Windows Sockets 2 or POSIX sockets, for discovery. */
#include "udp.h"

#include "alloc.h"

#include <string.h>

#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>

typedef SOCKET socket_t;
typedef int address_size_t;
typedef int transfer_size_t;
#define INVALID_DESCRIPTOR INVALID_SOCKET

#else
#include <arpa/inet.h>
#include <errno.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <time.h>
#include <unistd.h>

typedef int socket_t;
typedef socklen_t address_size_t;
typedef size_t transfer_size_t;
#define INVALID_DESCRIPTOR (-1)
#endif

struct zoltc_logix_udp {
  socket_t descriptor;
};

/* ------------------------------------------------------------------------ */
/* Platform                                                                 */
/* ------------------------------------------------------------------------ */
#ifdef _WIN32

/* Each socket holds one reference on the socket layer, dropped when closed. */
static bool platform_start(void) {
  WSADATA data;
  return WSAStartup(0x0202, &data) == 0;
}

static void platform_stop(void) {
  WSACleanup();
}

static void close_descriptor(socket_t descriptor) {
  closesocket(descriptor);
}

static bool set_non_blocking(socket_t descriptor) {
  u_long on = 1;
  return ioctlsocket(descriptor, (long)FIONBIO, &on) == 0;
}

/* A port that refused an earlier datagram makes the next receive fail with a
 * reset; that says nothing about the replies still to come. */
static bool receive_error_is_transient(void) {
  const int error = WSAGetLastError();
  return error == WSAEWOULDBLOCK || error == WSAECONNRESET || error == WSAEMSGSIZE;
}

static int wait_readable(socket_t descriptor, uint32_t wait_ms) {
  fd_set ready;
  FD_ZERO(&ready);
  FD_SET(descriptor, &ready);
  struct timeval limit;
  limit.tv_sec = (long)(wait_ms / 1000u);
  limit.tv_usec = (long)((wait_ms % 1000u) * 1000u);
  return select(0, &ready, NULL, NULL, &limit);
}

uint64_t zoltc_logix_udp_now_ms(void) {
  return (uint64_t)GetTickCount64();
}

#else

static bool platform_start(void) {
  return true;
}

static void platform_stop(void) {}

static void close_descriptor(socket_t descriptor) {
  close(descriptor);
}

static bool set_non_blocking(socket_t descriptor) {
  int descriptor_flags = fcntl(descriptor, F_GETFD);
  if (descriptor_flags >= 0) {
    (void)fcntl(descriptor, F_SETFD, descriptor_flags | FD_CLOEXEC);
  }
  int flags = fcntl(descriptor, F_GETFL);
  return flags >= 0 && fcntl(descriptor, F_SETFL, flags | O_NONBLOCK) == 0;
}

static bool receive_error_is_transient(void) {
  return errno == EWOULDBLOCK || errno == EAGAIN || errno == EINTR || errno == ECONNREFUSED;
}

static int wait_readable(socket_t descriptor, uint32_t wait_ms) {
  struct pollfd entry;
  entry.fd = descriptor;
  entry.events = POLLIN;
  entry.revents = 0;
  const int count = poll(&entry, 1, wait_ms > (uint32_t)INT32_MAX ? INT32_MAX : (int)wait_ms);
  return count < 0 && errno == EINTR ? 0 : count;
}

uint64_t zoltc_logix_udp_now_ms(void) {
  struct timespec now;
  clock_gettime(CLOCK_MONOTONIC, &now);
  return (uint64_t)now.tv_sec * 1000u + (uint64_t)now.tv_nsec / 1000000u;
}

#endif

/* ------------------------------------------------------------------------ */
/* Socket, resolution, transfers                                            */
/* ------------------------------------------------------------------------ */

zoltc_logix_udp *zoltc_logix_udp_open(bool broadcast) {
  if (!platform_start()) {
    return NULL;
  }
  zoltc_logix_udp *udp = zoltc_logix_alloc(sizeof *udp);
  if (udp == NULL) {
    platform_stop();
    return NULL;
  }
  udp->descriptor = socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
  int on = 1;
  struct sockaddr_in local;
  memset(&local, 0, sizeof local);
  local.sin_family = AF_INET;
  local.sin_addr.s_addr = htonl(INADDR_ANY);
  local.sin_port = 0;
  if (udp->descriptor == INVALID_DESCRIPTOR || !set_non_blocking(udp->descriptor) ||
      (broadcast && setsockopt(udp->descriptor, SOL_SOCKET, SO_BROADCAST, (const char *)&on,
                               sizeof on) != 0) ||
      bind(udp->descriptor, (const struct sockaddr *)&local, sizeof local) != 0) {
    zoltc_logix_udp_close(udp);
    return NULL;
  }
  return udp;
}

void zoltc_logix_udp_close(zoltc_logix_udp *udp) {
  if (udp == NULL) {
    return;
  }
  if (udp->descriptor != INVALID_DESCRIPTOR) {
    close_descriptor(udp->descriptor);
  }
  zoltc_logix_free(udp);
  platform_stop();
}

zoltc_logix_io_result zoltc_logix_udp_resolve(const char *host, uint32_t *ipv4) {
  if (host == NULL || host[0] == '\0' || ipv4 == NULL) {
    return ZOLTC_LOGIX_IO_INVALID_ARGUMENT;
  }
  struct addrinfo hints;
  memset(&hints, 0, sizeof hints);
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_DGRAM;
  struct addrinfo *found = NULL;
  if (getaddrinfo(host, NULL, &hints, &found) != 0 || found == NULL) {
    return ZOLTC_LOGIX_IO_RESOLVE_FAILED;
  }
  const struct sockaddr_in *v4 = (const struct sockaddr_in *)(const void *)found->ai_addr;
  *ipv4 = ntohl(v4->sin_addr.s_addr);
  freeaddrinfo(found);
  return ZOLTC_LOGIX_IO_OK;
}

zoltc_logix_io_result zoltc_logix_udp_send(zoltc_logix_udp *udp, uint32_t ipv4, uint16_t port,
                                           const uint8_t *bytes, uint32_t length) {
  if (udp == NULL || bytes == NULL) {
    return ZOLTC_LOGIX_IO_INVALID_ARGUMENT;
  }
  struct sockaddr_in to;
  memset(&to, 0, sizeof to);
  to.sin_family = AF_INET;
  to.sin_addr.s_addr = htonl(ipv4);
  to.sin_port = htons(port);
  const long sent = (long)sendto(udp->descriptor, (const char *)bytes, (transfer_size_t)length, 0,
                                 (const struct sockaddr *)&to, sizeof to);
  return sent == (long)length ? ZOLTC_LOGIX_IO_OK : ZOLTC_LOGIX_IO_SOCKET_ERROR;
}

zoltc_logix_io_result zoltc_logix_udp_receive(zoltc_logix_udp *udp, uint8_t *buffer,
                                              uint32_t size, uint32_t *length,
                                              uint32_t *sender_ipv4, uint16_t *sender_port,
                                              uint32_t wait_ms) {
  if (udp == NULL || buffer == NULL || length == NULL || sender_ipv4 == NULL ||
      sender_port == NULL) {
    return ZOLTC_LOGIX_IO_INVALID_ARGUMENT;
  }
  const int ready = wait_readable(udp->descriptor, wait_ms);
  if (ready == 0) {
    return ZOLTC_LOGIX_IO_TIMEOUT;
  }
  if (ready < 0) {
    return ZOLTC_LOGIX_IO_SOCKET_ERROR;
  }
  struct sockaddr_in from;
  address_size_t from_size = (address_size_t)sizeof from;
  memset(&from, 0, sizeof from);
  const long received = (long)recvfrom(udp->descriptor, (char *)buffer, (transfer_size_t)size, 0,
                                       (struct sockaddr *)&from, &from_size);
  if (received < 0) {
    /* Nothing usable this time; the caller's window decides when to stop. */
    return receive_error_is_transient() ? ZOLTC_LOGIX_IO_CLOSED : ZOLTC_LOGIX_IO_SOCKET_ERROR;
  }
  *length = (uint32_t)received;
  *sender_ipv4 = ntohl(from.sin_addr.s_addr);
  *sender_port = ntohs(from.sin_port);
  return ZOLTC_LOGIX_IO_OK;
}
