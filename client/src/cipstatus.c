/* Short texts for CIP statuses. General status names after the CIP standard's
 * Volume 1, Appendix B (as reproduced in public device manuals,
 * e.g. the "CIP General Status Codes" tables of EtherNet/IP gateway manuals);
 * the Logix extended codes after the controller vendor's public data access
 * manual (0x2104 offset beyond the tag, 0x2105 elements beyond the tag, 0x2107
 * type mismatch). */
#include "zoltc_logix.h"

#include <stdio.h>

static const char *general_text(uint8_t general) {
  switch (general) {
  case 0x00: return "success";
  case 0x01: return "connection failure";
  case 0x02: return "resource unavailable";
  case 0x03: return "invalid parameter value";
  /* What a Logix controller answers Read Tag for a name it does not hold. */
  case 0x04: return "tag not found (path segment error)";
  case 0x05: return "path destination unknown";
  case 0x06: return "partial transfer";
  case 0x07: return "connection lost";
  case 0x08: return "service not supported";
  case 0x09: return "invalid attribute value";
  case 0x0A: return "attribute list error";
  case 0x0C: return "object state conflict";
  case 0x0E: return "attribute not settable";
  case 0x0F: return "privilege violation";
  case 0x10: return "device state conflict";
  case 0x11: return "reply data too large";
  case 0x13: return "not enough data";
  case 0x14: return "attribute not supported";
  case 0x15: return "too much data";
  case 0x16: return "object does not exist";
  case 0x1A: return "request too large to route";
  case 0x1B: return "reply too large to route";
  case 0x1E: return "embedded service error";
  case 0x20: return "invalid parameter";
  case 0x26: return "path size invalid";
  case 0xFF: return "general error";
  default: return NULL;
  }
}

static const char *extended_text(uint8_t general, uint16_t extended) {
  if (general != 0x05 && general != 0xFF) {
    return NULL;
  }
  switch (extended) {
  case 0x2104: return "offset beyond the end of the tag";
  case 0x2105: return "index out of range";
  case 0x2107: return "data type mismatch";
  default: return NULL;
  }
}

size_t zoltc_logix_cip_status_text(uint8_t general_status, uint16_t extended_status,
                                   char *buffer, size_t size) {
  const char *specific = extended_text(general_status, extended_status);
  const char *general = general_text(general_status);
  int length;
  char *out = buffer;
  if (buffer == NULL) {
    size = 0;
  }
  if (specific != NULL) {
    length = snprintf(out, size, "%s", specific);
  } else if (general == NULL) {
    length = extended_status != 0
                 ? snprintf(out, size, "CIP status 0x%02X (extended 0x%04X)", general_status,
                            extended_status)
                 : snprintf(out, size, "CIP status 0x%02X", general_status);
  } else if (extended_status != 0) {
    length = snprintf(out, size, "%s (extended 0x%04X)", general, extended_status);
  } else {
    length = snprintf(out, size, "%s", general);
  }
  return length > 0 ? (size_t)length : 0;
}
