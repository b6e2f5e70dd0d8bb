/* Tag value reading: atomic values by Read Tag in batches, "STRING" texts by
 * Read Tag Fragmented. */
#include "read.h"

#include "alloc.h"
#include "batch.h"
#include "client.h"
#include "cip.h"
#include "tagpath.h"
#include "wire.h"

#include <string.h>

/* One element per Read Tag request. */
static const uint8_t read_one_element[] = {0x01, 0x00};

/* Value bytes of an atomic type word, taken whole: 0 for every word the value
 * decoder does not handle (structures, codes without a width, flagged words). */
static uint32_t value_width(uint32_t type) {
  static const uint8_t widths[] = {
      1, 1, 2, 4, 8, /* BOOL SINT INT DINT LINT (0xC1..0xC5) */
      1, 2, 4, 8,    /* USINT UINT UDINT ULINT */
      4, 8,          /* REAL LREAL */
      0, 0, 0, 0, 0, /* 0xCC..0xD0 have no width */
      1, 2, 4, 8     /* BYTE WORD DWORD LWORD (0xD1..0xD4) */
  };
  if (type < ZOLTC_LOGIX_TYPE_BOOL || type > ZOLTC_LOGIX_TYPE_LWORD) {
    return 0;
  }
  return widths[type - ZOLTC_LOGIX_TYPE_BOOL];
}

/* The bit `bit` of a BOOL array's 32-bit word, as a BOOL. */
static zoltc_logix_result take_bit(const uint8_t *data, uint32_t length, uint8_t bit,
                                   zoltc_logix_read_item *item) {
  if (item->type != ZOLTC_LOGIX_TYPE_DWORD) {
    return ZOLTC_LOGIX_ERR_TYPE_MISMATCH;
  }
  if (length - 2u < 4u) {
    return ZOLTC_LOGIX_ERR_BAD_REPLY;
  }
  item->type = ZOLTC_LOGIX_TYPE_BOOL;
  item->value[0] = (uint8_t)((zoltc_logix_get_u32(data + 2) >> bit) & 1u);
  return ZOLTC_LOGIX_OK;
}

zoltc_logix_result zoltc_logix_read_item_decode(const zoltc_logix_cip_response *response,
                                                zoltc_logix_read_item *item) {
  return zoltc_logix_read_item_decode_bit(response, item, 0);
}

zoltc_logix_result zoltc_logix_read_item_decode_bit(const zoltc_logix_cip_response *response,
                                                    zoltc_logix_read_item *item, uint8_t bit) {
  item->type = 0;
  memset(item->value, 0, sizeof item->value);
  item->general_status = response->general_status;
  item->extended_status = zoltc_logix_cip_extended_status(response);
  if (response->general_status != ZOLTC_LOGIX_CIP_SUCCESS) {
    return ZOLTC_LOGIX_ERR_CIP_STATUS;
  }
  const uint8_t *data = response->data.data;
  uint32_t length = response->data.length;
  if (length < 3u) {
    return ZOLTC_LOGIX_ERR_BAD_REPLY;
  }
  item->type = zoltc_logix_get_u16(data);
  if (item->bool_bit) {
    return take_bit(data, length, bit, item);
  }
  uint32_t width = value_width(item->type);
  if (width == 0) {
    return ZOLTC_LOGIX_ERR_UNSUPPORTED_TYPE;
  }
  if (length - 2u < width) {
    return ZOLTC_LOGIX_ERR_BAD_REPLY;
  }
  if (item->type == ZOLTC_LOGIX_TYPE_BOOL) {
    item->value[0] = data[2] != 0 ? 1 : 0;
  } else {
    memcpy(item->value, data + 2, width);
  }
  return ZOLTC_LOGIX_OK;
}

/* The state of one zoltc_logix_read_tags call: requests in order, and for each
 * the index of the item it reads. */
typedef struct read_job {
  zoltc_logix_client *client;
  zoltc_logix_read_item *items;
  const zoltc_logix_cip_request *requests;
  const uint32_t *item_of;
  const uint8_t *bit_of; /* per item: the bit of a BOOL-array item */
} read_job;

