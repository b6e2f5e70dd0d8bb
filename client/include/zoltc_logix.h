/*
 * zoltc_logix: a client for Logix controllers over EtherNet/IP (unconnected CIP
 * explicit messages on one TCP connection).
 *
 * Index
 *   1. Result codes and internal status codes
 *   2. Memory: allocation table, byte buffers, path builder
 *   3. CIP requests and responses, request path segments
 *   4. Client handle: create, connect, disconnect, identity, single requests
 *   5. Batched requests (Multiple Service Packet)
 *   6. Data types and tag records
 *   7. Tag browsing
 *   8. Tag path text
 *   9. Tag value reading
 *
 * Conventions
 *   - Integers on the wire are little-endian. The library never throws, never
 *     aborts the process and takes no locks: a handle may be used from any
 *     thread, but never by two threads at once. The one exception is
 *     zoltc_logix_abort, which another thread may call while the handle is in use.
 *   - Every operation that fills an output clears it first and leaves it empty on
 *     failure. Every release operation accepts null and zeroes what it released.
 *   - Everything the library hands out is released only with the library's own
 *     release operations (never with the caller's allocator).
 */
#ifndef ZOLTC_LOGIX_H
#define ZOLTC_LOGIX_H

#include <stdbool.h>
#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* ======================================================================== */
/* 1. Result codes and internal status codes                                 */
/* ======================================================================== */

/* Public result of every operation that can fail; 0 is success. Numbers never
 * change. No operation returns 11 to 14. */
typedef uint8_t zoltc_logix_result;

#define ZOLTC_LOGIX_RESULT_MAP(X)                                                       \
  X(OK, 0, "ok")                                                                        \
  X(ERR_INVALID_ARGUMENT, 1, "invalid argument")                                        \
  X(ERR_NO_MEMORY, 2, "out of memory")                                                  \
  X(ERR_CONNECT_FAILED, 3, "connect failed")                                            \
  X(ERR_TIMEOUT, 4, "timeout")                                                          \
  X(ERR_BAD_REPLY, 5, "bad reply")                                                      \
  X(ERR_CONNECTION_LOST, 6, "connection lost")                                          \
  X(ERR_CIP_STATUS, 7, "CIP status")                                                    \
  X(ERR_NOT_CONNECTED, 8, "not connected")                                              \
  X(ERR_UNKNOWN, 9, "unknown")                                                          \
  X(ERR_SESSION_REFUSED, 10, "session refused")                                         \
  X(ERR_TYPE_MISMATCH, 15, "type mismatch")                                             \
  X(ERR_UNSUPPORTED_TYPE, 16, "unsupported type")                                       \
  X(ERR_BUFFER_TOO_SMALL, 17, "buffer too small")                                       \
  X(ERR_TOO_LARGE, 18, "too large")                                                     \
  X(ERR_UNSUPPORTED, 19, "unsupported")                                                 \
  X(ERR_ABORTED, 20, "aborted")

enum {
#define ZOLTC_LOGIX_RESULT_ENUM_(name, value, text) ZOLTC_LOGIX_##name = value,
  ZOLTC_LOGIX_RESULT_MAP(ZOLTC_LOGIX_RESULT_ENUM_)
#undef ZOLTC_LOGIX_RESULT_ENUM_
};

/* Internal status passed between the session, messaging, buffer and path layers.
 * Converted with zoltc_logix_result_from_status at every public entry point. */
typedef uint8_t zoltc_logix_status;

#define ZOLTC_LOGIX_STATUS_MAP(X)                                                       \
  X(OK, 0)                                                                              \
  X(INVALID_ARGUMENT, 1)                                                                \
  X(NO_MEMORY, 2)                                                                       \
  X(CONNECT_FAILED, 3)                                                                  \
  X(TIMEOUT, 4)                                                                         \
  X(BAD_REPLY, 5)                                                                       \
  X(IO_FAILED, 7)                                                                       \
  X(REJECTED, 8)                                                                        \
  X(NOT_CONNECTED, 9)                                                                   \
  X(SESSION_REFUSED, 11)                                                                \
  X(TOO_LARGE, 15)                                                                      \
  X(ABORTED, 16)

