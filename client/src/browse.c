/* Tag browsing: pages of the Symbol object, their parser, the visibility rules,
 * and the hand-over of the result to the structure expansion. */
#include "browse.h"

#include <string.h>

#include "alloc.h"
#include "cip.h"
#include "template.h"
#include "types.h"
#include "wire.h"

enum { SERVICE_GET_INSTANCE_ATTRIBUTE_LIST = 0x55, PROGRAM_PREFIX_LENGTH = 8 };

static const char program_prefix[] = "Program:";
/* A container symbol the controller lists in every scope; it is no user tag. */
static const char container_name[] = "__CONTAINER";

/* Attribute count 3, then the ids 1 (name), 2 (type word) and 8 (dimensions). */
static const uint8_t symbol_attributes[8] = {0x03, 0x00, 0x01, 0x00, 0x02, 0x00, 0x08, 0x00};

static bool symbol_is_visible(uint16_t type, const uint8_t *name, uint16_t name_length) {
  if (zoltc_logix_type_is_program(type)) {
    return true;
  }
  if ((type & ZOLTC_LOGIX_TYPE_SYSTEM) != 0) {
    return false;
  }
  return !(name_length == sizeof container_name - 1 &&
           memcmp(name, container_name, sizeof container_name - 1) == 0);
}

/* Returns the next free record of the state's list, growing the array first
 * when it is full. */
static zoltc_logix_result next_record(zoltc_logix_browse_state *state,
                                      zoltc_logix_tag_info **record) {
  zoltc_logix_tag_info_list *list = &state->list;
  if (list->count >= ZOLTC_LOGIX_MAX_RECORDS) {
    return ZOLTC_LOGIX_ERR_TOO_LARGE;
  }
  if (list->count == state->capacity) {
    uint32_t capacity =
        state->capacity == 0 ? ZOLTC_LOGIX_BROWSE_FIRST_CAPACITY : state->capacity * 2u;
    zoltc_logix_tag_info *items =
        list->items == NULL
            ? zoltc_logix_alloc_array(capacity, sizeof *items)
            : zoltc_logix_realloc(list->items, (size_t)capacity * sizeof *items);
    if (items == NULL) {
      return ZOLTC_LOGIX_ERR_NO_MEMORY;
    }
    list->items = items;
    state->capacity = capacity;
  }
  *record = &list->items[list->count];
  return ZOLTC_LOGIX_OK;
}

static zoltc_logix_result append_symbol(zoltc_logix_browse_state *state, const uint8_t *entry,
                                        uint16_t name_length, uint16_t type) {
  zoltc_logix_tag_info *record = NULL;
  zoltc_logix_result result = next_record(state, &record);
  if (result != ZOLTC_LOGIX_OK) {
    return result;
  }
  const uint8_t *name = entry + 6;
  const uint8_t *dims = name + name_length + 2;
  memset(record, 0, sizeof *record);
  record->instance_id = zoltc_logix_get_u32(entry);
  record->type = type;
  for (int i = 0; i < 3; ++i) {
    record->dims[i] = zoltc_logix_get_u32(dims + 4 * i);
  }
  /* The controller lists its programs as "Program:Name"; the prefix itself is
   * not compared, only dropped. */
  size_t skip =
      zoltc_logix_type_is_program(type) && name_length > PROGRAM_PREFIX_LENGTH ? PROGRAM_PREFIX_LENGTH : 0;
  record->name = zoltc_logix_text_copy((const char *)name + skip, name_length - skip);
  if (record->name == NULL) {
    return ZOLTC_LOGIX_ERR_NO_MEMORY;
  }
  ++state->list.count;
  return ZOLTC_LOGIX_OK;
}

zoltc_logix_result zoltc_logix_symbol_page_parse(const uint8_t *data, uint32_t length,
                                                 zoltc_logix_browse_state *state) {
  if (state == NULL || (data == NULL && length > 0)) {
    return ZOLTC_LOGIX_ERR_INVALID_ARGUMENT;
  }
  uint32_t position = 0;
  while (position < length) {
    const uint8_t *entry = data + position;
    uint32_t left = length - position;
    if (left < 6) {
      return ZOLTC_LOGIX_ERR_BAD_REPLY;
    }
    uint32_t instance_id = zoltc_logix_get_u32(entry);
    uint16_t name_length = zoltc_logix_get_u16(entry + 4);
    if (name_length == 0 || left - 6 < (uint32_t)name_length + 14u ||
        instance_id < state->start_instance || instance_id == UINT32_MAX ||
        memchr(entry + 6, 0, name_length) != NULL) {
      return ZOLTC_LOGIX_ERR_BAD_REPLY;
    }
    uint16_t type = zoltc_logix_get_u16(entry + 6 + name_length);
    state->start_instance = instance_id + 1u;
    if (symbol_is_visible(type, entry + 6, name_length)) {
      zoltc_logix_result result = append_symbol(state, entry, name_length, type);
      if (result != ZOLTC_LOGIX_OK) {
        return result;
      }
    }
    position += ZOLTC_LOGIX_SYMBOL_ENTRY_FIXED + name_length;
  }
  return ZOLTC_LOGIX_OK;
}

