/* Tag browsing: the Symbol object (class 0x6B) read page by page with Get
 * Instance Attribute List, and the parser of one page of symbol entries. */
#ifndef ZOLTC_LOGIX_BROWSE_H
#define ZOLTC_LOGIX_BROWSE_H

#include "zoltc_logix.h"

#ifdef __cplusplus
extern "C" {
#endif

#define ZOLTC_LOGIX_SYMBOL_CLASS 0x6Bu
/* Every entry: instance id (4), name length (2), name, type (2), 3 dimensions (12). */
#define ZOLTC_LOGIX_SYMBOL_ENTRY_FIXED 20u
/* Capacity of the record array at its first growth; it doubles after that. */
#define ZOLTC_LOGIX_BROWSE_FIRST_CAPACITY 32u

/* What a browse of one scope has gathered so far. A zeroed record is a fresh
 * browse starting at instance 0. */
typedef struct zoltc_logix_browse_state {
  zoltc_logix_tag_info_list list; /* visible records so far, owned */
  uint32_t capacity;              /* records allocated in list.items */
  uint32_t start_instance;        /* one past the last instance id parsed */
} zoltc_logix_browse_state;

/* Parses the response data of one page and appends its visible entries to the
 * state's list, moving start_instance past every entry read (kept or not).
 * 5 for a malformed page or falling instance ids, 18 beyond
 * ZOLTC_LOGIX_MAX_RECORDS records, 2
 * when memory runs out, 1 for null arguments. Records appended before a failing
 * entry stay in the list; release it with zoltc_logix_tag_info_list_free. Pure. */
zoltc_logix_result zoltc_logix_symbol_page_parse(const uint8_t *data, uint32_t length,
                                                 zoltc_logix_browse_state *state);

#ifdef __cplusplus
}
#endif

#endif
