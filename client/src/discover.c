/* Discovery: ListIdentity in a UDP datagram, unicast or broadcast, and every
 * reply that arrives within a window. */
#include "discover.h"

#include "alloc.h"
#include "cip.h"
#include "identity.h"
#include "session.h"
#include "udp.h"
#include "wire.h"

#include <string.h>

#define ITEM_IDENTITY 0x000Cu
/* Protocol version, then the socket address as sockaddr_in (big-endian). */
#define IDENTITY_ITEM_PREFIX 18u
/* The identity fields up to the product name's length byte. */
#define IDENTITY_FIXED_SIZE 15u
/* Larger than any ListIdentity reply (the product name is at most 255 bytes). */
#define REPLY_BUFFER_SIZE 1024u
#define STATE_NONE 0xFFu

void zoltc_logix_list_identity_request(uint64_t context, uint8_t request[24]) {
  memset(request, 0, ZOLTC_LOGIX_ENCAP_HEADER_SIZE);
  zoltc_logix_put_u16(request, ZOLTC_LOGIX_ENCAP_LIST_IDENTITY);
  zoltc_logix_put_u64(request + 12, context);
}

static uint32_t get_be32(const uint8_t *p) {
  return ((uint32_t)p[0] << 24) | ((uint32_t)p[1] << 16) | ((uint32_t)p[2] << 8) | p[3];
}

/* The CIP Identity item: version, socket address, the identity as the
 * Identity object's Get_Attributes_All lists it, then the state. */
static zoltc_logix_status decode_item(const uint8_t *item, uint32_t length,
                                      zoltc_logix_device *device) {
  if (length < IDENTITY_ITEM_PREFIX + IDENTITY_FIXED_SIZE) {
    return ZOLTC_LOGIX_STATUS_BAD_REPLY;
  }
  zoltc_logix_cip_response identity;
  memset(&identity, 0, sizeof identity);
  identity.data.data = (uint8_t *)(uintptr_t)(item + IDENTITY_ITEM_PREFIX);
  identity.data.length = length - IDENTITY_ITEM_PREFIX;
  zoltc_logix_status status = zoltc_logix_identity_decode(&identity, &device->identity);
  if (status != ZOLTC_LOGIX_STATUS_OK) {
    return status;
  }
  device->port = (uint16_t)((item[4] << 8) | item[5]);
  device->ipv4 = get_be32(item + 6);
  const uint32_t state_at = IDENTITY_ITEM_PREFIX + IDENTITY_FIXED_SIZE + item[IDENTITY_ITEM_PREFIX + 14u];
  device->state = state_at < length ? item[state_at] : STATE_NONE;
  return ZOLTC_LOGIX_STATUS_OK;
}

zoltc_logix_status zoltc_logix_list_identity_decode(const uint8_t *bytes, uint32_t length,
                                                    uint64_t context,
                                                    zoltc_logix_device *device) {
  if (device == NULL) {
    return ZOLTC_LOGIX_STATUS_INVALID_ARGUMENT;
  }
  memset(device, 0, sizeof *device);
  if (bytes == NULL || length < ZOLTC_LOGIX_ENCAP_HEADER_SIZE ||
      zoltc_logix_get_u16(bytes) != ZOLTC_LOGIX_ENCAP_LIST_IDENTITY ||
      zoltc_logix_get_u32(bytes + 8) != 0 || zoltc_logix_get_u64(bytes + 12) != context) {
    return ZOLTC_LOGIX_STATUS_BAD_REPLY;
  }
  const uint32_t data_length = zoltc_logix_get_u16(bytes + 2);
  if (data_length > length - ZOLTC_LOGIX_ENCAP_HEADER_SIZE) {
    return ZOLTC_LOGIX_STATUS_BAD_REPLY;
  }
  const uint8_t *item = NULL;
  uint16_t item_length = 0;
  zoltc_logix_status status = zoltc_logix_cpf_find_item(
      bytes + ZOLTC_LOGIX_ENCAP_HEADER_SIZE, data_length, ITEM_IDENTITY, &item, &item_length);
  return status != ZOLTC_LOGIX_STATUS_OK ? status : decode_item(item, item_length, device);
}

void zoltc_logix_device_list_free(zoltc_logix_device_list *list) {
  if (list == NULL) {
    return;
  }
  for (uint32_t i = 0; i < list->count; ++i) {
    zoltc_logix_identity_clear(&list->devices[i].identity);
  }
  zoltc_logix_free(list->devices);
  memset(list, 0, sizeof *list);
}

