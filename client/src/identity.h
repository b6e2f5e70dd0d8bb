/* The controller identity (Identity object, Get_Attributes_All). */
#ifndef ZOLTC_LOGIX_IDENTITY_H
#define ZOLTC_LOGIX_IDENTITY_H

#include "zoltc_logix.h"

/* The constant request: service 0x01, path 20 01 24 01, no data. */
const zoltc_logix_cip_request *zoltc_logix_identity_request(void);

/* Decodes the response data into `identity`. 1 null argument, 5 short data,
 * 2 no memory. The product name is replaced only on success. */
zoltc_logix_status zoltc_logix_identity_decode(const zoltc_logix_cip_response *response,
                                               zoltc_logix_identity *identity);

/* Releases the product name. */
void zoltc_logix_identity_clear(zoltc_logix_identity *identity);

#endif
