/* TCP transport over Windows Sockets 2 or POSIX sockets. The platform section
 * below reduces both to the same few primitives; the connect and transfer loops
 * after it are written once. */
#include "transport.h"

#include "alloc.h"

#include <stdatomic.h>
#include <stdio.h>
#include <string.h>

#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
#include <mstcpip.h>

typedef SOCKET socket_t;
#define INVALID_DESCRIPTOR INVALID_SOCKET

#else
#include <errno.h>
#include <fcntl.h>
#include <limits.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <time.h>
#include <unistd.h>

typedef int socket_t;
#define INVALID_DESCRIPTOR (-1)
#endif

struct zoltc_logix_socket {
  socket_t descriptor;
  zoltc_logix_waker *waker; /* borrowed; null when nothing can abort this socket's waits */
};

/* The flag is the truth; the descriptor pair only wakes a wait, so a stray wake-up
 * byte left by a lowered waker costs one more turn of the wait loop and nothing
 * else. On POSIX the pair is a pipe; on Windows, where select takes only sockets,
 * one UDP socket connected to itself is both ends. */
struct zoltc_logix_waker {
  atomic_bool raised;
  socket_t wake_read;
  socket_t wake_write;
};

/* One transfer call never asks for more than this, so the count fits an int. */
#define MAX_TRANSFER 0x7FFFFFFFu

enum wait_kind { READY_READ, READY_WRITE, READY_CONNECT };
enum transfer_kind { TRANSFER_SEND, TRANSFER_RECV };

/* What a failed connect or transfer call means for the loops below. */
enum call_error { IO_CALL_AGAIN, IO_CALL_CLOSED, IO_CALL_FAILED };

/* ------------------------------------------------------------------------ */
/* Windows Sockets 2                                                        */
/* ------------------------------------------------------------------------ */
#ifdef _WIN32

/* Set once after the first successful WSAStartup and never cleared; the socket
 * layer is never shut down by the library. Callers serialise their first use. */
static bool socket_layer_started = false;

static bool platform_start(void) {
  if (socket_layer_started) {
    return true;
  }
  WSADATA data;
  if (WSAStartup(0x0202, &data) != 0) {
    return false;
  }
  socket_layer_started = true;
  return true;
}

static void close_descriptor(socket_t descriptor) {
  closesocket(descriptor);
}

static int last_error(void) {
  return WSAGetLastError();
}

static enum call_error classify_connect_error(int error) {
  return error == WSAEWOULDBLOCK || error == WSAEINPROGRESS ? IO_CALL_AGAIN : IO_CALL_FAILED;
}

/* A reset is a lost connection just as an orderly close is. */
static enum call_error classify_transfer_error(int error) {
  if (error == WSAEWOULDBLOCK || error == WSAEINPROGRESS) {
    return IO_CALL_AGAIN;
  }
  return error == WSAECONNRESET || error == WSAECONNABORTED ? IO_CALL_CLOSED : IO_CALL_FAILED;
}

/* Non-blocking. */
static bool set_descriptor_modes(socket_t descriptor) {
  u_long on = 1;
  return ioctlsocket(descriptor, (long)FIONBIO, &on) == 0;
}

static bool is_loopback(const struct sockaddr *address) {
  if (address->sa_family == AF_INET) {
    const struct sockaddr_in *v4 = (const struct sockaddr_in *)(const void *)address;
    return (ntohl(v4->sin_addr.s_addr) >> 24) == 127u;
  }
  if (address->sa_family == AF_INET6) {
    const struct sockaddr_in6 *v6 = (const struct sockaddr_in6 *)(const void *)address;
    return IN6_IS_ADDR_LOOPBACK(&v6->sin6_addr);
  }
  return false;
}

/* Windows repeats a SYN that was answered with a reset, so a refused connect
 * takes about two seconds. On loopback, where a SYN cannot get lost, ask for no
 * repeats; elsewhere keep the default. Older systems reject the request, which
 * changes nothing. */
