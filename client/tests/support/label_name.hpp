// Names parameterised test cases after their `label` member:
//   INSTANTIATE_TEST_SUITE_P(Rows, Suite, ::testing::ValuesIn(rows), quillon::testing::LabelName{});
#pragma once

#include <string>

#include <gtest/gtest.h>

namespace quillon::testing {

struct LabelName {
  template <typename Param>
  std::string operator()(const ::testing::TestParamInfo<Param>& row) const {
    return row.param.label;
  }
};

}  // namespace quillon::testing
