/* CIP message-router requests and responses, carried unconnected in SendRRData
 * with the Common Packet Format, or on a connection (connected.h). */
#ifndef ZOLTC_LOGIX_CIP_H
#define ZOLTC_LOGIX_CIP_H

#include "session.h"

#ifdef __cplusplus
extern "C" {
#endif

#define ZOLTC_LOGIX_MAX_PATH_LENGTH 510u

/* Records the controller's statuses of a refused response in the handle
 * (client.c). */
void zoltc_logix_client_note_refusal(zoltc_logix_client *client,
                                     const zoltc_logix_cip_response *response);

/* The first additional status word of a response, 0 when none. */
uint16_t zoltc_logix_cip_extended_status(const zoltc_logix_cip_response *response);

/* General status values the library acts on. */
enum {
  ZOLTC_LOGIX_CIP_SUCCESS = 0x00,
  ZOLTC_LOGIX_CIP_PARTIAL = 0x06,
  ZOLTC_LOGIX_CIP_REQUEST_TOO_LARGE = 0x1A,
  ZOLTC_LOGIX_CIP_RESPONSE_TOO_LARGE = 0x1B,
  ZOLTC_LOGIX_CIP_EMBEDDED_ERROR = 0x1E
};

/* Message-router request bytes of `request` into an owned buffer (release with
 * zoltc_logix_buffer_free). 1 bad argument or odd path length, 15 path above
 * 510 bytes or total beyond 32 bits, 2 no memory; `out` is empty on failure. */
zoltc_logix_status zoltc_logix_cip_encode_request(const zoltc_logix_cip_request *request,
                                                  zoltc_logix_buffer *out);

/* Decodes message-router response bytes into owned buffers (release with
 * zoltc_logix_cip_response_free). 5 shorter than its header or its announced
 * additional status, 2 no memory. The response is cleared first and left
 * cleared on failure. */
zoltc_logix_status zoltc_logix_cip_decode_response(const uint8_t *bytes, uint32_t length,
                                                   zoltc_logix_cip_response *response);

/* Finds the first item of `type` in a Common Packet Format item list (its u16
 * count, then type, length and data of each item) and points `item` at its data
 * inside `list`. 5 when the list is truncated or holds no such item. Pure. */
zoltc_logix_status zoltc_logix_cpf_find_item(const uint8_t *list, uint32_t length, uint16_t type,
                                             const uint8_t **item, uint16_t *item_length);

/* Finds the unconnected data item (0x00B2) in SendRRData reply data and copies
 * its bytes into `item` (5 when absent or malformed). Pure; used by
 * zoltc_logix_send_rr_data and the fuzz target. */
zoltc_logix_status zoltc_logix_cpf_find_unconnected_item(const uint8_t *bytes,
                                                         uint32_t length,
                                                         zoltc_logix_buffer *item);

/* Carries one encoded message-router request on the session's connection
 * (connected.c) when one is open, else in SendRRData, and decodes the reply
 * into `response`. 15 request above 65519 bytes (its SendRRData data
 * would not fit the encapsulation length), 9 session not registered, 8 reply
 * with a non-zero encapsulation status or another session handle (the
 * connection stays open), 5 no unconnected data item or a malformed response,
 * and the exchange's statuses. */
zoltc_logix_status zoltc_logix_send_rr_data(zoltc_logix_session *session,
                                            const uint8_t *request, uint32_t length,
                                            zoltc_logix_cip_response *response);

/* SendRRData without the route's Unconnected Send (Forward Open and Close
 * carry the route in their connection path). As zoltc_logix_send_rr_data. */
zoltc_logix_status zoltc_logix_carry_rr_data(zoltc_logix_session *session, const uint8_t *request,
                                             uint32_t length, zoltc_logix_cip_response *response);

/* The unconnected way of zoltc_logix_send_rr_data, whatever the session's
 * connection: along the route when one is set. */
zoltc_logix_status zoltc_logix_send_unconnected(zoltc_logix_session *session, const uint8_t *request,
                                                uint32_t length, zoltc_logix_cip_response *response);

/* Encodes, sends and decodes one request. The general status is not judged:
 * success means a well-formed response to the request's service arrived (5
 * for a reply of another service). */
zoltc_logix_status zoltc_logix_send_direct(zoltc_logix_session *session,
                                           const zoltc_logix_cip_request *request,
                                           zoltc_logix_cip_response *response);

#ifdef __cplusplus
}
#endif

#endif
