/* CIP message-router requests and responses, their carriage in SendRRData with
 * the Common Packet Format, and the request path segment writers. */
#include "cip.h"

#include "alloc.h"
#include "connected.h"
#include "wire.h"

#include <string.h>

/* Common Packet Format framing of an unconnected request. */
#define CPF_HEADER_SIZE 8u
#define CPF_ITEM_HEADER_SIZE 4u
#define CPF_REQUEST_OVERHEAD (CPF_HEADER_SIZE + 2u * CPF_ITEM_HEADER_SIZE)
#define CPF_NULL_ADDRESS_ITEM 0x0000u
#define CPF_UNCONNECTED_DATA_ITEM 0x00B2u

/* The largest message-router request whose SendRRData data still fits the
 * 16-bit encapsulation length. */
#define MAX_RR_REQUEST (0xFFFFu - CPF_REQUEST_OVERHEAD)

#define MAX_SYMBOL_LENGTH 255u
#define SYMBOL_SEGMENT 0x91u

static void clear_response(zoltc_logix_cip_response *response) {
  memset(response, 0, sizeof *response);
}

void zoltc_logix_cip_response_free(zoltc_logix_cip_response *response) {
  if (response == NULL) {
    return;
  }
  zoltc_logix_buffer_free(&response->additional_status);
  zoltc_logix_buffer_free(&response->data);
  clear_response(response);
}

zoltc_logix_status zoltc_logix_cip_encode_request(const zoltc_logix_cip_request *request,
                                                  zoltc_logix_buffer *out) {
  if (out == NULL) {
    return ZOLTC_LOGIX_STATUS_INVALID_ARGUMENT;
  }
  out->data = NULL;
  out->length = 0;
  if (request == NULL || (request->path_length != 0 && request->path == NULL) ||
      (request->data_length != 0 && request->data == NULL) || request->path_length % 2u != 0) {
    return ZOLTC_LOGIX_STATUS_INVALID_ARGUMENT;
  }
  const uint64_t total = 2u + (uint64_t)request->path_length + request->data_length;
  if (request->path_length > ZOLTC_LOGIX_MAX_PATH_LENGTH || total > UINT32_MAX) {
    return ZOLTC_LOGIX_STATUS_TOO_LARGE;
  }
  uint8_t *bytes = zoltc_logix_alloc((size_t)total);
  if (bytes == NULL) {
    return ZOLTC_LOGIX_STATUS_NO_MEMORY;
  }
  bytes[0] = request->service;
  bytes[1] = (uint8_t)(request->path_length / 2u);
  if (request->path_length != 0) {
    memcpy(bytes + 2, request->path, request->path_length);
  }
  if (request->data_length != 0) {
    memcpy(bytes + 2 + request->path_length, request->data, request->data_length);
  }
  out->data = bytes;
  out->length = (uint32_t)total;
  return ZOLTC_LOGIX_STATUS_OK;
}

zoltc_logix_status zoltc_logix_cip_decode_response(const uint8_t *bytes, uint32_t length,
                                                   zoltc_logix_cip_response *response) {
  if (response == NULL) {
    return ZOLTC_LOGIX_STATUS_INVALID_ARGUMENT;
  }
  clear_response(response);
  if (length < 4u || bytes == NULL) {
    return ZOLTC_LOGIX_STATUS_BAD_REPLY;
  }
  const uint32_t status_length = 2u * bytes[3];
  if (status_length > length - 4u) {
    return ZOLTC_LOGIX_STATUS_BAD_REPLY;
  }
  const uint32_t data_offset = 4u + status_length;
  if (zoltc_logix_buffer_copy(bytes + 4, status_length, &response->additional_status) !=
          ZOLTC_LOGIX_STATUS_OK ||
      zoltc_logix_buffer_copy(bytes + data_offset, length - data_offset, &response->data) !=
          ZOLTC_LOGIX_STATUS_OK) {
    zoltc_logix_cip_response_free(response);
    return ZOLTC_LOGIX_STATUS_NO_MEMORY;
  }
  response->service = bytes[0];
  response->reserved = bytes[1];
  response->general_status = bytes[2];
  return ZOLTC_LOGIX_STATUS_OK;
}