enum {
#define ZOLTC_LOGIX_STATUS_ENUM_(name, value) ZOLTC_LOGIX_STATUS_##name = value,
  ZOLTC_LOGIX_STATUS_MAP(ZOLTC_LOGIX_STATUS_ENUM_)
#undef ZOLTC_LOGIX_STATUS_ENUM_
};

/* The result for an internal status: 0-5 map to themselves, 7 -> 6, 8 -> 7,
 * 9 -> 8, 11 -> 10, 15 -> 18, 16 -> 20; every other value -> ZOLTC_LOGIX_ERR_UNKNOWN. */
zoltc_logix_result zoltc_logix_result_from_status(zoltc_logix_status status);

/* A short English name of a result code ("timeout", "CIP status", ...), static
 * text; "unknown result" for a number without a name. For logs and tools. */
const char *zoltc_logix_result_name(zoltc_logix_result result);

/* ======================================================================== */
/* 2. Memory                                                                */
/* ======================================================================== */

/* The allocation table through which every byte of the library is allocated. */
typedef struct zoltc_logix_allocator {
  void *(*alloc)(void *user_data, size_t size);
  void *(*realloc)(void *user_data, void *block, size_t size);
  void (*free)(void *user_data, void *block);
  void *user_data;
} zoltc_logix_allocator;

/* Installs `table` as the current allocation table and returns the previous one.
 * Null restores the default (malloc/realloc/free) table. Not thread-safe: call it
 * before any other thread uses the library, and only while nothing allocated
 * through the old table is still alive (tests and embedders only). */
const zoltc_logix_allocator *zoltc_logix_set_allocator(const zoltc_logix_allocator *table);

/* Owned bytes, allocated through the current table. A zeroed record is empty. */
typedef struct zoltc_logix_buffer {
  uint8_t *data;
  uint32_t length;
} zoltc_logix_buffer;

/* Growable request-path builder. A zeroed record is an empty builder. */
typedef struct zoltc_logix_path {
  uint8_t *data;
  uint32_t length;   /* bytes in use */
  uint32_t capacity; /* bytes allocated */
} zoltc_logix_path;

/* Releases `buffer->data` and zeroes data and length; null is ignored, and a
 * zeroed or already released buffer is harmless. */
void zoltc_logix_buffer_free(zoltc_logix_buffer *buffer);

/* Releases a builder's bytes and zeroes data, length and capacity; null is
 * ignored. (A separate operation from zoltc_logix_buffer_free: a buffer record
 * has no capacity field to zero.) */
void zoltc_logix_path_free(zoltc_logix_path *path);

/* Zeroes a builder (does not release anything); null is ignored. */
void zoltc_logix_path_init(zoltc_logix_path *path);

/* ======================================================================== */
/* 3. CIP requests, responses and request path segments                      */
/* ======================================================================== */

/* One message-router request. The bytes it points to stay the caller's. */
typedef struct zoltc_logix_cip_request {
  uint8_t service;
  const uint8_t *path;  /* encoded request path segments */
  uint32_t path_length; /* even, at most 510 */
  const uint8_t *data;  /* service data */
  uint32_t data_length;
} zoltc_logix_cip_request;

/* One decoded message-router response; release with zoltc_logix_cip_response_free. */
typedef struct zoltc_logix_cip_response {
  uint8_t service;                      /* reply service as received (request | 0x80) */
  uint8_t reserved;                     /* the reply's second byte */
  uint8_t general_status;               /* CIP general status, 0 = success */
  zoltc_logix_buffer additional_status; /* raw additional status words */
  zoltc_logix_buffer data;              /* response data */
} zoltc_logix_cip_response;

/* Releases both buffers and zeroes the record; null is ignored, and releasing
 * twice is harmless. */
void zoltc_logix_cip_response_free(zoltc_logix_cip_response *response);

