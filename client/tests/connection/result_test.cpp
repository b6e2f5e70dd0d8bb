// The conversion of internal statuses to public results, and result names.
#include <gtest/gtest.h>

#include <map>
#include <string>

#include "zoltc_logix.h"

namespace {

TEST(ResultFromStatus, EveryStatusValue) {
  const std::map<int, int> mapped{{0, 0}, {1, 1}, {2, 2},  {3, 3},   {4, 4},  {5, 5},
                                  {7, 6}, {8, 7}, {9, 8}, {11, 10}, {15, 18}, {16, 20}, {17, 21}};
  for (int status = 0; status <= 255; ++status) {
    SCOPED_TRACE(status);
    const auto found = mapped.find(status);
    const int expected = found != mapped.end() ? found->second : ZOLTC_LOGIX_ERR_UNKNOWN;
    EXPECT_EQ(zoltc_logix_result_from_status(static_cast<zoltc_logix_status>(status)), expected);
  }
}

TEST(ResultName, NamedCodesAndTheRest) {
  EXPECT_STREQ(zoltc_logix_result_name(ZOLTC_LOGIX_OK), "ok");
  EXPECT_STREQ(zoltc_logix_result_name(ZOLTC_LOGIX_ERR_TIMEOUT), "timeout");
  EXPECT_STREQ(zoltc_logix_result_name(ZOLTC_LOGIX_ERR_TOO_LARGE), "too large");
  EXPECT_STREQ(zoltc_logix_result_name(ZOLTC_LOGIX_ERR_UNSUPPORTED), "unsupported");
  for (int unnamed : {11, 12, 13, 14, 22, 255}) {
    EXPECT_STREQ(zoltc_logix_result_name(static_cast<zoltc_logix_result>(unnamed)),
                 "unknown result");
  }
}

}  // namespace
