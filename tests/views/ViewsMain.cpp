// The process-wide services of the views, set up once per test process.
#include "AssetPack.hpp"
#include "ThreadPool.hpp"

#include <gtest/gtest.h>

namespace {

class ViewsEnvironment : public testing::Environment {
public:
    void SetUp() override {
        AssetPack::instance().load(QUILLON_ASSET_PACK);
        // As the program runs: one worker, so background work runs in submission order.
        ThreadPool::instance().init(1);
    }
    void TearDown() override { ThreadPool::instance().stop(); }
};

} // namespace

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    testing::AddGlobalTestEnvironment(new ViewsEnvironment);
    return RUN_ALL_TESTS();
}
