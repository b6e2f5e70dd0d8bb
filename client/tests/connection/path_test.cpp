// Request path segments: symbolic and logical, the builder they append to.
#include <gtest/gtest.h>

#include <string>

#include "alloc.h"
#include "bytes.hpp"
#include "label_name.hpp"
#include "cip.h"

namespace {

using quillon::testing::Bytes;
using quillon::testing::bytesOf;

Bytes symbolSegment(const std::string& name) {
  Bytes out{0x91, static_cast<uint8_t>(name.size())};
  out.insert(out.end(), name.begin(), name.end());
  if (name.size() % 2 != 0) {
    out.push_back(0);
  }
  return out;
}

struct SymbolCase {
  const char* label;
  std::string name;
  zoltc_logix_status status;
};

class SymbolSegment : public ::testing::TestWithParam<SymbolCase> {};

TEST_P(SymbolSegment, EncodesOrRejectsLeavingTheBuilderAlone) {
  const SymbolCase& c = GetParam();
  zoltc_logix_path path{};
  ASSERT_EQ(zoltc_logix_path_add_class(&path, 0x6B), ZOLTC_LOGIX_STATUS_OK);
  const Bytes prefix = bytesOf(path);
  EXPECT_EQ(zoltc_logix_path_add_symbol(&path, c.name.c_str()), c.status);
  if (c.status == ZOLTC_LOGIX_STATUS_OK) {
    Bytes expected = prefix;
    const Bytes segment = symbolSegment(c.name);
    expected.insert(expected.end(), segment.begin(), segment.end());
    EXPECT_EQ(bytesOf(path), expected);
    EXPECT_EQ(path.length % 2, 0u);
  } else {
    EXPECT_EQ(bytesOf(path), prefix);
  }
  zoltc_logix_path_free(&path);
}

INSTANTIATE_TEST_SUITE_P(
    Names, SymbolSegment,
    ::testing::Values(SymbolCase{"one_char", "a", ZOLTC_LOGIX_STATUS_OK},
                      SymbolCase{"three_chars_padded", "abc", ZOLTC_LOGIX_STATUS_OK},
                      SymbolCase{"four_chars_unpadded", "abcd", ZOLTC_LOGIX_STATUS_OK},
                      SymbolCase{"beyond_ascii", "Tank\xC3\xA9", ZOLTC_LOGIX_STATUS_OK},
                      SymbolCase{"max_255", std::string(255, 'x'), ZOLTC_LOGIX_STATUS_OK},
                      SymbolCase{"too_long_256", std::string(256, 'x'), ZOLTC_LOGIX_STATUS_TOO_LARGE},
                      SymbolCase{"far_too_long", std::string(100000, 'x'),
                                 ZOLTC_LOGIX_STATUS_TOO_LARGE},
                      SymbolCase{"empty", "", ZOLTC_LOGIX_STATUS_INVALID_ARGUMENT}),
    quillon::testing::LabelName{});

TEST(SymbolSegmentBytes, ThreeAndFourCharacterNamesAreSixBytes) {
  zoltc_logix_path path{};
  ASSERT_EQ(zoltc_logix_path_add_symbol(&path, "abc"), ZOLTC_LOGIX_STATUS_OK);
  EXPECT_EQ(bytesOf(path), (Bytes{0x91, 3, 'a', 'b', 'c', 0}));
  zoltc_logix_path_free(&path);
  ASSERT_EQ(zoltc_logix_path_add_symbol(&path, "abcd"), ZOLTC_LOGIX_STATUS_OK);
  EXPECT_EQ(bytesOf(path), (Bytes{0x91, 4, 'a', 'b', 'c', 'd'}));
  zoltc_logix_path_free(&path);
}

TEST(SymbolSegmentBytes, NullArgumentsAreRejected) {
  zoltc_logix_path path{};
  EXPECT_EQ(zoltc_logix_path_add_symbol(nullptr, "a"), ZOLTC_LOGIX_STATUS_INVALID_ARGUMENT);
  EXPECT_EQ(zoltc_logix_path_add_symbol(&path, nullptr), ZOLTC_LOGIX_STATUS_INVALID_ARGUMENT);
  EXPECT_EQ(path.data, nullptr);
}

struct LogicalCase {
  uint8_t type;
  uint32_t value;
  Bytes bytes;
};

TEST(LogicalSegment, ChoosesTheSizeFromTheValue) {
  const LogicalCase cases[] = {
      {ZOLTC_LOGIX_SEGMENT_CLASS, 0x6B, {0x20, 0x6B}},
      {ZOLTC_LOGIX_SEGMENT_CLASS, 0, {0x20, 0x00}},
      {ZOLTC_LOGIX_SEGMENT_INSTANCE, 255, {0x24, 0xFF}},
      {ZOLTC_LOGIX_SEGMENT_INSTANCE, 256, {0x25, 0x00, 0x00, 0x01}},
      {ZOLTC_LOGIX_SEGMENT_INSTANCE, 300, {0x25, 0x00, 0x2C, 0x01}},
      {ZOLTC_LOGIX_SEGMENT_ELEMENT, 65535, {0x29, 0x00, 0xFF, 0xFF}},
      {ZOLTC_LOGIX_SEGMENT_ELEMENT, 65536, {0x2A, 0x00, 0x00, 0x00, 0x01, 0x00}},
      {ZOLTC_LOGIX_SEGMENT_ELEMENT, 0xFFFFFFFFu, {0x2A, 0x00, 0xFF, 0xFF, 0xFF, 0xFF}},
      {ZOLTC_LOGIX_SEGMENT_INSTANCE, 0x12345678u, {0x26, 0x00, 0x78, 0x56, 0x34, 0x12}},
  };
  for (const LogicalCase& c : cases) {
    SCOPED_TRACE(::testing::Message() << "type " << int(c.type) << " value " << c.value);
    zoltc_logix_path path{};
    ASSERT_EQ(zoltc_logix_path_add_logical(&path, c.type, c.value), ZOLTC_LOGIX_STATUS_OK);
    EXPECT_EQ(bytesOf(path), c.bytes);
    zoltc_logix_path_free(&path);
  }
}

TEST(LogicalSegment, FixedTypeFormsAndOneBuilder) {
  zoltc_logix_path path{};
  ASSERT_EQ(zoltc_logix_path_add_class(&path, 0x02), ZOLTC_LOGIX_STATUS_OK);
  ASSERT_EQ(zoltc_logix_path_add_instance(&path, 0x01), ZOLTC_LOGIX_STATUS_OK);
  ASSERT_EQ(zoltc_logix_path_add_symbol(&path, "Data"), ZOLTC_LOGIX_STATUS_OK);
  ASSERT_EQ(zoltc_logix_path_add_element(&path, 3), ZOLTC_LOGIX_STATUS_OK);
  EXPECT_EQ(bytesOf(path),
            (Bytes{0x20, 0x02, 0x24, 0x01, 0x91, 4, 'D', 'a', 't', 'a', 0x28, 0x03}));
  EXPECT_EQ(zoltc_logix_path_add_logical(nullptr, 0x20, 1), ZOLTC_LOGIX_STATUS_INVALID_ARGUMENT);
  zoltc_logix_path_free(&path);
}

// A builder that would pass 32 bits is refused before anything is allocated.
TEST(LogicalSegment, LengthBeyond32BitsIsRejected) {
  zoltc_logix_path path{nullptr, 0xFFFFFFFEu, 0xFFFFFFFEu};
  EXPECT_EQ(zoltc_logix_path_add_class(&path, 70000), ZOLTC_LOGIX_STATUS_INVALID_ARGUMENT);
  EXPECT_EQ(path.length, 0xFFFFFFFEu);
}

TEST(LogicalSegment, ManySegmentsGrowTheBuilder) {
  zoltc_logix_path path{};
  Bytes expected;
  for (uint32_t i = 0; i < 40; ++i) {
    ASSERT_EQ(zoltc_logix_path_add_element(&path, 1000 + i), ZOLTC_LOGIX_STATUS_OK);
    expected.insert(expected.end(), {0x29, 0x00, static_cast<uint8_t>((1000 + i) & 0xFF),
                                     static_cast<uint8_t>((1000 + i) >> 8)});
  }
  EXPECT_EQ(bytesOf(path), expected);
  EXPECT_EQ(path.capacity, 256u);
  zoltc_logix_path_free(&path);
}

}  // namespace
