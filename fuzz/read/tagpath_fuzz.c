/* Tag path texts: any text is refused or encoded into well-formed segments,
 * and an encoded path written back as text encodes to the same bytes. */
#include <stddef.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "alloc.h"

int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size);

/* Writes the path back as text: names joined by ".", indices as "[n]". Returns
 * false when the bytes are not a sequence of symbolic and element segments
 * starting with a symbol. */
static bool render(const zoltc_logix_path *path, char *text, size_t room) {
  size_t at = 0;
  size_t written = 0;
  bool first = true;
  while (at < path->length) {
    const uint8_t *segment = path->data + at;
    size_t left = path->length - at;
    int n = 0;
    if (segment[0] == 0x91) {
      if (left < 2 || segment[1] == 0 || left < 2u + segment[1] + (segment[1] & 1u)) {
        return false;
      }
      if (written + segment[1] + 2 >= room) {
        return false;
      }
      if (!first) {
        text[written++] = '.';
      }
      memcpy(text + written, segment + 2, segment[1]);
      written += segment[1];
      at += 2u + segment[1] + (segment[1] & 1u);
      first = false;
      continue;
    }
    if (first) {
      return false;
    }
    uint32_t value = 0;
    if (segment[0] == 0x28 && left >= 2) {
      value = segment[1];
      at += 2;
    } else if (segment[0] == 0x29 && left >= 4 && segment[1] == 0) {
      value = (uint32_t)segment[2] | (uint32_t)segment[3] << 8;
      if (value <= 0xFF) {
        return false; /* not the shortest form */
      }
      at += 4;
    } else if (segment[0] == 0x2A && left >= 6 && segment[1] == 0) {
      value = (uint32_t)segment[2] | (uint32_t)segment[3] << 8 | (uint32_t)segment[4] << 16 |
              (uint32_t)segment[5] << 24;
      if (value <= 0xFFFF) {
        return false;
      }
      at += 6;
    } else {
      return false;
    }
    n = snprintf(text + written, room - written, "[%u]", value);
    if (n < 0 || (size_t)n >= room - written) {
      return false;
    }
    written += (size_t)n;
  }
  text[written] = '\0';
  return !first;
}

int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  if (size > 4096) {
    return 0;
  }
  char *text = malloc(size + 1);
  if (text == NULL) {
    return 0;
  }
  memcpy(text, data, size);
  text[size] = '\0';

  zoltc_logix_path path;
  zoltc_logix_path_init(&path);
  zoltc_logix_result result = zoltc_logix_encode_tag_path(text, &path);
  if (result == ZOLTC_LOGIX_OK) {
    /* An index segment of k bytes takes at most 2.5 k characters as text. */
    size_t room = 3u * path.length + 16u;
    char *again = malloc(room);
    zoltc_logix_path second;
    zoltc_logix_path_init(&second);
    if (again == NULL || !render(&path, again, room) ||
        zoltc_logix_encode_tag_path(again, &second) != ZOLTC_LOGIX_OK ||
        second.length != path.length || memcmp(second.data, path.data, path.length) != 0) {
      abort();
    }
    zoltc_logix_path_free(&second);
    free(again);
  } else if (result != ZOLTC_LOGIX_ERR_INVALID_ARGUMENT && result != ZOLTC_LOGIX_ERR_TOO_LARGE &&
             result != ZOLTC_LOGIX_ERR_NO_MEMORY) {
    abort();
  }
  zoltc_logix_path_free(&path);
  free(text);
  return 0;
}
