/* Route paths: parsing their text into CIP port segments, carrying requests
 * along them in Unconnected Send, and telling a router's refusal from the
 * target's reply. */
#include "route.h"

#include "alloc.h"
#include "cip.h"
#include "client.h"
#include "connected.h"
#include "wire.h"

#include <stdarg.h>
#include <stdio.h>
#include <string.h>

#define PORT_IN_SEGMENT_MAX 14u
#define MAX_PORT 0xFFFFu
#define MAX_SHORT_LINK 0xFFu
/* "255.255.255.255" */
#define MAX_ADDRESS_TEXT 15u

/* Service, path size, the Connection Manager path, tick, ticks, embedded
 * length, pad, route size and reserved byte. */
#define WRAPPER_FIXED_SIZE 13u
#define MAX_TICK 15u
#define MAX_TICKS 255u
#define MAX_EMBEDDED 0xFFFFu


static const uint8_t connection_manager_path[4] = {0x20, 0x06, 0x24, 0x01};

void zoltc_logix_route_say(char *message, size_t size, const char *format, ...) {
  if (message == NULL || size == 0) {
    return;
  }
  va_list arguments;
  va_start(arguments, format);
  (void)vsnprintf(message, size, format, arguments);
  va_end(arguments);
}

/* One item of the text, spaces around it trimmed. */
typedef struct item {
  const char *text;
  size_t length;
} item;

static bool parse_decimal(item it, uint32_t limit, uint32_t *value) {
  if (it.length == 0 || it.length > 10) {
    return false;
  }
  uint64_t number = 0;
  for (size_t i = 0; i < it.length; ++i) {
    if (it.text[i] < '0' || it.text[i] > '9') {
      return false;
    }
    number = number * 10u + (uint64_t)(it.text[i] - '0');
  }
  if (number > limit) {
    return false;
  }
  *value = (uint32_t)number;
  return true;
}

static bool is_ipv4_text(item it) {
  if (it.length > MAX_ADDRESS_TEXT) {
    return false;
  }
  size_t start = 0;
  int parts = 0;
  for (size_t i = 0; i <= it.length; ++i) {
    if (i == it.length || it.text[i] == '.') {
      uint32_t octet = 0;
      item part = {it.text + start, i - start};
      if (!parse_decimal(part, 255u, &octet)) {
        return false;
      }
      ++parts;
      start = i + 1;
    }
  }
  return parts == 4;
}

static zoltc_logix_status append(zoltc_logix_path *path, const uint8_t *bytes, uint32_t n) {
  zoltc_logix_status status = zoltc_logix_path_reserve(path, n);
  if (status == ZOLTC_LOGIX_STATUS_OK) {
    memcpy(path->data + path->length, bytes, n);
    path->length += n;
  }
  return status;
}

/* One port segment; the link is a number up to 255 or an IPv4 address text. */
static zoltc_logix_status append_hop(zoltc_logix_path *path, uint32_t port, uint32_t link,
                                     item address) {
  uint8_t segment[4 + MAX_ADDRESS_TEXT + 1];
  uint32_t n = 0;
  const bool extended_link = address.length != 0;
  segment[n++] = (uint8_t)((port > PORT_IN_SEGMENT_MAX ? ZOLTC_LOGIX_PORT_EXTENDED : port) |
                           (extended_link ? ZOLTC_LOGIX_LINK_EXTENDED : 0u));
  if (extended_link) {
    segment[n++] = (uint8_t)address.length;
  }
  if (port > PORT_IN_SEGMENT_MAX) {
    zoltc_logix_put_u16(segment + n, (uint16_t)port);
    n += 2;
  }
  if (extended_link) {
    memcpy(segment + n, address.text, address.length);
    n += (uint32_t)address.length;
  } else {
    segment[n++] = (uint8_t)link;
  }
  if (n % 2u != 0) {
    segment[n++] = 0;
  }
  return append(path, segment, n);
}

/* The next item; `last` tells whether no comma followed it. */
static item next_item(const char **cursor, bool *last) {
  const char *at = *cursor;
  const char *end = strchr(at, ',');
  *last = end == NULL;
  if (end == NULL) {
    end = at + strlen(at);
  }
  *cursor = *last ? end : end + 1;
  while (at < end && *at == ' ') {
    ++at;
  }
  while (end > at && end[-1] == ' ') {
    --end;
  }
  item it = {at, (size_t)(end - at)};
  return it;
}

static bool is_blank(const char *text) {
  while (*text == ' ') {
    ++text;
  }
  return *text == '\0';
}

