/* Message-router response decoding: never reads outside the input, and a
 * decoded response accounts for every byte. */
#include <stdlib.h>

#include "cip.h"

int LLVMFuzzerTestOneInput(const uint8_t *bytes, size_t size);

int LLVMFuzzerTestOneInput(const uint8_t *bytes, size_t size) {
  if (size > UINT32_MAX) {
    return 0;
  }
  zoltc_logix_cip_response response;
  zoltc_logix_status status =
      zoltc_logix_cip_decode_response(bytes, (uint32_t)size, &response);
  if (status == ZOLTC_LOGIX_STATUS_OK) {
    if (4u + (size_t)response.additional_status.length + response.data.length != size ||
        response.additional_status.length != 2u * bytes[3] ||
        response.general_status != bytes[2]) {
      abort();
    }
  } else if (response.data.data != NULL || response.additional_status.data != NULL) {
    abort();
  }
  zoltc_logix_cip_response_free(&response);
  return 0;
}
