/* Connected messaging: Forward Open and Forward Close on the Connection
 * Manager, and requests in SendUnitData on the open connection. */
#include "connected.h"

#include "alloc.h"
#include "cip.h"
#include "wire.h"

#include <string.h>

/* Class 6 (Connection Manager), instance 1; class 2 (Message Router), instance 1. */
static const uint8_t connection_manager_path[] = {0x20, 0x06, 0x24, 0x01};
static const uint8_t message_router_path[] = {0x20, 0x02, 0x24, 0x01};

#define CPF_CONNECTED_ADDRESS_ITEM 0x00A1u
#define CPF_CONNECTED_DATA_ITEM 0x00B1u
/* Interface handle, timeout, item count, the address item (4 + 4), the data
 * item's header and the sequence count. */
#define UNIT_DATA_OVERHEAD (8u + 8u + 4u + 2u)
#define SEQUENCE_SIZE 2u

/* Transport class 3, application triggered, server. */
#define TRANSPORT_CLASS3_SERVER 0xA3u
/* Point to point, low priority, variable size; the size in the low bits. */
#define LARGE_PARAMETERS 0x42000000u
#define SMALL_PARAMETERS 0x4200u
#define SMALL_SIZE_LIMIT 0x1FFu
/* The smallest size worth a connection: a sequence count and a reply header. */
#define SMALLEST_CONNECTION 6u

/* The connection path's size in words, then the path: the route's port
 * segments and the message router. Returns the bytes written. */
static uint32_t put_connection_path(const zoltc_logix_session *session, uint8_t *at, bool reserved_byte) {
  const uint32_t route = session->route.path.length;
  const uint32_t head = reserved_byte ? 2u : 1u;
  at[0] = (uint8_t)((route + sizeof message_router_path) / 2u);
  at[1] = 0;
  if (route != 0) {
    memcpy(at + head, session->route.path.data, route);
  }
  memcpy(at + head + route, message_router_path, sizeof message_router_path);
  return head + route + (uint32_t)sizeof message_router_path;
}

/* The request head every Connection Manager service shares: service, path,
 * priority/time tick and timeout ticks. */
static uint32_t put_head(const zoltc_logix_session *session, uint8_t service, uint8_t *bytes) {
  bytes[0] = service;
  bytes[1] = (uint8_t)(sizeof connection_manager_path / 2u);
  memcpy(bytes + 2, connection_manager_path, sizeof connection_manager_path);
  zoltc_logix_route_timeout(session->timeout_ms, &bytes[6], &bytes[7]);
  return 8u;
}

static void put_triad(uint8_t *at, uint16_t serial) {
  zoltc_logix_put_u16(at, serial);
  zoltc_logix_put_u16(at + 2, ZOLTC_LOGIX_ORIGINATOR_VENDOR);
  zoltc_logix_put_u32(at + 4, ZOLTC_LOGIX_ORIGINATOR_SERIAL);
}

static zoltc_logix_status forward_open_request(const zoltc_logix_session *session, bool large, uint16_t size,
                                               uint16_t serial, uint32_t to_id, zoltc_logix_buffer *out) {
  const uint32_t parameters = large ? 4u : 2u;
  const uint32_t capacity = 8u + 28u + 2u * parameters + 2u + session->route.path.length +
                            (uint32_t)sizeof message_router_path;
  out->data = zoltc_logix_alloc(capacity);
  if (out->data == NULL) {
    return ZOLTC_LOGIX_STATUS_NO_MEMORY;
  }
  uint8_t *bytes = out->data;
  uint32_t at = put_head(session, large ? ZOLTC_LOGIX_SERVICE_LARGE_FORWARD_OPEN : ZOLTC_LOGIX_SERVICE_FORWARD_OPEN,
                         bytes);
  zoltc_logix_put_u32(bytes + at, 0); /* O->T id: the controller's to choose */
  zoltc_logix_put_u32(bytes + at + 4, to_id);
  put_triad(bytes + at + 8, serial);
  bytes[at + 16] = ZOLTC_LOGIX_CONNECTION_MULTIPLIER;
  memset(bytes + at + 17, 0, 3);
  at += 20u;
  for (int direction = 0; direction < 2; ++direction) {
    zoltc_logix_put_u32(bytes + at, ZOLTC_LOGIX_CONNECTION_RPI_US);
    if (large) {
      zoltc_logix_put_u32(bytes + at + 4, LARGE_PARAMETERS | size);
    } else {
      zoltc_logix_put_u16(bytes + at + 4, (uint16_t)(SMALL_PARAMETERS | size));
    }
    at += 4u + parameters;
  }
  bytes[at++] = TRANSPORT_CLASS3_SERVER;
  out->length = at + put_connection_path(session, bytes + at, false);
  return ZOLTC_LOGIX_STATUS_OK;
}

