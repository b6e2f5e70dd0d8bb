/* Multiple Service Packet reply data from the controller: any bytes decode to
 * a full list or to an empty one, never a read outside the input. */
#include <stddef.h>
#include <stdint.h>
#include <stdlib.h>

#include "batch.h"

int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size);

int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  if (size > UINT32_MAX) {
    return 0;
  }
  zoltc_logix_cip_response_list list = {NULL, 0};
  zoltc_logix_status status = zoltc_logix_msp_decode(data, (uint32_t)size, &list);
  if (status == ZOLTC_LOGIX_STATUS_OK) {
    /* The responses are disjoint slices of the input after the offset table. */
    if (list.count == 0 || list.responses == NULL) {
      abort();
    }
    size_t total = 2u + 2u * (size_t)list.count;
    for (uint32_t i = 0; i < list.count; ++i) {
      const zoltc_logix_cip_response *response = &list.responses[i];
      total += 4u + response->additional_status.length + response->data.length;
    }
    if (total > size) {
      abort();
    }
  } else if (list.responses != NULL || list.count != 0) {
    abort();
  }
  zoltc_logix_cip_response_list_free(&list);
  return 0;
}
