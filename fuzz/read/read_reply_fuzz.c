/* Read Tag and Read Tag Fragmented replies from the controller. The first
 * byte picks the string buffer size; the rest is a run of message-router
 * responses, each preceded by its length byte. Every response is decoded as a
 * Read Tag reply into an item and fed to a string reader, until the reader
 * finishes or fails. */
#include <stddef.h>
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include "cip.h"
#include "read.h"

int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size);

static void check_item(const zoltc_logix_read_item *item, zoltc_logix_result result) {
  static const uint8_t zero[8] = {0};
  if (result != ZOLTC_LOGIX_OK && memcmp(item->value, zero, sizeof zero) != 0) {
    abort(); /* a value only with success */
  }
  if (result == ZOLTC_LOGIX_OK && (item->type < 0xC1 || item->type > 0xD4)) {
    abort();
  }
  if (result == ZOLTC_LOGIX_OK && item->type == 0xC1 && item->value[0] > 1) {
    abort();
  }
}

int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  if (size < 1) {
    return 0;
  }
  uint32_t buffer_size = 1u + data[0];
  char buffer[256];
  uint32_t length = 0;
  zoltc_logix_string_reader reader;
  zoltc_logix_string_reader_init(&reader, buffer, buffer_size, &length);

  size_t at = 1;
  bool reading = true;
  while (at < size) {
    size_t slice = data[at++];
    if (slice > size - at) {
      slice = size - at;
    }
    zoltc_logix_cip_response response;
    if (zoltc_logix_cip_decode_response(data + at, (uint32_t)slice, &response) ==
        ZOLTC_LOGIX_STATUS_OK) {
      zoltc_logix_read_item item;
      memset(&item, 0xEE, sizeof item);
      check_item(&item, zoltc_logix_read_item_decode(&response, &item));

      if (reading) {
        bool done = false;
        zoltc_logix_result result = zoltc_logix_string_reader_feed(&reader, &response, &done);
        if (result != ZOLTC_LOGIX_OK) {
          reading = false;
        } else if (done) {
          if (length >= buffer_size || strlen(buffer) > length || buffer[length] != '\0') {
            abort();
          }
          reading = false;
        }
        if (length > 65535u) {
          abort();
        }
      }
      zoltc_logix_cip_response_free(&response);
    }
    at += slice;
  }
  return 0;
}
