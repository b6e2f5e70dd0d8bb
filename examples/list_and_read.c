/* list_and_read: connects to a controller, prints its identity, lists its
 * controller-scope tags and reads the first three that hold one atomic value.
 *   list_and_read [HOST [PORT]]      (default 127.0.0.1 44818)
 * Build against the installed library:
 *   cc list_and_read.c $(pkg-config --cflags --libs zoltc_logix) -o list_and_read */
#include <zoltc_logix.h>

#include <inttypes.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#define TIMEOUT_MS 5000u
#define TAGS_TO_READ 3u

/* The value of an atomic read as text: integers by their signedness, REAL and
 * LREAL as floating point; the bytes arrive little-endian from value[0]. */
static void print_value(const zoltc_logix_read_item *item) {
  uint64_t bits = 0;
  for (unsigned i = 0; i < 8u; ++i) {
    bits |= (uint64_t)item->value[i] << (8u * i);
  }
  switch (zoltc_logix_type_atomic_code(item->type)) {
  case ZOLTC_LOGIX_TYPE_REAL: {
    const uint32_t low = (uint32_t)bits;
    float real;
    memcpy(&real, &low, sizeof real);
    printf("%g\n", (double)real);
    break;
  }
  case ZOLTC_LOGIX_TYPE_LREAL: {
    double real;
    memcpy(&real, &bits, sizeof real);
    printf("%g\n", real);
    break;
  }
  case ZOLTC_LOGIX_TYPE_SINT:
    printf("%d\n", (int)(int8_t)bits);
    break;
  case ZOLTC_LOGIX_TYPE_INT:
    printf("%d\n", (int)(int16_t)bits);
    break;
  case ZOLTC_LOGIX_TYPE_DINT:
    printf("%" PRId32 "\n", (int32_t)bits);
    break;
  case ZOLTC_LOGIX_TYPE_LINT:
    printf("%" PRId64 "\n", (int64_t)bits);
    break;
  default:
    printf("%" PRIu64 "\n", bits);
    break;
  }
}

int main(int argc, char **argv) {
  const char *host = argc > 1 ? argv[1] : "127.0.0.1";
  const unsigned long port = argc > 2 ? strtoul(argv[2], NULL, 10) : 44818ul;
  if (port == 0 || port > 65535ul) {
    fprintf(stderr, "usage: list_and_read [HOST [PORT]]\n");
    return 2;
  }
  printf("zoltc_logix %s (compiled against %s)\n", zoltc_logix_version(), ZOLTC_LOGIX_VERSION);

  zoltc_logix_client *client = zoltc_logix_client_create();
  zoltc_logix_tag_info_list tags = {0};
  int status = 1;
  if (client == NULL) {
    fprintf(stderr, "out of memory\n");
    return 1;
  }
  zoltc_logix_result result = zoltc_logix_connect(client, host, (uint16_t)port, TIMEOUT_MS);
  if (result != ZOLTC_LOGIX_OK) {
    fprintf(stderr, "connect to %s:%lu: %s\n", host, port, zoltc_logix_result_name(result));
    goto done;
  }
  const zoltc_logix_identity *identity = zoltc_logix_get_identity(client);
  printf("%s, vendor %u, revision %u.%u, serial %08" PRIx32 "\n", identity->product_name,
         identity->vendor_id, identity->revision_major, identity->revision_minor,
         identity->serial_number);

  result = zoltc_logix_list_tags(client, &tags);
  if (result != ZOLTC_LOGIX_OK) {
    fprintf(stderr, "list tags: %s\n", zoltc_logix_result_name(result));
    goto done;
  }
  printf("%" PRIu32 " tags\n", tags.count);
  zoltc_logix_read_item items[TAGS_TO_READ];
  uint32_t count = 0;
  for (uint32_t i = 0; i < tags.count; ++i) {
    const zoltc_logix_tag_info *tag = &tags.items[i];
    printf("  %s\n", tag->name);
    if (count < TAGS_TO_READ && zoltc_logix_type_is_atomic(tag->type)) {
      memset(&items[count], 0, sizeof items[count]);
      items[count++].tag_name = tag->name;
    }
  }
  if (count > 0) {
    result = zoltc_logix_read_tags(client, items, count);
    if (result != ZOLTC_LOGIX_OK) {
      fprintf(stderr, "read: %s\n", zoltc_logix_result_name(result));
      goto done;
    }
    for (uint32_t i = 0; i < count; ++i) {
      printf("%s = ", items[i].tag_name);
      if (items[i].status == ZOLTC_LOGIX_OK) {
        print_value(&items[i]);
      } else {
        printf("(%s)\n", zoltc_logix_result_name(items[i].status));
      }
    }
  }
  status = 0;

done:
  zoltc_logix_tag_info_list_free(&tags);
  zoltc_logix_client_destroy(client);
  return status;
}