/* Keeps one decoded device; the array grows by doubling. */
static zoltc_logix_status keep(zoltc_logix_device_list *list, uint32_t *capacity,
                               const zoltc_logix_device *device) {
  if (list->count == *capacity) {
    const uint32_t grown = *capacity == 0 ? 8u : *capacity * 2u;
    zoltc_logix_device *devices =
        zoltc_logix_realloc(list->devices, (size_t)grown * sizeof *devices);
    if (devices == NULL) {
      return ZOLTC_LOGIX_STATUS_NO_MEMORY;
    }
    list->devices = devices;
    *capacity = grown;
  }
  list->devices[list->count++] = *device;
  return ZOLTC_LOGIX_STATUS_OK;
}

/* Different for every discovery of a process, so that a late reply to an
 * earlier one is not taken for a reply to this one. */
static uint64_t next_context(void) {
  static uint64_t counter = 0;
  return (zoltc_logix_udp_now_ms() << 16) ^ ++counter;
}

static zoltc_logix_status collect(zoltc_logix_udp *udp, uint64_t context, bool broadcast,
                                  uint32_t window_ms, zoltc_logix_device_list *list) {
  uint8_t reply[REPLY_BUFFER_SIZE];
  uint32_t capacity = 0;
  const uint64_t deadline = zoltc_logix_udp_now_ms() + window_ms;
  for (;;) {
    const uint64_t now = zoltc_logix_udp_now_ms();
    if (now >= deadline) {
      return ZOLTC_LOGIX_STATUS_OK;
    }
    uint32_t length = 0;
    uint32_t sender = 0;
    uint16_t sender_port = 0;
    const zoltc_logix_io_result io = zoltc_logix_udp_receive(
        udp, reply, sizeof reply, &length, &sender, &sender_port, (uint32_t)(deadline - now));
    if (io == ZOLTC_LOGIX_IO_TIMEOUT) {
      return ZOLTC_LOGIX_STATUS_OK;
    }
    if (io == ZOLTC_LOGIX_IO_CLOSED) {
      continue;
    }
    if (io != ZOLTC_LOGIX_IO_OK) {
      return ZOLTC_LOGIX_STATUS_IO_FAILED;
    }
    zoltc_logix_device device;
    zoltc_logix_status status = zoltc_logix_list_identity_decode(reply, length, context, &device);
    if (status == ZOLTC_LOGIX_STATUS_NO_MEMORY) {
      return status;
    }
    if (status != ZOLTC_LOGIX_STATUS_OK || list->count >= ZOLTC_LOGIX_MAX_DEVICES) {
      zoltc_logix_identity_clear(&device.identity);
      ++list->skipped;
      continue;
    }
    device.sender_ipv4 = sender;
    device.sender_port = sender_port;
    status = keep(list, &capacity, &device);
    if (status != ZOLTC_LOGIX_STATUS_OK) {
      zoltc_logix_identity_clear(&device.identity);
      return status;
    }
    if (!broadcast) {
      return ZOLTC_LOGIX_STATUS_OK;
    }
  }
}

zoltc_logix_result zoltc_logix_discover(const char *host, uint16_t port, bool broadcast,
                                        uint32_t window_ms, zoltc_logix_device_list *list) {
  if (list != NULL) {
    memset(list, 0, sizeof *list);
  }
  if (host == NULL || host[0] == '\0' || port == 0 || list == NULL) {
    return ZOLTC_LOGIX_ERR_INVALID_ARGUMENT;
  }
  zoltc_logix_udp *udp = zoltc_logix_udp_open(broadcast);
  if (udp == NULL) {
    return ZOLTC_LOGIX_ERR_NO_MEMORY;
  }
  uint32_t ipv4 = 0;
  zoltc_logix_status status = ZOLTC_LOGIX_STATUS_OK;
  if (zoltc_logix_udp_resolve(host, &ipv4) != ZOLTC_LOGIX_IO_OK) {
    status = ZOLTC_LOGIX_STATUS_CONNECT_FAILED;
  }
  const uint64_t context = next_context();
  if (status == ZOLTC_LOGIX_STATUS_OK) {
    uint8_t request[ZOLTC_LOGIX_ENCAP_HEADER_SIZE];
    zoltc_logix_list_identity_request(context, request);
    if (zoltc_logix_udp_send(udp, ipv4, port, request, sizeof request) != ZOLTC_LOGIX_IO_OK) {
      status = ZOLTC_LOGIX_STATUS_IO_FAILED;
    }
  }
  if (status == ZOLTC_LOGIX_STATUS_OK) {
    status = collect(udp, context, broadcast, window_ms, list);
  }
  zoltc_logix_udp_close(udp);
  if (status != ZOLTC_LOGIX_STATUS_OK) {
    zoltc_logix_device_list_free(list);
  }
  return zoltc_logix_result_from_status(status);
}
