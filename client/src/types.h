/* Helpers shared by the decoders that fill tag records (symbol pages, templates). */
#ifndef ZOLTC_LOGIX_TYPES_H
#define ZOLTC_LOGIX_TYPES_H

#include "zoltc_logix.h"

#ifdef __cplusplus
extern "C" {
#endif

/* A NUL-terminated copy of `length` bytes from the allocation table, or null
 * when memory runs out. Release it with zoltc_logix_free. */
char *zoltc_logix_text_copy(const char *bytes, size_t length);

#ifdef __cplusplus
}
#endif

#endif
