/* CIP message-router requests and responses, carried unconnected in SendRRData
 * with the Common Packet Format. */
#ifndef ZOLTC_LOGIX_CIP_H
#define ZOLTC_LOGIX_CIP_H

#include "session.h"

#define ZOLTC_LOGIX_MAX_PATH_LENGTH 510u

/* General status values the library acts on. */
enum {
  ZOLTC_LOGIX_CIP_SUCCESS = 0x00,
  ZOLTC_LOGIX_CIP_PARTIAL = 0x06,
  ZOLTC_LOGIX_CIP_REQUEST_TOO_LARGE = 0x1A,
  ZOLTC_LOGIX_CIP_RESPONSE_TOO_LARGE = 0x1B,
  ZOLTC_LOGIX_CIP_EMBEDDED_ERROR = 0x1E
};

/* Message-router request bytes of `request` into an owned buffer. */
zoltc_logix_status zoltc_logix_cip_encode_request(const zoltc_logix_cip_request *request,
                                                  zoltc_logix_buffer *out);

/* Decodes message-router response bytes; the response is cleared first and
 * left cleared on failure. */
zoltc_logix_status zoltc_logix_cip_decode_response(const uint8_t *bytes, uint32_t length,
                                                   zoltc_logix_cip_response *response);

/* Finds the unconnected data item (0x00B2) in SendRRData reply data and copies
 * its bytes into `item` (5 when absent or malformed). Pure; used by
 * zoltc_logix_send_rr_data and the fuzz target. */
zoltc_logix_status zoltc_logix_cpf_find_unconnected_item(const uint8_t *bytes,
                                                         uint32_t length,
                                                         zoltc_logix_buffer *item);

/* Carries one encoded message-router request in SendRRData and decodes the reply. */
zoltc_logix_status zoltc_logix_send_rr_data(zoltc_logix_session *session,
                                            const uint8_t *request, uint32_t length,
                                            zoltc_logix_cip_response *response);

/* Encodes, sends and decodes one request. The general status is not judged. */
zoltc_logix_status zoltc_logix_send_direct(zoltc_logix_session *session,
                                           const zoltc_logix_cip_request *request,
                                           zoltc_logix_cip_response *response);

#endif
