/* Structure templates: attribute and chunked data reads and the template parser. */
#include "template.h"

#include <string.h>

#include "alloc.h"
#include "cip.h"
#include "types.h"
#include "wire.h"

enum {
  SERVICE_GET_ATTRIBUTE_LIST = 0x03,
  SERVICE_READ_TEMPLATE = 0x4C,
  MEMBER_ENTRY_SIZE = 8,
  HIDDEN_PREFIX_LENGTH = 10
};

/* Controllers pack BOOL members into host SINTs named with this prefix; they are
 * an artefact of the layout, not something a user addresses. */
static const char hidden_prefix[] = "ZZZZZZZZZZ";

const uint8_t zoltc_logix_template_attributes_request[6] = {0x02, 0x00, 0x04, 0x00, 0x02, 0x00};

void zoltc_logix_template_free(zoltc_logix_template *entry) {
  if (entry == NULL) {
    return;
  }
  zoltc_logix_free(entry->text);
  zoltc_logix_free(entry->members.items);
  memset(entry, 0, sizeof *entry);
}

zoltc_logix_result zoltc_logix_template_attributes_decode(const uint8_t *data, uint32_t length,
                                                          uint32_t *data_size,
                                                          uint16_t *member_count) {
  if (data_size == NULL || member_count == NULL) {
    return ZOLTC_LOGIX_ERR_INVALID_ARGUMENT;
  }
  *data_size = 0;
  *member_count = 0;
  if (data == NULL && length > 0) {
    return ZOLTC_LOGIX_ERR_INVALID_ARGUMENT;
  }
  if (length != ZOLTC_LOGIX_TEMPLATE_ATTRIBUTES_LENGTH || zoltc_logix_get_u16(data) != 2 ||
      zoltc_logix_get_u16(data + 2) != 4 || zoltc_logix_get_u16(data + 10) != 2) {
    return ZOLTC_LOGIX_ERR_BAD_REPLY;
  }
  if (zoltc_logix_get_u16(data + 4) != 0 || zoltc_logix_get_u16(data + 12) != 0) {
    return ZOLTC_LOGIX_ERR_CIP_STATUS;
  }
  uint32_t words = zoltc_logix_get_u32(data + 6);
  uint16_t members = zoltc_logix_get_u16(data + 14);
  if (words < ZOLTC_LOGIX_TEMPLATE_MIN_WORDS) {
    return ZOLTC_LOGIX_ERR_BAD_REPLY;
  }
  if (words > ZOLTC_LOGIX_TEMPLATE_MAX_WORDS) {
    return ZOLTC_LOGIX_ERR_TOO_LARGE;
  }
  uint32_t size = words * 4u - 23u;
  /* The member table and at least the name's terminator must fit. */
  if (size < (uint32_t)members * MEMBER_ENTRY_SIZE + 1u) {
    return ZOLTC_LOGIX_ERR_BAD_REPLY;
  }
  *data_size = size;
  *member_count = members;
  return ZOLTC_LOGIX_OK;
}

/* Length of the NUL-terminated text at data[position], or -1 when it is not
 * terminated before `length`. */
static long text_length(const uint8_t *data, uint32_t length, uint32_t position) {
  const uint8_t *end = memchr(data + position, 0, length - position);
  return end == NULL ? -1 : (long)(end - (data + position));
}

static bool member_is_hidden(uint16_t type, const uint8_t *name, size_t name_length) {
  return type == ZOLTC_LOGIX_TYPE_SINT && name_length >= HIDDEN_PREFIX_LENGTH &&
         memcmp(name, hidden_prefix, HIDDEN_PREFIX_LENGTH) == 0;
}

/* Checks the member names that start at `position` and counts the visible
 * members; `*end` is one past the last name. */
static zoltc_logix_result scan_members(const uint8_t *data, uint32_t length, uint16_t count,
                                       uint32_t position, uint32_t *visible, uint32_t *end) {
  for (uint16_t i = 0; i < count; ++i) {
    long name_length = position < length ? text_length(data, length, position) : -1;
    if (name_length <= 0) {
      return ZOLTC_LOGIX_ERR_BAD_REPLY;
    }
    uint16_t type = zoltc_logix_get_u16(data + (uint32_t)i * MEMBER_ENTRY_SIZE + 2);
    if (!member_is_hidden(type, data + position, (size_t)name_length)) {
      if (zoltc_logix_type_dimensions(type) > 1) {
        return ZOLTC_LOGIX_ERR_UNSUPPORTED;
      }
      ++*visible;
    }
    position += (uint32_t)name_length + 1u;
  }
  *end = position;
  return ZOLTC_LOGIX_OK;
}

