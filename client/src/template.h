/* Structure templates (Template object, class 0x6C): reading a template in
 * chunks, parsing it, and expanding the structure records of a browse result
 * into their members through a per-browse cache. */
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

/* One cached template. */
typedef struct zoltc_logix_template {
  zoltc_logix_tag_info info;         /* type: of the record that first needed it;
                                        type_name: the template name */
  zoltc_logix_tag_info_list members; /* visible members, in template order */
  bool expanding;                    /* set while records expand from it */
} zoltc_logix_template;

/* Releases the template's name and members and zeroes it (not the record
 * itself); null is ignored. */
void zoltc_logix_template_free(zoltc_logix_template *entry);

/* Checks the Get Attribute List reply data (attributes 4 then 2) and gives the
 * template data size in bytes and the member count. 5 for a malformed reply, a
 * definition size below 6 words or data too short for the member table; 7 for
 * a non-zero attribute status; 18 above 0x40005 words; 1 for null arguments.
 * The outputs are zero after a failure. Pure. */
zoltc_logix_result zoltc_logix_template_attributes_decode(const uint8_t *data, uint32_t length,
                                                          uint32_t *data_size,
                                                          uint16_t *member_count);

/* Parses template data (member table, name, member names) into `entry`, whose
 * type_name and members must be empty: type_name becomes the template name cut
 * before any ";", members one record per visible member. 5 for a missing,
 * empty or unterminated name, 19 for a member of two or three dimensions, 2
 * when memory runs out, 1 for null arguments. On failure type_name and members
 * are empty again. Pure. */
zoltc_logix_result zoltc_logix_template_parse(const uint8_t *data, uint32_t length,
                                              uint16_t member_count,
                                              zoltc_logix_template *entry);

/* Reads the data of template `template_id`: Get Attribute List, then Read
 * Template in chunks of at most 65535 bytes. On success `data` owns the bytes
 * received (release with zoltc_logix_buffer_free); on failure it is empty. */
zoltc_logix_result zoltc_logix_template_read(zoltc_logix_client *client, uint16_t template_id,
                                             zoltc_logix_buffer *data,
                                             uint16_t *member_count);

/* Gives every structure record of `list`, recursively, its template name and
 * its member records; each template is read once. On failure the list holds
 * partial results that the caller must release. */
zoltc_logix_result zoltc_logix_template_expand_list(zoltc_logix_client *client,
                                                    zoltc_logix_tag_info_list *list);

#ifdef __cplusplus
}
#endif

#endif
