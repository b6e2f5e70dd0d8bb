/* The controller identity (Identity object, Get_Attributes_All). */
#ifndef ZOLTC_LOGIX_IDENTITY_H
#define ZOLTC_LOGIX_IDENTITY_H

#include "zoltc_logix.h"

#ifdef __cplusplus
extern "C" {
#endif

/* The constant request: service 0x01, path 20 01 24 01, no data. */
const zoltc_logix_cip_request *zoltc_logix_identity_request(void);

/* Decodes the response data into `identity`. 1 null argument, 5 short data,
 * 2 no memory. On success every field is replaced (the old product name is
 * released); on failure the identity is left exactly as it was. */
zoltc_logix_status zoltc_logix_identity_decode(const zoltc_logix_cip_response *response,
                                               zoltc_logix_identity *identity);

/* Releases the product name and zeroes the record; null is ignored. */
void zoltc_logix_identity_clear(zoltc_logix_identity *identity);

#ifdef __cplusplus
}
#endif

#endif
