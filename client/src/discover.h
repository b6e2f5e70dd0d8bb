/* Discovery: the ListIdentity request and the decoder of its replies. */
#ifndef ZOLTC_LOGIX_DISCOVER_H
#define ZOLTC_LOGIX_DISCOVER_H

#include "zoltc_logix.h"

#ifdef __cplusplus
extern "C" {
#endif

#define ZOLTC_LOGIX_ENCAP_LIST_IDENTITY 0x0063u

/* The 24-byte ListIdentity request carrying `context` as its sender context. */
void zoltc_logix_list_identity_request(uint64_t context, uint8_t request[24]);

/* Decodes one reply datagram into `device` (cleared first; its product name is
 * owned, release with zoltc_logix_identity_clear). 5 when it is not a
 * successful ListIdentity reply with `context`, or its CIP Identity item is
 * truncated; 2 no memory. The sender fields are left to the caller. Pure. */
zoltc_logix_status zoltc_logix_list_identity_decode(const uint8_t *bytes, uint32_t length,
                                                    uint64_t context,
                                                    zoltc_logix_device *device);

#ifdef __cplusplus
}
#endif

#endif
