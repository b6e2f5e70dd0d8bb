/* The encapsulation session: one TCP connection, one registered session handle
 * and one request/reply exchange at a time. */
#include "session.h"

#include "alloc.h"
#include "wire.h"

#include <string.h>

/* The encapsulation length field is 16 bits wide. */
#define MAX_ENCAP_DATA 0xFFFFu

static const uint8_t register_session_data[4] = {0x01, 0x00, 0x00, 0x00};

static void write_header(uint8_t *header, uint16_t command, uint16_t length,
                         uint32_t session_handle, uint64_t sender_context) {
  zoltc_logix_put_u16(header, command);
  zoltc_logix_put_u16(header + 2, length);
  zoltc_logix_put_u32(header + 4, session_handle);
  zoltc_logix_put_u32(header + 8, 0);
  zoltc_logix_put_u64(header + 12, sender_context);
  zoltc_logix_put_u32(header + 20, 0);
}

static zoltc_logix_status status_from_io(zoltc_logix_io_result io) {
  switch (io) {
  case ZOLTC_LOGIX_IO_OK:
    return ZOLTC_LOGIX_STATUS_OK;
  case ZOLTC_LOGIX_IO_INVALID_ARGUMENT:
    return ZOLTC_LOGIX_STATUS_INVALID_ARGUMENT;
  case ZOLTC_LOGIX_IO_RESOLVE_FAILED:
  case ZOLTC_LOGIX_IO_CONNECT_FAILED:
    return ZOLTC_LOGIX_STATUS_CONNECT_FAILED;
  case ZOLTC_LOGIX_IO_TIMEOUT:
    return ZOLTC_LOGIX_STATUS_TIMEOUT;
  case ZOLTC_LOGIX_IO_ABORTED:
    return ZOLTC_LOGIX_STATUS_ABORTED;
  default:
    return ZOLTC_LOGIX_STATUS_IO_FAILED;
  }
}

/* Drops the connection without a word to the controller. */
static void drop_connection(zoltc_logix_session *session) {
  zoltc_logix_socket_close(session->socket);
  session->socket = NULL;
  session->session_handle = 0;
  session->state = ZOLTC_LOGIX_SESSION_CLOSED;
  /* A class 3 connection lives inside the session's TCP connection. */
  session->connection.open = false;
  session->messaging.mode = ZOLTC_LOGIX_MESSAGING_UNCONNECTED;
  session->messaging.packet_size = ZOLTC_LOGIX_UNCONNECTED_PACKET;
}

void zoltc_logix_encap_reply_free(zoltc_logix_encap_reply *reply) {
  if (reply == NULL) {
    return;
  }
  zoltc_logix_buffer_free(&reply->data);
  memset(reply, 0, sizeof *reply);
}

zoltc_logix_session *zoltc_logix_session_create(void) {
  zoltc_logix_session *session = zoltc_logix_alloc(sizeof *session);
  if (session == NULL) {
    return NULL;
  }
  memset(session, 0, sizeof *session);
  session->socket = NULL;
  session->messaging.packet_size = ZOLTC_LOGIX_UNCONNECTED_PACKET;
  /* Connection serials start where the clock and the record's address say, so
   * that two handles of one program do not offer a controller the same one. */
  session->connection.next_serial =
      (uint16_t)(zoltc_logix_monotonic_ms() ^ ((uintptr_t)session >> 4) ^ ((uintptr_t)session >> 20));
  session->waker = zoltc_logix_waker_create();
  if (session->waker == NULL) {
    zoltc_logix_free(session);
    return NULL;
  }
  return session;
}

void zoltc_logix_session_free(zoltc_logix_session *session) {
  if (session == NULL) {
    return;
  }
  zoltc_logix_session_close(session);
  zoltc_logix_waker_free(session->waker);
  zoltc_logix_free(session);
}

/* UnRegisterSession is best effort: no reply is awaited and a failed send is
 * not reported. The header lives on the stack, so it goes out even when memory
 * has run out. */
void zoltc_logix_session_close(zoltc_logix_session *session) {
  if (session == NULL) {
    return;
  }
  if (session->socket != NULL && session->session_handle != 0) {
    uint8_t header[ZOLTC_LOGIX_ENCAP_HEADER_SIZE];
    write_header(header, ZOLTC_LOGIX_ENCAP_UNREGISTER_SESSION, 0, session->session_handle, 0);
    (void)zoltc_logix_tcp_send_all(session->socket, header, sizeof header,
                                   session->timeout_ms);
  }
  drop_connection(session);
}

