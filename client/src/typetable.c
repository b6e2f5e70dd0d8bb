/* Structure types shared by the records of a browse result: the per-connection
 * template cache, and the linking of a result's structure records to one copy
 * of each distinct type in the type table the result owns. */
#include "template.h"

#include <string.h>

#include "alloc.h"
#include "client.h"

zoltc_logix_type_table *zoltc_logix_type_table_create(void) {
  zoltc_logix_type_table *table = zoltc_logix_alloc(sizeof *table);
  if (table != NULL) {
    memset(table, 0, sizeof *table);
  }
  return table;
}

void zoltc_logix_type_table_free(zoltc_logix_type_table *table) {
  if (table == NULL) {
    return;
  }
  for (uint32_t slot = 0; slot < ZOLTC_LOGIX_TEMPLATE_SLOTS; ++slot) {
    zoltc_logix_template_free(table->slots[slot]);
    zoltc_logix_free(table->slots[slot]);
  }
  zoltc_logix_free(table);
}

void zoltc_logix_client_forget_templates(zoltc_logix_client *client) {
  zoltc_logix_type_table_free(client->templates);
  client->templates = NULL;
}

zoltc_logix_result zoltc_logix_template_cache_add(zoltc_logix_client *client, uint16_t template_id,
                                                  const uint8_t *data, uint32_t length, uint16_t member_count) {
  if (client->templates == NULL) {
    client->templates = zoltc_logix_type_table_create();
    if (client->templates == NULL) {
      return ZOLTC_LOGIX_ERR_NO_MEMORY;
    }
  }
  zoltc_logix_type_table *cache = client->templates;
  zoltc_logix_template *entry = zoltc_logix_alloc(sizeof *entry);
  if (entry == NULL) {
    return ZOLTC_LOGIX_ERR_NO_MEMORY;
  }
  memset(entry, 0, sizeof *entry);
  zoltc_logix_result result = zoltc_logix_template_parse(data, length, member_count, entry);
  if (result == ZOLTC_LOGIX_OK && entry->members.count > ZOLTC_LOGIX_MAX_RECORDS - cache->members) {
    result = ZOLTC_LOGIX_ERR_TOO_LARGE;
  }
  if (result != ZOLTC_LOGIX_OK) {
    zoltc_logix_template_free(entry);
    zoltc_logix_free(entry);
    return result;
  }
  cache->members += entry->members.count;
  cache->slots[template_id] = entry;
  return ZOLTC_LOGIX_OK;
}

/* The cached template of `template_id`, read and parsed on first use. The
 * cache's member records are bounded like a browse result's. */
static zoltc_logix_result cached_template(zoltc_logix_client *client, uint16_t template_id,
                                          const zoltc_logix_template **out) {
  if (client->templates == NULL || client->templates->slots[template_id] == NULL) {
    zoltc_logix_buffer data = {0};
    uint16_t member_count = 0;
    zoltc_logix_result result = zoltc_logix_template_read(client, template_id, &data, &member_count);
    if (result == ZOLTC_LOGIX_OK) {
      result = zoltc_logix_template_cache_add(client, template_id, data.data, data.length, member_count);
    }
    zoltc_logix_buffer_free(&data);
    if (result != ZOLTC_LOGIX_OK) {
      return result;
    }
  }
  *out = client->templates->slots[template_id];
  return ZOLTC_LOGIX_OK;
}

/* A copy of a cached template whose member names point into its own text. */
static zoltc_logix_template *template_copy(const zoltc_logix_template *source) {
  zoltc_logix_template *copy = zoltc_logix_alloc(sizeof *copy);
  if (copy == NULL) {
    return NULL;
  }
  memset(copy, 0, sizeof *copy);
  uint32_t count = source->members.count;
  copy->text = zoltc_logix_alloc(source->text_size);
  if (count > 0) {
    copy->members.items = zoltc_logix_alloc_array(count, sizeof *copy->members.items);
  }
  if (copy->text == NULL || (count > 0 && copy->members.items == NULL)) {
    zoltc_logix_template_free(copy);
    zoltc_logix_free(copy);
    return NULL;
  }
  memcpy(copy->text, source->text, source->text_size);
  copy->text_size = source->text_size;
  if (count > 0) {
    memcpy(copy->members.items, source->members.items, count * sizeof *copy->members.items);
  }
  copy->members.count = count;
  for (uint32_t i = 0; i < count; ++i) {
    copy->members.items[i].name = copy->text + (source->members.items[i].name - source->text);
  }
  return copy;
}

