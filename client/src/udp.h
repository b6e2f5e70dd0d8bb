/* UDP datagrams for discovery: one socket, send to an IPv4 address, receive
 * with a bounded wait. Knows nothing of the protocol above it. */
#ifndef ZOLTC_LOGIX_UDP_H
#define ZOLTC_LOGIX_UDP_H

#include "transport.h"

#ifdef __cplusplus
extern "C" {
#endif

typedef struct zoltc_logix_udp zoltc_logix_udp;

/* A bound, non-blocking IPv4 datagram socket on an ephemeral port, allowed to
 * send broadcasts when asked; null when the socket layer, the socket or memory
 * fails. Release it with zoltc_logix_udp_close. */
zoltc_logix_udp *zoltc_logix_udp_open(bool broadcast);

/* Closes the socket and releases the holder; null is ignored. */
void zoltc_logix_udp_close(zoltc_logix_udp *udp);

/* The first IPv4 address of `host` (name or dotted text), host byte order.
 * 1 null or empty host, 2 no IPv4 address. */
zoltc_logix_io_result zoltc_logix_udp_resolve(const char *host, uint32_t *ipv4);

/* Sends one datagram. 6 when the system refuses it (a broadcast without
 * permission, no route). */
zoltc_logix_io_result zoltc_logix_udp_send(zoltc_logix_udp *udp, uint32_t ipv4, uint16_t port,
                                           const uint8_t *bytes, uint32_t length);

/* Receives one datagram of at most `size` bytes (a longer one is cut to it),
 * waiting at most wait_ms. 4 when none came, 5 when the wait ended without a
 * usable datagram (an earlier datagram was refused: wait again), 6 on a socket
 * error. */
zoltc_logix_io_result zoltc_logix_udp_receive(zoltc_logix_udp *udp, uint8_t *buffer,
                                              uint32_t size, uint32_t *length,
                                              uint32_t *sender_ipv4, uint16_t *sender_port,
                                              uint32_t wait_ms);

/* Milliseconds of a monotonic clock, for windows of several waits. */
uint64_t zoltc_logix_udp_now_ms(void);

#ifdef __cplusplus
}
#endif

#endif