/* Logical segment types. */
enum {
  ZOLTC_LOGIX_SEGMENT_CLASS = 0x20,
  ZOLTC_LOGIX_SEGMENT_INSTANCE = 0x24,
  ZOLTC_LOGIX_SEGMENT_ELEMENT = 0x28
};

/* Path segment writers. Each appends to the builder only on success and returns
 * a status: 1 invalid argument (null builder, null or empty name, a length beyond
 * 32 bits), 2 no memory, 15 too large (symbol above 255 bytes). A symbol takes
 * 0x91, its length, its bytes and a pad byte after an odd length; a logical
 * segment takes 2, 4 or 6 bytes by its value (up to 255, 65535, above). On
 * failure the builder keeps its earlier contents. Pure: nothing is sent. */
zoltc_logix_status zoltc_logix_path_add_symbol(zoltc_logix_path *path, const char *name);
zoltc_logix_status zoltc_logix_path_add_logical(zoltc_logix_path *path, uint8_t type,
                                                uint32_t value);
zoltc_logix_status zoltc_logix_path_add_class(zoltc_logix_path *path, uint32_t value);
zoltc_logix_status zoltc_logix_path_add_instance(zoltc_logix_path *path, uint32_t value);
zoltc_logix_status zoltc_logix_path_add_element(zoltc_logix_path *path, uint32_t value);

/* ======================================================================== */
/* 4. Client handle                                                          */
/* ======================================================================== */

/* The controller's identity as read at the last successful connect. */
typedef struct zoltc_logix_identity {
  uint16_t vendor_id;
  uint16_t device_type;
  uint16_t product_code;
  uint8_t revision_major;
  uint8_t revision_minor;
  uint16_t status;
  uint32_t serial_number;
  char *product_name; /* owned; null until the first successful connect */
} zoltc_logix_identity;

/* Opaque handle of one controller connection. */
typedef struct zoltc_logix_client zoltc_logix_client;

/* A new unconnected handle, or null when memory or descriptors run out (each
 * handle keeps a descriptor pair for zoltc_logix_abort). Nothing is sent.
 * Release it with zoltc_logix_client_destroy. */
zoltc_logix_client *zoltc_logix_client_create(void);

/* Closes the session (UnRegisterSession when registered, no reply awaited) and
 * releases the handle with its identity; null is ignored. */
void zoltc_logix_client_destroy(zoltc_logix_client *client);

/* Connects: TCP (within timeout_ms per address), RegisterSession, then reads the
 * controller's identity (within timeout_ms per exchange). All or nothing: on
 * failure the handle is left closed. An existing session is first unregistered
 * and closed (except when the arguments are invalid: then it stays as it was).
 * The timeout bounds every later exchange on this connection as a whole
 * (sending the request and receiving the whole reply), however the controller
 * paces its bytes. Results: 0; 1 null handle or host, empty host, port 0; 2 no
 * memory (or no socket layer); 3 the host did not resolve or no address
 * accepted; 4 the time ran out; 5 a malformed or mismatched reply; 6 the
 * connection was lost; 7 the controller refused (encapsulation status, another
 * session handle); 10 RegisterSession refused; 20 aborted (zoltc_logix_abort,
 * before or during the call). A failed connect keeps the product name of an
 * earlier one. Blocks the calling thread. */
zoltc_logix_result zoltc_logix_connect(zoltc_logix_client *client, const char *host,
                                       uint16_t port, uint32_t timeout_ms);

/* Sends UnRegisterSession (no reply awaited) and closes the socket; the identity
 * stays. Null is ignored. While an abort is in force the UnRegisterSession goes
 * out only if it can without waiting. */
void zoltc_logix_disconnect(zoltc_logix_client *client);