static void before_connect(socket_t descriptor, const struct sockaddr *address) {
  if (!is_loopback(address)) {
    return;
  }
  TCP_INITIAL_RTO_PARAMETERS parameters;
  parameters.Rtt = TCP_INITIAL_RTO_UNSPECIFIED_RTT;
  parameters.MaxSynRetransmissions = TCP_INITIAL_RTO_NO_SYN_RETRANSMISSIONS;
  DWORD returned = 0;
  (void)WSAIoctl(descriptor, SIO_TCP_INITIAL_RTO, &parameters, sizeof parameters, NULL, 0,
                 &returned, NULL, NULL);
}

static uint64_t monotonic_ms(void) {
  return (uint64_t)GetTickCount64();
}

static bool waker_open(zoltc_logix_waker *waker) {
  SOCKET wake = socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
  if (wake == INVALID_SOCKET) {
    return false;
  }
  struct sockaddr_in address;
  memset(&address, 0, sizeof address);
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  int size = (int)sizeof address;
  u_long on = 1;
  if (bind(wake, (struct sockaddr *)&address, size) != 0 ||
      getsockname(wake, (struct sockaddr *)&address, &size) != 0 ||
      connect(wake, (struct sockaddr *)&address, size) != 0 ||
      ioctlsocket(wake, (long)FIONBIO, &on) != 0) {
    closesocket(wake);
    return false;
  }
  waker->wake_read = wake;
  waker->wake_write = wake;
  return true;
}

static void waker_close(zoltc_logix_waker *waker) {
  closesocket(waker->wake_read);
}

static void waker_poke(zoltc_logix_waker *waker) {
  const char byte = 1;
  (void)send(waker->wake_write, &byte, 1, 0);
}

static void waker_drain(zoltc_logix_waker *waker) {
  char bytes[64];
  while (recv(waker->wake_read, bytes, (int)sizeof bytes, 0) > 0) {
  }
}

/* Waits with select on the descriptor and the waker. A refused connect shows up
 * only in the exception set, so a connect waits on both the write and exception
 * sets. */
static zoltc_logix_io_result wait_once(socket_t descriptor, const zoltc_logix_waker *waker,
                                       enum wait_kind kind, uint32_t timeout_ms,
                                       bool *woken) {
  fd_set readable;
  fd_set writable;
  fd_set failed;
  FD_ZERO(&readable);
  FD_ZERO(&writable);
  FD_ZERO(&failed);
  fd_set *own = kind == READY_READ ? &readable : &writable;
  FD_SET(descriptor, own);
  if (kind == READY_CONNECT) {
    FD_SET(descriptor, &failed);
  }
  if (waker != NULL) {
    FD_SET(waker->wake_read, &readable);
  }
  struct timeval limit;
  limit.tv_sec = (long)(timeout_ms / 1000u);
  limit.tv_usec = (long)((timeout_ms % 1000u) * 1000u);
  const int count = select(0, &readable, &writable, &failed, &limit);
  *woken = waker != NULL && count > 0 && FD_ISSET(waker->wake_read, &readable);
  if (count == 0) {
    return ZOLTC_LOGIX_IO_TIMEOUT;
  }
  if (count < 0) {
    return ZOLTC_LOGIX_IO_SOCKET_ERROR;
  }
  if (kind == READY_CONNECT && FD_ISSET(descriptor, &failed)) {
    return ZOLTC_LOGIX_IO_CONNECT_FAILED;
  }
  return ZOLTC_LOGIX_IO_OK;
}

static int send_call(socket_t descriptor, const uint8_t *bytes, uint32_t length) {
  return send(descriptor, (const char *)bytes, (int)length, 0);
}

static int recv_call(socket_t descriptor, uint8_t *bytes, uint32_t length) {
  return recv(descriptor, (char *)bytes, (int)length, 0);
}

/* ------------------------------------------------------------------------ */
/* POSIX                                                                    */
/* ------------------------------------------------------------------------ */
#else

static bool platform_start(void) {
  return true;
}

static void close_descriptor(socket_t descriptor) {
  close(descriptor);
}

static int last_error(void) {
  return errno;
}