zoltc_logix_status zoltc_logix_session_open(zoltc_logix_session *session, const char *host,
                                            uint16_t port, uint32_t timeout_ms) {
  if (session == NULL || host == NULL || host[0] == '\0' || port == 0) {
    return ZOLTC_LOGIX_STATUS_INVALID_ARGUMENT;
  }
  zoltc_logix_session_close(session);
  session->state = ZOLTC_LOGIX_SESSION_OPENING;
  session->timeout_ms = timeout_ms;

  session->socket = zoltc_logix_socket_create();
  if (session->socket == NULL) {
    drop_connection(session);
    return ZOLTC_LOGIX_STATUS_NO_MEMORY;
  }
  zoltc_logix_socket_set_waker(session->socket, session->waker);
  zoltc_logix_io_result io = zoltc_logix_tcp_connect(session->socket, host, port, timeout_ms);
  if (io != ZOLTC_LOGIX_IO_OK) {
    drop_connection(session);
    return status_from_io(io);
  }

  zoltc_logix_encap_reply reply;
  zoltc_logix_status status =
      zoltc_logix_session_transact(session, ZOLTC_LOGIX_ENCAP_REGISTER_SESSION,
                                   register_session_data, sizeof register_session_data, &reply);
  if (status != ZOLTC_LOGIX_STATUS_OK) {
    drop_connection(session);
    return status;
  }
  const bool accepted = reply.status == 0 && reply.session_handle != 0;
  session->refused_status = reply.status;
  if (accepted) {
    session->session_handle = reply.session_handle;
    session->state = ZOLTC_LOGIX_SESSION_REGISTERED;
  }
  zoltc_logix_encap_reply_free(&reply);
  if (!accepted) {
    drop_connection(session);
    return ZOLTC_LOGIX_STATUS_SESSION_REFUSED;
  }
  return ZOLTC_LOGIX_STATUS_OK;
}

static uint32_t time_left(uint64_t deadline) {
  const uint64_t now = zoltc_logix_monotonic_ms();
  return deadline > now ? (uint32_t)(deadline - now) : 0u;
}

/* A failed transfer ends the connection: the stream can no longer be trusted to
 * be at a packet boundary. */
static zoltc_logix_status fail_exchange(zoltc_logix_session *session,
                                        zoltc_logix_encap_reply *reply,
                                        zoltc_logix_status status) {
  zoltc_logix_encap_reply_free(reply);
  drop_connection(session);
  return status;
}

zoltc_logix_status zoltc_logix_session_transact(zoltc_logix_session *session,
                                                uint16_t command, const uint8_t *data,
                                                uint32_t length,
                                                zoltc_logix_encap_reply *reply) {
  if (reply == NULL || session == NULL) {
    return ZOLTC_LOGIX_STATUS_INVALID_ARGUMENT;
  }
  memset(reply, 0, sizeof *reply);
  if (session->socket == NULL) {
    return ZOLTC_LOGIX_STATUS_NOT_CONNECTED;
  }
  if (zoltc_logix_waker_is_raised(session->waker)) {
    /* Between exchanges the stream is whole, so the controller is told. */
    zoltc_logix_session_close(session);
    return ZOLTC_LOGIX_STATUS_ABORTED;
  }
  const uint64_t context = ++session->sender_context;
  if (length > MAX_ENCAP_DATA || (length != 0 && data == NULL)) {
    return ZOLTC_LOGIX_STATUS_INVALID_ARGUMENT;
  }

  const uint32_t packet_size = ZOLTC_LOGIX_ENCAP_HEADER_SIZE + length;
  uint8_t *packet = zoltc_logix_alloc(packet_size);
  if (packet == NULL) {
    return ZOLTC_LOGIX_STATUS_NO_MEMORY;
  }
  write_header(packet, command, (uint16_t)length, session->session_handle, context);
  if (length != 0) {
    memcpy(packet + ZOLTC_LOGIX_ENCAP_HEADER_SIZE, data, length);
  }
  /* One deadline for the whole exchange: a controller that trickles its reply
   * cannot hold the caller beyond the time limit. */
  const uint64_t deadline = zoltc_logix_monotonic_ms() + session->timeout_ms;
  zoltc_logix_io_result io =
      zoltc_logix_tcp_send_all(session->socket, packet, packet_size, time_left(deadline));
  zoltc_logix_free(packet);
  if (io != ZOLTC_LOGIX_IO_OK) {
    return fail_exchange(session, reply, status_from_io(io));
  }

  uint8_t header[ZOLTC_LOGIX_ENCAP_HEADER_SIZE];
  io = zoltc_logix_tcp_recv_all(session->socket, header, sizeof header, time_left(deadline));
  if (io != ZOLTC_LOGIX_IO_OK) {
    return fail_exchange(session, reply, status_from_io(io));
  }
  reply->command = zoltc_logix_get_u16(header);
  const uint16_t reply_length = zoltc_logix_get_u16(header + 2);
  reply->session_handle = zoltc_logix_get_u32(header + 4);
  reply->status = zoltc_logix_get_u32(header + 8);
  reply->sender_context = zoltc_logix_get_u64(header + 12);
  reply->options = zoltc_logix_get_u32(header + 20);
  const bool context_checked = command != ZOLTC_LOGIX_ENCAP_SEND_UNIT_DATA;
  if (reply->command != command ||
      (context_checked && reply->status == 0 && reply->sender_context != context)) {
    return fail_exchange(session, reply, ZOLTC_LOGIX_STATUS_BAD_REPLY);
  }
  if (reply_length == 0) {
    return ZOLTC_LOGIX_STATUS_OK;
  }

  uint8_t *body = zoltc_logix_alloc(reply_length);
  if (body == NULL) {
    return fail_exchange(session, reply, ZOLTC_LOGIX_STATUS_NO_MEMORY);
  }
  io = zoltc_logix_tcp_recv_all(session->socket, body, reply_length, time_left(deadline));
  if (io != ZOLTC_LOGIX_IO_OK) {
    zoltc_logix_free(body);
    return fail_exchange(session, reply, status_from_io(io));
  }
  reply->data.data = body;
  reply->data.length = reply_length;
  return ZOLTC_LOGIX_STATUS_OK;
}
