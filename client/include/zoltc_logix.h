/*
 * zoltc_logix: a client for Logix controllers over EtherNet/IP (unconnected CIP
 * explicit messages on one TCP connection).
 *
 * Index
 *   0. Version and the interface marker
 *   1. Result codes and internal status codes
 *   2. Memory: allocation table, byte buffers, path builder
 *   3. CIP requests and responses, request path segments
 *   4. Client handle: create, connect, disconnect, identity, messaging mode,
 *      single requests
 *   5. Batched requests (Multiple Service Packet)
 *   6. Data types and tag records
 *   7. Tag browsing
 *   8. Tag path text
 *   9. Tag value reading
 *  10. Route paths (a controller behind a communication module)
 *  11. Discovery (ListIdentity over UDP)
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

/* ZOLTC_LOGIX_VERSION_MAJOR, _MINOR, _PATCH, ZOLTC_LOGIX_VERSION ("1.2.3") and
 * ZOLTC_LOGIX_VERSION_NUMBER (10203), generated from the build's version. */
#include "zoltc_logix_version.h"

#ifdef __cplusplus
extern "C" {
#endif

/* ======================================================================== */
/* 0. Version and the interface marker                                       */
/* ======================================================================== */

/* The shared library exports only what carries this mark; everything else in
 * it is hidden from the programs that load it. */
#if defined(__GNUC__) && !defined(_WIN32)
#define ZOLTC_LOGIX_API __attribute__((visibility("default")))
#else
#define ZOLTC_LOGIX_API
#endif

/* The version of the library the program runs with ("1.2.3", static text), which
 * may be newer than the ZOLTC_LOGIX_VERSION it was compiled against. Any thread. */
ZOLTC_LOGIX_API const char *zoltc_logix_version(void);

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
  X(ERR_ROUTE_FAILED, 20, "route failed")                                               \
  X(ERR_ABORTED, 21, "aborted")                                                         \
  X(ERR_NO_CONNECTION, 22, "no connection")

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
  X(ROUTE_FAILED, 16)                                                                   \
  X(ABORTED, 17)                                                                        \
  X(NO_CONNECTION, 18)

enum {
#define ZOLTC_LOGIX_STATUS_ENUM_(name, value) ZOLTC_LOGIX_STATUS_##name = value,
  ZOLTC_LOGIX_STATUS_MAP(ZOLTC_LOGIX_STATUS_ENUM_)
#undef ZOLTC_LOGIX_STATUS_ENUM_
};

/* The result for an internal status: 0-5 map to themselves, 7 -> 6, 8 -> 7,
 * 9 -> 8, 11 -> 10, 15 -> 18, 16 -> 20, 17 -> 21, 18 -> 22; every other value ->
 * ZOLTC_LOGIX_ERR_UNKNOWN. */
ZOLTC_LOGIX_API zoltc_logix_result zoltc_logix_result_from_status(zoltc_logix_status status);

/* A short English name of a result code ("timeout", "CIP status", ...), static
 * text; "unknown result" for a number without a name. For logs and tools. */
ZOLTC_LOGIX_API const char *zoltc_logix_result_name(zoltc_logix_result result);

/* The statuses a controller gave with a refusal. */
typedef struct zoltc_logix_refusal {
  uint8_t general_status;        /* CIP general status; 0 for a refusal of the
                                    encapsulation layer */
  uint16_t extended_status;      /* the first additional status word, 0 when none */
  uint32_t encapsulation_status; /* the encapsulation status of a refused
                                    RegisterSession or SendRRData, else 0 */
} zoltc_logix_refusal;

/* Writes a short English text for a CIP general status and its extended
 * status into `buffer` (NUL-terminated, cut to `size`) and returns its length
 * without the NUL: the CIP general status names ("path segment error", "path
 * destination unknown", "privilege violation", ...), for Read Tag the words
 * engineers use ("tag not found" with 0x04, "index out of range" for 0x05 or
 * 0xFF with extended 0x2105), "CIP status 0x..."
 * for a code without a name, an unknown extended status added as hex. Null
 * buffer or size 0: only the length. Pure; any thread. */
ZOLTC_LOGIX_API size_t zoltc_logix_cip_status_text(uint8_t general_status, uint16_t extended_status,
                                                   char *buffer, size_t size);

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
ZOLTC_LOGIX_API const zoltc_logix_allocator *zoltc_logix_set_allocator(const zoltc_logix_allocator *table);

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
ZOLTC_LOGIX_API void zoltc_logix_buffer_free(zoltc_logix_buffer *buffer);

/* Releases a builder's bytes and zeroes data, length and capacity; null is
 * ignored. (A separate operation from zoltc_logix_buffer_free: a buffer record
 * has no capacity field to zero.) */
ZOLTC_LOGIX_API void zoltc_logix_path_free(zoltc_logix_path *path);

/* Zeroes a builder (does not release anything); null is ignored. */
ZOLTC_LOGIX_API void zoltc_logix_path_init(zoltc_logix_path *path);

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
ZOLTC_LOGIX_API void zoltc_logix_cip_response_free(zoltc_logix_cip_response *response);

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
ZOLTC_LOGIX_API zoltc_logix_status zoltc_logix_path_add_symbol(zoltc_logix_path *path, const char *name);
ZOLTC_LOGIX_API zoltc_logix_status zoltc_logix_path_add_logical(zoltc_logix_path *path, uint8_t type,
                                                                uint32_t value);
ZOLTC_LOGIX_API zoltc_logix_status zoltc_logix_path_add_class(zoltc_logix_path *path, uint32_t value);
ZOLTC_LOGIX_API zoltc_logix_status zoltc_logix_path_add_instance(zoltc_logix_path *path, uint32_t value);
ZOLTC_LOGIX_API zoltc_logix_status zoltc_logix_path_add_element(zoltc_logix_path *path, uint32_t value);

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
ZOLTC_LOGIX_API zoltc_logix_client *zoltc_logix_client_create(void);

/* Closes the session (UnRegisterSession when registered, no reply awaited) and
 * releases the handle with its identity; null is ignored. */
ZOLTC_LOGIX_API void zoltc_logix_client_destroy(zoltc_logix_client *client);

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
 * session handle, a non-zero general status for the identity request); 10
 * RegisterSession refused; 20 a router along the handle's route refused
 * (zoltc_logix_set_route); 21 aborted (zoltc_logix_abort, before or during
 * the call); for 7 and 10 zoltc_logix_get_refusal gives the
 * statuses. A failed connect keeps the product name of an earlier one. Every
 * connect forgets the templates of the previous connection. Blocks the
 * calling thread. */
