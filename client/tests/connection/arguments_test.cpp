// Every entry point's argument checks in one table: each row makes one call with one bad
// argument and names the code it must give. Release functions accept null.
#include <gtest/gtest.h>

#include <functional>

#include "alloc.h"
extern "C" {
#include "batch.h"  // without C++ guards
}
#include "browse.h"
#include "bytes.hpp"
#include "cip.h"
#include "discover.h"
#include "identity.h"
#include "route.h"
#include "session.h"
#include "template.h"
#include "transport.h"

namespace {

using quillon::testing::Bytes;

// What the calls work on: a handle that never connected, a closed socket and session, outputs.
struct Objects {
  zoltc_logix_client* client = zoltc_logix_client_create();
  zoltc_logix_socket* socket = zoltc_logix_socket_create();
  zoltc_logix_session* session = zoltc_logix_session_create();
  zoltc_logix_cip_request request{0x01, nullptr, 0, nullptr, 0};
  zoltc_logix_cip_response response{};
  zoltc_logix_cip_response_list responses{};
  zoltc_logix_tag_info_list list{};
  zoltc_logix_device_list devices{};
  zoltc_logix_read_item items[2] = {{"A", 0xEE, 0, {}, false, 0, 0}, {"B", 0xEE, 0, {}, false, 0, 0}};
  zoltc_logix_path path{};
  zoltc_logix_buffer buffer{};
  zoltc_logix_identity identity{};
  zoltc_logix_browse_state state{};
  zoltc_logix_template entry{};
  zoltc_logix_route route{};
  Bytes bytes = Bytes(64, 0);
  char text[96] = "Z";
  uint32_t size = 7;
  uint16_t members = 0;
  ~Objects() {
    zoltc_logix_client_destroy(client);
    zoltc_logix_socket_close(socket);
    zoltc_logix_session_free(session);
    zoltc_logix_path_free(&path);
    zoltc_logix_buffer_free(&buffer);
    zoltc_logix_tag_info_list_free(&state.list);
  }
};

struct Row { const char* label; std::function<int(Objects&)> call; int expected; };

class Arguments : public ::testing::TestWithParam<Row> {};

TEST_P(Arguments, AreRefusedWithTheirCode) {
  Objects o;
  EXPECT_EQ(GetParam().call(o), GetParam().expected);
  // Outputs are cleared, never left stale.
  EXPECT_EQ(std::tuple(o.list.items, o.responses.count, o.buffer.length), std::tuple(nullptr, 0u, 0u));
}

// One call with `o` the test's objects, and the code it must give.
#define ROW(label, call, expected) Row{#label, []([[maybe_unused]] Objects& o) { return static_cast<int>(call); }, expected}

constexpr int kInvalid = ZOLTC_LOGIX_ERR_INVALID_ARGUMENT;  // the same value as the status and the I/O code
constexpr int kClosed = ZOLTC_LOGIX_IO_CLOSED;
zoltc_logix_tag_info stale{};

INSTANTIATE_TEST_SUITE_P(
    Calls, Arguments,
    ::testing::Values(
        ROW(ConnectNullHost, zoltc_logix_connect(o.client, nullptr, 1, 100), kInvalid),
        ROW(RequestNullRequest, zoltc_logix_send_request(o.client, nullptr, &o.response), kInvalid),
        ROW(RequestNotConnected, zoltc_logix_send_request(o.client, &o.request, &o.response), ZOLTC_LOGIX_ERR_NOT_CONNECTED),
        ROW(RequestsNullClient, (o.responses.count = 7, zoltc_logix_send_requests(nullptr, &o.request, 1, &o.responses)), kInvalid),
        ROW(RequestsNotConnected, zoltc_logix_send_requests(o.client, &o.request, 1, &o.responses), ZOLTC_LOGIX_ERR_NOT_CONNECTED),
        ROW(ListTagsNullClient, (o.list = {7, &stale, nullptr}, zoltc_logix_list_tags(nullptr, &o.list)), kInvalid),
        ROW(ListTagsNullList, zoltc_logix_list_tags(o.client, nullptr), kInvalid),
        ROW(ListTagsNotConnected, zoltc_logix_list_tags(o.client, &o.list), ZOLTC_LOGIX_ERR_NOT_CONNECTED),
        ROW(ProgramEmpty, (o.list = {7, &stale, nullptr}, zoltc_logix_list_program_tags(o.client, &o.list, "")), kInvalid),
        ROW(ProgramNullList, zoltc_logix_list_program_tags(o.client, nullptr, "P"), kInvalid),
        ROW(ReadNullClient, zoltc_logix_read_tags(nullptr, o.items, 2) + o.items[0].status, kInvalid + 0xEE),
        // Before any connect every item carries the batch's result.
        ROW(ReadNotConnected, zoltc_logix_read_tags(o.client, o.items, 2) + 256 * o.items[1].status, ZOLTC_LOGIX_ERR_NOT_CONNECTED * 257),
        ROW(StringNullClient, zoltc_logix_read_string(nullptr, "A", o.text, 96, &o.size) + o.text[0] + o.size, kInvalid + 'Z' + 7),
        ROW(StringNotConnected, zoltc_logix_read_string(o.client, "A", o.text, 96, &o.size) + o.text[0] + o.size, ZOLTC_LOGIX_ERR_NOT_CONNECTED),
        // The builder is set empty even then.
        ROW(TagPathNullText, (zoltc_logix_path_add_class(&o.path, 1), zoltc_logix_encode_tag_path(nullptr, &o.path) + o.path.length), kInvalid),
        ROW(RouteNullClient, zoltc_logix_set_route(nullptr, "1,0", nullptr, 0), kInvalid),
        ROW(DiscoverEmptyHost, zoltc_logix_discover("", 1, false, 100, &o.devices), kInvalid),
        ROW(SymbolNullName, zoltc_logix_path_add_symbol(&o.path, nullptr) + o.path.length, kInvalid),
        ROW(LogicalNullPath, zoltc_logix_path_add_logical(nullptr, 0x20, 1), kInvalid),
        ROW(ReserveNullPath, zoltc_logix_path_reserve(nullptr, 1), kInvalid),
        ROW(EncodeNullOutput, zoltc_logix_cip_encode_request(&o.request, nullptr), kInvalid),
        ROW(EncodeNullPath, (o.request.path_length = 2, zoltc_logix_cip_encode_request(&o.request, &o.buffer)), kInvalid),
        // A total beyond 32 bits is refused before anything is allocated or read.
        ROW(EncodeBeyond32Bits, (o.request = {0x01, o.bytes.data(), 2, o.bytes.data(), 0xFFFFFFFFu}, zoltc_logix_cip_encode_request(&o.request, &o.buffer)),
            ZOLTC_LOGIX_STATUS_TOO_LARGE),
        ROW(DecodeNullResponse, zoltc_logix_cip_decode_response(o.bytes.data(), 7, nullptr), kInvalid),
        ROW(CpfNullOutput, zoltc_logix_cpf_find_unconnected_item(o.bytes.data(), 16, nullptr), kInvalid),
        ROW(IdentityNullResponse, zoltc_logix_identity_decode(nullptr, &o.identity), kInvalid),
        ROW(PageEmpty, zoltc_logix_symbol_page_parse(nullptr, 0, &o.state), ZOLTC_LOGIX_OK),
        ROW(PageNullData, zoltc_logix_symbol_page_parse(nullptr, 4, &o.state), kInvalid),
        ROW(AttributesNullData, zoltc_logix_template_attributes_decode(nullptr, 16, &o.size, &o.members), kInvalid),
        ROW(AttributesNullSize, zoltc_logix_template_attributes_decode(o.bytes.data(), 16, nullptr, &o.members), kInvalid),
        ROW(TemplateNullData, zoltc_logix_template_parse(nullptr, 2, 0, &o.entry), kInvalid),
        ROW(PacketNullRequests, zoltc_logix_msp_encode(nullptr, 1, &o.buffer), kInvalid),
        ROW(PacketReplyNullData, zoltc_logix_msp_decode(nullptr, 4, &o.responses), kInvalid),
        ROW(PacketReplyEmpty, zoltc_logix_msp_decode(nullptr, 0, &o.responses), ZOLTC_LOGIX_STATUS_BAD_REPLY),
        ROW(WrapNullRequest, zoltc_logix_route_wrap(&o.route, 100, nullptr, 0, &o.buffer), kInvalid),
        ROW(SessionEmptyHost, zoltc_logix_session_open(o.session, "", 1, 100), kInvalid),
        ROW(TcpPortZero, zoltc_logix_tcp_connect(o.socket, "127.0.0.1", 0, 100), kInvalid),
        ROW(ReceiveNullBuffer, zoltc_logix_tcp_recv_all(o.socket, nullptr, 1, 100), kInvalid),
        ROW(ReceiveNothingWithoutSocket, zoltc_logix_tcp_recv_all(o.socket, o.bytes.data(), 0, 100), kClosed),
        ROW(Getters, (zoltc_logix_get_product_name(nullptr) != nullptr) + (zoltc_logix_get_identity(nullptr) != nullptr) +
                         zoltc_logix_socket_is_open(nullptr) + zoltc_logix_tag_is_string(nullptr), 0)),
    quillon::testing::LabelName{});

TEST(Release, AcceptsNullAndLeavesZeroes) {
  zoltc_logix_buffer_free(nullptr);
  zoltc_logix_path_free(nullptr);
  zoltc_logix_path_init(nullptr);
  zoltc_logix_cip_response_free(nullptr);
  zoltc_logix_cip_response_list_free(nullptr);
  zoltc_logix_tag_info_free(nullptr);
  zoltc_logix_tag_info_list_free(nullptr);
  zoltc_logix_device_list_free(nullptr);
  zoltc_logix_identity_clear(nullptr);
  zoltc_logix_template_free(nullptr);
  zoltc_logix_client_destroy(nullptr);
  zoltc_logix_disconnect(nullptr);
  zoltc_logix_socket_close(nullptr);
  zoltc_logix_session_free(nullptr);
  zoltc_logix_route_free(nullptr);
  zoltc_logix_path path{};
  ASSERT_EQ(zoltc_logix_path_add_class(&path, 1), ZOLTC_LOGIX_STATUS_OK);
  zoltc_logix_path_free(&path);
  zoltc_logix_path_free(&path);
  EXPECT_EQ(std::tuple(path.data, path.length, path.capacity), std::tuple(nullptr, 0u, 0u));
}

}  // namespace
