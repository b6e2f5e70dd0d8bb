/* SendUnitData reply data: the connected items of a reply on a connection whose
 * replies name the id and sequence count in the first six bytes, then the
 * message-router decode of what they carry, as the library chains them. */
#include <stdlib.h>

#include "cip.h"
#include "connected.h"
#include "wire.h"

int LLVMFuzzerTestOneInput(const uint8_t *bytes, size_t size);

int LLVMFuzzerTestOneInput(const uint8_t *bytes, size_t size) {
  if (size < 6u || size > UINT32_MAX) {
    return 0;
  }
  const uint32_t to_id = zoltc_logix_get_u32(bytes);
  const uint16_t sequence = zoltc_logix_get_u16(bytes + 4);
  const uint8_t *reply = NULL;
  uint32_t length = 0;
  if (zoltc_logix_unit_data_unwrap(bytes + 6, (uint32_t)(size - 6u), to_id, sequence, &reply, &length) !=
      ZOLTC_LOGIX_STATUS_OK) {
    return 0;
  }
  /* What is pointed at lies inside the reply data. */
  if (reply < bytes + 6 || reply + length > bytes + size) {
    abort();
  }
  zoltc_logix_cip_response response;
  (void)zoltc_logix_cip_decode_response(reply, length, &response);
  zoltc_logix_cip_response_free(&response);
  return 0;
}
