// The client handle against the simulator: connect, identity, requests,
// reconnects and the end of a connection, over loopback TCP.
#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <string>

#include "bytes.hpp"
#include "label_name.hpp"
#include "simulator.hpp"
#include "zoltc_logix.h"

namespace {

using quillon::sim::RequestRecord;
using quillon::testing::Bytes;
using quillon::testing::bytesOf;
using quillon::testing::kTestProductName;

constexpr uint16_t kRegisterSession = 0x65;
constexpr uint16_t kUnRegisterSession = 0x66;
constexpr uint16_t kSendRRData = 0x6F;

// Get_Attributes_All on the Identity object: a request every controller answers.
const uint8_t kIdentityPath[] = {0x20, 0x01, 0x24, 0x01};
const zoltc_logix_cip_request kIdentityRequest{0x01, kIdentityPath, 4, nullptr, 0};

class ClientTest : public quillon::testing::SimulatorTest {
 protected:
  zoltc_logix_result request(zoltc_logix_cip_response& response,
                             const zoltc_logix_cip_request& what = kIdentityRequest) {
    return zoltc_logix_send_request(client(), &what, &response);
  }

  bool unregistered(uint32_t sessionHandle) {
    return waitForRecord([&](const RequestRecord& record) {
      return record.command == kUnRegisterSession && record.sessionHandle == sessionHandle;
    });
  }

