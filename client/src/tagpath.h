/* Tag path text encoding, with the variant for a bit of a BOOL array. */
#ifndef ZOLTC_LOGIX_TAGPATH_H
#define ZOLTC_LOGIX_TAGPATH_H

#include "zoltc_logix.h"

#ifdef __cplusplus
extern "C" {
#endif

/* As zoltc_logix_encode_tag_path, for a text whose last index is a bit number
 * of a BOOL array: that index is written as the 32-bit word that holds the bit
 * (index / 32) and `*bit` gets index % 32. 1 when the text does not end with an
 * index. */
zoltc_logix_result zoltc_logix_encode_bool_bit_path(const char *text, zoltc_logix_path *path,
                                                    uint8_t *bit);

#ifdef __cplusplus
}
#endif

#endif