typedef struct type_linking {
  zoltc_logix_client *client;
  zoltc_logix_type_table *table; /* the result's own */
  uint32_t total;                /* records of the result so far */
} type_linking;

static zoltc_logix_result link_record(type_linking *linking, zoltc_logix_tag_info *record,
                                      uint32_t depth, uint8_t *height);

/* The result's type of `template_id`, copied from the cache and its structure
 * members linked on first use. `depth` is the structure level that needs it. */
static zoltc_logix_result linked_type(type_linking *linking, uint16_t template_id,
                                      uint32_t depth, zoltc_logix_template **out) {
  zoltc_logix_template *entry = linking->table->slots[template_id];
  if (entry != NULL) {
    if (entry->height == 0) {
      /* The structure contains itself, directly or through other structures. */
      return ZOLTC_LOGIX_ERR_BAD_REPLY;
    }
    if (depth + entry->height > ZOLTC_LOGIX_MAX_DEPTH) {
      return ZOLTC_LOGIX_ERR_TOO_LARGE;
    }
    *out = entry;
    return ZOLTC_LOGIX_OK;
  }
  const zoltc_logix_template *cached = NULL;
  zoltc_logix_result result = cached_template(linking->client, template_id, &cached);
  if (result != ZOLTC_LOGIX_OK) {
    return result;
  }
  if (cached->members.count > ZOLTC_LOGIX_MAX_RECORDS - linking->total) {
    return ZOLTC_LOGIX_ERR_TOO_LARGE;
  }
  entry = template_copy(cached);
  if (entry == NULL) {
    return ZOLTC_LOGIX_ERR_NO_MEMORY;
  }
  linking->table->slots[template_id] = entry;
  linking->table->members += entry->members.count;
  linking->total += entry->members.count;
  uint8_t height = 1;
  for (uint32_t i = 0; i < entry->members.count; ++i) {
    uint8_t below = 0;
    result = link_record(linking, &entry->members.items[i], depth + 1u, &below);
    if (result != ZOLTC_LOGIX_OK) {
      return result;
    }
    if (below >= height) {
      height = (uint8_t)(below + 1u);
    }
  }
  entry->height = height;
  *out = entry;
  return ZOLTC_LOGIX_OK;
}

/* Points a structure record at its shared type; `height` gives the structure
 * levels from the record down (0 for anything else). */
static zoltc_logix_result link_record(type_linking *linking, zoltc_logix_tag_info *record,
                                      uint32_t depth, uint8_t *height) {
  *height = 0;
  if (!zoltc_logix_type_is_struct(record->type)) {
    return ZOLTC_LOGIX_OK;
  }
  if (depth >= ZOLTC_LOGIX_MAX_DEPTH) {
    return ZOLTC_LOGIX_ERR_TOO_LARGE;
  }
  zoltc_logix_template *entry = NULL;
  zoltc_logix_result result =
      linked_type(linking, zoltc_logix_type_template_id(record->type), depth, &entry);
  if (result != ZOLTC_LOGIX_OK) {
    return result;
  }
  record->type_name = entry->text;
  record->members = (zoltc_logix_tag_info_list){entry->members.count, entry->members.items, NULL};
  *height = entry->height;
  return ZOLTC_LOGIX_OK;
}

zoltc_logix_result zoltc_logix_template_expand_list(zoltc_logix_client *client,
                                                    zoltc_logix_tag_info_list *list) {
  if (client == NULL || list == NULL) {
    return ZOLTC_LOGIX_ERR_INVALID_ARGUMENT;
  }
  bool any = false;
  for (uint32_t i = 0; i < list->count && !any; ++i) {
    any = zoltc_logix_type_is_struct(list->items[i].type);
  }
  if (!any) {
    return ZOLTC_LOGIX_OK;
  }
  zoltc_logix_result fetched = zoltc_logix_template_prefetch(client, list);
  if (fetched != ZOLTC_LOGIX_OK) {
    return fetched;
  }
  list->types = zoltc_logix_type_table_create();
  if (list->types == NULL) {
    return ZOLTC_LOGIX_ERR_NO_MEMORY;
  }
  type_linking linking = {client, list->types, list->count};
  zoltc_logix_result result = ZOLTC_LOGIX_OK;
  for (uint32_t i = 0; i < list->count && result == ZOLTC_LOGIX_OK; ++i) {
    uint8_t height = 0;
    result = link_record(&linking, &list->items[i], 0, &height);
  }
  return result;
}
