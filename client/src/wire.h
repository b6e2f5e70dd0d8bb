/* Little-endian reads and writes of wire fields. Callers check lengths first:
 * these helpers assume the bytes are there. */
#ifndef ZOLTC_LOGIX_WIRE_H
#define ZOLTC_LOGIX_WIRE_H

#include <stdint.h>

static inline uint16_t zoltc_logix_get_u16(const uint8_t *p) {
  return (uint16_t)(p[0] | (p[1] << 8));
}

static inline uint32_t zoltc_logix_get_u32(const uint8_t *p) {
  return (uint32_t)p[0] | ((uint32_t)p[1] << 8) | ((uint32_t)p[2] << 16) |
         ((uint32_t)p[3] << 24);
}

static inline uint64_t zoltc_logix_get_u64(const uint8_t *p) {
  return (uint64_t)zoltc_logix_get_u32(p) | ((uint64_t)zoltc_logix_get_u32(p + 4) << 32);
}

static inline void zoltc_logix_put_u16(uint8_t *p, uint16_t v) {
  p[0] = (uint8_t)(v & 0xFFu);
  p[1] = (uint8_t)(v >> 8);
}

static inline void zoltc_logix_put_u32(uint8_t *p, uint32_t v) {
  zoltc_logix_put_u16(p, (uint16_t)(v & 0xFFFFu));
  zoltc_logix_put_u16(p + 2, (uint16_t)(v >> 16));
}

static inline void zoltc_logix_put_u64(uint8_t *p, uint64_t v) {
  zoltc_logix_put_u32(p, (uint32_t)(v & 0xFFFFFFFFu));
  zoltc_logix_put_u32(p + 4, (uint32_t)(v >> 32));
}

#endif
