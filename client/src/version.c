/* The version of the library itself, for programs linked against a shared copy
 * that may be newer than the header they were compiled with. */
#include "zoltc_logix.h"

const char *zoltc_logix_version(void) {
  return ZOLTC_LOGIX_VERSION;
}