/* EINTR does not abort a non-blocking connect: it goes on in the background. */
static enum call_error classify_connect_error(int error) {
  return error == EINPROGRESS || error == EWOULDBLOCK || error == EAGAIN || error == EINTR
             ? IO_CALL_AGAIN
             : IO_CALL_FAILED;
}

/* A reset or a broken pipe is a lost connection just as an orderly close is. */
static enum call_error classify_transfer_error(int error) {
  if (error == EWOULDBLOCK || error == EAGAIN || error == EINTR || error == EINPROGRESS) {
    return IO_CALL_AGAIN;
  }
  return error == ECONNRESET || error == EPIPE ? IO_CALL_CLOSED : IO_CALL_FAILED;
}

/* Non-blocking; also kept out of child processes and, where the platform has
 * no per-call flag for it, kept from raising SIGPIPE on a send to a closed
 * peer. */
static bool set_descriptor_modes(socket_t descriptor) {
  int descriptor_flags = fcntl(descriptor, F_GETFD);
  if (descriptor_flags >= 0) {
    (void)fcntl(descriptor, F_SETFD, descriptor_flags | FD_CLOEXEC);
  }
#ifdef SO_NOSIGPIPE
  int on = 1;
  if (setsockopt(descriptor, SOL_SOCKET, SO_NOSIGPIPE, &on, sizeof on) != 0) {
    return false;
  }
#endif
  int flags = fcntl(descriptor, F_GETFL);
  return flags >= 0 && fcntl(descriptor, F_SETFL, flags | O_NONBLOCK) == 0;
}

static void before_connect(socket_t descriptor, const struct sockaddr *address) {
  (void)descriptor;
  (void)address;
}

static uint64_t monotonic_ms(void) {
  struct timespec now;
  clock_gettime(CLOCK_MONOTONIC, &now);
  return (uint64_t)now.tv_sec * 1000u + (uint64_t)now.tv_nsec / 1000000u;
}

static bool waker_open(zoltc_logix_waker *waker) {
  int ends[2];
  if (pipe(ends) != 0) {
    return false;
  }
  for (int i = 0; i < 2; ++i) {
    const int descriptor_flags = fcntl(ends[i], F_GETFD);
    const int flags = fcntl(ends[i], F_GETFL);
    if (descriptor_flags < 0 || flags < 0 ||
        fcntl(ends[i], F_SETFD, descriptor_flags | FD_CLOEXEC) != 0 ||
        fcntl(ends[i], F_SETFL, flags | O_NONBLOCK) != 0) {
      close(ends[0]);
      close(ends[1]);
      return false;
    }
  }
  waker->wake_read = ends[0];
  waker->wake_write = ends[1];
  return true;
}

static void waker_close(zoltc_logix_waker *waker) {
  close(waker->wake_read);
  close(waker->wake_write);
}

/* A full pipe already holds a wake-up, so a failed write loses nothing. */
static void waker_poke(zoltc_logix_waker *waker) {
  const uint8_t byte = 1;
  (void)!write(waker->wake_write, &byte, 1);
}

static void waker_drain(zoltc_logix_waker *waker) {
  uint8_t bytes[64];
  while (read(waker->wake_read, bytes, sizeof bytes) > 0) {
  }
}

/* Waits with poll on the descriptor and the waker. A refused connect reports
 * POLLERR/POLLHUP, which counts as ready: the caller reads SO_ERROR. An
 * interrupted wait counts as a timeout of zero length: the caller's loop goes
 * round with the time that is left. */