/* Fills the member records from checked data; names point into entry->text,
 * which holds the bytes from `names` on. */
static void fill_members(const uint8_t *data, uint16_t count, uint32_t names, uint32_t position,
                         zoltc_logix_template *entry) {
  for (uint16_t i = 0; i < count; ++i) {
    const uint8_t *entry_bytes = data + (uint32_t)i * MEMBER_ENTRY_SIZE;
    size_t name_length = strlen((const char *)data + position);
    uint16_t type = zoltc_logix_get_u16(entry_bytes + 2);
    if (!member_is_hidden(type, data + position, name_length)) {
      zoltc_logix_tag_info *record = &entry->members.items[entry->members.count++];
      memset(record, 0, sizeof *record);
      record->instance_id = i;
      record->type = type;
      record->dims[0] = zoltc_logix_type_dimensions(type) == 1 ? zoltc_logix_get_u16(entry_bytes) : 0;
      record->name = entry->text + (position - names);
    }
    position += (uint32_t)name_length + 1u;
  }
}

zoltc_logix_result zoltc_logix_template_parse(const uint8_t *data, uint32_t length,
                                              uint16_t member_count,
                                              zoltc_logix_template *entry) {
  if (entry == NULL || (data == NULL && length > 0)) {
    return ZOLTC_LOGIX_ERR_INVALID_ARGUMENT;
  }
  uint32_t names = (uint32_t)member_count * MEMBER_ENTRY_SIZE;
  if (names >= length) {
    return ZOLTC_LOGIX_ERR_BAD_REPLY;
  }
  long full = text_length(data, length, names);
  if (full <= 0) {
    return ZOLTC_LOGIX_ERR_BAD_REPLY;
  }
  /* Controllers append ";" and an encoding suffix to the name. */
  const uint8_t *cut = memchr(data + names, ';', (size_t)full);
  size_t kept = cut == NULL ? (size_t)full : (size_t)(cut - (data + names));
  if (kept == 0) {
    return ZOLTC_LOGIX_ERR_BAD_REPLY;
  }
  uint32_t first_member = names + (uint32_t)full + 1u;
  uint32_t visible = 0;
  uint32_t end = 0;
  zoltc_logix_result result =
      scan_members(data, length, member_count, first_member, &visible, &end);
  if (result != ZOLTC_LOGIX_OK) {
    return result;
  }
  entry->text = zoltc_logix_alloc(end - names);
  if (visible > 0) {
    entry->members.items = zoltc_logix_alloc_array(visible, sizeof *entry->members.items);
  }
  if (entry->text == NULL || (visible > 0 && entry->members.items == NULL)) {
    zoltc_logix_template_free(entry);
    return ZOLTC_LOGIX_ERR_NO_MEMORY;
  }
  memcpy(entry->text, data + names, end - names);
  entry->text[kept] = '\0';
  entry->text_size = end - names;
  fill_members(data, member_count, names, first_member, entry);
  return ZOLTC_LOGIX_OK;
}

/* Sends one request to the template's path; a reply that arrived with a
 * general status other than those in `accepted` is the controller refusing. */
static zoltc_logix_result send_to_template(zoltc_logix_client *client,
                                           const zoltc_logix_path *path, uint8_t service,
                                           const uint8_t *data, uint32_t data_length,
                                           bool partial_accepted,
                                           zoltc_logix_cip_response *response) {
  zoltc_logix_cip_request request = {service, path->data, path->length, data, data_length};
  zoltc_logix_result result = zoltc_logix_send_request(client, &request, response);
  if (result != ZOLTC_LOGIX_OK) {
    return result;
  }
  uint8_t status = response->general_status;
  if (status != ZOLTC_LOGIX_CIP_SUCCESS && !(partial_accepted && status == ZOLTC_LOGIX_CIP_PARTIAL)) {
    zoltc_logix_client_note_refusal(client, response);
    zoltc_logix_cip_response_free(response);
    return ZOLTC_LOGIX_ERR_CIP_STATUS;
  }
  return ZOLTC_LOGIX_OK;
}