/* Aborts blocking calls: the call running on the handle now, if any, returns
 * ZOLTC_LOGIX_ERR_ABORTED promptly (within milliseconds, whatever it waits
 * for: connect, send or receive), and so does every later call that would
 * talk to the controller, until zoltc_logix_abort_clear. An exchange that
 * is cut closes the connection (its stream is no longer at a packet boundary);
 * a call that finds the abort in force between exchanges closes the session
 * first, politely. Later requests then give ZOLTC_LOGIX_ERR_NOT_CONNECTED or
 * ZOLTC_LOGIX_ERR_ABORTED. Calls that do not talk to the controller (getters,
 * disconnect, destroy) are not affected.
 * Thread: the one call that may come from any thread while another thread uses
 * the handle, at any time between create and destroy, any number of times;
 * never concurrently with or after zoltc_logix_client_destroy. Takes no lock
 * and never blocks. Null is ignored. */
void zoltc_logix_abort(zoltc_logix_client *client);

/* Ends an abort, so that the next connect works. Call it from the thread that
 * uses the handle, between calls. The abort stays in force until then, so a
 * cancel that comes before the call it means to cancel is not lost: a caller
 * that numbers its requests clears the abort first, then checks that the
 * request is still wanted, then calls (an abort after the check is seen by the
 * call). Null is ignored. */
void zoltc_logix_abort_clear(zoltc_logix_client *client);

/* True while an abort is in force; false for null. Any thread. */
bool zoltc_logix_is_aborted(const zoltc_logix_client *client);

/* The product name of the last successful connect (borrowed), or null before the
 * first one (and for a null handle). Valid until the next successful connect or
 * destroy; disconnects keep it. */
const char *zoltc_logix_get_product_name(const zoltc_logix_client *client);

/* The whole identity of the last successful connect (borrowed, owned by the
 * handle); its fields are zero before the first connect. Null for a null handle. */
const zoltc_logix_identity *zoltc_logix_get_identity(const zoltc_logix_client *client);

/* Sends one request unconnected to the message router and fills `response`
 * (release it with zoltc_logix_cip_response_free). Success means a well-formed
 * response arrived, whatever its general status: the caller judges
 * `general_status`. Results: 1 null argument or bad request (odd path length,
 * length without pointer); 18 path above 510 bytes or request above 65519
 * bytes; 8 no registered session; 4 timeout; 6 connection lost (the session is
 * closed: later requests give 8); 5 malformed or mismatched reply (a mismatched
 * header closes the session); 7 encapsulation status or another session handle
 * (the session stays); 2 no memory; 20 aborted (the connection is closed). The
 * response is empty after any failure. */
zoltc_logix_result zoltc_logix_send_request(zoltc_logix_client *client,
                                            const zoltc_logix_cip_request *request,
                                            zoltc_logix_cip_response *response);

/* ======================================================================== */
/* 5. Batched requests                                                       */
/* ======================================================================== */

typedef struct zoltc_logix_cip_response_list {
  zoltc_logix_cip_response *responses; /* owned array */
  uint32_t count;
} zoltc_logix_cip_response_list;

/* Releases each response, then the array, and zeroes the list; null is ignored. */
void zoltc_logix_cip_response_list_free(zoltc_logix_cip_response_list *list);

/* Sends `count` requests packed greedily, in order, into Multiple Service
 * Packets of at most 500 bytes, one exchange each; a packet the controller
 * finds too large to route (0x1A) is sent again as two halves. On success the
 * list holds exactly `count` responses in request order, each with its own
 * general status (release it with zoltc_logix_cip_response_list_free); on
 * failure the list is empty. ZOLTC_LOGIX_ERR_TOO_LARGE when a packet cannot be
 * made small enough (a request above 490 bytes, a single request answered with
 * 0x1A, or any reply too large to route, 0x1B); ZOLTC_LOGIX_ERR_CIP_STATUS for
 * another error status of a whole packet. Null pointers or count 0: 1. */
zoltc_logix_result zoltc_logix_send_requests(zoltc_logix_client *client,
                                             const zoltc_logix_cip_request *requests,
                                             uint32_t count,
                                             zoltc_logix_cip_response_list *responses);

/* ======================================================================== */
/* 6. Data types and tag records                                             */
/* ======================================================================== */

