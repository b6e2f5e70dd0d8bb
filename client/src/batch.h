/* Multiple Service Packet: packing, encoding, decoding and the batch exchange. */
#ifndef ZOLTC_LOGIX_BATCH_H
#define ZOLTC_LOGIX_BATCH_H

#include "session.h"

#define ZOLTC_LOGIX_PACKET_BUDGET 500u
#define ZOLTC_LOGIX_MAX_PACKET_DATA 65529u
#define ZOLTC_LOGIX_MAX_PACKET_REQUESTS 65535u

zoltc_logix_status zoltc_logix_msp_encode(const zoltc_logix_cip_request *requests, uint32_t n,
                                          zoltc_logix_buffer *out);
zoltc_logix_status zoltc_logix_msp_decode(const uint8_t *bytes, uint32_t length,
                                          zoltc_logix_cip_response_list *list);
zoltc_logix_status zoltc_logix_send_batch(zoltc_logix_session *session,
                                          const zoltc_logix_cip_request *requests,
                                          uint32_t count,
                                          zoltc_logix_cip_response_list *list);

#endif