  // The session handle the client used in its latest SendRRData.
  uint32_t lastSessionHandle() {
    const auto all = records();
    for (auto it = all.rbegin(); it != all.rend(); ++it) {
      if (it->command == kSendRRData) {
        return it->sessionHandle;
      }
    }
    return 0;
  }
};

TEST_F(ClientTest, ConnectReadsTheIdentity) {
  EXPECT_EQ(zoltc_logix_get_product_name(client()), nullptr);
  ASSERT_EQ(connect(), ZOLTC_LOGIX_OK);
  EXPECT_STREQ(zoltc_logix_get_product_name(client()), kTestProductName);
  const zoltc_logix_identity* identity = zoltc_logix_get_identity(client());
  ASSERT_NE(identity, nullptr);
  EXPECT_EQ(identity->vendor_id, 1);
  EXPECT_EQ(identity->device_type, 14);
  EXPECT_EQ(identity->product_code, 166);
  EXPECT_EQ(identity->revision_major, 33);
  EXPECT_EQ(identity->revision_minor, 11);
  EXPECT_EQ(identity->status, 0x3160);
  EXPECT_EQ(identity->serial_number, 0x00C0FFEEu);
  EXPECT_EQ(server().sessionsRegistered(), 1u);
}

TEST_F(ClientTest, ConnectSendsRegisterSessionThenTheIdentityRequest) {
  QUILLON_SKIP_WHEN_CONNECTED();
  ASSERT_EQ(connect(), ZOLTC_LOGIX_OK);
  const auto wire = records();
  ASSERT_EQ(wire.size(), 2u);
  EXPECT_EQ(wire[0].command, kRegisterSession);
  EXPECT_EQ(wire[0].sessionHandle, 0u);
  EXPECT_EQ(wire[1].command, kSendRRData);
  EXPECT_NE(wire[1].sessionHandle, 0u);
  EXPECT_EQ(wire[1].service, 0x01);
  EXPECT_EQ(wire[1].generalStatus, 0);
}

// The counter starts at 1 with the handle and is never reset: a reconnect
// continues it. UnRegisterSession carries 0.
TEST_F(ClientTest, SenderContextStartsAtOneAndKeepsCountingAcrossReconnects) {
  QUILLON_SKIP_WHEN_CONNECTED();
  ASSERT_EQ(connect(), ZOLTC_LOGIX_OK);
  zoltc_logix_cip_response response{};
  ASSERT_EQ(request(response), ZOLTC_LOGIX_OK);
  zoltc_logix_cip_response_free(&response);
  const uint32_t first = lastSessionHandle();
  ASSERT_EQ(connect(), ZOLTC_LOGIX_OK);
  ASSERT_TRUE(unregistered(first));

  std::vector<uint64_t> contexts;
  for (const RequestRecord& record : records()) {
    if (record.command == kUnRegisterSession) {
      EXPECT_EQ(record.senderContext, 0u);
    } else {
      contexts.push_back(record.senderContext);
    }
  }
  EXPECT_EQ(contexts, (std::vector<uint64_t>{1, 2, 3, 4, 5}));
}

TEST_F(ClientTest, ReconnectUnregistersTheOldSessionAndReadsTheNewController) {
  ASSERT_EQ(connect(), ZOLTC_LOGIX_OK);
  const uint32_t first = lastSessionHandle();
  auto other = quillon::testing::startServer(quillon::testing::identityController("Second PLC"));
  ASSERT_EQ(zoltc_logix_connect(client(), "127.0.0.1", other->port(), kTimeoutMs),
            ZOLTC_LOGIX_OK);
  EXPECT_STREQ(zoltc_logix_get_product_name(client()), "Second PLC");
  EXPECT_TRUE(unregistered(first));
  EXPECT_EQ(server().sessionsUnregistered(), 1u);
  // The new session answers requests.
  zoltc_logix_cip_response response{};
  EXPECT_EQ(request(response), ZOLTC_LOGIX_OK);
  zoltc_logix_cip_response_free(&response);
  EXPECT_EQ(other->sessionsRegistered(), 1u);
}

TEST_F(ClientTest, RequestBeforeAnyConnectIsNotConnected) {
  zoltc_logix_cip_response response{};
  EXPECT_EQ(request(response), ZOLTC_LOGIX_ERR_NOT_CONNECTED);
  EXPECT_EQ(response.data.data, nullptr);
  EXPECT_TRUE(records().empty());
}

TEST_F(ClientTest, RequestWithACipErrorStatusSucceedsAndCarriesTheStatus) {
  ASSERT_EQ(connect(), ZOLTC_LOGIX_OK);
  const uint8_t unknownObject[] = {0x20, 0x99, 0x24, 0x01};
  const zoltc_logix_cip_request unknown{0x01, unknownObject, 4, nullptr, 0};
  zoltc_logix_cip_response response{};
  ASSERT_EQ(request(response, unknown), ZOLTC_LOGIX_OK);
  EXPECT_EQ(response.service, 0x81);
  EXPECT_EQ(response.general_status, 0x05);
  EXPECT_EQ(response.data.length, 0u);
  zoltc_logix_cip_response_free(&response);

  // An unknown service on a known object is the other refusal.
  const zoltc_logix_cip_request unsupported{0x4B, kIdentityPath, 4, nullptr, 0};
  ASSERT_EQ(request(response, unsupported), ZOLTC_LOGIX_OK);
  EXPECT_EQ(response.general_status, 0x08);
  zoltc_logix_cip_response_free(&response);
}

TEST_F(ClientTest, RequestThatCannotBeEncodedSendsNothing) {
  QUILLON_SKIP_WHEN_CONNECTED();
  ASSERT_EQ(connect(), ZOLTC_LOGIX_OK);
  const auto before = records().size();
  const uint8_t odd[] = {0x20, 0x01, 0x24};
  zoltc_logix_cip_response response{};
  EXPECT_EQ(request(response, {0x01, odd, 3, nullptr, 0}), ZOLTC_LOGIX_ERR_INVALID_ARGUMENT);
  const Bytes longPath(512, 0x20);
  EXPECT_EQ(request(response, {0x01, longPath.data(), 512, nullptr, 0}),
            ZOLTC_LOGIX_ERR_TOO_LARGE);
  // The largest request whose SendRRData still fits the encapsulation length,
  // and one byte more.
  const Bytes data(65519 - 5, 0);
  EXPECT_NE(request(response, {0x4C, kIdentityPath, 4, data.data(), 65519 - 6}),
            ZOLTC_LOGIX_ERR_TOO_LARGE);
  zoltc_logix_cip_response_free(&response);
  EXPECT_EQ(request(response, {0x4C, kIdentityPath, 4, data.data(), 65519 - 5}),
            ZOLTC_LOGIX_ERR_TOO_LARGE);
  EXPECT_EQ(records().size(), before + 1);
}

TEST_F(ClientTest, NullArgumentsAreRejected) {
  zoltc_logix_cip_response response{};
  EXPECT_EQ(zoltc_logix_send_request(nullptr, &kIdentityRequest, &response),
            ZOLTC_LOGIX_ERR_INVALID_ARGUMENT);
  EXPECT_EQ(zoltc_logix_send_request(client(), nullptr, &response),
            ZOLTC_LOGIX_ERR_INVALID_ARGUMENT);
  EXPECT_EQ(zoltc_logix_send_request(client(), &kIdentityRequest, nullptr),
            ZOLTC_LOGIX_ERR_INVALID_ARGUMENT);
  EXPECT_EQ(zoltc_logix_connect(nullptr, "127.0.0.1", port(), kTimeoutMs),
            ZOLTC_LOGIX_ERR_INVALID_ARGUMENT);
  EXPECT_EQ(zoltc_logix_get_product_name(nullptr), nullptr);
  EXPECT_EQ(zoltc_logix_get_identity(nullptr), nullptr);
  zoltc_logix_disconnect(nullptr);
  zoltc_logix_client_destroy(nullptr);
  EXPECT_TRUE(records().empty());
}

// Bad arguments are refused before anything is closed: the session stays.
TEST_F(ClientTest, InvalidConnectArgumentsKeepTheConnection) {
  ASSERT_EQ(connect(), ZOLTC_LOGIX_OK);
  EXPECT_EQ(zoltc_logix_connect(client(), nullptr, port(), kTimeoutMs),
            ZOLTC_LOGIX_ERR_INVALID_ARGUMENT);
  EXPECT_EQ(zoltc_logix_connect(client(), "", port(), kTimeoutMs),
            ZOLTC_LOGIX_ERR_INVALID_ARGUMENT);
  EXPECT_EQ(zoltc_logix_connect(client(), "127.0.0.1", 0, kTimeoutMs),
            ZOLTC_LOGIX_ERR_INVALID_ARGUMENT);
  zoltc_logix_cip_response response{};
  EXPECT_EQ(request(response), ZOLTC_LOGIX_OK);
  zoltc_logix_cip_response_free(&response);
  EXPECT_EQ(server().sessionsRegistered(), 1u);
  EXPECT_EQ(server().connectionsAccepted(), 1u);
}

TEST_F(ClientTest, DisconnectUnregistersAndKeepsTheProductName) {
  ASSERT_EQ(connect(), ZOLTC_LOGIX_OK);
  const uint32_t handle = lastSessionHandle();
  zoltc_logix_disconnect(client());
  EXPECT_TRUE(unregistered(handle));
  EXPECT_STREQ(zoltc_logix_get_product_name(client()), kTestProductName);
  zoltc_logix_cip_response response{};
  EXPECT_EQ(request(response), ZOLTC_LOGIX_ERR_NOT_CONNECTED);
  // A second disconnect has nothing left to unregister.
  zoltc_logix_disconnect(client());
  ASSERT_EQ(connect(), ZOLTC_LOGIX_OK);
  EXPECT_EQ(request(response), ZOLTC_LOGIX_OK);
  zoltc_logix_cip_response_free(&response);
}

TEST_F(ClientTest, DestroyUnregistersTheSession) {
  zoltc_logix_client* other = zoltc_logix_client_create();
  ASSERT_NE(other, nullptr);
  ASSERT_EQ(zoltc_logix_connect(other, "127.0.0.1", port(), kTimeoutMs), ZOLTC_LOGIX_OK);
  const uint32_t handle = lastSessionHandle();
  zoltc_logix_client_destroy(other);
  EXPECT_TRUE(unregistered(handle));
  EXPECT_EQ(server().sessionsUnregistered(), 1u);
}

// The request that meets the closed connection reports it; later ones find
// the handle unconnected.
TEST_F(ClientTest, ControllerClosingTheConnectionIsLostThenNotConnected) {
  QUILLON_SKIP_WHEN_CONNECTED();
  server().setOptions([] {
    quillon::sim::Options options;
    options.closeAfterRequests = 2;
    return options;
  }());
  ASSERT_EQ(connect(), ZOLTC_LOGIX_OK);
  zoltc_logix_cip_response response{};
  EXPECT_EQ(request(response), ZOLTC_LOGIX_ERR_CONNECTION_LOST);
  EXPECT_EQ(response.data.data, nullptr);
  EXPECT_EQ(request(response), ZOLTC_LOGIX_ERR_NOT_CONNECTED);
  EXPECT_STREQ(zoltc_logix_get_product_name(client()), kTestProductName);
}

// A controller that registers the session but refuses the identity request
// (CIP_STATUS, its statuses kept in the handle) or sends a reply that cannot be
// decoded (BAD_REPLY): the connect fails and unregisters the session again.
struct IdentityFault {
  const char* label;
  uint8_t status;                     // general status of Get_Attributes_All
  std::optional<uint32_t> dataBytes;  // identity data bytes sent
  zoltc_logix_result expected() const {
    return status != 0 ? ZOLTC_LOGIX_ERR_CIP_STATUS : ZOLTC_LOGIX_ERR_BAD_REPLY;
  }
};

class IdentityFaultTest : public ClientTest,
                          public ::testing::WithParamInterface<IdentityFault> {
 protected:
  void setFault(const IdentityFault& fault) {
    quillon::sim::Options options;
    options.identityStatus = fault.status;
    options.identityDataBytes = fault.dataBytes;
    server().setOptions(options);
  }
  // The session handle of the latest identity request.
  uint32_t identitySession() {
    const auto all = records();
    for (auto it = all.rbegin(); it != all.rend(); ++it) {
      if (it->command == kSendRRData && it->service == 0x01) {
        return it->sessionHandle;
      }
    }
    return 0;
  }
};

TEST_P(IdentityFaultTest, ConnectFailsAndLeavesTheHandleClosed) {
  setFault(GetParam());
  EXPECT_EQ(connect(), GetParam().expected());
  EXPECT_EQ(zoltc_logix_get_refusal(client())->general_status, GetParam().status);
  EXPECT_EQ(server().sessionsRegistered(), 1u);
  const uint32_t session = identitySession();
  ASSERT_NE(session, 0u);
  EXPECT_TRUE(unregistered(session));
  EXPECT_EQ(server().sessionsUnregistered(), 1u);
  EXPECT_EQ(zoltc_logix_get_product_name(client()), nullptr);
  zoltc_logix_cip_response response{};
  EXPECT_EQ(request(response), ZOLTC_LOGIX_ERR_NOT_CONNECTED);
  EXPECT_EQ(response.data.data, nullptr);

  // The handle connects again once the controller answers properly.
  server().setOptions({});
  ASSERT_EQ(connect(), ZOLTC_LOGIX_OK);
  EXPECT_STREQ(zoltc_logix_get_product_name(client()), kTestProductName);
}

// A failed connect keeps the product name of the connection before it.
TEST_P(IdentityFaultTest, FailedReconnectKeepsTheEarlierProductName) {
  ASSERT_EQ(connect(), ZOLTC_LOGIX_OK);
  const uint32_t first = identitySession();
  setFault(GetParam());
  EXPECT_EQ(connect(), GetParam().expected());
  const uint32_t second = identitySession();
  EXPECT_NE(second, first);
  EXPECT_TRUE(unregistered(first));
  EXPECT_TRUE(unregistered(second));
  EXPECT_EQ(server().sessionsUnregistered(), 2u);
  EXPECT_STREQ(zoltc_logix_get_product_name(client()), kTestProductName);
  zoltc_logix_cip_response response{};
  EXPECT_EQ(request(response), ZOLTC_LOGIX_ERR_NOT_CONNECTED);
}

// The test controller's identity data is 40 bytes: 14 numeric, the name's
// length 24, its 24 characters and the state.
INSTANTIATE_TEST_SUITE_P(
    Identity, IdentityFaultTest,
    ::testing::Values(IdentityFault{"RefusedWithoutData", 0x08, std::nullopt},
                      IdentityFault{"GeneralErrorWithoutData", 0xFF, std::nullopt},
                      IdentityFault{"SuccessWithoutData", 0x00, 0u},
                      IdentityFault{"FourteenBytes", 0x00, 14u},
                      IdentityFault{"NameCutShort", 0x00, 30u}),
    quillon::testing::LabelName{});

}  // namespace
