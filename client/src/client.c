/* The client handle, its public entry points and the two code sets. */
#include "client.h"

#include "alloc.h"
#include "cip.h"
#include "connected.h"
#include "identity.h"
#include "wire.h"

#include <string.h>

zoltc_logix_result zoltc_logix_result_from_status(zoltc_logix_status status) {
  switch (status) {
  case ZOLTC_LOGIX_STATUS_OK:
    return ZOLTC_LOGIX_OK;
  case ZOLTC_LOGIX_STATUS_INVALID_ARGUMENT:
    return ZOLTC_LOGIX_ERR_INVALID_ARGUMENT;
  case ZOLTC_LOGIX_STATUS_NO_MEMORY:
    return ZOLTC_LOGIX_ERR_NO_MEMORY;
  case ZOLTC_LOGIX_STATUS_CONNECT_FAILED:
    return ZOLTC_LOGIX_ERR_CONNECT_FAILED;
  case ZOLTC_LOGIX_STATUS_TIMEOUT:
    return ZOLTC_LOGIX_ERR_TIMEOUT;
  case ZOLTC_LOGIX_STATUS_BAD_REPLY:
    return ZOLTC_LOGIX_ERR_BAD_REPLY;
  case ZOLTC_LOGIX_STATUS_IO_FAILED:
    return ZOLTC_LOGIX_ERR_CONNECTION_LOST;
  case ZOLTC_LOGIX_STATUS_REJECTED:
    return ZOLTC_LOGIX_ERR_CIP_STATUS;
  case ZOLTC_LOGIX_STATUS_NOT_CONNECTED:
    return ZOLTC_LOGIX_ERR_NOT_CONNECTED;
  case ZOLTC_LOGIX_STATUS_SESSION_REFUSED:
    return ZOLTC_LOGIX_ERR_SESSION_REFUSED;
  case ZOLTC_LOGIX_STATUS_TOO_LARGE:
    return ZOLTC_LOGIX_ERR_TOO_LARGE;
  case ZOLTC_LOGIX_STATUS_ROUTE_FAILED:
    return ZOLTC_LOGIX_ERR_ROUTE_FAILED;
  case ZOLTC_LOGIX_STATUS_ABORTED:
    return ZOLTC_LOGIX_ERR_ABORTED;
  case ZOLTC_LOGIX_STATUS_NO_CONNECTION:
    return ZOLTC_LOGIX_ERR_NO_CONNECTION;
  default:
    return ZOLTC_LOGIX_ERR_UNKNOWN;
  }
}

const char *zoltc_logix_result_name(zoltc_logix_result result) {
  switch (result) {
#define ZOLTC_LOGIX_RESULT_NAME_(name, value, text)                                         \
  case value:                                                                               \
    return text;
    ZOLTC_LOGIX_RESULT_MAP(ZOLTC_LOGIX_RESULT_NAME_)
#undef ZOLTC_LOGIX_RESULT_NAME_
  default:
    return "unknown result";
  }
}

zoltc_logix_client *zoltc_logix_client_create(void) {
  zoltc_logix_client *client = zoltc_logix_alloc(sizeof *client);
  if (client == NULL) {
    return NULL;
  }
  memset(client, 0, sizeof *client);
  client->identity.product_name = NULL;
  client->session = zoltc_logix_session_create();
  if (client->session == NULL) {
    zoltc_logix_free(client);
    return NULL;
  }
  return client;
}

void zoltc_logix_client_destroy(zoltc_logix_client *client) {
  if (client == NULL) {
    return;
  }
  zoltc_logix_connection_close(client->session);
  zoltc_logix_route_free(&client->session->route);
  zoltc_logix_client_forget_templates(client);
  zoltc_logix_session_free(client->session);
  zoltc_logix_identity_clear(&client->identity);
  zoltc_logix_free(client);
}