ZOLTC_LOGIX_API zoltc_logix_result zoltc_logix_connect(zoltc_logix_client *client, const char *host,
                                                       uint16_t port, uint32_t timeout_ms);

/* Sends UnRegisterSession (no reply awaited) and closes the socket; the identity
 * stays, the templates read on the connection are forgotten. Null is ignored.
 * While an abort is in force the UnRegisterSession goes out only if it can
 * without waiting. */
ZOLTC_LOGIX_API void zoltc_logix_disconnect(zoltc_logix_client *client);

/* The statuses of the last refusal an operation on this handle returned (7 or
 * 10: a refused identity request, RegisterSession, symbol page, template or
 * string read), borrowed, all zero before any. Per item refusals of
 * zoltc_logix_read_tags are in the items. Null for a null handle. */
ZOLTC_LOGIX_API const zoltc_logix_refusal *zoltc_logix_get_refusal(const zoltc_logix_client *client);

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
ZOLTC_LOGIX_API const char *zoltc_logix_get_product_name(const zoltc_logix_client *client);

/* The whole identity of the last successful connect (borrowed, owned by the
 * handle); its fields are zero before the first connect. Null for a null handle. */
ZOLTC_LOGIX_API const zoltc_logix_identity *zoltc_logix_get_identity(const zoltc_logix_client *client);

/* How requests travel. Unconnected: each in its own SendRRData, about 500
 * bytes at most (the default: exactly the bytes of earlier releases).
 * Connected: after the identity read, connect opens a class 3 connection to
 * the controller's message router (through the route when one is set; the
 * requests then carry no Unconnected Send): Large Forward Open for 4002-byte
 * packets, else Forward Open at the size the controller offers or 504; every
 * later request goes in SendUnitData with a sequence count, and batched reads
 * fill the whole packet. Auto: connected when a connection can be opened,
 * unconnected otherwise. */
