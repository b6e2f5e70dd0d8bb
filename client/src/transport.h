/* TCP transport: resolve, connect within a timeout, send and receive exact byte
 * counts within a time limit, and a waker that makes a wait in another thread
 * give up at once. Knows nothing of the protocol above it. */
#ifndef ZOLTC_LOGIX_TRANSPORT_H
#define ZOLTC_LOGIX_TRANSPORT_H

#include "zoltc_logix.h"

#ifdef __cplusplus
extern "C" {
#endif

typedef uint8_t zoltc_logix_io_result;

#define ZOLTC_LOGIX_IO_RESULT_MAP(X)                                                    \
  X(OK, 0)                                                                              \
  X(INVALID_ARGUMENT, 1)                                                                \
  X(RESOLVE_FAILED, 2)                                                                  \
  X(CONNECT_FAILED, 3)                                                                  \
  X(TIMEOUT, 4)                                                                         \
  X(CLOSED, 5)                                                                          \
  X(SOCKET_ERROR, 6)                                                                    \
  X(ABORTED, 7)

enum {
#define ZOLTC_LOGIX_IO_ENUM_(name, value) ZOLTC_LOGIX_IO_##name = value,
  ZOLTC_LOGIX_IO_RESULT_MAP(ZOLTC_LOGIX_IO_ENUM_)
#undef ZOLTC_LOGIX_IO_ENUM_
};

/* A holder of one socket descriptor; a fresh holder has none. A valid
 * descriptor is always non-blocking with TCP_NODELAY. */
typedef struct zoltc_logix_socket zoltc_logix_socket;

/* Milliseconds of a clock that never goes back (for deadlines). */
uint64_t zoltc_logix_monotonic_ms(void);

/* A flag with a descriptor pair, raised by any thread to end the waits of the
 * sockets it is given to: they return ZOLTC_LOGIX_IO_ABORTED at once, and every
 * later wait too, until it is lowered. */
typedef struct zoltc_logix_waker zoltc_logix_waker;

/* A lowered waker, or null (allocation, descriptors or socket layer failed). */
zoltc_logix_waker *zoltc_logix_waker_create(void);
/* Closes the descriptors and releases the waker; null is ignored. No socket may
 * still use it, and no thread may be raising it. */
void zoltc_logix_waker_free(zoltc_logix_waker *waker);
/* Raises the flag and wakes a wait; any thread, any time while it exists. */
void zoltc_logix_waker_raise(zoltc_logix_waker *waker);
/* Lowers the flag and discards pending wake-ups. */
void zoltc_logix_waker_lower(zoltc_logix_waker *waker);
/* True while raised; false for null. */
bool zoltc_logix_waker_is_raised(const zoltc_logix_waker *waker);

/* A new holder without a socket, or null (socket layer start-up or allocation
 * failed). */
zoltc_logix_socket *zoltc_logix_socket_create(void);

/* Closes the descriptor if any, then releases the holder; null is ignored. */
void zoltc_logix_socket_close(zoltc_logix_socket *holder);

/* Makes `waker` (borrowed, may be null) end this holder's waits from now on. */
void zoltc_logix_socket_set_waker(zoltc_logix_socket *holder, zoltc_logix_waker *waker);

/* True when the holder has a descriptor. */
bool zoltc_logix_socket_is_open(const zoltc_logix_socket *holder);

/* Resolves `host` (name, IPv4 or IPv6 text) and connects to the first address
 * that accepts, waiting at most timeout_ms per address. A descriptor the holder
 * still has is closed first. 1 bad argument, 2 resolution failed, 3 refused or
 * failed, 4 the last attempt that got as far as waiting timed out, 6 the wait
 * itself failed, 7 the holder's waker is raised. Nothing is left open on
 * failure. */
zoltc_logix_io_result zoltc_logix_tcp_connect(zoltc_logix_socket *holder, const char *host,
                                              uint16_t port, uint32_t timeout_ms);
/* Sends or receives exactly `length` bytes within timeout_ms for the whole call
 * (a peer that trickles bytes cannot stretch it), waiting only when the socket
 * would block. 0 done, 1 bad argument, 4 the time ran out, 5 no socket or the
 * peer closed (or reset) the connection, 6 socket error, 7 the holder's waker
 * is raised (what could be transferred without waiting has been). Length 0
 * returns 0 at once. The socket stays open on failure: the caller closes it. */
zoltc_logix_io_result zoltc_logix_tcp_send_all(zoltc_logix_socket *holder,
                                               const uint8_t *bytes, uint32_t length,
                                               uint32_t timeout_ms);
zoltc_logix_io_result zoltc_logix_tcp_recv_all(zoltc_logix_socket *holder, uint8_t *buffer,
                                               uint32_t length, uint32_t timeout_ms);

#ifdef __cplusplus
}
#endif

#endif
