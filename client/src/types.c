/* Type-word predicates, the release operations of tag records and the owned
 * text copies their decoders make. */
#include "types.h"

#include <string.h>

#include "alloc.h"
#include "template.h"

uint8_t zoltc_logix_type_dimensions(uint16_t type) {
  return (uint8_t)((type & ZOLTC_LOGIX_TYPE_DIMS_MASK) >> 13);
}

uint8_t zoltc_logix_type_atomic_code(uint16_t type) { return (uint8_t)(type & 0xFFu); }

bool zoltc_logix_type_is_atomic(uint16_t type) {
  return (type & (ZOLTC_LOGIX_TYPE_STRUCT | ZOLTC_LOGIX_TYPE_DIMS_MASK)) == 0;
}

bool zoltc_logix_type_is_program(uint16_t type) { return type == ZOLTC_LOGIX_TYPE_PROGRAM; }

bool zoltc_logix_type_is_struct(uint16_t type) {
  /* A system symbol that carries the structure bit is not a structure we can
   * expand: the controller does not serve its template. */
  return (type & ZOLTC_LOGIX_TYPE_STRUCT) != 0 && (type & ZOLTC_LOGIX_TYPE_SYSTEM) == 0;
}

uint16_t zoltc_logix_type_template_id(uint16_t type) {
  return (uint16_t)(type & ZOLTC_LOGIX_TYPE_TEMPLATE_MASK);
}

bool zoltc_logix_tag_is_string(const zoltc_logix_tag_info *info) {
  return info != NULL && info->type_name != NULL && strcmp(info->type_name, "STRING") == 0;
}

bool zoltc_logix_bool_array_element(const zoltc_logix_tag_info *info, uint32_t index,
                                    zoltc_logix_bool_element *out) {
  if (out == NULL) {
    return false;
  }
  memset(out, 0, sizeof *out);
  /* A Logix controller holds no DWORD tags: the code only names BOOL-array words. */
  if (info == NULL || zoltc_logix_type_atomic_code(info->type) != ZOLTC_LOGIX_TYPE_DWORD ||
      (info->type & ZOLTC_LOGIX_TYPE_STRUCT) != 0 || zoltc_logix_type_dimensions(info->type) != 1 ||
      index / 32u >= info->dims[0]) {
    return false;
  }
  out->element = index / 32u;
  out->bit = (uint8_t)(index % 32u);
  return true;
}

void zoltc_logix_tag_info_list_free(zoltc_logix_tag_info_list *list) {
  if (list == NULL) {
    return;
  }
  for (uint32_t i = 0; i < list->count; ++i) {
    zoltc_logix_tag_info_free(&list->items[i]);
  }
  zoltc_logix_free(list->items);
  zoltc_logix_type_table_free(list->types);
  memset(list, 0, sizeof *list);
}

void zoltc_logix_tag_info_free(zoltc_logix_tag_info *info) {
  if (info == NULL) {
    return;
  }
  zoltc_logix_free(info->name);
  memset(info, 0, sizeof *info);
}

char *zoltc_logix_text_copy(const char *bytes, size_t length) {
  if (length == SIZE_MAX) {
    return NULL;
  }
  char *text = zoltc_logix_alloc(length + 1);
  if (text == NULL) {
    return NULL;
  }
  if (length > 0) {
    memcpy(text, bytes, length);
  }
  text[length] = '\0';
  return text;
}