static zoltc_logix_status forward_close_request(const zoltc_logix_session *session, uint16_t serial,
                                                zoltc_logix_buffer *out) {
  const uint32_t capacity = 8u + 8u + 2u + session->route.path.length + (uint32_t)sizeof message_router_path;
  out->data = zoltc_logix_alloc(capacity);
  if (out->data == NULL) {
    return ZOLTC_LOGIX_STATUS_NO_MEMORY;
  }
  uint32_t at = put_head(session, ZOLTC_LOGIX_SERVICE_FORWARD_CLOSE, out->data);
  put_triad(out->data + at, serial);
  at += 8u;
  out->length = at + put_connection_path(session, out->data + at, true);
  return ZOLTC_LOGIX_STATUS_OK;
}

static void set_unconnected(zoltc_logix_session *session) {
  session->connection.open = false;
  session->messaging.mode = ZOLTC_LOGIX_MESSAGING_UNCONNECTED;
  session->messaging.packet_size = ZOLTC_LOGIX_UNCONNECTED_PACKET;
}

/* One Forward Open. REJECTED with `refusal` (and `offered` for a refused size)
 * when the controller says no. */
static zoltc_logix_status try_open(zoltc_logix_session *session, bool large, uint16_t size,
                                   zoltc_logix_refusal *refusal, uint16_t *offered) {
  zoltc_logix_cip_connection *connection = &session->connection;
  const uint16_t serial = connection->next_serial++;
  const uint32_t to_id = 0x51000000u ^ ((uint32_t)serial << 8) ^ (session->session_handle & 0xFFu);
  zoltc_logix_buffer request = {NULL, 0};
  zoltc_logix_status status = forward_open_request(session, large, size, serial, to_id, &request);
  zoltc_logix_cip_response response;
  memset(&response, 0, sizeof response);
  if (status == ZOLTC_LOGIX_STATUS_OK) {
    status = zoltc_logix_carry_rr_data(session, request.data, request.length, &response);
  }
  const uint8_t service = request.length != 0 ? request.data[0] : 0;
  zoltc_logix_buffer_free(&request);
  if (status != ZOLTC_LOGIX_STATUS_OK) {
    return status;
  }
  if (response.service != (service | 0x80u)) {
    status = ZOLTC_LOGIX_STATUS_BAD_REPLY;
  } else if (response.general_status != 0) {
    *refusal = (zoltc_logix_refusal){response.general_status, zoltc_logix_cip_extended_status(&response), 0};
    if (refusal->extended_status == ZOLTC_LOGIX_CM_INVALID_SIZE && response.additional_status.length >= 4u) {
      *offered = zoltc_logix_get_u16(response.additional_status.data + 2);
    }
    status = ZOLTC_LOGIX_STATUS_REJECTED;
    /* 0x01 with a routing status (0x02xx, 0x03xx; the Connection Manager's own
     * are 0x01xx): a router could not reach the target, as for any request. */
    if (response.general_status == ZOLTC_LOGIX_CIP_CONNECTION_FAILURE && refusal->extended_status >= 0x0200u) {
      /* The remaining path size counts the message router's words too. */
      const bool has_remaining = response.data.length >= 9u;
      const uint8_t words = has_remaining ? response.data.data[8] : 0u;
      const uint8_t router_words = (uint8_t)(sizeof message_router_path / 2u);
      session->route.failure = (zoltc_logix_route_failure){
          response.general_status, refusal->extended_status, has_remaining,
          (uint8_t)(words > router_words ? (uint32_t)words - router_words : 0u)};
      status = ZOLTC_LOGIX_STATUS_ROUTE_FAILED;
    }
  } else if (response.data.length < 16u || zoltc_logix_get_u32(response.data.data + 4) != to_id ||
             zoltc_logix_get_u16(response.data.data + 8) != serial) {
    status = ZOLTC_LOGIX_STATUS_BAD_REPLY;
  } else {
    connection->open = true;
    connection->large = large;
    connection->ot_id = zoltc_logix_get_u32(response.data.data);
    connection->to_id = to_id;
    connection->serial = serial;
    connection->sequence = 0;
    connection->size = size;
    session->messaging.mode = ZOLTC_LOGIX_MESSAGING_CONNECTED;
    session->messaging.packet_size = size;
  }
  zoltc_logix_cip_response_free(&response);
  return status;
}