static zoltc_logix_result decode_for(const read_job *job, uint32_t request,
                                     const zoltc_logix_cip_response *response) {
  uint32_t index = job->item_of[request];
  return zoltc_logix_read_item_decode_bit(response, &job->items[index], job->bit_of[index]);
}

static zoltc_logix_read_item *job_item(const read_job *job, uint32_t request) {
  return &job->items[job->item_of[request]];
}

/* Requests [first, first + n): one alone goes without a packet; a batch the
 * batched send cannot make small enough is halved, down to single requests. */
static zoltc_logix_result exchange_batch(const read_job *job, uint32_t first, uint32_t n) {
  if (n == 1u) {
    zoltc_logix_read_item *item = job_item(job, first);
    zoltc_logix_cip_response response;
    zoltc_logix_result result =
        zoltc_logix_send_request(job->client, &job->requests[first], &response);
    if (result != ZOLTC_LOGIX_OK) {
      item->status = result;
      return result;
    }
    item->status = decode_for(job, first, &response);
    zoltc_logix_cip_response_free(&response);
    return ZOLTC_LOGIX_OK;
  }

  zoltc_logix_cip_response_list list;
  zoltc_logix_result result =
      zoltc_logix_send_requests(job->client, &job->requests[first], n, &list);
  if (result == ZOLTC_LOGIX_ERR_TOO_LARGE) {
    uint32_t half = n / 2u;
    result = exchange_batch(job, first, half);
    if (result == ZOLTC_LOGIX_OK) {
      result = exchange_batch(job, first + half, n - half);
    }
    return result;
  }
  if (result == ZOLTC_LOGIX_OK && list.count != n) {
    zoltc_logix_cip_response_list_free(&list);
    result = ZOLTC_LOGIX_ERR_BAD_REPLY;
  }
  if (result != ZOLTC_LOGIX_OK) {
    for (uint32_t k = 0; k < n; ++k) {
      job_item(job, first + k)->status = result;
    }
    return result;
  }
  for (uint32_t k = 0; k < n; ++k) {
    job_item(job, first + k)->status = decode_for(job, first + k, &list.responses[k]);
  }
  zoltc_logix_cip_response_list_free(&list);
  return ZOLTC_LOGIX_OK;
}

/* Encodes every item's path; an item whose text is refused keeps that code and
 * is not requested. Returns the number of requests made. */
static uint32_t prepare_requests(zoltc_logix_read_item *items, uint32_t count,
                                 zoltc_logix_path *paths, zoltc_logix_cip_request *requests,
                                 uint32_t *item_of, uint8_t *bit_of) {
  uint32_t n = 0;
  for (uint32_t i = 0; i < count; ++i) {
    zoltc_logix_read_item *item = &items[i];
    item->type = 0;
    item->general_status = 0;
    item->extended_status = 0;
    memset(item->value, 0, sizeof item->value);
    /* A failed path's slot is reused by the next item. */
    zoltc_logix_path *path = &paths[n];
    bit_of[i] = 0;
    zoltc_logix_result result =
        item->bool_bit ? zoltc_logix_encode_bool_bit_path(item->tag_name, path, &bit_of[i])
                       : zoltc_logix_encode_tag_path(item->tag_name, path);
    /* A path no request can carry is this item's own failure; sent, it would
     * fail its whole batch and every later one. */
    if (result == ZOLTC_LOGIX_OK && path->length > ZOLTC_LOGIX_MAX_PATH_LENGTH) {
      result = ZOLTC_LOGIX_ERR_TOO_LARGE;
    }
    if (result != ZOLTC_LOGIX_OK) {
      item->status = result;
      continue;
    }
    item->status = ZOLTC_LOGIX_ERR_UNKNOWN;
    requests[n] = (zoltc_logix_cip_request){
        .service = ZOLTC_LOGIX_SERVICE_READ_TAG,
        .path = path->data,
        .path_length = path->length,
        .data = read_one_element,
        .data_length = (uint32_t)sizeof read_one_element,
    };
    item_of[n] = i;
    ++n;
  }
  return n;
}

