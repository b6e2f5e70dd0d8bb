/* Identity data: the name never runs past the reply, and decoding twice into
 * one record replaces the first name without leaking it. */
#include <stdlib.h>
#include <string.h>

#include "identity.h"

int LLVMFuzzerTestOneInput(const uint8_t *bytes, size_t size);

int LLVMFuzzerTestOneInput(const uint8_t *bytes, size_t size) {
  if (size > UINT32_MAX) {
    return 0;
  }
  zoltc_logix_cip_response response;
  memset(&response, 0, sizeof response);
  response.data.data = (uint8_t *)(uintptr_t)bytes;
  response.data.length = (uint32_t)size;
  zoltc_logix_identity identity;
  memset(&identity, 0, sizeof identity);
  for (int round = 0; round < 2; ++round) {
    zoltc_logix_status status = zoltc_logix_identity_decode(&response, &identity);
    if (status == ZOLTC_LOGIX_STATUS_OK) {
      if (identity.product_name == NULL || size < 15u ||
          memcmp(identity.product_name, bytes + 15, bytes[14]) != 0 ||
          identity.product_name[bytes[14]] != '\0') {
        abort();
      }
    } else if (identity.product_name != NULL) {
      abort();
    }
  }
  zoltc_logix_identity_clear(&identity);
  return 0;
}