zoltc_logix_status zoltc_logix_connection_open(zoltc_logix_session *session, zoltc_logix_refusal *refusal) {
  set_unconnected(session);
  session->connection.pending = false;
  session->connection.retry_in = 0;
  session->messaging.fell_back = false;
  if (session->messaging.requested == ZOLTC_LOGIX_MESSAGING_UNCONNECTED) {
    return ZOLTC_LOGIX_STATUS_OK;
  }
  uint16_t offered = 0;
  zoltc_logix_status status = try_open(session, true, ZOLTC_LOGIX_LARGE_CONNECTION_SIZE, refusal, &offered);
  if (status == ZOLTC_LOGIX_STATUS_REJECTED) {
    /* The size the controller offered, or a plain Forward Open's usual one. */
    const uint16_t size = offered >= SMALLEST_CONNECTION && offered < ZOLTC_LOGIX_LARGE_CONNECTION_SIZE
                              ? offered
                              : (uint16_t)ZOLTC_LOGIX_SMALL_CONNECTION_SIZE;
    status = try_open(session, size > SMALL_SIZE_LIMIT, size, refusal, &offered);
  }
  if (status != ZOLTC_LOGIX_STATUS_REJECTED) {
    return status;
  }
  return session->messaging.requested == ZOLTC_LOGIX_MESSAGING_CONNECTED ? ZOLTC_LOGIX_STATUS_NO_CONNECTION
                                                                         : ZOLTC_LOGIX_STATUS_OK;
}

void zoltc_logix_connection_close(zoltc_logix_session *session) {
  if (session == NULL) {
    return;
  }
  session->connection.retry_in = 0;
  if (!session->connection.open) {
    return;
  }
  set_unconnected(session);
  zoltc_logix_buffer request = {NULL, 0};
  if (forward_close_request(session, session->connection.serial, &request) == ZOLTC_LOGIX_STATUS_OK) {
    /* A stalled controller must not hold a disconnect for the whole timeout:
     * the close gets a short wait of its own (a timeout closes the session,
     * which ends the connection on the controller's side too). */
    const uint32_t timeout_ms = session->timeout_ms;
    if (session->timeout_ms > ZOLTC_LOGIX_CLOSE_WAIT_MS) {
      session->timeout_ms = ZOLTC_LOGIX_CLOSE_WAIT_MS;
    }
    zoltc_logix_cip_response response;
    (void)zoltc_logix_carry_rr_data(session, request.data, request.length, &response);
    zoltc_logix_cip_response_free(&response);
    session->timeout_ms = timeout_ms;
  }
  zoltc_logix_buffer_free(&request);
}

void zoltc_logix_connection_reroute(zoltc_logix_session *session) {
  if (session->connection.open) {
    zoltc_logix_connection_close(session);
    session->connection.pending = true;
  }
}

zoltc_logix_status zoltc_logix_unit_data_unwrap(const uint8_t *bytes, uint32_t length, uint32_t to_id,
                                                uint16_t sequence, const uint8_t **reply,
                                                uint32_t *reply_length) {
  if (bytes == NULL || length < 8u || zoltc_logix_get_u32(bytes) != 0) {
    return ZOLTC_LOGIX_STATUS_BAD_REPLY;
  }
  const uint8_t *address = NULL;
  const uint8_t *data = NULL;
  uint16_t address_length = 0;
  uint16_t data_length = 0;
  if (zoltc_logix_cpf_find_item(bytes + 6, length - 6u, CPF_CONNECTED_ADDRESS_ITEM, &address, &address_length) !=
          ZOLTC_LOGIX_STATUS_OK ||
      zoltc_logix_cpf_find_item(bytes + 6, length - 6u, CPF_CONNECTED_DATA_ITEM, &data, &data_length) !=
          ZOLTC_LOGIX_STATUS_OK ||
      address_length != 4u || data_length < SEQUENCE_SIZE || zoltc_logix_get_u32(address) != to_id ||
      zoltc_logix_get_u16(data) != sequence) {
    return ZOLTC_LOGIX_STATUS_BAD_REPLY;
  }
  *reply = data + SEQUENCE_SIZE;
  *reply_length = data_length - SEQUENCE_SIZE;
  return ZOLTC_LOGIX_STATUS_OK;
}

/* One SendUnitData exchange. NO_CONNECTION when the controller answers that it
 * does not know the connection (a non-zero encapsulation status). */
