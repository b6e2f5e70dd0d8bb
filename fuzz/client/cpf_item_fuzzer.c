/* SendRRData reply data: the item search, then the message-router decode of the
 * item found, as the library chains them for every reply. */
#include <stdlib.h>

#include "alloc.h"
#include "cip.h"

int LLVMFuzzerTestOneInput(const uint8_t *bytes, size_t size);

int LLVMFuzzerTestOneInput(const uint8_t *bytes, size_t size) {
  if (size > UINT32_MAX) {
    return 0;
  }
  zoltc_logix_buffer item = {NULL, 0};
  zoltc_logix_status status =
      zoltc_logix_cpf_find_unconnected_item(bytes, (uint32_t)size, &item);
  if (status != ZOLTC_LOGIX_STATUS_OK) {
    if (item.data != NULL || item.length != 0) {
      abort();
    }
    return 0;
  }
  /* The item header and at least the 8-byte packet header precede the data. */
  if ((size_t)item.length + 12u > size) {
    abort();
  }
  zoltc_logix_cip_response response;
  (void)zoltc_logix_cip_decode_response(item.data, item.length, &response);
  zoltc_logix_cip_response_free(&response);
  zoltc_logix_buffer_free(&item);
  return 0;
}
