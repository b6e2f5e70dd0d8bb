/* ListIdentity reply datagrams, taking the reply's own sender context as the one
 * expected so that the item decoder is reached. */
#include <stdlib.h>

#include "discover.h"
#include "identity.h"
#include "wire.h"

int LLVMFuzzerTestOneInput(const uint8_t *bytes, size_t size);

int LLVMFuzzerTestOneInput(const uint8_t *bytes, size_t size) {
  if (size > 0xFFFFu) {
    return 0;
  }
  const uint64_t context = size >= 20u ? zoltc_logix_get_u64(bytes + 12) : 0u;
  zoltc_logix_device device;
  zoltc_logix_status status = zoltc_logix_list_identity_decode(bytes, (uint32_t)size, context, &device);
  if (status != ZOLTC_LOGIX_STATUS_OK && device.identity.product_name != NULL) {
    abort();
  }
  zoltc_logix_identity_clear(&device.identity);
  return 0;
}