/* Items are counted from 1, as a person reads them. */
static zoltc_logix_result parse_into(const char *text, zoltc_logix_path *path, char *message,
                                     size_t size) {
  if (is_blank(text)) {
    return ZOLTC_LOGIX_OK;
  }
  const char *cursor = text;
  unsigned index = 0;
  bool last = false;
  while (!last) {
    const item port_item = next_item(&cursor, &last);
    uint32_t port = 0;
    if (port_item.length == 0) {
      zoltc_logix_route_say(message, size, "item %u is empty", index + 1u);
      return ZOLTC_LOGIX_ERR_INVALID_ARGUMENT;
    }
    if (!parse_decimal(port_item, MAX_PORT, &port)) {
      zoltc_logix_route_say(message, size, "item %u ('%.*s') is not a port number from 1 to 65535", index + 1u,
          (int)port_item.length, port_item.text);
      return ZOLTC_LOGIX_ERR_INVALID_ARGUMENT;
    }
    if (port == 0) {
      zoltc_logix_route_say(message, size, "item %u: there is no port 0 (ports count from 1)", index + 1u);
      return ZOLTC_LOGIX_ERR_INVALID_ARGUMENT;
    }
    if (last) {
      zoltc_logix_route_say(message, size, "port %u (item %u) has no link after it: items come in pairs",
          (unsigned)port, index + 1u);
      return ZOLTC_LOGIX_ERR_INVALID_ARGUMENT;
    }
    const item link_item = next_item(&cursor, &last);
    index += 2u;
    uint32_t link = 0;
    item address = {NULL, 0};
    if (link_item.length == 0) {
      zoltc_logix_route_say(message, size, "item %u is empty", index);
      return ZOLTC_LOGIX_ERR_INVALID_ARGUMENT;
    }
    if (is_ipv4_text(link_item)) {
      address = link_item;
    } else if (!parse_decimal(link_item, UINT32_MAX, &link)) {
      zoltc_logix_route_say(message, size, "item %u ('%.*s') is neither a link number nor an IPv4 address", index,
          (int)link_item.length, link_item.text);
      return ZOLTC_LOGIX_ERR_INVALID_ARGUMENT;
    } else if (link > MAX_SHORT_LINK) {
      zoltc_logix_route_say(message, size, "item %u: link %u is above 255 (a network link is an IPv4 address)",
          index, (unsigned)link);
      return ZOLTC_LOGIX_ERR_INVALID_ARGUMENT;
    }
    zoltc_logix_status status = append_hop(path, port, link, address);
    if (status != ZOLTC_LOGIX_STATUS_OK) {
      return zoltc_logix_result_from_status(status);
    }
    if (path->length > ZOLTC_LOGIX_MAX_ROUTE_LENGTH) {
      zoltc_logix_route_say(message, size, "the route is longer than %u bytes", ZOLTC_LOGIX_MAX_ROUTE_LENGTH);
      return ZOLTC_LOGIX_ERR_TOO_LARGE;
    }
  }
  return ZOLTC_LOGIX_OK;
}

zoltc_logix_result zoltc_logix_parse_route(const char *text, zoltc_logix_buffer *out,
                                           char *message, size_t message_size) {
  zoltc_logix_route_say(message, message_size, "%s", "");
  if (out != NULL) {
    out->data = NULL;
    out->length = 0;
  }
  if (text == NULL || out == NULL) {
    zoltc_logix_route_say(message, message_size, "%s", "no route text");
    return ZOLTC_LOGIX_ERR_INVALID_ARGUMENT;
  }
  zoltc_logix_path path;
  zoltc_logix_path_init(&path);
  zoltc_logix_result result = parse_into(text, &path, message, message_size);
  if (result != ZOLTC_LOGIX_OK) {
    zoltc_logix_path_free(&path);
    return result;
  }
  out->data = path.data;
  out->length = path.length;
  return ZOLTC_LOGIX_OK;
}

void zoltc_logix_route_free(zoltc_logix_route *route) {
  if (route == NULL) {
    return;
  }
  zoltc_logix_buffer_free(&route->path);
  memset(route, 0, sizeof *route);
}

uint32_t zoltc_logix_route_overhead(const zoltc_logix_route *route) {
  return route == NULL || route->path.length == 0 ? 0u
                                                  : WRAPPER_FIXED_SIZE + route->path.length;
}

