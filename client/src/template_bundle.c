/* Templates read in bundles for the connected modes: the attribute requests of
 * every structure type a browse needs in Multiple Service Packets, then the
 * small templates whole, several to a packet. */
#include "template.h"

#include <string.h>

#include "alloc.h"
#include "batch.h"
#include "client.h"
#include "wire.h"

enum { SERVICE_GET_ATTRIBUTE_LIST = 0x03, SERVICE_READ_TEMPLATE = 0x4C };

/* A Multiple Service Packet reply: its header and count, then per response its
 * offset and its own 4-byte header before the data. */
#define PACKET_REPLY_COST 6u
#define EMBEDDED_REPLY_COST 6u
#define MAX_PATH 6u

/* One template to fetch: its path, what its attributes said, its read request data. */
typedef struct wanted_template {
  uint16_t id;
  uint8_t path[MAX_PATH];
  uint8_t path_length;
  uint32_t size;
  uint16_t members;
  uint8_t read[6];
} wanted_template;

/* Failures of the exchange end the browse; a refusal or a packet too large only
 * leaves the template to the one-by-one reads. */
static bool leaves_it_to_single_reads(zoltc_logix_result result) {
  return result == ZOLTC_LOGIX_ERR_CIP_STATUS || result == ZOLTC_LOGIX_ERR_TOO_LARGE;
}

static bool is_cached(const zoltc_logix_client *client, uint16_t id) {
  return client->templates != NULL && client->templates->slots[id] != NULL;
}

/* Adds the template of a structure record not cached and not yet wanted. */
static void want(const zoltc_logix_client *client, uint16_t type, bool *seen, wanted_template *wanted,
                 uint32_t *count) {
  if (!zoltc_logix_type_is_struct(type)) {
    return;
  }
  const uint16_t id = zoltc_logix_type_template_id(type);
  if (seen[id] || is_cached(client, id)) {
    return;
  }
  seen[id] = true;
  wanted_template *entry = &wanted[(*count)++];
  memset(entry, 0, sizeof *entry);
  entry->id = id;
  entry->path[0] = 0x20;
  entry->path[1] = ZOLTC_LOGIX_TEMPLATE_CLASS;
  if (id <= 0xFFu) {
    entry->path[2] = 0x24;
    entry->path[3] = (uint8_t)id;
    entry->path_length = 4;
  } else {
    entry->path[2] = 0x25;
    entry->path[3] = 0;
    zoltc_logix_put_u16(entry->path + 4, id);
    entry->path_length = 6;
  }
}

/* Sends one request of `service` per picked template into `responses` (the
 * caller releases it). */
static zoltc_logix_result send_all(zoltc_logix_client *client, wanted_template **picked, uint32_t n, uint8_t service,
                                   zoltc_logix_cip_response_list *responses) {
  zoltc_logix_cip_request *requests = zoltc_logix_alloc_array(n, sizeof *requests);
  if (requests == NULL) {
    return ZOLTC_LOGIX_ERR_NO_MEMORY;
  }
  for (uint32_t k = 0; k < n; ++k) {
    const bool read = service == SERVICE_READ_TEMPLATE;
    requests[k] = (zoltc_logix_cip_request){
        service, picked[k]->path, picked[k]->path_length,
        read ? picked[k]->read : zoltc_logix_template_attributes_request,
        read ? (uint32_t)sizeof picked[k]->read : (uint32_t)sizeof zoltc_logix_template_attributes_request};
  }
  zoltc_logix_result result = zoltc_logix_send_requests(client, requests, n, responses);
  zoltc_logix_free(requests);
  return result;
}

/* What one response brings to its template. */
typedef zoltc_logix_result (*take_response)(zoltc_logix_client *client, wanted_template *entry,
                                            const zoltc_logix_cip_response *response);

static zoltc_logix_result take_attributes(zoltc_logix_client *client, wanted_template *entry,
                                          const zoltc_logix_cip_response *response) {
  (void)client;
  if (response->general_status != 0 ||
      zoltc_logix_template_attributes_decode(response->data.data, response->data.length, &entry->size,
                                             &entry->members) != ZOLTC_LOGIX_OK) {
    entry->size = 0;
  }
  return ZOLTC_LOGIX_OK;
}

static zoltc_logix_result take_template(zoltc_logix_client *client, wanted_template *entry,
                                        const zoltc_logix_cip_response *response) {
  /* As the single read: a controller may end a template early, and what arrived is parsed. */
  if (response->general_status != 0 || response->data.length == 0 || response->data.length > entry->size) {
    return ZOLTC_LOGIX_OK;
  }
  zoltc_logix_result result = zoltc_logix_template_cache_add(client, entry->id, response->data.data,
                                                             response->data.length, entry->members);
  /* A template the parser refuses is refused again, in words, by the single read. */
  return result == ZOLTC_LOGIX_ERR_NO_MEMORY ? result : ZOLTC_LOGIX_OK;
}

/* The reply bytes one request adds to its packet's reply. */
static uint32_t reply_cost(const wanted_template *entry, uint8_t service) {
  return EMBEDDED_REPLY_COST +
         (service == SERVICE_READ_TEMPLATE ? entry->size : (uint32_t)ZOLTC_LOGIX_TEMPLATE_ATTRIBUTES_LENGTH);
}