zoltc_logix_status zoltc_logix_cpf_find_item(const uint8_t *list, uint32_t length, uint16_t type,
                                             const uint8_t **item, uint16_t *item_length) {
  if (list == NULL || length < 2u) {
    return ZOLTC_LOGIX_STATUS_BAD_REPLY;
  }
  const uint16_t count = zoltc_logix_get_u16(list);
  uint32_t offset = 2u;
  for (uint16_t index = 0; index < count; ++index) {
    if (length - offset < CPF_ITEM_HEADER_SIZE) {
      return ZOLTC_LOGIX_STATUS_BAD_REPLY;
    }
    const uint16_t found_type = zoltc_logix_get_u16(list + offset);
    const uint16_t found_length = zoltc_logix_get_u16(list + offset + 2);
    offset += CPF_ITEM_HEADER_SIZE;
    if (found_length > length - offset) {
      return ZOLTC_LOGIX_STATUS_BAD_REPLY;
    }
    if (found_type == type) {
      *item = list + offset;
      *item_length = found_length;
      return ZOLTC_LOGIX_STATUS_OK;
    }
    offset += found_length;
  }
  return ZOLTC_LOGIX_STATUS_BAD_REPLY;
}

zoltc_logix_status zoltc_logix_cpf_find_unconnected_item(const uint8_t *bytes,
                                                         uint32_t length,
                                                         zoltc_logix_buffer *item) {
  if (item == NULL) {
    return ZOLTC_LOGIX_STATUS_INVALID_ARGUMENT;
  }
  item->data = NULL;
  item->length = 0;
  if (bytes == NULL || length < CPF_HEADER_SIZE || zoltc_logix_get_u32(bytes) != 0) {
    return ZOLTC_LOGIX_STATUS_BAD_REPLY;
  }
  /* The item list starts with its count, after the interface handle and timeout. */
  const uint8_t *found = NULL;
  uint16_t found_length = 0;
  zoltc_logix_status status = zoltc_logix_cpf_find_item(
      bytes + CPF_HEADER_SIZE - 2u, length - (CPF_HEADER_SIZE - 2u), CPF_UNCONNECTED_DATA_ITEM,
      &found, &found_length);
  if (status != ZOLTC_LOGIX_STATUS_OK) {
    return status;
  }
  /* An empty item is found but holds nothing to copy; the response decoder then
   * reports it as too short. */
  return zoltc_logix_buffer_copy(found, found_length, item);
}

/* The SendRRData data: interface handle 0, timeout 0, a null address item and
 * the unconnected data item carrying the request. */
static zoltc_logix_status wrap_request(const uint8_t *request, uint32_t length,
                                       zoltc_logix_buffer *out) {
  if (length > MAX_RR_REQUEST) {
    return ZOLTC_LOGIX_STATUS_TOO_LARGE;
  }
  if (length != 0 && request == NULL) {
    return ZOLTC_LOGIX_STATUS_INVALID_ARGUMENT;
  }
  uint8_t *bytes = zoltc_logix_alloc(CPF_REQUEST_OVERHEAD + length);
  if (bytes == NULL) {
    return ZOLTC_LOGIX_STATUS_NO_MEMORY;
  }
  zoltc_logix_put_u32(bytes, 0);
  zoltc_logix_put_u16(bytes + 4, 0);
  zoltc_logix_put_u16(bytes + 6, 2);
  zoltc_logix_put_u16(bytes + 8, CPF_NULL_ADDRESS_ITEM);
  zoltc_logix_put_u16(bytes + 10, 0);
  zoltc_logix_put_u16(bytes + 12, CPF_UNCONNECTED_DATA_ITEM);
  zoltc_logix_put_u16(bytes + 14, (uint16_t)length);
  if (length != 0) {
    memcpy(bytes + CPF_REQUEST_OVERHEAD, request, length);
  }
  out->data = bytes;
  out->length = CPF_REQUEST_OVERHEAD + length;
  return ZOLTC_LOGIX_STATUS_OK;
}

static bool session_is_registered(const zoltc_logix_session *session) {
  return session->socket != NULL && session->state == ZOLTC_LOGIX_SESSION_REGISTERED;
}

