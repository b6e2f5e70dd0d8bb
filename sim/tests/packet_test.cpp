// Multiple Service Packet: embedded replies, mixed statuses, the 0x1A and 0x1B knobs.
#include "case_name.hpp"
#include "fixture.hpp"

namespace quillon::sim::test {
namespace {

using PacketTest = SimTest;

TEST_F(PacketTest, EmbeddedRepliesInOrderWithTheirOwnStatuses) {
  auto wire = client();
  RouterReply reply = wire->request(multipleServicePacket({
      readTagRequest("DintValue"),
      readTagRequest("Nope"),
      readTagRequest("Matrix[5,0]"),
      routerRequest(0x01, PathBuilder().classId(1).instance(1)),
      readTagRequest("Program:Conveyor.BeltSpeed"),
  }));
  EXPECT_EQ(reply.service, 0x8A);
  EXPECT_EQ(reply.status, 0x1E);
  std::vector<RouterReply> replies = parsePacketReplies(reply.data);
  ASSERT_EQ(replies.size(), 5u);
  EXPECT_EQ(replies[0].service, 0xCC);
  EXPECT_EQ(replies[0].status, 0x00);
  EXPECT_EQ(replies[0].data, (Bytes{0xC4, 0, 0x40, 0xE2, 0x01, 0}));
  EXPECT_EQ(replies[1].status, 0x04);
  EXPECT_EQ(replies[2].status, 0x05);
  EXPECT_EQ(replies[2].additional, (std::vector<uint16_t>{0x2105}));
  EXPECT_EQ(replies[3].service, 0x81);
  EXPECT_EQ(replies[3].status, 0x00);
  EXPECT_EQ(replies[4].status, 0x00);

  std::vector<RequestRecord> records = server->requests();
  ASSERT_EQ(records.size(), 1u + 1 + 5);
  EXPECT_EQ(records[1].service, 0x0A);
  EXPECT_EQ(records[1].generalStatus, 0x1E);
  EXPECT_FALSE(records[1].embedded);
  EXPECT_EQ(records[3].path, "Nope");
  EXPECT_TRUE(records[3].embedded);
  EXPECT_EQ(records[3].generalStatus, 0x04);
}

TEST_F(PacketTest, AllSucceedingGivesSuccess) {
  auto wire = client();
  std::vector<Bytes> reads;
  for (int i = 0; i < 30; ++i) reads.push_back(readTagRequest("Temperatures[" + std::to_string(i % 10) + "]"));
  RouterReply reply = wire->request(multipleServicePacket(reads));
  EXPECT_EQ(reply.status, 0x00);
  std::vector<RouterReply> replies = parsePacketReplies(reply.data);
  ASSERT_EQ(replies.size(), 30u);
  for (const RouterReply& r : replies) EXPECT_EQ(r.data.size(), 6u);
}

TEST_F(PacketTest, RequestAboveTheLimitIs0x1A) {
  auto wire = client();
  Bytes packet = multipleServicePacket({readTagRequest("DintValue"), readTagRequest("IntValue")});
  setOptions([&](Options& o) { o.mspRequestLimit = static_cast<uint32_t>(packet.size()); });
  EXPECT_EQ(wire->request(packet).status, 0x00);
  setOptions([&](Options& o) { o.mspRequestLimit = static_cast<uint32_t>(packet.size() - 1); });
  RouterReply refused = wire->request(packet);
  EXPECT_EQ(refused.status, 0x1A);
  EXPECT_TRUE(refused.data.empty());
}

TEST_F(PacketTest, ReplyAboveTheLimitIs0x1B) {
  auto wire = client();
  Bytes packet = multipleServicePacket({readTagRequest("DintValue"), readTagRequest("IntValue")});
  // 4 header bytes + count + 2 offsets + replies of 10 and 8 bytes.
  const uint32_t replySize = 4 + 2 + 4 + 10 + 8;
  setOptions([&](Options& o) { o.mspReplyLimit = replySize; });
  EXPECT_EQ(wire->request(packet).status, 0x00);
  setOptions([&](Options& o) { o.mspReplyLimit = replySize - 1; });
  RouterReply refused = wire->request(packet);
  EXPECT_EQ(refused.status, 0x1B);
  EXPECT_TRUE(refused.data.empty());
}

struct MalformedCase {
  const char* name;
  Bytes data;
  uint8_t status;
};

class MalformedPackets : public SimTest, public ::testing::WithParamInterface<MalformedCase> {};

TEST_P(MalformedPackets, AreRefusedWhole) {
  auto wire = client();
  RouterReply reply = wire->request(0x0A, PathBuilder().classId(2).instance(1), GetParam().data);
  EXPECT_EQ(reply.status, GetParam().status);
  EXPECT_TRUE(reply.data.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Packets, MalformedPackets,
    ::testing::Values(MalformedCase{"Empty", {}, 0x13},
                      MalformedCase{"CountZero", {0, 0}, 0x13},
                      MalformedCase{"OffsetTableCut", {3, 0, 8, 0}, 0x13},
                      MalformedCase{"OffsetIntoTheTable", {1, 0, 2, 0, 0x01, 0x00}, 0x03},
                      MalformedCase{"OffsetPastTheEnd", {1, 0, 40, 0, 0x01, 0x00}, 0x03},
                      MalformedCase{"OffsetsGoBack", {2, 0, 8, 0, 6, 0, 0x01, 0x00, 0x01, 0x00}, 0x03},
                      MalformedCase{"OneByteRequest", {1, 0, 4, 0, 0x01}, 0x03}),
    CaseName());

TEST_F(PacketTest, EmbeddedPathErrorsStayEmbedded) {
  auto wire = client();
  // The second embedded request announces a path longer than itself.
  Bytes broken{0x4C, 0x09, 0x91, 0x01};
  RouterReply reply = wire->request(multipleServicePacket({readTagRequest("DintValue"), broken}));
  EXPECT_EQ(reply.status, 0x1E);
  std::vector<RouterReply> replies = parsePacketReplies(reply.data);
  ASSERT_EQ(replies.size(), 2u);
  EXPECT_EQ(replies[1].service, 0xCC);
  EXPECT_EQ(replies[1].status, 0x04);
}

TEST_F(PacketTest, PacketsDoNotNest) {
  auto wire = client();
  Bytes inner = multipleServicePacket({readTagRequest("DintValue")});
  RouterReply reply = wire->request(multipleServicePacket({inner}));
  EXPECT_EQ(reply.status, 0x1E);
  std::vector<RouterReply> replies = parsePacketReplies(reply.data);
  ASSERT_EQ(replies.size(), 1u);
  EXPECT_EQ(replies[0].status, 0x08);
}

TEST_F(PacketTest, EmbeddedFragmentedReadsAndPages) {
  auto wire = client();
  setOptions([](Options& o) { o.fragmentBytes = 8; });
  RouterReply reply = wire->request(multipleServicePacket({fragmentedRequest("Message", 1, 0),
                                                           fragmentedRequest("Message", 1, 80)}));
  std::vector<RouterReply> replies = parsePacketReplies(reply.data);
  ASSERT_EQ(replies.size(), 2u);
  EXPECT_EQ(replies[0].status, 0x06);
  EXPECT_EQ(replies[1].status, 0x00);
  EXPECT_EQ(reply.status, 0x1E);  // a partial transfer is not a success
}

}  // namespace
}  // namespace quillon::sim::test