/* Requests the page that starts at the state's start instance and parses it;
 * `more` tells whether the controller announced further pages. */
static zoltc_logix_result browse_page(zoltc_logix_client *client, const char *scope,
                                      zoltc_logix_browse_state *state, bool *more) {
  zoltc_logix_path path;
  zoltc_logix_path_init(&path);
  zoltc_logix_status status = ZOLTC_LOGIX_STATUS_OK;
  if (scope != NULL) {
    status = zoltc_logix_path_add_symbol(&path, scope);
  }
  if (status == ZOLTC_LOGIX_STATUS_OK) {
    status = zoltc_logix_path_add_class(&path, ZOLTC_LOGIX_SYMBOL_CLASS);
  }
  if (status == ZOLTC_LOGIX_STATUS_OK) {
    status = zoltc_logix_path_add_instance(&path, state->start_instance);
  }
  if (status != ZOLTC_LOGIX_STATUS_OK) {
    zoltc_logix_path_free(&path);
    return zoltc_logix_result_from_status(status);
  }
  zoltc_logix_cip_request request = {SERVICE_GET_INSTANCE_ATTRIBUTE_LIST, path.data,
                                     path.length, symbol_attributes,
                                     sizeof symbol_attributes};
  zoltc_logix_cip_response response = {0};
  zoltc_logix_result result = zoltc_logix_send_request(client, &request, &response);
  zoltc_logix_path_free(&path);
  if (result != ZOLTC_LOGIX_OK) {
    return result;
  }
  uint8_t general_status = response.general_status;
  if (general_status != ZOLTC_LOGIX_CIP_SUCCESS && general_status != ZOLTC_LOGIX_CIP_PARTIAL) {
    zoltc_logix_client_note_refusal(client, &response);
    result = ZOLTC_LOGIX_ERR_CIP_STATUS;
  } else {
    result = zoltc_logix_symbol_page_parse(response.data.data, response.data.length, state);
    *more = general_status == ZOLTC_LOGIX_CIP_PARTIAL;
  }
  zoltc_logix_cip_response_free(&response);
  return result;
}

/* Browses one symbol space (the controller's when `scope` is null) into `list`,
 * which is empty on entry and stays empty after a failure. */
static zoltc_logix_result browse_scope(zoltc_logix_client *client, const char *scope,
                                       zoltc_logix_tag_info_list *list) {
  zoltc_logix_browse_state state;
  memset(&state, 0, sizeof state);
  zoltc_logix_result result = ZOLTC_LOGIX_OK;
  bool more = true;
  while (more && result == ZOLTC_LOGIX_OK) {
    uint32_t start = state.start_instance;
    result = browse_page(client, scope, &state, &more);
    /* A controller that keeps announcing more without moving on would hold us
     * here for ever. */
    if (result == ZOLTC_LOGIX_OK && more && state.start_instance == start) {
      result = ZOLTC_LOGIX_ERR_BAD_REPLY;
    }
  }
  if (result == ZOLTC_LOGIX_OK) {
    result = zoltc_logix_template_expand_list(client, &state.list);
  }
  if (result != ZOLTC_LOGIX_OK) {
    zoltc_logix_tag_info_list_free(&state.list);
  }
  *list = state.list;
  return result;
}

zoltc_logix_result zoltc_logix_list_tags(zoltc_logix_client *client,
                                         zoltc_logix_tag_info_list *list) {
  if (list == NULL) {
    return ZOLTC_LOGIX_ERR_INVALID_ARGUMENT;
  }
  memset(list, 0, sizeof *list);
  if (client == NULL) {
    return ZOLTC_LOGIX_ERR_INVALID_ARGUMENT;
  }
  return browse_scope(client, NULL, list);
}

zoltc_logix_result zoltc_logix_list_program_tags(zoltc_logix_client *client,
                                                 zoltc_logix_tag_info_list *list,
                                                 const char *program_name) {
  if (list == NULL) {
    return ZOLTC_LOGIX_ERR_INVALID_ARGUMENT;
  }
  memset(list, 0, sizeof *list);
  if (client == NULL || program_name == NULL || program_name[0] == '\0') {
    return ZOLTC_LOGIX_ERR_INVALID_ARGUMENT;
  }
  size_t name_length = strlen(program_name);
  if (name_length > SIZE_MAX - PROGRAM_PREFIX_LENGTH - 1) {
    return ZOLTC_LOGIX_ERR_TOO_LARGE;
  }
  char *scope = zoltc_logix_alloc(PROGRAM_PREFIX_LENGTH + name_length + 1);
  if (scope == NULL) {
    return ZOLTC_LOGIX_ERR_NO_MEMORY;
  }
  memcpy(scope, program_prefix, PROGRAM_PREFIX_LENGTH);
  memcpy(scope + PROGRAM_PREFIX_LENGTH, program_name, name_length + 1);
  zoltc_logix_result result = browse_scope(client, scope, list);
  zoltc_logix_free(scope);
  return result;
}