zoltc_logix_status zoltc_logix_carry_rr_data(zoltc_logix_session *session, const uint8_t *request,
                                             uint32_t length, zoltc_logix_cip_response *response) {
  if (response == NULL) {
    return ZOLTC_LOGIX_STATUS_INVALID_ARGUMENT;
  }
  clear_response(response);
  zoltc_logix_buffer wrapped = {NULL, 0};
  zoltc_logix_status status = wrap_request(request, length, &wrapped);
  if (status != ZOLTC_LOGIX_STATUS_OK) {
    return status;
  }
  if (session == NULL) {
    zoltc_logix_buffer_free(&wrapped);
    return ZOLTC_LOGIX_STATUS_INVALID_ARGUMENT;
  }
  if (!session_is_registered(session)) {
    zoltc_logix_buffer_free(&wrapped);
    return ZOLTC_LOGIX_STATUS_NOT_CONNECTED;
  }

  zoltc_logix_encap_reply reply;
  status = zoltc_logix_session_transact(session, ZOLTC_LOGIX_ENCAP_SEND_RR_DATA, wrapped.data,
                                        wrapped.length, &reply);
  zoltc_logix_buffer_free(&wrapped);
  if (status != ZOLTC_LOGIX_STATUS_OK) {
    return status;
  }
  /* A refusal or a reply for another session leaves the connection open. */
  if (reply.status != 0 || reply.session_handle != session->session_handle) {
    session->refused_status = reply.status;
    zoltc_logix_encap_reply_free(&reply);
    return ZOLTC_LOGIX_STATUS_REJECTED;
  }
  zoltc_logix_buffer item = {NULL, 0};
  status = zoltc_logix_cpf_find_unconnected_item(reply.data.data, reply.data.length, &item);
  zoltc_logix_encap_reply_free(&reply);
  if (status != ZOLTC_LOGIX_STATUS_OK) {
    return status;
  }
  status = zoltc_logix_cip_decode_response(item.data, item.length, response);
  zoltc_logix_buffer_free(&item);
  return status;
}

/* A session with a route carries every request in an Unconnected Send, and a
 * router's refusal is not the target's reply (route.c). */
zoltc_logix_status zoltc_logix_send_unconnected(zoltc_logix_session *session, const uint8_t *request,
                                                uint32_t length, zoltc_logix_cip_response *response) {
  if (session == NULL || session->route.path.length == 0) {
    return zoltc_logix_carry_rr_data(session, request, length, response);
  }
  if (response != NULL) {
    clear_response(response);
  }
  zoltc_logix_buffer routed = {NULL, 0};
  zoltc_logix_status status =
      zoltc_logix_route_wrap(&session->route, session->timeout_ms, request, length, &routed);
  if (status != ZOLTC_LOGIX_STATUS_OK) {
    return status;
  }
  status = zoltc_logix_carry_rr_data(session, routed.data, routed.length, response);
  zoltc_logix_buffer_free(&routed);
  if (status == ZOLTC_LOGIX_STATUS_OK) {
    status = zoltc_logix_route_check_reply(&session->route, request[0], response);
    if (status != ZOLTC_LOGIX_STATUS_OK) {
      zoltc_logix_cip_response_free(response);
    }
  }
  return status;
}

zoltc_logix_status zoltc_logix_send_rr_data(zoltc_logix_session *session, const uint8_t *request,
                                            uint32_t length, zoltc_logix_cip_response *response) {
  if (session != NULL && session->connection.pending && session_is_registered(session)) {
    zoltc_logix_refusal refusal;
    zoltc_logix_status status = zoltc_logix_connection_open(session, &refusal);
    if (status != ZOLTC_LOGIX_STATUS_OK) {
      if (response != NULL) {
        clear_response(response);
      }
      return status;
    }
  }
  if (session != NULL && (session->connection.open || session->connection.retry_in != 0) &&
      session_is_registered(session)) {
    if (response == NULL) {
      return ZOLTC_LOGIX_STATUS_INVALID_ARGUMENT;
    }
    clear_response(response);
    return zoltc_logix_connected_send(session, request, length, response);
  }
  return zoltc_logix_send_unconnected(session, request, length, response);
}