zoltc_logix_result zoltc_logix_connect(zoltc_logix_client *client, const char *host,
                                       uint16_t port, uint32_t timeout_ms) {
  if (client == NULL || host == NULL) {
    return ZOLTC_LOGIX_ERR_INVALID_ARGUMENT;
  }
  if (host[0] != '\0' && port != 0) {
    zoltc_logix_client_forget_templates(client);
    zoltc_logix_connection_close(client->session);
  }
  zoltc_logix_status status = zoltc_logix_session_open(client->session, host, port, timeout_ms);
  if (status == ZOLTC_LOGIX_STATUS_SESSION_REFUSED) {
    client->refusal = (zoltc_logix_refusal){0, 0, client->session->refused_status};
  }
  if (status != ZOLTC_LOGIX_STATUS_OK) {
    return zoltc_logix_result_from_status(status);
  }
  zoltc_logix_cip_response response;
  /* The identity is the handle's only once the whole connect succeeded (a connection, too,
   * when one is asked for): a failed connect keeps the name of the one before. */
  zoltc_logix_identity identity = {0};
  status = zoltc_logix_send_direct(client->session, zoltc_logix_identity_request(), &response);
  if (status == ZOLTC_LOGIX_STATUS_REJECTED) {
    client->refusal = (zoltc_logix_refusal){0, 0, client->session->refused_status};
  } else if (status == ZOLTC_LOGIX_STATUS_OK && response.general_status != 0) {
    /* An error answer is the controller refusing, not its identity. */
    zoltc_logix_client_note_refusal(client, &response);
    status = ZOLTC_LOGIX_STATUS_REJECTED;
  } else if (status == ZOLTC_LOGIX_STATUS_OK) {
    status = zoltc_logix_identity_decode(&response, &identity);
  }
  zoltc_logix_cip_response_free(&response);
  if (status == ZOLTC_LOGIX_STATUS_OK) {
    status = zoltc_logix_connection_open(client->session, &client->refusal);
  }
  if (status == ZOLTC_LOGIX_STATUS_OK) {
    zoltc_logix_identity_clear(&client->identity);
    client->identity = identity;
  } else {
    zoltc_logix_identity_clear(&identity);
    zoltc_logix_session_close(client->session);
  }
  return zoltc_logix_result_from_status(status);
}

void zoltc_logix_disconnect(zoltc_logix_client *client) {
  if (client == NULL) {
    return;
  }
  zoltc_logix_connection_close(client->session);
  zoltc_logix_session_close(client->session);
  zoltc_logix_client_forget_templates(client);
}

zoltc_logix_result zoltc_logix_set_messaging(zoltc_logix_client *client, zoltc_logix_messaging mode) {
  if (client == NULL || mode > ZOLTC_LOGIX_MESSAGING_CONNECTED) {
    return ZOLTC_LOGIX_ERR_INVALID_ARGUMENT;
  }
  client->session->messaging.requested = mode;
  return ZOLTC_LOGIX_OK;
}

const zoltc_logix_messaging_state *zoltc_logix_get_messaging(const zoltc_logix_client *client) {
  return client != NULL ? &client->session->messaging : NULL;
}

uint16_t zoltc_logix_cip_extended_status(const zoltc_logix_cip_response *response) {
  return response->additional_status.length >= 2u
             ? zoltc_logix_get_u16(response->additional_status.data)
             : (uint16_t)0;
}

void zoltc_logix_client_note_refusal(zoltc_logix_client *client,
                                     const zoltc_logix_cip_response *response) {
  client->refusal = (zoltc_logix_refusal){response->general_status,
                                          zoltc_logix_cip_extended_status(response), 0};
}

const zoltc_logix_refusal *zoltc_logix_get_refusal(const zoltc_logix_client *client) {
  return client != NULL ? &client->refusal : NULL;
}

void zoltc_logix_abort(zoltc_logix_client *client) {
  if (client != NULL) {
    zoltc_logix_waker_raise(client->session->waker);
  }
}

void zoltc_logix_abort_clear(zoltc_logix_client *client) {
  if (client != NULL) {
    zoltc_logix_waker_lower(client->session->waker);
  }
}

bool zoltc_logix_is_aborted(const zoltc_logix_client *client) {
  return client != NULL && zoltc_logix_waker_is_raised(client->session->waker);
}

const char *zoltc_logix_get_product_name(const zoltc_logix_client *client) {
  return client != NULL ? client->identity.product_name : NULL;
}

const zoltc_logix_identity *zoltc_logix_get_identity(const zoltc_logix_client *client) {
  return client != NULL ? &client->identity : NULL;
}

zoltc_logix_result zoltc_logix_send_request(zoltc_logix_client *client,
                                            const zoltc_logix_cip_request *request,
                                            zoltc_logix_cip_response *response) {
  if (response != NULL) {
    memset(response, 0, sizeof *response);
  }
  if (client == NULL || request == NULL || response == NULL) {
    return ZOLTC_LOGIX_ERR_INVALID_ARGUMENT;
  }
  zoltc_logix_status status = zoltc_logix_send_direct(client->session, request, response);
  if (status == ZOLTC_LOGIX_STATUS_REJECTED) {
    client->refusal = (zoltc_logix_refusal){0, 0, client->session->refused_status};
  }
  return zoltc_logix_result_from_status(status);
}
