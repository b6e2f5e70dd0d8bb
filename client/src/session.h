/* EtherNet/IP encapsulation session: RegisterSession, UnRegisterSession and one
 * request/reply exchange at a time. Knows nothing of CIP. */
#ifndef ZOLTC_LOGIX_SESSION_H
#define ZOLTC_LOGIX_SESSION_H

#include "route.h"
#include "transport.h"

#ifdef __cplusplus
extern "C" {
#endif

#define ZOLTC_LOGIX_ENCAP_HEADER_SIZE 24u
/* The message size of unconnected messages, as the messaging state reports it. */
#define ZOLTC_LOGIX_UNCONNECTED_PACKET 504u
#define ZOLTC_LOGIX_ENCAP_REGISTER_SESSION 0x0065u
#define ZOLTC_LOGIX_ENCAP_UNREGISTER_SESSION 0x0066u
#define ZOLTC_LOGIX_ENCAP_SEND_RR_DATA 0x006Fu
#define ZOLTC_LOGIX_ENCAP_SEND_UNIT_DATA 0x0070u

enum {
  ZOLTC_LOGIX_SESSION_CLOSED = 0,
  ZOLTC_LOGIX_SESSION_OPENING = 1,
  ZOLTC_LOGIX_SESSION_REGISTERED = 2
};

/* The class 3 connection requests travel on while it is open (connected.c). */
typedef struct zoltc_logix_cip_connection {
  bool open;
  bool large;        /* opened with Large Forward Open */
  uint32_t ot_id;    /* the controller's id, named in our requests */
  uint32_t to_id;    /* ours, named in its replies */
  uint16_t serial;   /* connection serial number of the open connection */
  uint16_t next_serial; /* the next open's serial; distinct per handle, never reused */
  uint16_t sequence; /* sequence count of the last request */
  uint16_t size;     /* connection size in bytes (sequence count included) */
  bool pending;      /* the route changed: open a connection before the next request */
  /* After a connection was lost and not reopened: requests left before the
   * next try (0: none planned), and the wait after that try fails. */
  uint16_t retry_in;
  uint16_t retry_wait;
} zoltc_logix_cip_connection;

typedef struct zoltc_logix_session {
  zoltc_logix_socket *socket; /* owned; null while closed */
  uint8_t state;
  uint32_t session_handle;    /* 0 while none */
  uint32_t timeout_ms;        /* per-exchange time limit of the last open */
  zoltc_logix_waker *waker;   /* owned; raised by zoltc_logix_abort, lives as long as the record */
  uint64_t sender_context;    /* incremented before every exchange; never reset */
  uint32_t refused_status;    /* encapsulation status of the last refusal */
  /* Where cip.c sends message-router requests (route.h). Set and released by
   * the client handle; kept across connects. */
  zoltc_logix_route route;
  /* The mode, the connection and what became of it (connected.c). Kept across
   * connects; the connection itself ends with the socket. */
  zoltc_logix_messaging_state messaging;
  zoltc_logix_cip_connection connection;
} zoltc_logix_session;

typedef struct zoltc_logix_encap_reply {
  uint16_t command;
  uint32_t session_handle;
  uint32_t status;
  uint64_t sender_context;
  uint32_t options;
  zoltc_logix_buffer data;
} zoltc_logix_encap_reply;

/* Releases the reply's data and zeroes the record; null is ignored. */
void zoltc_logix_encap_reply_free(zoltc_logix_encap_reply *reply);

/* A closed session record with every other field zero and its waker lowered, or
 * null when memory or descriptors run out. */
zoltc_logix_session *zoltc_logix_session_create(void);

/* Closes the session (as zoltc_logix_session_close) and releases the record;
 * null is ignored. */
void zoltc_logix_session_free(zoltc_logix_session *session);

/* Closes whatever the session still has (UnRegisterSession first), then
 * connects and registers. Arguments are checked before anything is closed (1).
 * 2 no memory, 3 connect failed, 4 timeout, 5 bad reply, 7 send or receive
 * failed, 11 RegisterSession refused, 17 the waker is raised. Every failure leaves
 * the session closed. */
zoltc_logix_status zoltc_logix_session_open(zoltc_logix_session *session, const char *host,
                                            uint16_t port, uint32_t timeout_ms);
/* Sends UnRegisterSession when a session handle is held (best effort, no reply
 * awaited), closes the socket and sets the state closed. The timeout and the
 * sender-context counter keep their values. Null is ignored. */
void zoltc_logix_session_close(zoltc_logix_session *session);

/* One exchange: sends `command` with `length` data bytes under the next sender
 * context and reads the reply whole into `reply` (release it with
 * zoltc_logix_encap_reply_free), all within the session's time limit. The
 * reply's status and session handle are not judged here. 1 bad argument or data
 * above 65535 bytes, 9 no socket, 2 no memory, 4 timeout, 7 send or receive
 * failed, 5 a reply with another command, or with status 0 and another sender
 * context (a non-zero status is an error answer whatever its context: some
 * controllers do not echo it then; SendUnitData replies are matched by their
 * connection id and sequence count instead), 17 the waker is raised (before or during
 * the exchange). Failures of the transfer or the reply's header close the
 * connection; the reply is empty after any failure. */
zoltc_logix_status zoltc_logix_session_transact(zoltc_logix_session *session,
                                                uint16_t command, const uint8_t *data,
                                                uint32_t length,
                                                zoltc_logix_encap_reply *reply);

#ifdef __cplusplus
}
#endif

#endif
