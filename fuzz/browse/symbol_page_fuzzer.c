/* Feeds arbitrary bytes to the symbol page parser, as one page and then again as
 * the page after it, and checks what a successful parse promises. */
#include <stddef.h>
#include <stdint.h>
#include <string.h>

#include "browse.h"

int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size);

static void check(bool condition) {
  if (!condition) {
    __builtin_trap();
  }
}

static void check_records(const zoltc_logix_browse_state *state) {
  check(state->list.count <= ZOLTC_LOGIX_MAX_RECORDS);
  check(state->list.count <= state->capacity);
  for (uint32_t i = 0; i < state->list.count; ++i) {
    const zoltc_logix_tag_info *info = &state->list.items[i];
    check(info->name != NULL && info->name[0] != '\0');
    check(info->instance_id < state->start_instance);
    check(i == 0 || info->instance_id > state->list.items[i - 1].instance_id);
    check(info->type_name == NULL && info->members.count == 0);
  }
}

int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  if (size > UINT32_MAX) {
    return 0;
  }
  zoltc_logix_browse_state state;
  memset(&state, 0, sizeof state);
  for (int page = 0; page < 2; ++page) {
    zoltc_logix_result result = zoltc_logix_symbol_page_parse(data, (uint32_t)size, &state);
    check_records(&state);
    if (result != ZOLTC_LOGIX_OK) {
      break;
    }
  }
  zoltc_logix_tag_info_list_free(&state.list);
  check(state.list.count == 0 && state.list.items == NULL);
  return 0;
}
