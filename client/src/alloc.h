/* Allocation wrappers over the current allocation table, and byte buffer helpers. */
#ifndef ZOLTC_LOGIX_ALLOC_H
#define ZOLTC_LOGIX_ALLOC_H

#include "zoltc_logix.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Call the current table's hooks with its user data. With no table or no hook,
 * alloc and realloc return null and free does nothing. */
void *zoltc_logix_alloc(size_t size);
void *zoltc_logix_realloc(void *block, size_t size);
void zoltc_logix_free(void *block);

/* count * size bytes, or null when the product overflows or memory runs out. */
void *zoltc_logix_alloc_array(size_t count, size_t size);

/* Copies `length` bytes into a new block owned by `buffer`. Length 0 returns 0
 * and leaves the buffer as it was; an allocation failure gives 2. */
zoltc_logix_status zoltc_logix_buffer_copy(const uint8_t *bytes, uint32_t length,
                                           zoltc_logix_buffer *buffer);

/* Makes room for n more bytes: afterwards at least length + n are allocated.
 * Capacity starts at 16 and doubles; past 0x80000000 it becomes exactly what is
 * needed. 1 for a null builder or a sum beyond 32 bits, 2 when the resize fails
 * (the builder is then unchanged). */
zoltc_logix_status zoltc_logix_path_reserve(zoltc_logix_path *path, uint32_t n);

#ifdef __cplusplus
}
#endif

#endif
