// zoltc_logix_read_string against the simulator, with fragments of many sizes.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "label_name.hpp"
#include "read_fixture.hpp"

namespace {

using quillon::sim::RequestRecord;
using readtest::ReadSimTest;
using readtest::sampleText;

constexpr uint8_t kReadTagFragmented = 0x52;
constexpr uint32_t kBufferSize = 96;

// Read Tag Fragmented data: element count 1, then the byte offset.
uint32_t requestedOffset(const RequestRecord& record) {
  EXPECT_EQ(record.data.size(), 6u);
  EXPECT_EQ(record.data[0], 1);
  EXPECT_EQ(record.data[1], 0);
  return static_cast<uint32_t>(record.data[2] | record.data[3] << 8 | record.data[4] << 16 |
                               record.data[5] << 24);
}

struct StringRow {
  friend void PrintTo(const StringRow& row, std::ostream* os) { *os << row.label; }
  const char* label;
  std::string tag;
  zoltc_logix_result expected;
  std::string text;
  uint32_t length;
  uint32_t bytesNeeded;  // structure bytes the read must fetch: count and characters
};

// Each row is read with fragments of several sizes (0: as many as a reply holds).
class StringReadTest : public ReadSimTest,
                       public ::testing::WithParamInterface<std::tuple<StringRow, uint32_t>> {};

TEST_P(StringReadTest, ReadsTheCountedCharactersAndNoMore) {
  const auto& [row, fragmentBytes] = GetParam();
  quillon::sim::Options options;
  options.fragmentBytes = fragmentBytes;
  connectAndForget(options);

  std::string buffer(kBufferSize, 'Z');
  uint32_t length = 12345;
  EXPECT_EQ(zoltc_logix_read_string(client(), row.tag.c_str(), buffer.data(), kBufferSize, &length),
            row.expected);
  EXPECT_EQ(std::string(buffer.c_str()), row.text);
  EXPECT_EQ(length, row.length);

  // One request per fragment, each at the offset where the last one ended, and
  // none after the counted characters are in.
  std::vector<RequestRecord> sent = exchanges();
  uint32_t step = fragmentBytes == 0 ? row.bytesNeeded : fragmentBytes;
  uint32_t fragments = (row.bytesNeeded + step - 1) / step;
  ASSERT_EQ(sent.size(), fragments);
  for (uint32_t k = 0; k < sent.size(); ++k) {
    EXPECT_EQ(sent[k].service, kReadTagFragmented);
    EXPECT_EQ(sent[k].path, row.tag);
    EXPECT_EQ(requestedOffset(sent[k]), k * step);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Texts, StringReadTest,
    ::testing::Combine(
        ::testing::Values(
            StringRow{"Empty", "Empty", ZOLTC_LOGIX_OK, "", 0, 4},
            StringRow{"Chars95", "Text95", ZOLTC_LOGIX_OK, sampleText(95), 95, 99},
            StringRow{"Chars96", "Text96", ZOLTC_LOGIX_ERR_BUFFER_TOO_SMALL, "", 96, 4},
            StringRow{"String", "Hello", ZOLTC_LOGIX_OK, "Hello from line 1", 17, 21},
            StringRow{"Member", "Stations[1].Label", ZOLTC_LOGIX_OK, "Second", 6, 10}),
        ::testing::Values(0u, 1u, 3u, 5u, 7u, 64u)),
    [](const ::testing::TestParamInfo<std::tuple<StringRow, uint32_t>>& row) {
      return std::string(std::get<0>(row.param).label) + "_" +
             std::to_string(std::get<1>(row.param));
    });

struct RefusedRow {
  friend void PrintTo(const RefusedRow& row, std::ostream* os) { *os << row.label; }
  const char* label;
  std::string tag;
  zoltc_logix_result expected;
  bool sent;  // whether a request went out
};

class StringReadRefusedTest : public ReadSimTest, public ::testing::WithParamInterface<RefusedRow> {};

TEST_P(StringReadRefusedTest, LeavesTheEmptyTextAndNoCount) {
  const RefusedRow& row = GetParam();
  connectAndForget();
  std::string buffer(kBufferSize, 'Z');
  uint32_t length = 7;
  EXPECT_EQ(zoltc_logix_read_string(client(), row.tag.c_str(), buffer.data(), kBufferSize, &length),
            row.expected);
  EXPECT_EQ(buffer[0], '\0');
  EXPECT_EQ(length, 0u);
  EXPECT_EQ(exchanges().size(), row.sent ? 1u : 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Table, StringReadRefusedTest,
    ::testing::Values(
        RefusedRow{"NotAStructure", "Tag_000001", ZOLTC_LOGIX_ERR_TYPE_MISMATCH, true},
        RefusedRow{"UnknownTag", "NoSuchText", ZOLTC_LOGIX_ERR_CIP_STATUS, true},
        RefusedRow{"BadPathText", "Text95[", ZOLTC_LOGIX_ERR_INVALID_ARGUMENT, false},
        RefusedRow{"NameTooLong", std::string(256, 'n'), ZOLTC_LOGIX_ERR_TOO_LARGE, false}),
    quillon::testing::LabelName{});

TEST_F(ReadSimTest, StringReadChecksItsArgumentsAndWritesNothing) {
  std::string buffer(kBufferSize, 'Z');
  uint32_t length = 7;
  char* out = buffer.data();
  EXPECT_EQ(zoltc_logix_read_string(nullptr, "Hello", out, kBufferSize, &length),
            ZOLTC_LOGIX_ERR_INVALID_ARGUMENT);
  EXPECT_EQ(zoltc_logix_read_string(client(), nullptr, out, kBufferSize, &length),
            ZOLTC_LOGIX_ERR_INVALID_ARGUMENT);
  EXPECT_EQ(zoltc_logix_read_string(client(), "Hello", nullptr, kBufferSize, &length),
            ZOLTC_LOGIX_ERR_INVALID_ARGUMENT);
  EXPECT_EQ(zoltc_logix_read_string(client(), "Hello", out, 0, &length),
            ZOLTC_LOGIX_ERR_INVALID_ARGUMENT);
  EXPECT_EQ(zoltc_logix_read_string(client(), "Hello", out, kBufferSize, nullptr),
            ZOLTC_LOGIX_ERR_INVALID_ARGUMENT);
  EXPECT_EQ(buffer, std::string(kBufferSize, 'Z'));
  EXPECT_EQ(length, 7u);

  EXPECT_EQ(zoltc_logix_read_string(client(), "Hello", out, kBufferSize, &length),
            ZOLTC_LOGIX_ERR_NOT_CONNECTED);
  EXPECT_EQ(buffer[0], '\0');
  EXPECT_EQ(length, 0u);
}

TEST_F(ReadSimTest, StringReadFitsAOneByteBufferOnlyWhenEmpty) {
  connectAndForget();
  char one = 'Z';
  uint32_t length = 7;
  EXPECT_EQ(zoltc_logix_read_string(client(), "Empty", &one, 1, &length), ZOLTC_LOGIX_OK);
  EXPECT_EQ(one, '\0');
  EXPECT_EQ(length, 0u);
  EXPECT_EQ(zoltc_logix_read_string(client(), "Hello", &one, 1, &length),
            ZOLTC_LOGIX_ERR_BUFFER_TOO_SMALL);
  EXPECT_EQ(one, '\0');
  EXPECT_EQ(length, 17u);
}

}  // namespace
