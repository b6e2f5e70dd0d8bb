/* Structure templates (Template object, class 0x6C): reading a template in
 * chunks, parsing it, and expanding the structure records of a browse result
 * into their members through a per-connection cache. */
#ifndef ZOLTC_LOGIX_TEMPLATE_H
#define ZOLTC_LOGIX_TEMPLATE_H

#include "zoltc_logix.h"

#ifdef __cplusplus
extern "C" {
#endif

#define ZOLTC_LOGIX_TEMPLATE_CLASS 0x6Cu
/* One cache slot per possible template id (the low 12 bits of a type word). */
#define ZOLTC_LOGIX_TEMPLATE_SLOTS 4096u
/* Most bytes one Read Template request may ask for. */
#define ZOLTC_LOGIX_TEMPLATE_CHUNK 65535u
/* Bounds of the object definition size, in 32-bit words; the template data is
 * words * 4 - 23 bytes, so at most 1048573. */
#define ZOLTC_LOGIX_TEMPLATE_MIN_WORDS 6u
#define ZOLTC_LOGIX_TEMPLATE_MAX_WORDS 0x40005u
/* Length of the Get Attribute List reply for attributes 4 and 2. */
#define ZOLTC_LOGIX_TEMPLATE_ATTRIBUTES_LENGTH 16u

/* One structure type as a template describes it. In a connection's cache its
 * structure members are not linked yet; in a browse result's type table they
 * point at their own types (type_name and members) within the same table. */
typedef struct zoltc_logix_template {
  char *text;         /* owned: the template name (cut before any ";"), then the
                         member names, each NUL-terminated, in one block */
  uint32_t text_size; /* bytes of that block */
  zoltc_logix_tag_info_list members; /* visible members in template order;
                         items owned, names inside `text` */
  uint8_t height;     /* structure levels from this type down, once linked;
                         0 while its members are being linked */
} zoltc_logix_template;

/* Structure types by template id: a connection's cache of templates read, or
 * the type table a browse result owns. */
struct zoltc_logix_type_table {
  zoltc_logix_template *slots[ZOLTC_LOGIX_TEMPLATE_SLOTS]; /* each owned or null */
  uint32_t members; /* member records held by all slots */
};

/* Releases the template's text and member array and zeroes it (not the record
 * itself); null is ignored. */
void zoltc_logix_template_free(zoltc_logix_template *entry);

/* An empty table, or null when memory runs out. */
zoltc_logix_type_table *zoltc_logix_type_table_create(void);

/* Releases every template of the table, then the table; null is ignored. */
void zoltc_logix_type_table_free(zoltc_logix_type_table *table);

/* Checks the Get Attribute List reply data (attributes 4 then 2) and gives the
 * template data size in bytes and the member count. 5 for a malformed reply, a
 * definition size below 6 words or data too short for the member table; 7 for
 * a non-zero attribute status; 18 above 0x40005 words; 1 for null arguments.
 * The outputs are zero after a failure. Pure. */
zoltc_logix_result zoltc_logix_template_attributes_decode(const uint8_t *data, uint32_t length,
                                                          uint32_t *data_size,
                                                          uint16_t *member_count);

/* Parses template data (member table, name, member names) into `entry`, which
 * must be empty: text starts with the template name cut before any ";", members
 * hold one record per visible member. 5 for a missing, empty or unterminated
 * name, 19 for a member of two or three dimensions, 2 when memory runs out, 1
 * for null arguments. On failure the entry is empty again. Pure. */
zoltc_logix_result zoltc_logix_template_parse(const uint8_t *data, uint32_t length,
                                              uint16_t member_count,
                                              zoltc_logix_template *entry);

/* Attribute count 2, then the ids 4 (object definition size) and 2 (member
 * count): the Get Attribute List request data of a template. */
extern const uint8_t zoltc_logix_template_attributes_request[6];

/* Parses template data and keeps it in the client's cache as `template_id`
 * (which must not be cached yet); the cache's member records are bounded like
 * a browse result's (18). The parser's results otherwise. */
zoltc_logix_result zoltc_logix_template_cache_add(zoltc_logix_client *client, uint16_t template_id,
                                                  const uint8_t *data, uint32_t length, uint16_t member_count);

/* In the connected modes, reads the templates the structure records of `list`
 * need (and the types of their members, level by level) in bundles: their
 * attribute requests in Multiple Service Packets, then the templates whose
 * whole data fits one reply, as many per packet as the packet budget holds.
 * What a bundle does not bring (a refusal, a partial reply, a packet too
 * large) is left to the one-by-one reads, so the records are the same. Sends
 * nothing in unconnected mode. Failures of the exchange itself are returned. */
zoltc_logix_result zoltc_logix_template_prefetch(zoltc_logix_client *client, const zoltc_logix_tag_info_list *list);

/* Reads the data of template `template_id`: Get Attribute List, then Read
 * Template in chunks of at most 65535 bytes. On success `data` owns the bytes
 * received (release with zoltc_logix_buffer_free); on failure it is empty. */
zoltc_logix_result zoltc_logix_template_read(zoltc_logix_client *client, uint16_t template_id,
                                             zoltc_logix_buffer *data,
                                             uint16_t *member_count);

/* Gives every structure record of `list`, recursively, its template name and
 * its members from a type table the list then owns (list->types): each
 * distinct type is described once and shared. Templates come from the
 * client's per-connection cache; each is read once per connection. 18 beyond
 * ZOLTC_LOGIX_MAX_RECORDS records or ZOLTC_LOGIX_MAX_DEPTH levels, 5 for a
 * structure that contains itself. On failure the list holds partial results
 * that the caller releases with zoltc_logix_tag_info_list_free. */
zoltc_logix_result zoltc_logix_template_expand_list(zoltc_logix_client *client,
                                                    zoltc_logix_tag_info_list *list);

#ifdef __cplusplus
}
#endif

#endif