/* The requests of the batch that starts at `first`: ZOLTC_LOGIX_READ_BATCH
 * unconnected; on a connection as many as fill one packet, whatever their
 * number (a reply too large for the connection halves it, as any batch). */
static uint32_t batch_size(const read_job *job, uint32_t first, uint32_t n) {
  const zoltc_logix_session *session = job->client->session;
  if (session->connection.open) {
    const uint32_t fit = zoltc_logix_packet_fit(job->requests, first, n, zoltc_logix_packet_budget(session));
    return fit != 0 ? fit : 1u;
  }
  return n - first < ZOLTC_LOGIX_READ_BATCH ? n - first : ZOLTC_LOGIX_READ_BATCH;
}

/* Batches in order, until one fails. */
static zoltc_logix_result exchange_batches(const read_job *job, uint32_t n) {
  uint32_t size = 0;
  for (uint32_t first = 0; first < n; first += size) {
    size = batch_size(job, first, n);
    zoltc_logix_result result = exchange_batch(job, first, size);
    if (result != ZOLTC_LOGIX_OK) {
      /* Items already answered keep their outcome; the rest share the failure. */
      for (uint32_t k = first; k < n; ++k) {
        zoltc_logix_read_item *item = job_item(job, k);
        if (item->status == ZOLTC_LOGIX_ERR_UNKNOWN) {
          item->status = result;
        }
      }
      return result;
    }
  }
  return ZOLTC_LOGIX_OK;
}

zoltc_logix_result zoltc_logix_read_tags(zoltc_logix_client *client, zoltc_logix_read_item *items,
                                         uint32_t count) {
  if (client == NULL || items == NULL || count == 0) {
    return ZOLTC_LOGIX_ERR_INVALID_ARGUMENT;
  }
  zoltc_logix_path *paths = zoltc_logix_alloc_array(count, sizeof *paths);
  zoltc_logix_cip_request *requests = zoltc_logix_alloc_array(count, sizeof *requests);
  uint32_t *item_of = zoltc_logix_alloc_array(count, sizeof *item_of);
  uint8_t *bit_of = zoltc_logix_alloc_array(count, sizeof *bit_of);
  zoltc_logix_result result = ZOLTC_LOGIX_ERR_NO_MEMORY;
  if (paths != NULL && requests != NULL && item_of != NULL && bit_of != NULL) {
    memset(paths, 0, count * sizeof *paths);
    uint32_t n = prepare_requests(items, count, paths, requests, item_of, bit_of);
    read_job job = {client, items, requests, item_of, bit_of};
    result = exchange_batches(&job, n);
    /* Slots past the last failed one were never used. */
    uint32_t used = n < count ? n + 1u : count;
    for (uint32_t i = 0; i < used; ++i) {
      zoltc_logix_path_free(&paths[i]);
    }
  }
  zoltc_logix_free(bit_of);
  zoltc_logix_free(item_of);
  zoltc_logix_free(requests);
  zoltc_logix_free(paths);
  return result;
}

void zoltc_logix_string_reader_init(zoltc_logix_string_reader *reader, char *buffer,
                                    uint32_t buffer_size, uint32_t *length) {
  *reader =
      (zoltc_logix_string_reader){.buffer = buffer, .buffer_size = buffer_size, .length = length};
  buffer[0] = '\0';
  *length = 0;
}

/* Structure replies start with A0 02 and the structure handle. */
#define STRUCT_REPLY_HEAD 4u