/* Type word bits. */
#define ZOLTC_LOGIX_TYPE_STRUCT 0x8000u
#define ZOLTC_LOGIX_TYPE_DIMS_MASK 0x6000u
#define ZOLTC_LOGIX_TYPE_SYSTEM 0x1000u
#define ZOLTC_LOGIX_TYPE_TEMPLATE_MASK 0x0FFFu
#define ZOLTC_LOGIX_TYPE_PROGRAM 0x1068u

/* Atomic data type codes. */
enum {
  ZOLTC_LOGIX_TYPE_BOOL = 0xC1,
  ZOLTC_LOGIX_TYPE_SINT = 0xC2,
  ZOLTC_LOGIX_TYPE_INT = 0xC3,
  ZOLTC_LOGIX_TYPE_DINT = 0xC4,
  ZOLTC_LOGIX_TYPE_LINT = 0xC5,
  ZOLTC_LOGIX_TYPE_USINT = 0xC6,
  ZOLTC_LOGIX_TYPE_UINT = 0xC7,
  ZOLTC_LOGIX_TYPE_UDINT = 0xC8,
  ZOLTC_LOGIX_TYPE_ULINT = 0xC9,
  ZOLTC_LOGIX_TYPE_REAL = 0xCA,
  ZOLTC_LOGIX_TYPE_LREAL = 0xCB,
  ZOLTC_LOGIX_TYPE_BYTE = 0xD1,
  ZOLTC_LOGIX_TYPE_WORD = 0xD2,
  ZOLTC_LOGIX_TYPE_DWORD = 0xD3,
  ZOLTC_LOGIX_TYPE_LWORD = 0xD4
};

/* Number of array dimensions, 0 to 3 (bits 13 and 14). */
uint8_t zoltc_logix_type_dimensions(uint16_t type);
/* The atomic data type code: the low byte. */
uint8_t zoltc_logix_type_atomic_code(uint16_t type);
/* True when bits 15, 14 and 13 are clear: an atomic scalar. */
bool zoltc_logix_type_is_atomic(uint16_t type);
/* True for exactly 0x1068 (a program entry of the controller scope). */
bool zoltc_logix_type_is_program(uint16_t type);
/* True when bit 15 is set and bit 12 is clear (arrays of structures included). */
bool zoltc_logix_type_is_struct(uint16_t type);
/* Bits 0 to 11: the template instance id of a structure. */
uint16_t zoltc_logix_type_template_id(uint16_t type);

typedef struct zoltc_logix_tag_info zoltc_logix_tag_info;

/* A browse result: `count` records in `items` (null when empty), owned. */
typedef struct zoltc_logix_tag_info_list {
  uint32_t count;
  zoltc_logix_tag_info *items;
} zoltc_logix_tag_info_list;

/* One tag or structure member. */
struct zoltc_logix_tag_info {
  uint32_t instance_id;  /* symbol instance id, or member index in its template */
  uint16_t type;         /* type word */
  char *name;            /* owned; program entries without "Program:" */
  uint32_t dims[3];      /* array dimension sizes; members: only dims[0] */
  char *type_name;       /* owned template name of a structure record, else null */
  zoltc_logix_tag_info_list members; /* a structure's visible members, expanded */
};

/* True when the record's type_name is exactly "STRING" (byte for byte). */
bool zoltc_logix_tag_is_string(const zoltc_logix_tag_info *info);

/* Releases every record (recursively), then the array; zeroes the list. Null is
 * ignored. */
void zoltc_logix_tag_info_list_free(zoltc_logix_tag_info_list *list);

/* Releases the record's members, name and type_name and zeroes every field.
 * Null is ignored. */
void zoltc_logix_tag_info_free(zoltc_logix_tag_info *info);

/* ======================================================================== */
/* 7. Tag browsing                                                           */
/* ======================================================================== */

/* Limits of one browse. */
#define ZOLTC_LOGIX_MAX_RECORDS 100000u
#define ZOLTC_LOGIX_MAX_DEPTH 64u

