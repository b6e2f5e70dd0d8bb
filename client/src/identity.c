/* The controller identity: Get_Attributes_All on the Identity object. */
#include "identity.h"

#include "alloc.h"
#include "wire.h"

#include <string.h>

/* Fixed fields up to and including the product name's length byte. */
#define IDENTITY_FIXED_SIZE 15u

static const uint8_t identity_path[4] = {0x20, 0x01, 0x24, 0x01};

static const zoltc_logix_cip_request identity_request = {
    0x01, identity_path, sizeof identity_path, NULL, 0};

const zoltc_logix_cip_request *zoltc_logix_identity_request(void) {
  return &identity_request;
}

/* The numeric fields and the name are stored together only once the whole
 * reply has been checked and the name copied, so a failure changes nothing. */
zoltc_logix_status zoltc_logix_identity_decode(const zoltc_logix_cip_response *response,
                                               zoltc_logix_identity *identity) {
  if (response == NULL || identity == NULL) {
    return ZOLTC_LOGIX_STATUS_INVALID_ARGUMENT;
  }
  const uint8_t *data = response->data.data;
  const uint32_t length = response->data.length;
  if (data == NULL || length < IDENTITY_FIXED_SIZE) {
    return ZOLTC_LOGIX_STATUS_BAD_REPLY;
  }
  const uint32_t name_length = data[14];
  if (length - IDENTITY_FIXED_SIZE < name_length) {
    return ZOLTC_LOGIX_STATUS_BAD_REPLY;
  }
  char *name = zoltc_logix_alloc(name_length + 1u);
  if (name == NULL) {
    return ZOLTC_LOGIX_STATUS_NO_MEMORY;
  }
  memcpy(name, data + IDENTITY_FIXED_SIZE, name_length);
  name[name_length] = '\0';

  zoltc_logix_free(identity->product_name);
  identity->vendor_id = zoltc_logix_get_u16(data);
  identity->device_type = zoltc_logix_get_u16(data + 2);
  identity->product_code = zoltc_logix_get_u16(data + 4);
  identity->revision_major = data[6];
  identity->revision_minor = data[7];
  identity->status = zoltc_logix_get_u16(data + 8);
  identity->serial_number = zoltc_logix_get_u32(data + 10);
  identity->product_name = name;
  return ZOLTC_LOGIX_STATUS_OK;
}

void zoltc_logix_identity_clear(zoltc_logix_identity *identity) {
  if (identity == NULL) {
    return;
  }
  zoltc_logix_free(identity->product_name);
  memset(identity, 0, sizeof *identity);
  identity->product_name = NULL;
}
