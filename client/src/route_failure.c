/* Routing failures in words: which hop of the handle's route a router could not
 * take, and why, for a person to read. */
#include "route.h"

#include "client.h"
#include "wire.h"

#include <stdio.h>
#include <string.h>

#define EXT_TIMED_OUT 0x0204u
#define EXT_NO_PORT 0x0311u
#define EXT_NO_LINK 0x0312u
#define EXT_BAD_SEGMENT 0x0315u

const zoltc_logix_route_failure *zoltc_logix_get_route_failure(const zoltc_logix_client *client) {
  return client != NULL ? &client->session->route.failure : NULL;
}

/* One port segment of an encoded route, as read back for messages. */
typedef struct hop {
  uint32_t start; /* byte offset in the path */
  uint32_t port;
  const uint8_t *link;
  uint32_t link_length;
  bool extended_link;
} hop;

/* The hop at `*offset`, advancing it; false at the end or on a segment this
 * library would not have written. */
static bool read_hop(const zoltc_logix_buffer *path, uint32_t *offset, hop *out) {
  const uint8_t *bytes = path->data;
  uint32_t at = *offset;
  if (at + 2u > path->length || (bytes[at] & 0xE0u) != 0) {
    return false;
  }
  out->start = at;
  out->port = bytes[at] & 0x0Fu;
  out->extended_link = (bytes[at] & ZOLTC_LOGIX_LINK_EXTENDED) != 0;
  ++at;
  out->link_length = out->extended_link ? bytes[at++] : 1u;
  if (out->port == ZOLTC_LOGIX_PORT_EXTENDED) {
    if (at + 2u > path->length) {
      return false;
    }
    out->port = zoltc_logix_get_u16(bytes + at);
    at += 2u;
  }
  if (out->link_length > path->length - at) {
    return false;
  }
  out->link = bytes + at;
  at += out->link_length;
  *offset = at + (at % 2u);
  return true;
}

static void describe_hop(const hop *h, char *text, size_t size) {
  if (h->extended_link) {
    zoltc_logix_route_say(text, size, "address %.*s on port %u", (int)h->link_length, (const char *)h->link,
        (unsigned)h->port);
  } else if (h->port == 1u) {
    zoltc_logix_route_say(text, size, "slot %u", (unsigned)h->link[0]);
  } else {
    zoltc_logix_route_say(text, size, "link %u on port %u", (unsigned)h->link[0], (unsigned)h->port);
  }
}

void zoltc_logix_describe_route_failure(const zoltc_logix_client *client, char *buffer,
                                        size_t size) {
  if (buffer == NULL || size == 0) {
    return;
  }
  buffer[0] = '\0';
  if (client == NULL) {
    return;
  }
  const zoltc_logix_route *route = &client->session->route;
  const zoltc_logix_route_failure *failure = &route->failure;

  /* The router that gave up saw `remaining_words` of the route, starting with
   * the hop it could not take. */
  char where[64] = "along the route";
  char place[48] = "";
  uint32_t number = 0;
  hop failed = {0, 0, NULL, 0, false};
  bool found = false;
  if (failure->has_remaining && failure->remaining_words * 2u <= route->path.length) {
    const uint32_t start = route->path.length - failure->remaining_words * 2u;
    uint32_t offset = 0;
    hop h;
    while (!found && read_hop(&route->path, &offset, &h)) {
      ++number;
      found = h.start == start;
      failed = h;
    }
  }
  if (found) {
    describe_hop(&failed, place, sizeof place);
    uint32_t hops = 0;
    uint32_t offset = 0;
    hop h;
    while (read_hop(&route->path, &offset, &h)) {
      ++hops;
    }
    if (hops > 1u) {
      zoltc_logix_route_say(where, sizeof where, "at %s, hop %u of the route", place, (unsigned)number);
    } else {
      zoltc_logix_route_say(where, sizeof where, "at %s", place);
    }
  }

  if (failure->general_status != ZOLTC_LOGIX_CIP_CONNECTION_FAILURE) {
    zoltc_logix_route_say(buffer, size, "a module along the route refused the request (general status 0x%02X)",
        (unsigned)failure->general_status);
    return;
  }
  switch (failure->extended_status) {
  case EXT_TIMED_OUT:
    zoltc_logix_route_say(buffer, size, "no module answers %s (the request timed out)", where);
    return;
  case EXT_NO_LINK:
    zoltc_logix_route_say(buffer, size, "no module answers %s (no such link address)", where);
    return;
  case EXT_NO_PORT:
    if (found) {
      zoltc_logix_route_say(buffer, size, "there is no port %u at hop %u of the route", (unsigned)failed.port,
          (unsigned)number);
    } else {
      zoltc_logix_route_say(buffer, size, "%s", "a port named in the route does not exist");
    }
    return;
  case EXT_BAD_SEGMENT:
    zoltc_logix_route_say(buffer, size, "the route is not valid %s", where);
    return;
  default:
    zoltc_logix_route_say(buffer, size, "routing failed %s (extended status 0x%04X)", where,
        (unsigned)failure->extended_status);
    return;
  }
}
