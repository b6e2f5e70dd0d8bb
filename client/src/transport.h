/* TCP transport: resolve, connect within a timeout, send and receive exact byte
 * counts with a readiness wait before every transfer. Knows nothing of the
 * protocol above it. */
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
  X(SOCKET_ERROR, 6)

enum {
#define ZOLTC_LOGIX_IO_ENUM_(name, value) ZOLTC_LOGIX_IO_##name = value,
  ZOLTC_LOGIX_IO_RESULT_MAP(ZOLTC_LOGIX_IO_ENUM_)
#undef ZOLTC_LOGIX_IO_ENUM_
};

/* A holder of one socket descriptor; a fresh holder has none. A valid
 * descriptor is always non-blocking with TCP_NODELAY. */
typedef struct zoltc_logix_socket zoltc_logix_socket;

/* A new holder without a socket, or null (socket layer start-up or allocation
 * failed). */
zoltc_logix_socket *zoltc_logix_socket_create(void);

/* Closes the descriptor if any, then releases the holder; null is ignored. */
void zoltc_logix_socket_close(zoltc_logix_socket *holder);

/* True when the holder has a descriptor. */
bool zoltc_logix_socket_is_open(const zoltc_logix_socket *holder);

/* Resolves `host` (name, IPv4 or IPv6 text) and connects to the first address
 * that accepts, waiting at most timeout_ms per address. A descriptor the holder
 * still has is closed first. 1 bad argument, 2 resolution failed, 3 refused or
 * failed, 4 the last attempt that got as far as waiting timed out, 6 the wait
 * itself failed. Nothing is left open on failure. */
zoltc_logix_io_result zoltc_logix_tcp_connect(zoltc_logix_socket *holder, const char *host,
                                              uint16_t port, uint32_t timeout_ms);
/* Sends or receives exactly `length` bytes, waiting at most timeout_ms for
 * readiness before every transfer call (so a transfer that keeps progressing may
 * take longer in total). 0 done, 1 bad argument, 4 a wait ran out, 5 no socket
 * or the peer closed (or reset) the connection, 6 socket error. Length 0 returns
 * 0 at once. The socket stays open on failure: the caller closes it. */
zoltc_logix_io_result zoltc_logix_tcp_send_all(zoltc_logix_socket *holder,
                                               const uint8_t *bytes, uint32_t length,
                                               uint32_t timeout_ms);
zoltc_logix_io_result zoltc_logix_tcp_recv_all(zoltc_logix_socket *holder, uint8_t *buffer,
                                               uint32_t length, uint32_t timeout_ms);

#ifdef __cplusplus
}
#endif

#endif