static zoltc_logix_result read_attributes(zoltc_logix_client *client,
                                          const zoltc_logix_path *path, uint32_t *data_size,
                                          uint16_t *member_count) {
  zoltc_logix_cip_response response = {0};
  zoltc_logix_result result =
      send_to_template(client, path, SERVICE_GET_ATTRIBUTE_LIST, zoltc_logix_template_attributes_request,
                       sizeof zoltc_logix_template_attributes_request, false, &response);
  if (result == ZOLTC_LOGIX_OK) {
    result = zoltc_logix_template_attributes_decode(response.data.data, response.data.length,
                                                    data_size, member_count);
  }
  zoltc_logix_cip_response_free(&response);
  return result;
}

/* Asks for `wanted` bytes at `offset` and appends what arrives to `data`. */
static zoltc_logix_result read_chunk(zoltc_logix_client *client, const zoltc_logix_path *path,
                                     uint32_t wanted, zoltc_logix_buffer *data,
                                     bool *more) {
  uint32_t offset = data->length;
  uint8_t request[6];
  zoltc_logix_put_u32(request, offset);
  zoltc_logix_put_u16(request + 4, (uint16_t)wanted);
  zoltc_logix_cip_response response = {0};
  zoltc_logix_result result = send_to_template(client, path, SERVICE_READ_TEMPLATE, request,
                                               sizeof request, true, &response);
  if (result != ZOLTC_LOGIX_OK) {
    return result;
  }
  if (response.data.length == 0 || response.data.length > wanted) {
    result = ZOLTC_LOGIX_ERR_BAD_REPLY;
  } else {
    memcpy(data->data + offset, response.data.data, response.data.length);
    data->length += response.data.length;
    *more = response.general_status == ZOLTC_LOGIX_CIP_PARTIAL;
  }
  zoltc_logix_cip_response_free(&response);
  return result;
}

static zoltc_logix_result read_data(zoltc_logix_client *client, const zoltc_logix_path *path,
                                    uint32_t size, zoltc_logix_buffer *data) {
  data->data = zoltc_logix_alloc(size);
  if (data->data == NULL) {
    return ZOLTC_LOGIX_ERR_NO_MEMORY;
  }
  for (;;) {
    uint32_t left = size - data->length;
    bool last = left <= ZOLTC_LOGIX_TEMPLATE_CHUNK;
    bool more = false;
    zoltc_logix_result result =
        read_chunk(client, path, last ? left : ZOLTC_LOGIX_TEMPLATE_CHUNK, data, &more);
    if (result != ZOLTC_LOGIX_OK) {
      return result;
    }
    if (more) {
      /* "More follows" with nothing left to ask for would never end. */
      if (data->length == size) {
        return ZOLTC_LOGIX_ERR_BAD_REPLY;
      }
    } else if (last) {
      /* The controller may end the template early; what arrived is parsed. */
      return ZOLTC_LOGIX_OK;
    }
  }
}

zoltc_logix_result zoltc_logix_template_read(zoltc_logix_client *client, uint16_t template_id,
                                             zoltc_logix_buffer *data,
                                             uint16_t *member_count) {
  if (data == NULL || member_count == NULL) {
    return ZOLTC_LOGIX_ERR_INVALID_ARGUMENT;
  }
  memset(data, 0, sizeof *data);
  *member_count = 0;
  if (client == NULL) {
    return ZOLTC_LOGIX_ERR_INVALID_ARGUMENT;
  }
  zoltc_logix_path path;
  zoltc_logix_path_init(&path);
  zoltc_logix_status status = zoltc_logix_path_add_class(&path, ZOLTC_LOGIX_TEMPLATE_CLASS);
  if (status == ZOLTC_LOGIX_STATUS_OK) {
    status = zoltc_logix_path_add_instance(&path, template_id);
  }
  zoltc_logix_result result = zoltc_logix_result_from_status(status);
  uint32_t size = 0;
  if (result == ZOLTC_LOGIX_OK) {
    result = read_attributes(client, &path, &size, member_count);
  }
  if (result == ZOLTC_LOGIX_OK) {
    result = read_data(client, &path, size, data);
  }
  zoltc_logix_path_free(&path);
  if (result != ZOLTC_LOGIX_OK) {
    zoltc_logix_buffer_free(data);
    *member_count = 0;
  }
  return result;
}

