/* The allocation table, its wrappers, and the two byte containers built on it. */
#include "alloc.h"

#include <stdlib.h>
#include <string.h>

static void *default_alloc(void *user_data, size_t size) {
  (void)user_data;
  return size == 0 ? NULL : malloc(size);
}

/* Size 0 returns null and leaves the block alone, unlike realloc(p, 0), whose
 * outcome differs between C libraries. */
static void *default_realloc(void *user_data, void *block, size_t size) {
  (void)user_data;
  return size == 0 ? NULL : realloc(block, size);
}

static void default_free(void *user_data, void *block) {
  (void)user_data;
  free(block);
}

static const zoltc_logix_allocator default_table = {default_alloc, default_realloc,
                                                     default_free, NULL};

static const zoltc_logix_allocator *current_table = &default_table;

const zoltc_logix_allocator *zoltc_logix_set_allocator(const zoltc_logix_allocator *table) {
  const zoltc_logix_allocator *previous = current_table;
  current_table = table != NULL ? table : &default_table;
  return previous;
}

void *zoltc_logix_alloc(size_t size) {
  const zoltc_logix_allocator *table = current_table;
  if (table == NULL || table->alloc == NULL) {
    return NULL;
  }
  return table->alloc(table->user_data, size);
}

void *zoltc_logix_realloc(void *block, size_t size) {
  const zoltc_logix_allocator *table = current_table;
  if (table == NULL || table->realloc == NULL) {
    return NULL;
  }
  return table->realloc(table->user_data, block, size);
}

void zoltc_logix_free(void *block) {
  const zoltc_logix_allocator *table = current_table;
  if (table == NULL || table->free == NULL) {
    return;
  }
  table->free(table->user_data, block);
}

void *zoltc_logix_alloc_array(size_t count, size_t size) {
  if (size != 0 && count > SIZE_MAX / size) {
    return NULL;
  }
  return zoltc_logix_alloc(count * size);
}

zoltc_logix_status zoltc_logix_buffer_copy(const uint8_t *bytes, uint32_t length,
                                           zoltc_logix_buffer *buffer) {
  if (length == 0) {
    return ZOLTC_LOGIX_STATUS_OK;
  }
  if (bytes == NULL || buffer == NULL) {
    return ZOLTC_LOGIX_STATUS_INVALID_ARGUMENT;
  }
  uint8_t *data = zoltc_logix_alloc(length);
  if (data == NULL) {
    return ZOLTC_LOGIX_STATUS_NO_MEMORY;
  }
  memcpy(data, bytes, length);
  buffer->data = data;
  buffer->length = length;
  return ZOLTC_LOGIX_STATUS_OK;
}

void zoltc_logix_buffer_free(zoltc_logix_buffer *buffer) {
  if (buffer == NULL) {
    return;
  }
  zoltc_logix_free(buffer->data);
  buffer->data = NULL;
  buffer->length = 0;
}

void zoltc_logix_path_init(zoltc_logix_path *path) {
  if (path == NULL) {
    return;
  }
  path->data = NULL;
  path->length = 0;
  path->capacity = 0;
}

void zoltc_logix_path_free(zoltc_logix_path *path) {
  if (path == NULL) {
    return;
  }
  zoltc_logix_free(path->data);
  zoltc_logix_path_init(path);
}

zoltc_logix_status zoltc_logix_path_reserve(zoltc_logix_path *path, uint32_t n) {
  if (path == NULL) {
    return ZOLTC_LOGIX_STATUS_INVALID_ARGUMENT;
  }
  const uint64_t needed = (uint64_t)path->length + n;
  if (needed > UINT32_MAX) {
    return ZOLTC_LOGIX_STATUS_INVALID_ARGUMENT;
  }
  if (needed <= path->capacity) {
    return ZOLTC_LOGIX_STATUS_OK;
  }
  uint64_t capacity = path->capacity != 0 ? path->capacity : 16u;
  while (capacity < needed) {
    capacity = capacity >= 0x80000000u ? needed : capacity * 2u;
  }
  uint8_t *data = zoltc_logix_realloc(path->data, (size_t)capacity);
  if (data == NULL) {
    return ZOLTC_LOGIX_STATUS_NO_MEMORY;
  }
  path->data = data;
  path->capacity = (uint32_t)capacity;
  return ZOLTC_LOGIX_STATUS_OK;
}