/* Lists the controller-scope tags, structures expanded into their members. The
 * list is overwritten without being released first: release an earlier result
 * with zoltc_logix_tag_info_list_free. A null list gives 1 and is left untouched;
 * on any other failure the list is empty. Blocks for one exchange per symbol
 * page and at least two per structure template (each read once per call);
 * fails with 18 beyond ZOLTC_LOGIX_MAX_RECORDS records or nesting
 * ZOLTC_LOGIX_MAX_DEPTH deep, 7 when the controller refuses a request, 5 for a
 * malformed reply or a structure that contains itself, 19 for a structure
 * member of two or three dimensions. */
zoltc_logix_result zoltc_logix_list_tags(zoltc_logix_client *client,
                                         zoltc_logix_tag_info_list *list);

/* The same for the scope of one program, named without the "Program:" prefix
 * (as its record in the controller-scope list). A null or empty name gives 1,
 * a name above 247 bytes 18, both without sending anything. */
zoltc_logix_result zoltc_logix_list_program_tags(zoltc_logix_client *client,
                                                 zoltc_logix_tag_info_list *list,
                                                 const char *program_name);

/* ======================================================================== */
/* 8. Tag path text                                                          */
/* ======================================================================== */

/* Encodes a tag path text ("Tank.Level", "Data[3]", "a[1,2].b") into request path
 * segments: one symbolic segment per name, one element segment per index. The
 * builder (zeroed, or holding an earlier path whose bytes are reused) is set
 * empty first; release it with zoltc_logix_path_free in every case (on failure
 * it may hold the segments of earlier components). Results: 1 for a null
 * argument or a malformed text, 18 for a name above 255 bytes, 2 no memory.
 * Pure: sends nothing. */
zoltc_logix_result zoltc_logix_encode_tag_path(const char *text, zoltc_logix_path *path);

/* ======================================================================== */
/* 9. Tag value reading                                                      */
/* ======================================================================== */

/* One item of a batch read. */
typedef struct zoltc_logix_read_item {
  const char *tag_name; /* tag path text, owned by the caller, never kept */
  uint8_t status;       /* zoltc_logix_result of this item */
  uint16_t type;        /* type word the controller sent, 0 when none */
  uint8_t value[8];     /* value, little-endian from value[0]; zero beyond its width */
} zoltc_logix_read_item;

/* Reads atomic values in batches of 30 Read Tag requests, packed into Multiple
 * Service Packets (a batch the controller finds too large is halved, down to
 * single requests). Every item gets a status once the work arrays are
 * allocated: its value (OK), its own failure (a refused path text, or 18 for a
 * path above 510 bytes, none of which is sent; 7 refused by the controller; 5
 * short data; 16 a type the decoder does not handle), or the failure of its
 * batch. The result is OK when every batch could be exchanged, else the
 * result of the first batch that could not; items of later batches get it too,
 * earlier ones keep their outcomes. Null client or items, or count 0: 1, items
 * untouched; 2 when the work arrays cannot be allocated, items untouched. The
 * caller keeps the items and their texts; nothing is retained. */
zoltc_logix_result zoltc_logix_read_tags(zoltc_logix_client *client,
                                         zoltc_logix_read_item *items, uint32_t count);

/* Reads the text of a "STRING" structure tag with fragmented reads into `buffer`
 * (NUL-terminated) and its character count into `*length`, stopping as soon as
 * the counted characters are in. On failure the buffer holds the empty text;
 * `*length` holds the count when the controller sent it (always for
 * ZOLTC_LOGIX_ERR_BUFFER_TOO_SMALL, given when count >= buffer_size). 15 when
 * the tag is not a structure, 7 when the controller refuses the read, 5 for a
 * count above 65535 or fragments that do not add up. Null client, tag name,
 * buffer or length, or buffer_size 0: 1, nothing written. */
zoltc_logix_result zoltc_logix_read_string(zoltc_logix_client *client, const char *tag_name,
                                           char *buffer, uint32_t buffer_size,
                                           uint32_t *length);

#ifdef __cplusplus
}
#endif

#endif /* ZOLTC_LOGIX_H */
