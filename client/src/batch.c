/* Multiple Service Packet: greedy packing within the packet budget, the packet
 * codecs, and the exchange that splits a packet the controller cannot route. */
#include "batch.h"

#include "alloc.h"
#include "cip.h"
#include "client.h"
#include "wire.h"

#include <string.h>

/* Service 0x0A, a path of 2 words: Message Router, instance 1. */
static const uint8_t msp_header[] = {ZOLTC_LOGIX_SERVICE_MULTIPLE, 0x02, 0x20, 0x02, 0x24, 0x01};
#define MSP_HEADER_SIZE ((uint32_t)sizeof msp_header)

/* While packing, a packet costs its header and count, and every request its
 * own size plus its offset. */
#define PACKET_FIXED_COST (MSP_HEADER_SIZE + 2u)
#define PACKET_OFFSET_COST 2u

/* e = 2 + path_length + data_length, refused exactly as the message encoder
 * refuses a request, so a packet never carries what a single request could not. */
static zoltc_logix_status request_size(const zoltc_logix_cip_request *request, uint32_t *size) {
  if ((request->path_length != 0 && request->path == NULL) ||
      (request->data_length != 0 && request->data == NULL) || request->path_length % 2u != 0) {
    return ZOLTC_LOGIX_STATUS_INVALID_ARGUMENT;
  }
  if (request->path_length > ZOLTC_LOGIX_MAX_PATH_LENGTH ||
      request->data_length > UINT32_MAX - 2u - request->path_length) {
    return ZOLTC_LOGIX_STATUS_TOO_LARGE;
  }
  *size = 2u + request->path_length + request->data_length;
  return ZOLTC_LOGIX_STATUS_OK;
}

void zoltc_logix_cip_response_list_free(zoltc_logix_cip_response_list *list) {
  if (list == NULL) {
    return;
  }
  if (list->responses != NULL) {
    for (uint32_t i = 0; i < list->count; ++i) {
      zoltc_logix_cip_response_free(&list->responses[i]);
    }
  }
  zoltc_logix_free(list->responses);
  list->responses = NULL;
  list->count = 0;
}

zoltc_logix_status zoltc_logix_msp_encode(const zoltc_logix_cip_request *requests, uint32_t n,
                                          zoltc_logix_buffer *out) {
  if (out != NULL) {
    out->data = NULL;
    out->length = 0;
  }
  if (requests == NULL || out == NULL || n == 0) {
    return ZOLTC_LOGIX_STATUS_INVALID_ARGUMENT;
  }
  if (n > ZOLTC_LOGIX_MAX_PACKET_REQUESTS || 2u + 2u * (uint64_t)n > ZOLTC_LOGIX_MAX_PACKET_DATA) {
    return ZOLTC_LOGIX_STATUS_TOO_LARGE;
  }
  uint32_t table_size = 2u + 2u * n;
  uint32_t total = table_size;
  for (uint32_t i = 0; i < n; ++i) {
    uint32_t size = 0;
    zoltc_logix_status status = request_size(&requests[i], &size);
    if (status != ZOLTC_LOGIX_STATUS_OK) {
      return status;
    }
    if (size > ZOLTC_LOGIX_MAX_PACKET_DATA - total) {
      return ZOLTC_LOGIX_STATUS_TOO_LARGE;
    }
    total += size;
  }

  uint8_t *bytes = zoltc_logix_alloc(MSP_HEADER_SIZE + total);
  if (bytes == NULL) {
    return ZOLTC_LOGIX_STATUS_NO_MEMORY;
  }
  memcpy(bytes, msp_header, MSP_HEADER_SIZE);
  uint8_t *data = bytes + MSP_HEADER_SIZE;
  zoltc_logix_put_u16(data, (uint16_t)n);
  uint32_t offset = table_size;
  for (uint32_t i = 0; i < n; ++i) {
    const zoltc_logix_cip_request *request = &requests[i];
    zoltc_logix_put_u16(data + 2u + 2u * i, (uint16_t)offset);
    uint8_t *at = data + offset;
    at[0] = request->service;
    at[1] = (uint8_t)(request->path_length / 2u);
    if (request->path_length != 0) {
      memcpy(at + 2, request->path, request->path_length);
    }
    if (request->data_length != 0) {
      memcpy(at + 2 + request->path_length, request->data, request->data_length);
    }
    offset += 2u + request->path_length + request->data_length;
  }
  out->data = bytes;
  out->length = MSP_HEADER_SIZE + total;
  return ZOLTC_LOGIX_STATUS_OK;
}

