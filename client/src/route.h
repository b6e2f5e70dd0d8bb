/* Route paths: the text form, its CIP port segments, and the Unconnected Send
 * that carries a message-router request along them (route.c); a refusal in
 * words (route_failure.c). The codecs are pure; the session only keeps the
 * route for cip.c, which wraps every request it carries. */
#ifndef ZOLTC_LOGIX_ROUTE_H
#define ZOLTC_LOGIX_ROUTE_H

#include "zoltc_logix.h"

#ifdef __cplusplus
extern "C" {
#endif

#define ZOLTC_LOGIX_SERVICE_UNCONNECTED_SEND 0x52u
/* The general status of a router that could not forward a request. */
#define ZOLTC_LOGIX_CIP_CONNECTION_FAILURE 0x01u

/* Port segment byte: bits 0-3 the port (15: a 16-bit port follows), bit 4 an
 * extended link address (its size byte follows the segment byte). */
#define ZOLTC_LOGIX_PORT_EXTENDED 0x0Fu
#define ZOLTC_LOGIX_LINK_EXTENDED 0x10u

/* The route a session's requests travel along, and what the last routing
 * failure said. A zeroed record is the direct route. */
typedef struct zoltc_logix_route {
  zoltc_logix_buffer path; /* encoded port segments; empty: the device at the address */
  zoltc_logix_route_failure failure;
} zoltc_logix_route;

/* Releases the path and zeroes the record; null is ignored. */
void zoltc_logix_route_free(zoltc_logix_route *route);

/* Bytes the Unconnected Send adds around a request (its pad byte counted), 0
 * for the direct route. Batches leave this much of their budget free. */
uint32_t zoltc_logix_route_overhead(const zoltc_logix_route *route);

/* The time the routers may wait for the target, as the priority/time tick
 * byte (2^tick ms per tick) and the number of ticks: three quarters of the
 * session's per-wait timeout, so that a router gives up and says so before the
 * client stops waiting for its reply. */
void zoltc_logix_route_timeout(uint32_t timeout_ms, uint8_t *tick, uint8_t *ticks);

/* The Unconnected Send request carrying the message-router request `request`
 * along the route, into an owned buffer (cleared first, empty on failure).
 * 1 null argument or an empty request; 15 a request too large for the
 * 16-bit embedded length; 2 no memory. */
zoltc_logix_status zoltc_logix_route_wrap(const zoltc_logix_route *route, uint32_t timeout_ms,
                                          const uint8_t *request, uint32_t length,
                                          zoltc_logix_buffer *out);

/* Tells a router's refusal from the target's reply to the embedded service:
 * 16 (the failure kept in the route) for a reply of service 0xD2 with an error
 * status, 0 otherwise. A Read Tag Fragmented request (also service 0x52) is
 * answered 0xD2 by its target too, so for it only the routers' general status
 * 0x01 counts as a routing failure. */
zoltc_logix_status zoltc_logix_route_check_reply(zoltc_logix_route *route,
                                                 uint8_t embedded_service,
                                                 const zoltc_logix_cip_response *response);

/* Writes a formatted sentence into `message` when the caller gave room for one
 * (a null buffer or size 0 writes nothing). */
void zoltc_logix_route_say(char *message, size_t size, const char *format, ...)
    __attribute__((format(printf, 3, 4)));

#ifdef __cplusplus
}
#endif

#endif