static zoltc_logix_io_result wait_once(socket_t descriptor, const zoltc_logix_waker *waker,
                                       enum wait_kind kind, uint32_t timeout_ms,
                                       bool *woken) {
  struct pollfd entries[2];
  entries[0].fd = descriptor;
  entries[0].events = kind == READY_READ ? POLLIN : POLLOUT;
  entries[0].revents = 0;
  entries[1].fd = waker != NULL ? waker->wake_read : -1;
  entries[1].events = POLLIN;
  entries[1].revents = 0;
  const int slice = timeout_ms > (uint32_t)INT_MAX ? INT_MAX : (int)timeout_ms;
  const int count = poll(entries, 2, slice);
  *woken = count > 0 && entries[1].revents != 0;
  if (count < 0) {
    return errno == EINTR ? ZOLTC_LOGIX_IO_TIMEOUT : ZOLTC_LOGIX_IO_SOCKET_ERROR;
  }
  return count > 0 && entries[0].revents != 0 ? ZOLTC_LOGIX_IO_OK : ZOLTC_LOGIX_IO_TIMEOUT;
}

/* MSG_NOSIGNAL where it exists; elsewhere SO_NOSIGPIPE is set on the socket. */
static int send_call(socket_t descriptor, const uint8_t *bytes, uint32_t length) {
#ifdef MSG_NOSIGNAL
  return (int)send(descriptor, bytes, length, MSG_NOSIGNAL);
#else
  return (int)send(descriptor, bytes, length, 0);
#endif
}

static int recv_call(socket_t descriptor, uint8_t *bytes, uint32_t length) {
  return (int)recv(descriptor, bytes, length, 0);
}

#endif

/* ------------------------------------------------------------------------ */
/* Waker and the shared wait                                                */
/* ------------------------------------------------------------------------ */

uint64_t zoltc_logix_monotonic_ms(void) {
  return monotonic_ms();
}

zoltc_logix_waker *zoltc_logix_waker_create(void) {
  if (!platform_start()) {
    return NULL;
  }
  zoltc_logix_waker *waker = zoltc_logix_alloc(sizeof *waker);
  if (waker == NULL) {
    return NULL;
  }
  atomic_init(&waker->raised, false);
  if (!waker_open(waker)) {
    zoltc_logix_free(waker);
    return NULL;
  }
  return waker;
}

void zoltc_logix_waker_free(zoltc_logix_waker *waker) {
  if (waker == NULL) {
    return;
  }
  waker_close(waker);
  zoltc_logix_free(waker);
}

void zoltc_logix_waker_raise(zoltc_logix_waker *waker) {
  atomic_store(&waker->raised, true);
  waker_poke(waker);
}

/* Lowered first, drained second: a raise between the two leaves the flag up and
 * its byte behind, or the flag down and a stray byte, both harmless. */
void zoltc_logix_waker_lower(zoltc_logix_waker *waker) {
  atomic_store(&waker->raised, false);
  waker_drain(waker);
}

bool zoltc_logix_waker_is_raised(const zoltc_logix_waker *waker) {
  return waker != NULL && atomic_load(&((zoltc_logix_waker *)waker)->raised);
}

/* Waits until the descriptor is ready, the deadline passes or the waker is
 * raised. A wake-up without a raised flag is drained and the wait goes on. */
static zoltc_logix_io_result wait_ready(socket_t descriptor, zoltc_logix_waker *waker,
                                        enum wait_kind kind, uint64_t deadline) {
  for (;;) {
    if (zoltc_logix_waker_is_raised(waker)) {
      return ZOLTC_LOGIX_IO_ABORTED;
    }
    const uint64_t now = monotonic_ms();
    const uint64_t remaining = deadline > now ? deadline - now : 0;
    bool woken = false;
    const zoltc_logix_io_result waited =
        wait_once(descriptor, waker, kind,
                  remaining > UINT32_MAX ? UINT32_MAX : (uint32_t)remaining, &woken);
    if (woken) {
      if (zoltc_logix_waker_is_raised(waker)) {
        return ZOLTC_LOGIX_IO_ABORTED;
      }
      waker_drain(waker);
      continue;
    }
    if (waited != ZOLTC_LOGIX_IO_TIMEOUT || remaining == 0) {
      return waited;
    }
  }
}

/* ------------------------------------------------------------------------ */
/* Holder, connect and transfers                                            */
/* ------------------------------------------------------------------------ */