typedef uint8_t zoltc_logix_messaging;
enum {
  ZOLTC_LOGIX_MESSAGING_UNCONNECTED = 0,
  ZOLTC_LOGIX_MESSAGING_AUTO = 1,
  ZOLTC_LOGIX_MESSAGING_CONNECTED = 2
};

/* Chooses the mode of the next connect (the current connection keeps its
 * own). 1 for a null handle or an unknown mode. */
ZOLTC_LOGIX_API zoltc_logix_result zoltc_logix_set_messaging(zoltc_logix_client *client,
                                                             zoltc_logix_messaging mode);

/* What connect negotiated, and what became of it. */
typedef struct zoltc_logix_messaging_state {
  zoltc_logix_messaging requested; /* the mode set for connects */
  zoltc_logix_messaging mode;      /* CONNECTED while a connection is open, else UNCONNECTED */
  uint16_t packet_size;            /* bytes of a message: the connection size, or 504 */
  /* A connection was open and is lost: the controller dropped it and it could
   * not be reopened, so requests go unconnected (in connected-only mode they
   * fail with ZOLTC_LOGIX_ERR_NO_CONNECTION instead). A later request tries to
   * reopen it, after 8 requests, then 16, 32 and every 64 while refused; false
   * again once it is open. */
  bool fell_back;
} zoltc_logix_messaging_state;

/* The handle's messaging state (borrowed; valid until the next call on the
 * handle); null for a null handle. Before the first connect: the requested
 * mode, unconnected, 504. A connection that the controller drops is reopened
 * once, within the call that finds it gone; Forward Close goes out on
 * disconnect, destroy and reconnect, before UnRegisterSession, and its reply is
 * awaited at most 500 ms (a controller silent longer has its session closed). In
 * connected-only mode a connect that can open no connection fails with
 * ZOLTC_LOGIX_ERR_NO_CONNECTION (the refusal in zoltc_logix_get_refusal). */
ZOLTC_LOGIX_API const zoltc_logix_messaging_state *zoltc_logix_get_messaging(const zoltc_logix_client *client);

/* Sends one request to the message router (connected when a connection is
 * open, see zoltc_logix_set_messaging) and fills `response`
 * (release it with zoltc_logix_cip_response_free). Success means a well-formed
 * response to this request's service (reply service = service | 0x80)
 * arrived, whatever its general status: the caller judges `general_status`. Results: 1 null argument or bad request (odd path length,
 * length without pointer); 18 path above 510 bytes or request above 65519
 * bytes (on a connection: above its packet size less 2); 22 connected-only
 * and the connection was lost and could not be reopened; 8 no registered session; 4 timeout; 6 connection lost (the session is
 * closed: later requests give 8); 5 malformed or mismatched reply (a mismatched
 * header closes the session); 7 encapsulation status or another session handle
 * (the session stays); 2 no memory; 21 aborted (the connection is closed). The
 * response is empty after any failure. */