zoltc_logix_result zoltc_logix_string_reader_feed(zoltc_logix_string_reader *reader,
                                                  const zoltc_logix_cip_response *response,
                                                  bool *done) {
  *done = false;
  uint8_t general = response->general_status;
  if (general != ZOLTC_LOGIX_CIP_SUCCESS && general != ZOLTC_LOGIX_CIP_PARTIAL) {
    return ZOLTC_LOGIX_ERR_CIP_STATUS;
  }
  const uint8_t *data = response->data.data;
  uint32_t length = response->data.length;
  if (length < STRUCT_REPLY_HEAD || data[0] != 0xA0 || data[1] != 0x02) {
    return ZOLTC_LOGIX_ERR_TYPE_MISMATCH;
  }
  uint16_t handle = zoltc_logix_get_u16(data + 2);
  if (!reader->has_handle) {
    reader->handle = handle;
    reader->has_handle = true;
  } else if (handle != reader->handle) {
    return ZOLTC_LOGIX_ERR_BAD_REPLY;
  }
  const uint8_t *payload = data + STRUCT_REPLY_HEAD;
  uint32_t payload_length = length - STRUCT_REPLY_HEAD;
  if (payload_length == 0) {
    return ZOLTC_LOGIX_ERR_BAD_REPLY;
  }

  /* The count may straddle two fragments. */
  uint32_t used = 0;
  while (reader->count_bytes < 4u && used < payload_length) {
    reader->count |= (uint32_t)payload[used++] << (8u * reader->count_bytes);
    if (++reader->count_bytes == 4u) {
      if (reader->count > ZOLTC_LOGIX_MAX_STRING_LENGTH) {
        return ZOLTC_LOGIX_ERR_BAD_REPLY;
      }
      *reader->length = reader->count;
      if (reader->count >= reader->buffer_size) {
        return ZOLTC_LOGIX_ERR_BUFFER_TOO_SMALL;
      }
    }
  }
  if (reader->count_bytes == 4u) {
    uint32_t wanted = reader->count - reader->characters;
    uint32_t take = payload_length - used < wanted ? payload_length - used : wanted;
    memcpy(reader->buffer + reader->characters, payload + used, take);
    reader->characters += take;
    if (reader->characters == reader->count) {
      reader->buffer[reader->count] = '\0';
      *done = true;
      return ZOLTC_LOGIX_OK;
    }
  }
  if (general == ZOLTC_LOGIX_CIP_SUCCESS) {
    return ZOLTC_LOGIX_ERR_BAD_REPLY;
  }
  reader->offset += payload_length;
  return ZOLTC_LOGIX_OK;
}

zoltc_logix_result zoltc_logix_read_string(zoltc_logix_client *client, const char *tag_name,
                                           char *buffer, uint32_t buffer_size, uint32_t *length) {
  if (client == NULL || tag_name == NULL || buffer == NULL || length == NULL || buffer_size == 0) {
    return ZOLTC_LOGIX_ERR_INVALID_ARGUMENT;
  }
  zoltc_logix_string_reader reader;
  zoltc_logix_string_reader_init(&reader, buffer, buffer_size, length);
  zoltc_logix_path path;
  zoltc_logix_path_init(&path);
  zoltc_logix_result result = zoltc_logix_encode_tag_path(tag_name, &path);

  bool done = false;
  while (result == ZOLTC_LOGIX_OK && !done) {
    /* Element count 1, then the byte offset into the structure's data. */
    uint8_t data[6];
    zoltc_logix_put_u16(data, 1u);
    zoltc_logix_put_u32(data + 2, reader.offset);
    zoltc_logix_cip_request request = {
        .service = ZOLTC_LOGIX_SERVICE_READ_TAG_FRAGMENTED,
        .path = path.data,
        .path_length = path.length,
        .data = data,
        .data_length = (uint32_t)sizeof data,
    };
    zoltc_logix_cip_response response;
    result = zoltc_logix_send_request(client, &request, &response);
    if (result == ZOLTC_LOGIX_OK) {
      result = zoltc_logix_string_reader_feed(&reader, &response, &done);
      if (result == ZOLTC_LOGIX_ERR_CIP_STATUS) {
        zoltc_logix_client_note_refusal(client, &response);
      }
      zoltc_logix_cip_response_free(&response);
    }
  }
  zoltc_logix_path_free(&path);
  if (result != ZOLTC_LOGIX_OK) {
    buffer[0] = '\0';
  }
  return result;
}