zoltc_logix_socket *zoltc_logix_socket_create(void) {
  if (!platform_start()) {
    return NULL;
  }
  zoltc_logix_socket *holder = zoltc_logix_alloc(sizeof *holder);
  if (holder == NULL) {
    return NULL;
  }
  holder->descriptor = INVALID_DESCRIPTOR;
  holder->waker = NULL;
  return holder;
}

void zoltc_logix_socket_set_waker(zoltc_logix_socket *holder, zoltc_logix_waker *waker) {
  if (holder != NULL) {
    holder->waker = waker;
  }
}

static void release_descriptor(zoltc_logix_socket *holder) {
  if (holder->descriptor != INVALID_DESCRIPTOR) {
    close_descriptor(holder->descriptor);
    holder->descriptor = INVALID_DESCRIPTOR;
  }
}

void zoltc_logix_socket_close(zoltc_logix_socket *holder) {
  if (holder == NULL) {
    return;
  }
  release_descriptor(holder);
  zoltc_logix_free(holder);
}

bool zoltc_logix_socket_is_open(const zoltc_logix_socket *holder) {
  return holder != NULL && holder->descriptor != INVALID_DESCRIPTOR;
}

static bool set_no_delay(socket_t descriptor) {
  int on = 1;
  return setsockopt(descriptor, IPPROTO_TCP, TCP_NODELAY, (const char *)&on, sizeof on) == 0;
}

/* 0 when the pending connect completed without a socket error. */
static int connect_error(socket_t descriptor) {
  int error = 0;
  socklen_t size = sizeof error;
  if (getsockopt(descriptor, SOL_SOCKET, SO_ERROR, (char *)&error, &size) != 0) {
    return -1;
  }
  return error;
}

/* Tries one resolved address. Returns OK with the connected descriptor in
 * `*connected`, or the outcome that becomes the pending result; `*reached_wait`
 * tells whether the attempt got as far as waiting. */
static zoltc_logix_io_result try_address(const struct addrinfo *address,
                                         zoltc_logix_waker *waker, uint32_t timeout_ms,
                                         socket_t *connected, bool *reached_wait) {
  *reached_wait = false;
  socket_t descriptor = socket(address->ai_family, address->ai_socktype, address->ai_protocol);
  if (descriptor == INVALID_DESCRIPTOR) {
    return ZOLTC_LOGIX_IO_CONNECT_FAILED;
  }
  if (!set_no_delay(descriptor) || !set_descriptor_modes(descriptor)) {
    close_descriptor(descriptor);
    return ZOLTC_LOGIX_IO_CONNECT_FAILED;
  }
  before_connect(descriptor, address->ai_addr);
  if (connect(descriptor, address->ai_addr, (socklen_t)address->ai_addrlen) == 0) {
    *connected = descriptor;
    return ZOLTC_LOGIX_IO_OK;
  }
  if (classify_connect_error(last_error()) != IO_CALL_AGAIN) {
    close_descriptor(descriptor);
    return ZOLTC_LOGIX_IO_CONNECT_FAILED;
  }
  *reached_wait = true;
  zoltc_logix_io_result waited =
      wait_ready(descriptor, waker, READY_CONNECT, monotonic_ms() + timeout_ms);
  if (waited == ZOLTC_LOGIX_IO_OK && connect_error(descriptor) == 0) {
    *connected = descriptor;
    return ZOLTC_LOGIX_IO_OK;
  }
  close_descriptor(descriptor);
  return waited == ZOLTC_LOGIX_IO_OK ? ZOLTC_LOGIX_IO_CONNECT_FAILED : waited;
}