ZOLTC_LOGIX_API zoltc_logix_result zoltc_logix_send_request(zoltc_logix_client *client,
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
ZOLTC_LOGIX_API void zoltc_logix_cip_response_list_free(zoltc_logix_cip_response_list *list);

/* Sends `count` requests packed greedily, in order, into Multiple Service
 * Packets of at most 500 bytes, one exchange each; a packet the controller
 * finds too large to route (0x1A) is sent again as two halves. On success the
 * list holds exactly `count` responses in request order, each with its own
 * general status and a reply service matching its request (else the call
 * fails with 5; release it with zoltc_logix_cip_response_list_free); on
 * failure the list is empty. ZOLTC_LOGIX_ERR_TOO_LARGE when a packet cannot be
 * made small enough (a request above 490 bytes, a single request answered with
 * 0x1A, or any reply too large to route, 0x1B); ZOLTC_LOGIX_ERR_CIP_STATUS for
 * another error status of a whole packet. Null pointers or count 0: 1. */
ZOLTC_LOGIX_API zoltc_logix_result zoltc_logix_send_requests(zoltc_logix_client *client,
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
ZOLTC_LOGIX_API uint8_t zoltc_logix_type_dimensions(uint16_t type);
/* The atomic data type code: the low byte. */
ZOLTC_LOGIX_API uint8_t zoltc_logix_type_atomic_code(uint16_t type);
/* True when bits 15, 14 and 13 are clear: an atomic scalar. */
ZOLTC_LOGIX_API bool zoltc_logix_type_is_atomic(uint16_t type);
/* True for exactly 0x1068 (a program entry of the controller scope). */
ZOLTC_LOGIX_API bool zoltc_logix_type_is_program(uint16_t type);
/* True when bit 15 is set and bit 12 is clear (arrays of structures included). */
ZOLTC_LOGIX_API bool zoltc_logix_type_is_struct(uint16_t type);
/* Bits 0 to 11: the template instance id of a structure. */
ZOLTC_LOGIX_API uint16_t zoltc_logix_type_template_id(uint16_t type);

typedef struct zoltc_logix_tag_info zoltc_logix_tag_info;

/* The structure types of one browse result: every distinct structure type's
 * name and member records, described once and shared by every record of that
 * type (members of members included). Opaque; owned by the top-level list. */
typedef struct zoltc_logix_type_table zoltc_logix_type_table;

/* A browse result: `count` records in `items` (null when empty). A top-level
 * list owns its items, their names and `types`; the member list of a record is
 * shared (it points into the owning list's type table, `types` null there):
 * owned by the top-level list, never released separately. */
typedef struct zoltc_logix_tag_info_list {
  uint32_t count;
  zoltc_logix_tag_info *items;
  zoltc_logix_type_table *types; /* owned by a top-level list; null in member lists */
} zoltc_logix_tag_info_list;

/* One tag or structure member. */
struct zoltc_logix_tag_info {
  uint32_t instance_id;  /* symbol instance id, or member index in its template */
  uint16_t type;         /* type word */
  char *name;            /* a tag's is owned by its list; a member's is shared.
                            Program entries without "Program:" */
  uint32_t dims[3];      /* array dimension sizes; members: only dims[0] */
  const char *type_name; /* shared (the list's type table): template name of a
                            structure record, else null */
  zoltc_logix_tag_info_list members; /* shared (the list's type table): a
                            structure's visible members, nested ones linked */
};

/* True when the record's type_name is exactly "STRING" (byte for byte). */
ZOLTC_LOGIX_API bool zoltc_logix_tag_is_string(const zoltc_logix_tag_info *info);

/* Releases a top-level list: each record's name, the array and the type table
 * its records share; zeroes the list. Null is ignored. Never call it on a
 * record's `members` (shared, released with the top-level list). */
ZOLTC_LOGIX_API void zoltc_logix_tag_info_list_free(zoltc_logix_tag_info_list *list);

/* Releases a top-level record's name and zeroes every field; its type name and
 * members stay with the list's type table. Null is ignored. Never call it on a
 * member record (shared). */
ZOLTC_LOGIX_API void zoltc_logix_tag_info_free(zoltc_logix_tag_info *info);

/* Where an element of a BOOL array lives on the wire: a controller lists a BOOL
 * array with the atomic code 0xD3 and dims[0] counting its 32-bit words (a
 * BOOL[64] as two words), so `Inputs[37]` is bit 5 of the element Inputs[1] the
 * controller serves. */
typedef struct zoltc_logix_bool_element {
  uint32_t element; /* index of the 32-bit word that holds the bit */
  uint8_t bit;      /* bit within that word, 0 to 31 */
} zoltc_logix_bool_element;

/* True when `info` is a one-dimensional BOOL array (atomic code 0xD3 with one
 * dimension) and `index` is below its bit count, 32 x dims[0]; then `*out` gives the
 * word and the bit. False (out zeroed) for any other record or index. */
ZOLTC_LOGIX_API bool zoltc_logix_bool_array_element(const zoltc_logix_tag_info *info, uint32_t index,
                                                    zoltc_logix_bool_element *out);

/* ======================================================================== */
/* 7. Tag browsing                                                           */
/* ======================================================================== */

/* Limits against a hostile controller. ZOLTC_LOGIX_MAX_RECORDS bounds the
 * records of one browse result (its tags plus the members of each distinct
 * structure type, counted once) and the member records a connection's template
 * cache holds: room for 250 000 tags and 2 000 types of up to 375 members. */
#define ZOLTC_LOGIX_MAX_RECORDS 1000000u
#define ZOLTC_LOGIX_MAX_DEPTH 64u

/* Lists the controller-scope tags, structure records linked to their members:
 * each distinct structure type is described once in the list's type table and
 * shared by every record of that type (`types`, released with the list). The
 * list is overwritten without being released first: release an earlier result
 * with zoltc_logix_tag_info_list_free. A null list gives 1 and is left untouched;
 * on any other failure the list is empty. Blocks for one exchange per symbol
 * page and at least two per structure template not yet read on this
 * connection (the handle caches templates across every scope until the next
 * connect or disconnect); fails with 18 beyond ZOLTC_LOGIX_MAX_RECORDS records
 * (tags plus the members of each distinct type) or nesting
 * ZOLTC_LOGIX_MAX_DEPTH deep, 7 when the controller refuses a request
 * (zoltc_logix_get_refusal gives its statuses), 5 for a malformed reply or a
 * structure that contains itself, 19 for a structure member of two or three
 * dimensions. */
ZOLTC_LOGIX_API zoltc_logix_result zoltc_logix_list_tags(zoltc_logix_client *client,
                                                         zoltc_logix_tag_info_list *list);

/* The same for the scope of one program, named without the "Program:" prefix
 * (as its record in the controller-scope list). A null or empty name gives 1,
 * a name above 247 bytes 18, both without sending anything. */
ZOLTC_LOGIX_API zoltc_logix_result zoltc_logix_list_program_tags(zoltc_logix_client *client,
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
ZOLTC_LOGIX_API zoltc_logix_result zoltc_logix_encode_tag_path(const char *text, zoltc_logix_path *path);

/* ======================================================================== */
/* 9. Tag value reading                                                      */
/* ======================================================================== */

/* One item of a batch read. */
typedef struct zoltc_logix_read_item {
  const char *tag_name; /* tag path text, owned by the caller, never kept */
  uint8_t status;       /* zoltc_logix_result of this item */
  uint16_t type;        /* type word the controller sent, 0 when none; 0xC1 for
                           a bit of a BOOL array */
  uint8_t value[8];     /* value, little-endian from value[0]; zero beyond its width */
  /* In: the path's last index is a bit number of a one-dimensional BOOL array
   * (the caller knows it from the record: zoltc_logix_bool_array_element).
   * The library reads the 32-bit word that holds the bit and yields the bit
   * as a BOOL; 15 when the controller answers with another type than 0xD3. */
  bool bool_bit;
  uint8_t general_status;   /* out: the controller's CIP general status, 0 when none */
  uint16_t extended_status; /* out: its first additional status word, 0 when none */
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
ZOLTC_LOGIX_API zoltc_logix_result zoltc_logix_read_tags(zoltc_logix_client *client,
                                                         zoltc_logix_read_item *items, uint32_t count);

/* Reads the text of a "STRING" structure tag with fragmented reads into `buffer`
 * (NUL-terminated) and its character count into `*length`, stopping as soon as
 * the counted characters are in. On failure the buffer holds the empty text;
 * `*length` holds the count when the controller sent it (always for
 * ZOLTC_LOGIX_ERR_BUFFER_TOO_SMALL, given when count >= buffer_size). 15 when
 * the tag is not a structure, 7 when the controller refuses the read, 5 for a
 * count above 65535 or fragments that do not add up. Null client, tag name,
 * buffer or length, or buffer_size 0: 1, nothing written. */
ZOLTC_LOGIX_API zoltc_logix_result zoltc_logix_read_string(zoltc_logix_client *client, const char *tag_name,
                                                           char *buffer, uint32_t buffer_size,
                                                           uint32_t *length);

/* ======================================================================== */
/* 10. Route paths                                                           */
/* ======================================================================== */

/* A controller in a chassis slot is reached through the communication module
 * that owns the address: each request then travels inside an Unconnected Send
 * (service 0x52 to the Connection Manager, class 6 instance 1) along a route
 * path of CIP port segments. Handles without a route send exactly what they
 * sent before routes existed. */

/* Longest encoded route path, in bytes. */
#define ZOLTC_LOGIX_MAX_ROUTE_LENGTH 128u

/* Encodes a route path text: "port,link" pairs separated by commas, such as
 * "1,0" (backplane port 1, slot 0) or "1,0,2,10.0.0.7,1,2". A port is 1 to
 * 65535 (above 14 in the extended port form); a link is 0 to 255, or an IPv4
 * address, written as text in the extended link address form padded to an
 * even length. Spaces around items are ignored; an empty text gives an empty
 * path. `out` is cleared first (release it with zoltc_logix_buffer_free) and
 * is empty on failure. `message` (may be null) receives a sentence naming what
 * is wrong ("item 2 is empty"), or the empty text on success. Results: 1 null
 * text or out, or a malformed text; 18 a path above
 * ZOLTC_LOGIX_MAX_ROUTE_LENGTH bytes; 2 no memory. Pure. */
ZOLTC_LOGIX_API zoltc_logix_result zoltc_logix_parse_route(const char *text, zoltc_logix_buffer *out,
                                                           char *message, size_t message_size);

/* Sets the route every later request of the handle travels along, the
 * identity request of the next connect included. Null or empty text: requests
 * go to the device at the address, as without a route. A connected handle
 * stays connected. On failure the handle keeps its route; results and message
 * as zoltc_logix_parse_route; a null handle gives 1. */
ZOLTC_LOGIX_API zoltc_logix_result zoltc_logix_set_route(zoltc_logix_client *client, const char *text,
                                                         char *message, size_t message_size);

/* What a router along the route answered instead of forwarding a request
 * (reply service 0xD2): any operation then returns ZOLTC_LOGIX_ERR_ROUTE_FAILED
 * and the session stays open. */
typedef struct zoltc_logix_route_failure {
  uint8_t general_status;   /* 0x01 for the routing errors below */
  uint16_t extended_status; /* 0x0204 timed out, 0x0311 no such port, 0x0312 no such
                               link, 0x0315 bad segment, ...; 0 when none */
  bool has_remaining;       /* the reply said how much of the route was left */
  uint8_t remaining_words;  /* route words left at the router that gave up */
} zoltc_logix_route_failure;

/* The failure of the last request that returned ZOLTC_LOGIX_ERR_ROUTE_FAILED
 * (borrowed, zero before any); null for a null handle. */
ZOLTC_LOGIX_API const zoltc_logix_route_failure *zoltc_logix_get_route_failure(const zoltc_logix_client *client);

/* A sentence for a person about that failure, against the handle's route:
 * "no module answers at slot 3", "there is no port 5 at hop 1". Written
 * NUL-terminated into `buffer` (cut to `size`); nothing for a null buffer or
 * size 0. */
ZOLTC_LOGIX_API void zoltc_logix_describe_route_failure(const zoltc_logix_client *client, char *buffer,
                                                        size_t size);

/* ======================================================================== */
/* 11. Discovery                                                             */
/* ======================================================================== */

/* Most devices one discovery keeps; further replies are skipped. */
#define ZOLTC_LOGIX_MAX_DEVICES 1024u

/* One ListIdentity reply. Addresses are IPv4 in host byte order. */
typedef struct zoltc_logix_device {
  uint32_t sender_ipv4;          /* where the reply came from */
  uint16_t sender_port;
  uint32_t ipv4;                 /* the socket address the device reports */
  uint16_t port;
  zoltc_logix_identity identity; /* product_name owned */
  uint8_t state;                 /* 0xFF when the reply carried none */
} zoltc_logix_device;

typedef struct zoltc_logix_device_list {
  zoltc_logix_device *devices; /* owned array, in order of arrival */
  uint32_t count;
  uint32_t skipped; /* replies that were malformed, not ours, or beyond the limit */
} zoltc_logix_device_list;

/* Releases every device and the array and zeroes the list; null is ignored. */
ZOLTC_LOGIX_API void zoltc_logix_device_list_free(zoltc_logix_device_list *list);

/* Sends ListIdentity (encapsulation command 0x63) in one UDP datagram to
 * host:port (a name or IPv4 text; 44818 is the usual port) and collects the
 * replies that arrive within window_ms. With `broadcast` the datagram goes to a
 * broadcast address and every reply of the window is kept; without it the
 * first valid reply ends the wait. The list is cleared first; on failure it is
 * empty. No reply is not a failure: the list is then empty. Results: 1 null
 * host or list, empty host, port 0; 3 the host did not resolve to IPv4; 6 the
 * datagram could not be sent or received (a broadcast without permission); 2
 * no memory. Blocks for at most the window. */
ZOLTC_LOGIX_API zoltc_logix_result zoltc_logix_discover(const char *host, uint16_t port, bool broadcast,
                                                        uint32_t window_ms, zoltc_logix_device_list *list);

#ifdef __cplusplus
}
#endif

#endif /* ZOLTC_LOGIX_H */
