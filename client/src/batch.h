/* Multiple Service Packet: packing, encoding, decoding and the batch exchange.
 * The codecs are pure functions on (bytes, length); only the exchange talks to
 * the session. */
#ifndef ZOLTC_LOGIX_BATCH_H
#define ZOLTC_LOGIX_BATCH_H

#include "session.h"

/* Greedy packing keeps every packet (8 + sum of 2 + e per request) within this. */
#define ZOLTC_LOGIX_PACKET_BUDGET 500u
/* Hard limits of one encoded packet: its data (count, offsets, requests) and
 * the number of embedded requests. */
#define ZOLTC_LOGIX_MAX_PACKET_DATA 65529u
#define ZOLTC_LOGIX_MAX_PACKET_REQUESTS 65535u

#define ZOLTC_LOGIX_SERVICE_MULTIPLE 0x0Au
#define ZOLTC_LOGIX_SERVICE_MULTIPLE_REPLY 0x8Au

/* The complete message-router request (service 0x0A to 20 02 24 01) carrying
 * `n` requests, into an owned buffer. The output is cleared first and left
 * empty on failure: 1 null argument or n 0, or a request the encoder refuses;
 * 15 when n or the packet data passes its limit; 2 no memory. */
zoltc_logix_status zoltc_logix_msp_encode(const zoltc_logix_cip_request *requests, uint32_t n,
                                          zoltc_logix_buffer *out);

/* Decodes the response data of a Multiple Service Packet reply (count, offsets,
 * embedded responses) into a list of its responses, released with
 * zoltc_logix_cip_response_list_free. The list is cleared first and left empty
 * on failure: 1 null list or null bytes behind a length, 5 malformed, 2 no
 * memory. */
zoltc_logix_status zoltc_logix_msp_decode(const uint8_t *bytes, uint32_t length,
                                          zoltc_logix_cip_response_list *list);

/* Checks the reply to the packet of `requests` (service 0x8A, exactly n
 * embedded responses, each of its request's service | 0x80) and moves its
 * responses into responses[0..n), which the caller has zeroed. 5 for another
 * service or count, and the decoder's statuses; on failure nothing is moved.
 * The reply keeps its own buffers. */
zoltc_logix_status zoltc_logix_msp_take_reply(const zoltc_logix_cip_response *reply,
                                              const zoltc_logix_cip_request *requests, uint32_t n,
                                              zoltc_logix_cip_response *responses);

/* The bytes a packet's message-router request may take on this session: the
 * connection size less its sequence count while a connection is open, else
 * ZOLTC_LOGIX_PACKET_BUDGET less what a route's Unconnected Send adds. */
uint32_t zoltc_logix_packet_budget(const zoltc_logix_session *session);

/* How many of requests[first..count) one packet of `budget` bytes carries (0
 * when the first alone does not fit). */
uint32_t zoltc_logix_packet_fit(const zoltc_logix_cip_request *requests, uint32_t first, uint32_t count,
                                uint32_t budget);

/* Sends `count` requests in as few packets as the budget allows and fills the
 * list with one response per request, in request order. All or nothing: on
 * failure the list is empty (responses of packets already exchanged are
 * released). 1 bad argument, 9 not registered, 15 a packet could not be made
 * small enough, 8 a packet refused with another general status, and the
 * statuses of the exchange below it. */
zoltc_logix_status zoltc_logix_send_batch(zoltc_logix_session *session,
                                          const zoltc_logix_cip_request *requests, uint32_t count,
                                          zoltc_logix_cip_response_list *list);

#endif
