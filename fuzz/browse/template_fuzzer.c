/* Feeds arbitrary bytes to the template attribute decoder (the first 16 bytes)
 * and the template parser (a member count, then the template data), and checks
 * what each promises. */
#include <stddef.h>
#include <stdint.h>
#include <string.h>

#include "template.h"

int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size);

static void check(bool condition) {
  if (!condition) {
    __builtin_trap();
  }
}

static void fuzz_attributes(const uint8_t *data, size_t size) {
  uint32_t data_size = 0;
  uint16_t member_count = 0;
  uint32_t length = size < 16 ? (uint32_t)size : 16u;
  if (zoltc_logix_template_attributes_decode(data, length, &data_size, &member_count) ==
      ZOLTC_LOGIX_OK) {
    check(data_size >= 1 && data_size <= ZOLTC_LOGIX_TEMPLATE_MAX_WORDS * 4u - 23u);
    check(data_size >= (uint32_t)member_count * 8u + 1u);
  } else {
    check(data_size == 0 && member_count == 0);
  }
}

static void fuzz_parse(const uint8_t *data, size_t size) {
  if (size < 2) {
    return;
  }
  uint16_t member_count = (uint16_t)(data[0] | (data[1] << 8));
  zoltc_logix_template entry;
  memset(&entry, 0, sizeof entry);
  zoltc_logix_result result =
      zoltc_logix_template_parse(data + 2, (uint32_t)(size - 2), member_count, &entry);
  if (result == ZOLTC_LOGIX_OK) {
    check(entry.text != NULL && entry.text[0] != '\0');
    check(strchr(entry.text, ';') == NULL);
    check(entry.members.count <= member_count);
    for (uint32_t i = 0; i < entry.members.count; ++i) {
      const zoltc_logix_tag_info *member = &entry.members.items[i];
      check(member->name != NULL && member->name[0] != '\0');
      check(member->instance_id < member_count);
      check(zoltc_logix_type_dimensions(member->type) <= 1);
      check(member->dims[1] == 0 && member->dims[2] == 0);
    }
  } else {
    check(entry.text == NULL && entry.members.items == NULL &&
          entry.members.count == 0);
  }
  zoltc_logix_template_free(&entry);
}

int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  if (size > UINT32_MAX) {
    return 0;
  }
  fuzz_attributes(data, size);
  fuzz_parse(data, size);
  return 0;
}
