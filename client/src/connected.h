/* Connected messaging: the class 3 connection to the controller's message
 * router (Forward Open, Large Forward Open, Forward Close on the Connection
 * Manager) and the requests carried in SendUnitData with sequence counts. The
 * codecs are pure; the rest talks to the session through cip.c. */
#ifndef ZOLTC_LOGIX_CONNECTED_H
#define ZOLTC_LOGIX_CONNECTED_H

#include "session.h"

#ifdef __cplusplus
extern "C" {
#endif

#define ZOLTC_LOGIX_SERVICE_FORWARD_OPEN 0x54u
#define ZOLTC_LOGIX_SERVICE_LARGE_FORWARD_OPEN 0x5Bu
#define ZOLTC_LOGIX_SERVICE_FORWARD_CLOSE 0x4Eu

/* What we ask for first, and the fallback size of a Forward Open. */
#define ZOLTC_LOGIX_LARGE_CONNECTION_SIZE 4002u
#define ZOLTC_LOGIX_SMALL_CONNECTION_SIZE 504u

/* Originator of every connection: a vendor id and serial number of our own,
 * fixed, so that a controller's connection list shows whose they are. */
#define ZOLTC_LOGIX_ORIGINATOR_VENDOR 0xFFFEu
#define ZOLTC_LOGIX_ORIGINATOR_SERIAL 0x514C4E31u

/* Requested packet interval 2 s and timeout multiplier x32: a connection
 * survives 64 s without a request, so idle gaps of a minute keep it. */
#define ZOLTC_LOGIX_CONNECTION_RPI_US 2000000u
#define ZOLTC_LOGIX_CONNECTION_MULTIPLIER 3u

/* The wait for a Forward Close's reply, whatever the session's timeout. */
#define ZOLTC_LOGIX_CLOSE_WAIT_MS 500u

/* A lost connection that could not be reopened is tried again after this many
 * requests, then after twice as many each time it is refused, up to the last. */
#define ZOLTC_LOGIX_RETRY_FIRST 8u
#define ZOLTC_LOGIX_RETRY_LAST 64u

/* Extended status of a Forward Open refused for its size; its second word is
 * the size the controller would accept. */
#define ZOLTC_LOGIX_CM_INVALID_SIZE 0x0109u

/* Takes the SendUnitData reply data of a request sent with `sequence` on a
 * connection whose replies name `to_id`: the message-router reply bytes are
 * pointed at inside `bytes` (no copy). 5 when the item list is malformed, the
 * connected address is not `to_id` or the sequence count is another. Pure. */
zoltc_logix_status zoltc_logix_unit_data_unwrap(const uint8_t *bytes, uint32_t length, uint32_t to_id,
                                                uint16_t sequence, const uint8_t **reply,
                                                uint32_t *reply_length);

/* Opens the connection the session's requested mode asks for, after the
 * identity read: Large Forward Open, then Forward Open at the size offered or
 * 504. OK when a connection is open, or none is wanted, or none could be had
 * in auto mode (requests then go unconnected); 18 in connected-only mode when
 * every open was refused (`refusal` holds the last refusal's statuses); 16
 * when a router along the route refused it (the failure is kept in the
 * route); the statuses of the exchange otherwise. */
zoltc_logix_status zoltc_logix_connection_open(zoltc_logix_session *session, zoltc_logix_refusal *refusal);

/* Forward Close of an open connection (its reply awaited at most
 * ZOLTC_LOGIX_CLOSE_WAIT_MS, its outcome not judged; a controller that does not
 * answer in time has the session closed); the connection is closed afterwards
 * in any case, and no reopen stays planned. */
void zoltc_logix_connection_close(zoltc_logix_session *session);

/* Before the session's route changes: closes an open connection, and the next
 * request opens one along the new route (a connection leads where its path led). */
void zoltc_logix_connection_reroute(zoltc_logix_session *session);

/* One message-router request on the open connection, or after a lost one. A
 * reply saying the controller does not know the connection (it timed out, a
 * program download ended it) reopens it once and sends again; if that fails
 * the request goes unconnected and the messaging state says it fell back (18
 * instead in connected-only mode), and a later request tries to reopen it
 * (ZOLTC_LOGIX_RETRY_FIRST). 5 for a reply not ours (its connection id or sequence
 * count; the session is closed), 15 for a request above the connection size,
 * and the statuses of the exchange. */
zoltc_logix_status zoltc_logix_connected_send(zoltc_logix_session *session, const uint8_t *request,
                                              uint32_t length, zoltc_logix_cip_response *response);

#ifdef __cplusplus
}
#endif

#endif