zoltc_logix_status zoltc_logix_msp_decode(const uint8_t *bytes, uint32_t length,
                                          zoltc_logix_cip_response_list *list) {
  if (list != NULL) {
    list->responses = NULL;
    list->count = 0;
  }
  if (list == NULL || (length != 0 && bytes == NULL)) {
    return ZOLTC_LOGIX_STATUS_INVALID_ARGUMENT;
  }
  if (length < 2u) {
    return ZOLTC_LOGIX_STATUS_BAD_REPLY;
  }
  uint32_t n = zoltc_logix_get_u16(bytes);
  uint32_t table_size = 2u + 2u * n;
  if (n == 0 || table_size > length) {
    return ZOLTC_LOGIX_STATUS_BAD_REPLY;
  }
  zoltc_logix_cip_response *responses = zoltc_logix_alloc_array(n, sizeof *responses);
  if (responses == NULL) {
    return ZOLTC_LOGIX_STATUS_NO_MEMORY;
  }
  memset(responses, 0, n * sizeof *responses);
  /* The list counts what is decoded so far, so one release undoes a failure. */
  list->responses = responses;

  zoltc_logix_status status = ZOLTC_LOGIX_STATUS_OK;
  uint32_t previous = table_size;
  for (uint32_t i = 0; i < n; ++i) {
    uint32_t start = zoltc_logix_get_u16(bytes + 2u + 2u * i);
    uint32_t end = i + 1u < n ? zoltc_logix_get_u16(bytes + 2u + 2u * (i + 1u)) : length;
    if (start < previous || end < start || end > length) {
      status = ZOLTC_LOGIX_STATUS_BAD_REPLY;
      break;
    }
    status = zoltc_logix_cip_decode_response(bytes + start, end - start, &responses[i]);
    if (status != ZOLTC_LOGIX_STATUS_OK) {
      break;
    }
    list->count = i + 1u;
    previous = start;
  }
  if (status != ZOLTC_LOGIX_STATUS_OK) {
    zoltc_logix_cip_response_list_free(list);
  }
  return status;
}

zoltc_logix_status zoltc_logix_msp_take_reply(const zoltc_logix_cip_response *reply,
                                              const zoltc_logix_cip_request *requests, uint32_t n,
                                              zoltc_logix_cip_response *responses) {
  if (reply->service != ZOLTC_LOGIX_SERVICE_MULTIPLE_REPLY) {
    return ZOLTC_LOGIX_STATUS_BAD_REPLY;
  }
  zoltc_logix_cip_response_list decoded;
  zoltc_logix_status status =
      zoltc_logix_msp_decode(reply->data.data, reply->data.length, &decoded);
  if (status != ZOLTC_LOGIX_STATUS_OK) {
    return status;
  }
  for (uint32_t i = 0; i < decoded.count && decoded.count == n; ++i) {
    if (decoded.responses[i].service != (requests[i].service | 0x80u)) {
      status = ZOLTC_LOGIX_STATUS_BAD_REPLY;
    }
  }
  if (decoded.count != n || status != ZOLTC_LOGIX_STATUS_OK) {
    zoltc_logix_cip_response_list_free(&decoded);
    return ZOLTC_LOGIX_STATUS_BAD_REPLY;
  }
  memcpy(responses, decoded.responses, n * sizeof *responses);
  zoltc_logix_free(decoded.responses);
  return ZOLTC_LOGIX_STATUS_OK;
}

/* One packet of n requests; its responses land in responses[0..n). A packet
 * the controller cannot route is sent again as two halves. */
