/* Tag value reading: the decoding of Read Tag and Read Tag Fragmented replies,
 * kept apart from the exchanges so that tests and fuzz targets can feed them
 * bytes. */
#ifndef ZOLTC_LOGIX_READ_H
#define ZOLTC_LOGIX_READ_H

#include "zoltc_logix.h"

#define ZOLTC_LOGIX_SERVICE_READ_TAG 0x4Cu
#define ZOLTC_LOGIX_SERVICE_READ_TAG_FRAGMENTED 0x52u

/* Read Tag requests per batch of zoltc_logix_read_tags. */
#define ZOLTC_LOGIX_READ_BATCH 30u
/* The largest character count a string reply may announce. */
#define ZOLTC_LOGIX_MAX_STRING_LENGTH 65535u

/* The outcome of one Read Tag response for `item`: clears the item's type and
 * value, then sets them from the response and returns the item's result
 * (ZOLTC_LOGIX_OK, ZOLTC_LOGIX_ERR_CIP_STATUS, ZOLTC_LOGIX_ERR_BAD_REPLY or
 * ZOLTC_LOGIX_ERR_UNSUPPORTED_TYPE). The type stays set when the value could
 * not be taken. The item's status and tag name are not touched. */
zoltc_logix_result zoltc_logix_read_item_decode(const zoltc_logix_cip_response *response,
                                                zoltc_logix_read_item *item);

/* The same with the item's general and extended status set from the response,
 * and for an item with bool_bit set, bit `bit` of the 32-bit word the reply
 * carries as a BOOL (15 for a reply of another type than 0xD3). */
zoltc_logix_result zoltc_logix_read_item_decode_bit(const zoltc_logix_cip_response *response,
                                                    zoltc_logix_read_item *item, uint8_t bit);

/* Gathers the text of a "STRING" structure from Read Tag Fragmented replies.
 * The caller's buffer and length are borrowed for the reader's lifetime. */
typedef struct zoltc_logix_string_reader {
  char *buffer;
  uint32_t buffer_size;
  uint32_t *length; /* the caller's length output, set once the count is in */
  uint32_t offset;  /* byte offset into the structure's data of the next request */
  uint16_t handle;  /* structure handle of the first fragment */
  bool has_handle;
  uint8_t count_bytes; /* 0 to 4 bytes of the character count gathered */
  uint32_t count;      /* the character count, complete when count_bytes is 4 */
  uint32_t characters; /* characters copied into the buffer so far */
} zoltc_logix_string_reader;

/* Starts a reader: the buffer becomes the empty text and the length 0.
 * buffer_size must be at least 1. */
void zoltc_logix_string_reader_init(zoltc_logix_string_reader *reader, char *buffer,
                                    uint32_t buffer_size, uint32_t *length);

/* Takes one reply. ZOLTC_LOGIX_OK with *done true: the buffer holds the whole
 * NUL-terminated text. ZOLTC_LOGIX_OK with *done false: ask for the next
 * fragment at reader->offset. Anything else ends the read: the buffer may hold
 * part of the text then (the caller empties it), and the length holds the count
 * when it was complete. */
zoltc_logix_result zoltc_logix_string_reader_feed(zoltc_logix_string_reader *reader,
                                                  const zoltc_logix_cip_response *response,
                                                  bool *done);

#endif
