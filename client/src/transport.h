/* TCP transport: resolve, connect within a timeout, send and receive exact byte
 * counts with a readiness wait before every transfer. Knows nothing of the
 * protocol above it. */
#ifndef ZOLTC_LOGIX_TRANSPORT_H
#define ZOLTC_LOGIX_TRANSPORT_H

#include "zoltc_logix.h"

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

zoltc_logix_io_result zoltc_logix_tcp_connect(zoltc_logix_socket *holder, const char *host,
                                              uint16_t port, uint32_t timeout_ms);
zoltc_logix_io_result zoltc_logix_tcp_send_all(zoltc_logix_socket *holder,
                                               const uint8_t *bytes, uint32_t length,
                                               uint32_t timeout_ms);
zoltc_logix_io_result zoltc_logix_tcp_recv_all(zoltc_logix_socket *holder, uint8_t *buffer,
                                               uint32_t length, uint32_t timeout_ms);

#endif
