/* EtherNet/IP encapsulation session: RegisterSession, UnRegisterSession and one
 * request/reply exchange at a time. Knows nothing of CIP. */
#ifndef ZOLTC_LOGIX_SESSION_H
#define ZOLTC_LOGIX_SESSION_H

#include "transport.h"

#define ZOLTC_LOGIX_ENCAP_HEADER_SIZE 24u
#define ZOLTC_LOGIX_ENCAP_REGISTER_SESSION 0x0065u
#define ZOLTC_LOGIX_ENCAP_UNREGISTER_SESSION 0x0066u
#define ZOLTC_LOGIX_ENCAP_SEND_RR_DATA 0x006Fu

enum {
  ZOLTC_LOGIX_SESSION_CLOSED = 0,
  ZOLTC_LOGIX_SESSION_OPENING = 1,
  ZOLTC_LOGIX_SESSION_REGISTERED = 2
};

typedef struct zoltc_logix_session {
  zoltc_logix_socket *socket; /* owned; null while closed */
  uint8_t state;
  uint32_t session_handle;    /* 0 while none */
  uint32_t timeout_ms;        /* per-wait timeout of the last open */
  uint64_t sender_context;    /* incremented before every exchange; never reset */
} zoltc_logix_session;

typedef struct zoltc_logix_encap_reply {
  uint16_t command;
  uint32_t session_handle;
  uint32_t status;
  uint64_t sender_context;
  uint32_t options;
  zoltc_logix_buffer data;
} zoltc_logix_encap_reply;

void zoltc_logix_encap_reply_free(zoltc_logix_encap_reply *reply);

zoltc_logix_session *zoltc_logix_session_create(void);
void zoltc_logix_session_free(zoltc_logix_session *session);
zoltc_logix_status zoltc_logix_session_open(zoltc_logix_session *session, const char *host,
                                            uint16_t port, uint32_t timeout_ms);
void zoltc_logix_session_close(zoltc_logix_session *session);
zoltc_logix_status zoltc_logix_session_transact(zoltc_logix_session *session,
                                                uint16_t command, const uint8_t *data,
                                                uint32_t length,
                                                zoltc_logix_encap_reply *reply);

#endif
