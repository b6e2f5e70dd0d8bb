/* Tag path text ("Tank.Level", "Data[3]", "a[1,2].b") into request path
 * segments: one symbolic segment per name, one element segment per index. */
#include "tagpath.h"

#include <string.h>

/* Longest name part a symbolic segment can carry (its length is one byte). */
#define TAGPATH_MAX_NAME 255u

static bool is_blank(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

static bool only_blanks(const char *begin, const char *end) {
  for (const char *c = begin; c < end; ++c) {
    if (!is_blank(*c)) {
      return false;
    }
  }
  return true;
}

static const char *find_char(const char *begin, const char *end, char wanted) {
  const char *c = begin;
  while (c < end && *c != wanted) {
    ++c;
  }
  return c;
}

/* One decimal index, blanks around it allowed; false when it is empty, holds
 * anything but digits, or does not fit in 32 bits. */
static bool parse_index(const char *begin, const char *end, uint32_t *value) {
  while (begin < end && is_blank(*begin)) {
    ++begin;
  }
  while (end > begin && is_blank(end[-1])) {
    --end;
  }
  if (begin == end) {
    return false;
  }
  uint32_t result = 0;
  for (const char *c = begin; c < end; ++c) {
    if (*c < '0' || *c > '9') {
      return false;
    }
    uint32_t digit = (uint32_t)(*c - '0');
    if (result > (UINT32_MAX - digit) / 10u) {
      return false;
    }
    result = result * 10u + digit;
  }
  *value = result;
  return true;
}

/* The text between "[" and "]": indices separated by ",", each appended as an
 * element segment as soon as it is read. */
/* `bit`, when not null, takes the last index of the list as a bit number. */
static zoltc_logix_result encode_index_list(const char *begin, const char *end,
                                            zoltc_logix_path *path, int *bit) {
  if (only_blanks(begin, end)) {
    return ZOLTC_LOGIX_ERR_INVALID_ARGUMENT;
  }
  const char *piece = begin;
  for (;;) {
    const char *stop = find_char(piece, end, ',');
    uint32_t value = 0;
    if (!parse_index(piece, stop, &value)) {
      return ZOLTC_LOGIX_ERR_INVALID_ARGUMENT;
    }
    if (bit != NULL && stop == end) {
      *bit = (int)(value % 32u);
      value /= 32u;
    }
    zoltc_logix_status status = zoltc_logix_path_add_element(path, value);
    if (status != ZOLTC_LOGIX_STATUS_OK) {
      return zoltc_logix_result_from_status(status);
    }
    if (stop == end) {
      return ZOLTC_LOGIX_OK;
    }
    piece = stop + 1;
  }
}

/* A name part, used byte for byte, then its bracket groups written directly
 * one after the other. */
static zoltc_logix_result encode_component(const char *begin, const char *end,
                                           zoltc_logix_path *path, int *bit) {
  const char *name_end = find_char(begin, end, '[');
  if (only_blanks(begin, name_end)) {
    return ZOLTC_LOGIX_ERR_INVALID_ARGUMENT;
  }
  size_t name_length = (size_t)(name_end - begin);
  if (name_length > TAGPATH_MAX_NAME) {
    return ZOLTC_LOGIX_ERR_TOO_LARGE;
  }
  char name[TAGPATH_MAX_NAME + 1];
  memcpy(name, begin, name_length);
  name[name_length] = '\0';
  zoltc_logix_status status = zoltc_logix_path_add_symbol(path, name);
  if (status != ZOLTC_LOGIX_STATUS_OK) {
    return zoltc_logix_result_from_status(status);
  }

  const char *cursor = name_end;
  while (cursor < end) {
    if (*cursor != '[') {
      return ZOLTC_LOGIX_ERR_INVALID_ARGUMENT;
    }
    const char *close = find_char(cursor + 1, end, ']');
    if (close == end) {
      return ZOLTC_LOGIX_ERR_INVALID_ARGUMENT;
    }
    zoltc_logix_result result =
        encode_index_list(cursor + 1, close, path, close + 1 == end ? bit : NULL);
    if (result != ZOLTC_LOGIX_OK) {
      return result;
    }
    cursor = close + 1;
  }
  return ZOLTC_LOGIX_OK;
}

static zoltc_logix_result encode_path(const char *text, zoltc_logix_path *path, int *bit) {
  if (path != NULL) {
    path->length = 0;
  }
  if (text == NULL || path == NULL) {
    return ZOLTC_LOGIX_ERR_INVALID_ARGUMENT;
  }
  const char *end = text + strlen(text);
  if (only_blanks(text, end)) {
    return ZOLTC_LOGIX_ERR_INVALID_ARGUMENT;
  }

  /* One pass: a "." outside brackets closes a component, which is encoded at
   * once, so a bad component stops the scan where it stands. */
  size_t depth = 0;
  const char *component = text;
  for (const char *c = text; c < end; ++c) {
    if (*c == '[') {
      ++depth;
    } else if (*c == ']') {
      if (depth == 0) {
        return ZOLTC_LOGIX_ERR_INVALID_ARGUMENT;
      }
      --depth;
    } else if (*c == '.' && depth == 0) {
      if (c == component) {
        return ZOLTC_LOGIX_ERR_INVALID_ARGUMENT;
      }
      zoltc_logix_result result = encode_component(component, c, path, NULL);
      if (result != ZOLTC_LOGIX_OK) {
        return result;
      }
      component = c + 1;
    }
  }
  if (depth != 0 || component == end) {
    return ZOLTC_LOGIX_ERR_INVALID_ARGUMENT;
  }
  return encode_component(component, end, path, bit);
}

zoltc_logix_result zoltc_logix_encode_tag_path(const char *text, zoltc_logix_path *path) {
  return encode_path(text, path, NULL);
}

zoltc_logix_result zoltc_logix_encode_bool_bit_path(const char *text, zoltc_logix_path *path,
                                                    uint8_t *bit) {
  int found = -1;
  zoltc_logix_result result = encode_path(text, path, &found);
  if (result == ZOLTC_LOGIX_OK && found < 0) {
    result = ZOLTC_LOGIX_ERR_INVALID_ARGUMENT;
  }
  *bit = found < 0 ? 0 : (uint8_t)found;
  return result;
}