static zoltc_logix_status exchange_packet(zoltc_logix_session *session,
                                          const zoltc_logix_cip_request *requests, uint32_t n,
                                          zoltc_logix_cip_response *responses) {
  zoltc_logix_buffer packet;
  zoltc_logix_status status = zoltc_logix_msp_encode(requests, n, &packet);
  if (status != ZOLTC_LOGIX_STATUS_OK) {
    return status;
  }
  zoltc_logix_cip_response reply;
  status = zoltc_logix_send_rr_data(session, packet.data, packet.length, &reply);
  zoltc_logix_buffer_free(&packet);
  if (status != ZOLTC_LOGIX_STATUS_OK) {
    return status;
  }

  bool split = false;
  switch (reply.general_status) {
  case ZOLTC_LOGIX_CIP_SUCCESS:
  case ZOLTC_LOGIX_CIP_EMBEDDED_ERROR:
    status = zoltc_logix_msp_take_reply(&reply, requests, n, responses);
    break;
  case ZOLTC_LOGIX_CIP_REQUEST_TOO_LARGE:
    split = n > 1u;
    status = ZOLTC_LOGIX_STATUS_TOO_LARGE;
    break;
  case ZOLTC_LOGIX_CIP_RESPONSE_TOO_LARGE:
    status = ZOLTC_LOGIX_STATUS_TOO_LARGE;
    break;
  default:
    status = ZOLTC_LOGIX_STATUS_REJECTED;
    break;
  }
  zoltc_logix_cip_response_free(&reply);
  if (!split) {
    return status;
  }

  uint32_t half = n / 2u;
  status = exchange_packet(session, requests, half, responses);
  if (status == ZOLTC_LOGIX_STATUS_OK) {
    status = exchange_packet(session, requests + half, n - half, responses + half);
  }
  return status;
}

/* How many requests from `first` on fit the packet budget (0 when the first
 * alone does not). Sizes were checked before, so the sum cannot wrap in 64 bits. */
uint32_t zoltc_logix_packet_fit(const zoltc_logix_cip_request *requests, uint32_t first, uint32_t count,
                                uint32_t budget) {
  uint64_t size = PACKET_FIXED_COST;
  uint32_t n = 0;
  while (n < ZOLTC_LOGIX_MAX_PACKET_REQUESTS && first + n < count) {
    const zoltc_logix_cip_request *request = &requests[first + n];
    size += PACKET_OFFSET_COST + 2u + (uint64_t)request->path_length + request->data_length;
    if (size > budget) {
      break;
    }
    ++n;
  }
  return n;
}

uint32_t zoltc_logix_packet_budget(const zoltc_logix_session *session) {
  if (session->connection.open) {
    return (uint32_t)session->connection.size - 2u;
  }
  /* A routed packet still has to fit the budget with its Unconnected Send. */
  return ZOLTC_LOGIX_PACKET_BUDGET - zoltc_logix_route_overhead(&session->route);
}

zoltc_logix_status zoltc_logix_send_batch(zoltc_logix_session *session,
                                          const zoltc_logix_cip_request *requests, uint32_t count,
                                          zoltc_logix_cip_response_list *list) {
  if (list != NULL) {
    list->responses = NULL;
    list->count = 0;
  }
  if (session == NULL || requests == NULL || list == NULL || count == 0) {
    return ZOLTC_LOGIX_STATUS_INVALID_ARGUMENT;
  }
  if (session->socket == NULL || session->state != ZOLTC_LOGIX_SESSION_REGISTERED) {
    return ZOLTC_LOGIX_STATUS_NOT_CONNECTED;
  }
  for (uint32_t i = 0; i < count; ++i) {
    uint32_t size = 0;
    zoltc_logix_status status = request_size(&requests[i], &size);
    if (status != ZOLTC_LOGIX_STATUS_OK) {
      return status;
    }
  }

  zoltc_logix_cip_response *responses = zoltc_logix_alloc_array(count, sizeof *responses);
  if (responses == NULL) {
    return ZOLTC_LOGIX_STATUS_NO_MEMORY;
  }
  memset(responses, 0, count * sizeof *responses);
  list->responses = responses;
  list->count = count;

  const uint32_t budget = zoltc_logix_packet_budget(session);
  uint32_t next = 0;
  while (next < count) {
    uint32_t n = zoltc_logix_packet_fit(requests, next, count, budget);
    zoltc_logix_status status =
        n == 0 ? ZOLTC_LOGIX_STATUS_TOO_LARGE
               : exchange_packet(session, requests + next, n, responses + next);
    if (status != ZOLTC_LOGIX_STATUS_OK) {
      zoltc_logix_cip_response_list_free(list);
      return status;
    }
    next += n;
  }
  return ZOLTC_LOGIX_STATUS_OK;
}

zoltc_logix_result zoltc_logix_send_requests(zoltc_logix_client *client,
                                             const zoltc_logix_cip_request *requests,
                                             uint32_t count,
                                             zoltc_logix_cip_response_list *responses) {
  if (responses != NULL) {
    responses->responses = NULL;
    responses->count = 0;
  }
  if (client == NULL || requests == NULL || responses == NULL || count == 0) {
    return ZOLTC_LOGIX_ERR_INVALID_ARGUMENT;
  }
  return zoltc_logix_result_from_status(
      zoltc_logix_send_batch(client->session, requests, count, responses));
}