zoltc_logix_status zoltc_logix_send_direct(zoltc_logix_session *session,
                                           const zoltc_logix_cip_request *request,
                                           zoltc_logix_cip_response *response) {
  if (response == NULL) {
    return ZOLTC_LOGIX_STATUS_INVALID_ARGUMENT;
  }
  clear_response(response);
  if (session == NULL || request == NULL) {
    return ZOLTC_LOGIX_STATUS_INVALID_ARGUMENT;
  }
  if (!session_is_registered(session)) {
    return ZOLTC_LOGIX_STATUS_NOT_CONNECTED;
  }
  zoltc_logix_buffer encoded = {NULL, 0};
  zoltc_logix_status status = zoltc_logix_cip_encode_request(request, &encoded);
  if (status != ZOLTC_LOGIX_STATUS_OK) {
    return status;
  }
  status = zoltc_logix_send_rr_data(session, encoded.data, encoded.length, response);
  zoltc_logix_buffer_free(&encoded);
  /* A reply for another service is no answer to this request. */
  if (status == ZOLTC_LOGIX_STATUS_OK && response->service != (request->service | 0x80u)) {
    zoltc_logix_cip_response_free(response);
    status = ZOLTC_LOGIX_STATUS_BAD_REPLY;
  }
  return status;
}

zoltc_logix_status zoltc_logix_path_add_symbol(zoltc_logix_path *path, const char *name) {
  if (path == NULL || name == NULL || name[0] == '\0') {
    return ZOLTC_LOGIX_STATUS_INVALID_ARGUMENT;
  }
  /* Looks no further than one byte past the limit: the name need not be short. */
  size_t length = 0;
  while (length <= MAX_SYMBOL_LENGTH && name[length] != '\0') {
    ++length;
  }
  if (length > MAX_SYMBOL_LENGTH) {
    return ZOLTC_LOGIX_STATUS_TOO_LARGE;
  }
  const uint32_t pad = (uint32_t)(length % 2u);
  zoltc_logix_status status = zoltc_logix_path_reserve(path, 2u + (uint32_t)length + pad);
  if (status != ZOLTC_LOGIX_STATUS_OK) {
    return status;
  }
  uint8_t *at = path->data + path->length;
  at[0] = SYMBOL_SEGMENT;
  at[1] = (uint8_t)length;
  memcpy(at + 2, name, length);
  if (pad != 0) {
    at[2 + length] = 0;
  }
  path->length += 2u + (uint32_t)length + pad;
  return ZOLTC_LOGIX_STATUS_OK;
}

zoltc_logix_status zoltc_logix_path_add_logical(zoltc_logix_path *path, uint8_t type,
                                                uint32_t value) {
  if (path == NULL) {
    return ZOLTC_LOGIX_STATUS_INVALID_ARGUMENT;
  }
  const uint32_t size = value <= 0xFFu ? 2u : value <= 0xFFFFu ? 4u : 6u;
  zoltc_logix_status status = zoltc_logix_path_reserve(path, size);
  if (status != ZOLTC_LOGIX_STATUS_OK) {
    return status;
  }
  uint8_t *at = path->data + path->length;
  if (size == 2u) {
    at[0] = type;
    at[1] = (uint8_t)value;
  } else if (size == 4u) {
    at[0] = (uint8_t)(type + 1u);
    at[1] = 0;
    zoltc_logix_put_u16(at + 2, (uint16_t)value);
  } else {
    at[0] = (uint8_t)(type + 2u);
    at[1] = 0;
    zoltc_logix_put_u32(at + 2, value);
  }
  path->length += size;
  return ZOLTC_LOGIX_STATUS_OK;
}

zoltc_logix_status zoltc_logix_path_add_class(zoltc_logix_path *path, uint32_t value) {
  return zoltc_logix_path_add_logical(path, ZOLTC_LOGIX_SEGMENT_CLASS, value);
}

zoltc_logix_status zoltc_logix_path_add_instance(zoltc_logix_path *path, uint32_t value) {
  return zoltc_logix_path_add_logical(path, ZOLTC_LOGIX_SEGMENT_INSTANCE, value);
}

zoltc_logix_status zoltc_logix_path_add_element(zoltc_logix_path *path, uint32_t value) {
  return zoltc_logix_path_add_logical(path, ZOLTC_LOGIX_SEGMENT_ELEMENT, value);
}