static zoltc_logix_status exchange(zoltc_logix_session *session, const uint8_t *request, uint32_t length,
                                   zoltc_logix_cip_response *response) {
  zoltc_logix_cip_connection *connection = &session->connection;
  if (length == 0 || request == NULL) {
    return ZOLTC_LOGIX_STATUS_INVALID_ARGUMENT;
  }
  if (length > (uint32_t)connection->size - SEQUENCE_SIZE) {
    return ZOLTC_LOGIX_STATUS_TOO_LARGE;
  }
  uint8_t *bytes = zoltc_logix_alloc(UNIT_DATA_OVERHEAD + length);
  if (bytes == NULL) {
    return ZOLTC_LOGIX_STATUS_NO_MEMORY;
  }
  const uint16_t sequence = ++connection->sequence;
  zoltc_logix_put_u32(bytes, 0);
  zoltc_logix_put_u16(bytes + 4, 0);
  zoltc_logix_put_u16(bytes + 6, 2);
  zoltc_logix_put_u16(bytes + 8, CPF_CONNECTED_ADDRESS_ITEM);
  zoltc_logix_put_u16(bytes + 10, 4);
  zoltc_logix_put_u32(bytes + 12, connection->ot_id);
  zoltc_logix_put_u16(bytes + 16, CPF_CONNECTED_DATA_ITEM);
  zoltc_logix_put_u16(bytes + 18, (uint16_t)(SEQUENCE_SIZE + length));
  zoltc_logix_put_u16(bytes + 20, sequence);
  memcpy(bytes + UNIT_DATA_OVERHEAD, request, length);
  zoltc_logix_encap_reply reply;
  zoltc_logix_status status = zoltc_logix_session_transact(session, ZOLTC_LOGIX_ENCAP_SEND_UNIT_DATA, bytes,
                                                           UNIT_DATA_OVERHEAD + length, &reply);
  zoltc_logix_free(bytes);
  if (status != ZOLTC_LOGIX_STATUS_OK) {
    return status;
  }
  if (reply.status != 0) {
    zoltc_logix_encap_reply_free(&reply);
    return ZOLTC_LOGIX_STATUS_NO_CONNECTION;
  }
  if (reply.session_handle != session->session_handle) {
    session->refused_status = reply.status;
    zoltc_logix_encap_reply_free(&reply);
    return ZOLTC_LOGIX_STATUS_REJECTED;
  }
  const uint8_t *found = NULL;
  uint32_t found_length = 0;
  status = zoltc_logix_unit_data_unwrap(reply.data.data, reply.data.length, connection->to_id, sequence, &found,
                                        &found_length);
  if (status == ZOLTC_LOGIX_STATUS_OK) {
    status = zoltc_logix_cip_decode_response(found, found_length, response);
  } else {
    /* Not ours: the stream can no longer be trusted to pair replies with requests. */
    zoltc_logix_session_close(session);
  }
  zoltc_logix_encap_reply_free(&reply);
  return status;
}

zoltc_logix_status zoltc_logix_connected_send(zoltc_logix_session *session, const uint8_t *request,
                                              uint32_t length, zoltc_logix_cip_response *response) {
  zoltc_logix_cip_connection *connection = &session->connection;
  zoltc_logix_status status = ZOLTC_LOGIX_STATUS_NO_CONNECTION;
  if (connection->open) {
    status = exchange(session, request, length, response);
    if (status != ZOLTC_LOGIX_STATUS_NO_CONNECTION) {
      return status;
    }
    /* The controller forgot the connection: open it again once, as it was. */
    set_unconnected(session);
    connection->retry_wait = ZOLTC_LOGIX_RETRY_FIRST;
    connection->retry_in = 1u;
  }
  if (connection->retry_in != 0 && --connection->retry_in == 0) {
    zoltc_logix_refusal refusal;
    uint16_t offered = 0;
    status = try_open(session, connection->large, connection->size, &refusal, &offered);
    if (status == ZOLTC_LOGIX_STATUS_OK) {
      status = exchange(session, request, length, response);
      if (status != ZOLTC_LOGIX_STATUS_NO_CONNECTION) {
        session->messaging.fell_back = false;
        return status;
      }
      set_unconnected(session);
    }
    /* Not reopened: a later request tries after twice as many. */
    connection->retry_in = connection->retry_wait;
    if (connection->retry_wait < ZOLTC_LOGIX_RETRY_LAST) {
      connection->retry_wait *= 2u;
    }
    if (status != ZOLTC_LOGIX_STATUS_NO_CONNECTION && status != ZOLTC_LOGIX_STATUS_REJECTED) {
      return status;
    }
  }
  session->messaging.fell_back = true;
  if (session->messaging.requested == ZOLTC_LOGIX_MESSAGING_CONNECTED) {
    return ZOLTC_LOGIX_STATUS_NO_CONNECTION;
  }
  return zoltc_logix_send_unconnected(session, request, length, response);
}
