/* Route path texts: the parser, then a refusal described against the parsed route
 * with the first input byte as the remaining words, as a person would read it. */
#include <stdlib.h>
#include <string.h>

#include "alloc.h"
#include "client.h"
#include "route.h"

int LLVMFuzzerTestOneInput(const uint8_t *bytes, size_t size);

int LLVMFuzzerTestOneInput(const uint8_t *bytes, size_t size) {
  if (size == 0 || size > 4096) {
    return 0;
  }
  char *text = malloc(size);
  if (text == NULL) {
    return 0;
  }
  memcpy(text, bytes + 1, size - 1);
  text[size - 1] = '\0';
  zoltc_logix_client *client = zoltc_logix_client_create();
  char message[160];
  if (client != NULL && zoltc_logix_set_route(client, text, message, sizeof message) == ZOLTC_LOGIX_OK) {
    const zoltc_logix_route *route = &client->session->route;
    if (route->path.length > ZOLTC_LOGIX_MAX_ROUTE_LENGTH || route->path.length % 2u != 0) {
      abort();
    }
    client->session->route.failure.general_status = 0x01;
    client->session->route.failure.extended_status = (uint16_t)(0x0311u + (bytes[0] & 7u));
    client->session->route.failure.has_remaining = true;
    client->session->route.failure.remaining_words = bytes[0];
    zoltc_logix_describe_route_failure(client, message, sizeof message);
  }
  zoltc_logix_client_destroy(client);
  free(text);
  return 0;
}