/* The requests of `service` for picked[0..n), in packets whose replies fit the
 * packet budget too. */
static zoltc_logix_result in_packets(zoltc_logix_client *client, wanted_template **picked, uint32_t n,
                                     uint8_t service, take_response take) {
  const uint32_t budget = zoltc_logix_packet_budget(client->session);
  zoltc_logix_result result = ZOLTC_LOGIX_OK;
  uint32_t first = 0;
  while (first < n && result == ZOLTC_LOGIX_OK) {
    uint32_t count = 0;
    uint32_t reply = PACKET_REPLY_COST;
    while (first + count < n && (count == 0 || reply + reply_cost(picked[first + count], service) <= budget)) {
      reply += reply_cost(picked[first + count], service);
      ++count;
    }
    zoltc_logix_cip_response_list responses;
    result = send_all(client, picked + first, count, service, &responses);
    if (result == ZOLTC_LOGIX_OK) {
      for (uint32_t k = 0; k < count && result == ZOLTC_LOGIX_OK; ++k) {
        result = take(client, picked[first + k], &responses.responses[k]);
      }
      zoltc_logix_cip_response_list_free(&responses);
    } else if (leaves_it_to_single_reads(result)) {
      result = ZOLTC_LOGIX_OK;
    }
    first += count;
  }
  return result;
}

/* One level: the attributes of every wanted template, then the whole data of
 * those that fit a reply. */
static zoltc_logix_result fetch_level(zoltc_logix_client *client, wanted_template *wanted, uint32_t count,
                                      wanted_template **picked) {
  for (uint32_t k = 0; k < count; ++k) {
    picked[k] = &wanted[k];
  }
  zoltc_logix_result result = in_packets(client, picked, count, SERVICE_GET_ATTRIBUTE_LIST, take_attributes);
  const uint32_t budget = zoltc_logix_packet_budget(client->session);
  uint32_t small = 0;
  for (uint32_t k = 0; k < count && result == ZOLTC_LOGIX_OK; ++k) {
    wanted_template *entry = &wanted[k];
    if (entry->size != 0 && entry->size <= 0xFFFFu && PACKET_REPLY_COST + reply_cost(entry, SERVICE_READ_TEMPLATE) <= budget) {
      zoltc_logix_put_u32(entry->read, 0);
      zoltc_logix_put_u16(entry->read + 4, (uint16_t)entry->size);
      picked[small++] = entry;
    }
  }
  return result == ZOLTC_LOGIX_OK ? in_packets(client, picked, small, SERVICE_READ_TEMPLATE, take_template) : result;
}

zoltc_logix_result zoltc_logix_template_prefetch(zoltc_logix_client *client, const zoltc_logix_tag_info_list *list) {
  if (client->session->messaging.requested == ZOLTC_LOGIX_MESSAGING_UNCONNECTED) {
    return ZOLTC_LOGIX_OK;
  }
  bool *seen = zoltc_logix_alloc_array(ZOLTC_LOGIX_TEMPLATE_SLOTS, sizeof *seen);
  /* This level's templates and the next level's, each at most one per id. */
  wanted_template *wanted = zoltc_logix_alloc_array(2u * ZOLTC_LOGIX_TEMPLATE_SLOTS, sizeof *wanted);
  wanted_template **picked = zoltc_logix_alloc_array(ZOLTC_LOGIX_TEMPLATE_SLOTS, sizeof *picked);
  zoltc_logix_result result = ZOLTC_LOGIX_OK;
  if (seen == NULL || wanted == NULL || picked == NULL) {
    result = ZOLTC_LOGIX_ERR_NO_MEMORY;
  } else {
    memset(seen, 0, ZOLTC_LOGIX_TEMPLATE_SLOTS * sizeof *seen);
    wanted_template *level = wanted;
    wanted_template *next = wanted + ZOLTC_LOGIX_TEMPLATE_SLOTS;
    uint32_t count = 0;
    for (uint32_t i = 0; i < list->count; ++i) {
      want(client, list->items[i].type, seen, level, &count);
    }
    /* Level by level: the member types of what arrived are wanted next. */
    for (uint32_t depth = 0; count != 0 && depth < ZOLTC_LOGIX_MAX_DEPTH && result == ZOLTC_LOGIX_OK; ++depth) {
      result = fetch_level(client, level, count, picked);
      uint32_t next_count = 0;
      for (uint32_t k = 0; k < count && result == ZOLTC_LOGIX_OK; ++k) {
        if (!is_cached(client, level[k].id)) {
          continue;
        }
        const zoltc_logix_tag_info_list *members = &client->templates->slots[level[k].id]->members;
        for (uint32_t m = 0; m < members->count; ++m) {
          want(client, members->items[m].type, seen, next, &next_count);
        }
      }
      wanted_template *swap = level;
      level = next;
      next = swap;
      count = next_count;
    }
  }
  zoltc_logix_free(seen);
  zoltc_logix_free(wanted);
  zoltc_logix_free(picked);
  return result;
}