zoltc_logix_io_result zoltc_logix_tcp_connect(zoltc_logix_socket *holder, const char *host,
                                              uint16_t port, uint32_t timeout_ms) {
  if (holder == NULL || host == NULL || host[0] == '\0' || port == 0) {
    return ZOLTC_LOGIX_IO_INVALID_ARGUMENT;
  }
  release_descriptor(holder);

  char service[16];
  snprintf(service, sizeof service, "%u", (unsigned)port);
  struct addrinfo hints;
  memset(&hints, 0, sizeof hints);
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_protocol = IPPROTO_TCP;
  struct addrinfo *addresses = NULL;
  if (getaddrinfo(host, service, &hints, &addresses) != 0) {
    return ZOLTC_LOGIX_IO_RESOLVE_FAILED;
  }

  /* The outcome of the last address whose attempt reached the wait: a refusal
   * before the wait does not hide an earlier timeout. */
  zoltc_logix_io_result pending = ZOLTC_LOGIX_IO_CONNECT_FAILED;
  for (const struct addrinfo *address = addresses; address != NULL;
       address = address->ai_next) {
    socket_t descriptor = INVALID_DESCRIPTOR;
    bool reached_wait = false;
    if (zoltc_logix_waker_is_raised(holder->waker)) {
      pending = ZOLTC_LOGIX_IO_ABORTED;
      break;
    }
    zoltc_logix_io_result outcome =
        try_address(address, holder->waker, timeout_ms, &descriptor, &reached_wait);
    if (outcome == ZOLTC_LOGIX_IO_OK) {
      holder->descriptor = descriptor;
      freeaddrinfo(addresses);
      return ZOLTC_LOGIX_IO_OK;
    }
    if (reached_wait) {
      pending = outcome;
    }
    if (outcome == ZOLTC_LOGIX_IO_ABORTED) {
      break;
    }
  }
  freeaddrinfo(addresses);
  return pending;
}

/* The loop shared by send_all and recv_all: transfer what is left, wait when the
 * socket would block, repeat until done or the deadline passes. Exactly one of
 * `out` (send) and `in` (receive) is used, as `kind` says. A transfer is tried
 * before any wait, so bytes that can go at once go even after an abort (the
 * UnRegisterSession of a close). */
static zoltc_logix_io_result transfer_all(zoltc_logix_socket *holder, enum transfer_kind kind,
                                          const uint8_t *out, uint8_t *in, uint32_t length,
                                          uint32_t timeout_ms) {
  const bool sending = kind == TRANSFER_SEND;
  if (holder == NULL || (length != 0 && (sending ? out == NULL : in == NULL))) {
    return ZOLTC_LOGIX_IO_INVALID_ARGUMENT;
  }
  if (holder->descriptor == INVALID_DESCRIPTOR) {
    return ZOLTC_LOGIX_IO_CLOSED;
  }
  const uint64_t deadline = monotonic_ms() + timeout_ms;
  uint32_t done = 0;
  while (done < length) {
    uint32_t chunk = length - done;
    if (chunk > MAX_TRANSFER) {
      chunk = MAX_TRANSFER;
    }
    const int count = sending ? send_call(holder->descriptor, out + done, chunk)
                              : recv_call(holder->descriptor, in + done, chunk);
    if (count > 0) {
      done += (uint32_t)count;
      continue;
    }
    if (count == 0) {
      return ZOLTC_LOGIX_IO_CLOSED;
    }
    const enum call_error error = classify_transfer_error(last_error());
    if (error == IO_CALL_CLOSED) {
      return ZOLTC_LOGIX_IO_CLOSED;
    }
    if (error == IO_CALL_FAILED) {
      return ZOLTC_LOGIX_IO_SOCKET_ERROR;
    }
    const zoltc_logix_io_result waited = wait_ready(
        holder->descriptor, holder->waker, sending ? READY_WRITE : READY_READ, deadline);
    if (waited != ZOLTC_LOGIX_IO_OK) {
      return waited;
    }
  }
  return ZOLTC_LOGIX_IO_OK;
}

zoltc_logix_io_result zoltc_logix_tcp_send_all(zoltc_logix_socket *holder,
                                               const uint8_t *bytes, uint32_t length,
                                               uint32_t timeout_ms) {
  return transfer_all(holder, TRANSFER_SEND, bytes, NULL, length, timeout_ms);
}

zoltc_logix_io_result zoltc_logix_tcp_recv_all(zoltc_logix_socket *holder, uint8_t *buffer,
                                               uint32_t length, uint32_t timeout_ms) {
  return transfer_all(holder, TRANSFER_RECV, NULL, buffer, length, timeout_ms);
}