void zoltc_logix_route_timeout(uint32_t timeout_ms, uint8_t *tick, uint8_t *ticks) {
  uint64_t wanted = (uint64_t)timeout_ms * 3u / 4u;
  if (wanted == 0) {
    wanted = 1;
  }
  for (uint32_t t = 0; t <= MAX_TICK; ++t) {
    const uint64_t unit = (uint64_t)1 << t;
    const uint64_t count = (wanted + unit - 1u) / unit;
    if (count <= MAX_TICKS) {
      *tick = (uint8_t)t;
      *ticks = (uint8_t)count;
      return;
    }
  }
  *tick = MAX_TICK;
  *ticks = MAX_TICKS;
}

zoltc_logix_status zoltc_logix_route_wrap(const zoltc_logix_route *route, uint32_t timeout_ms,
                                          const uint8_t *request, uint32_t length,
                                          zoltc_logix_buffer *out) {
  if (out == NULL) {
    return ZOLTC_LOGIX_STATUS_INVALID_ARGUMENT;
  }
  out->data = NULL;
  out->length = 0;
  if (route == NULL || request == NULL || length == 0) {
    return ZOLTC_LOGIX_STATUS_INVALID_ARGUMENT;
  }
  if (length > MAX_EMBEDDED) {
    return ZOLTC_LOGIX_STATUS_TOO_LARGE;
  }
  const uint32_t pad = length % 2u;
  const uint32_t data_length = 4u + length + pad + 2u + route->path.length;
  uint8_t *data = zoltc_logix_alloc(data_length);
  if (data == NULL) {
    return ZOLTC_LOGIX_STATUS_NO_MEMORY;
  }
  zoltc_logix_route_timeout(timeout_ms, &data[0], &data[1]);
  zoltc_logix_put_u16(data + 2, (uint16_t)length);
  memcpy(data + 4, request, length);
  uint8_t *at = data + 4 + length;
  if (pad != 0) {
    *at++ = 0;
  }
  at[0] = (uint8_t)(route->path.length / 2u);
  at[1] = 0;
  if (route->path.length != 0) {
    memcpy(at + 2, route->path.data, route->path.length);
  }
  const zoltc_logix_cip_request send = {ZOLTC_LOGIX_SERVICE_UNCONNECTED_SEND,
                                        connection_manager_path, sizeof connection_manager_path,
                                        data, data_length};
  zoltc_logix_status status = zoltc_logix_cip_encode_request(&send, out);
  zoltc_logix_free(data);
  return status;
}

zoltc_logix_status zoltc_logix_route_check_reply(zoltc_logix_route *route,
                                                 uint8_t embedded_service,
                                                 const zoltc_logix_cip_response *response) {
  if (route == NULL || response == NULL ||
      response->service != (ZOLTC_LOGIX_SERVICE_UNCONNECTED_SEND | 0x80u) ||
      response->general_status == 0) {
    return ZOLTC_LOGIX_STATUS_OK;
  }
  if (embedded_service == ZOLTC_LOGIX_SERVICE_UNCONNECTED_SEND &&
      response->general_status != ZOLTC_LOGIX_CIP_CONNECTION_FAILURE) {
    return ZOLTC_LOGIX_STATUS_OK;
  }
  zoltc_logix_route_failure *failure = &route->failure;
  memset(failure, 0, sizeof *failure);
  failure->general_status = response->general_status;
  if (response->additional_status.length >= 2u) {
    failure->extended_status = zoltc_logix_get_u16(response->additional_status.data);
  }
  if (response->data.length >= 1u) {
    failure->has_remaining = true;
    failure->remaining_words = response->data.data[0];
  }
  return ZOLTC_LOGIX_STATUS_ROUTE_FAILED;
}

/* ------------------------------------------------------------------------ */
/* The handle's route                                                        */
/* ------------------------------------------------------------------------ */

zoltc_logix_result zoltc_logix_set_route(zoltc_logix_client *client, const char *text,
                                         char *message, size_t message_size) {
  if (client == NULL) {
    zoltc_logix_route_say(message, message_size, "%s", "no handle");
    return ZOLTC_LOGIX_ERR_INVALID_ARGUMENT;
  }
  zoltc_logix_buffer path = {NULL, 0};
  zoltc_logix_result result =
      zoltc_logix_parse_route(text != NULL ? text : "", &path, message, message_size);
  if (result != ZOLTC_LOGIX_OK) {
    return result;
  }
  zoltc_logix_connection_reroute(client->session);
  zoltc_logix_route_free(&client->session->route);
  client->session->route.path = path;
  return ZOLTC_LOGIX_OK;
}
