// Type-word predicates, the STRING test and the release of tag records.
#include <cstdint>
#include <cstring>

#include <gtest/gtest.h>

#include "alloc.h"
#include "test_allocator.hpp"

namespace {

struct TypeRow {
  uint16_t type;
  uint8_t dimensions;
  uint8_t code;
  bool atomic;
  bool program;
  bool structure;
  uint16_t templateId;
};

class TypeWord : public ::testing::TestWithParam<TypeRow> {};

TEST_P(TypeWord, Predicates) {
  const TypeRow& row = GetParam();
  SCOPED_TRACE(::testing::Message() << "type word 0x" << std::hex << row.type);
  EXPECT_EQ(zoltc_logix_type_dimensions(row.type), row.dimensions);
  EXPECT_EQ(zoltc_logix_type_atomic_code(row.type), row.code);
  EXPECT_EQ(zoltc_logix_type_is_atomic(row.type), row.atomic);
  EXPECT_EQ(zoltc_logix_type_is_program(row.type), row.program);
  EXPECT_EQ(zoltc_logix_type_is_struct(row.type), row.structure);
  EXPECT_EQ(zoltc_logix_type_template_id(row.type), row.templateId);
}

const TypeRow typeRows[] = {
    {0x00C4, 0, 0xC4, true, false, false, 0x0C4},   // DINT
    {0x20C4, 1, 0xC4, false, false, false, 0x0C4},  // DINT[]
    {0x40C4, 2, 0xC4, false, false, false, 0x0C4},  // DINT[,]
    {0x60C4, 3, 0xC4, false, false, false, 0x0C4},  // DINT[,,]
    {0x0AC4, 0, 0xC4, true, false, false, 0xAC4},   // bits 8-11 ignored by the code
    {0x00CF, 0, 0xCF, true, false, false, 0x0CF},   // code without a name
    {0x1068, 0, 0x68, true, true, false, 0x068},    // program entry
    {0x1069, 0, 0x69, true, false, false, 0x069},   // system symbol, not a program
    {0x10C4, 0, 0xC4, true, false, false, 0x0C4},   // system bit does not stop atomic
    {0x8FCE, 0, 0xCE, false, false, true, 0xFCE},   // STRING structure
    {0xAFCE, 1, 0xCE, false, false, true, 0xFCE},   // array of structures
    {0xE234, 3, 0x34, false, false, true, 0x234},   // 3-dimensional structure array
    {0x9234, 0, 0x34, false, false, false, 0x234},  // system structure
    {0xF234, 3, 0x34, false, false, false, 0x234},
    {0x8000, 0, 0x00, false, false, true, 0x000},
    {0x0000, 0, 0x00, true, false, false, 0x000},
    {0xFFFF, 3, 0xFF, false, false, false, 0xFFF},
};

INSTANTIATE_TEST_SUITE_P(Rows, TypeWord, ::testing::ValuesIn(typeRows));

TEST(TagIsString, ComparesTheTemplateNameByteForByte) {
  char upper[] = "STRING";
  char lower[] = "string";
  char longer[] = "STRING2";
  char shorter[] = "STRIN";
  zoltc_logix_tag_info info{};
  EXPECT_FALSE(zoltc_logix_tag_is_string(&info));
  info.type_name = upper;
  EXPECT_TRUE(zoltc_logix_tag_is_string(&info));
  info.type_name = lower;
  EXPECT_FALSE(zoltc_logix_tag_is_string(&info));
  info.type_name = longer;
  EXPECT_FALSE(zoltc_logix_tag_is_string(&info));
  info.type_name = shorter;
  EXPECT_FALSE(zoltc_logix_tag_is_string(&info));
  EXPECT_FALSE(zoltc_logix_tag_is_string(nullptr));
}

char* copyText(const char* text) {
  size_t length = std::strlen(text) + 1;
  char* copy = static_cast<char*>(zoltc_logix_alloc(length));
  std::memcpy(copy, text, length);
  return copy;
}

// A record with `count` members, each with `count - 1` members of its own.
void fill(zoltc_logix_tag_info* info, uint32_t count) {
  info->name = copyText("node");
  info->type = 0x8001;
  info->type_name = copyText("Node");
  if (count == 0) {
    return;
  }
  info->members.items = static_cast<zoltc_logix_tag_info*>(
      zoltc_logix_alloc_array(count, sizeof(zoltc_logix_tag_info)));
  info->members.count = count;
  std::memset(info->members.items, 0, count * sizeof(zoltc_logix_tag_info));
  for (uint32_t i = 0; i < count; ++i) {
    fill(&info->members.items[i], count - 1);
  }
}

bool isZero(const zoltc_logix_tag_info& info) {
  zoltc_logix_tag_info zero{};
  return std::memcmp(&info, &zero, sizeof zero) == 0;
}

TEST(TagInfoRelease, ReleasesNestedRecordsAndZeroes) {
  quillon::testing::TestAllocator allocator;
  zoltc_logix_tag_info info{};
  fill(&info, 3);
  info.instance_id = 7;
  info.dims[0] = 4;
  ASSERT_GT(allocator.liveBlocks(), 40u);
  zoltc_logix_tag_info_free(&info);
  EXPECT_TRUE(isZero(info));
  EXPECT_EQ(allocator.liveBlocks(), 0u);
  zoltc_logix_tag_info_free(&info);  // a released record may be released again
  EXPECT_TRUE(isZero(info));
  zoltc_logix_tag_info_free(nullptr);
}

TEST(TagInfoRelease, ListReleaseEmptiesTheList) {
  quillon::testing::TestAllocator allocator;
  zoltc_logix_tag_info root{};
  fill(&root, 4);
  zoltc_logix_tag_info_list list = root.members;
  root.members = {};
  zoltc_logix_tag_info_free(&root);
  zoltc_logix_tag_info_list_free(&list);
  EXPECT_EQ(list.count, 0u);
  EXPECT_EQ(list.items, nullptr);
  EXPECT_EQ(allocator.liveBlocks(), 0u);
  zoltc_logix_tag_info_list_free(&list);
  zoltc_logix_tag_info_list_free(nullptr);
}

// Members whose names could not be copied are released all the same.
TEST(TagInfoRelease, SkipsNullTexts) {
  quillon::testing::TestAllocator allocator;
  zoltc_logix_tag_info info{};
  info.members.items =
      static_cast<zoltc_logix_tag_info*>(zoltc_logix_alloc_array(2, sizeof(zoltc_logix_tag_info)));
  std::memset(info.members.items, 0, 2 * sizeof(zoltc_logix_tag_info));
  info.members.count = 2;
  info.members.items[1].name = copyText("b");
  zoltc_logix_tag_info_free(&info);
  EXPECT_TRUE(isZero(info));
  EXPECT_EQ(allocator.liveBlocks(), 0u);
}

}  // namespace
