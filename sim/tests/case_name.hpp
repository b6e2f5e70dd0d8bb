// Names parameterised cases after their `name` field.
#pragma once

#include <gtest/gtest.h>

#include <string>

struct CaseName {
  template <typename Param>
  std::string operator()(const ::testing::TestParamInfo<Param>& param) const {
    return param.param.name;
  }
};
