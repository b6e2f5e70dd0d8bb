// The inspector's model against the sample: which tags it takes, the value texts it
// reads, stale rows with their reasons, the one-second cadence on its clock and the
// batches it must not adopt.
#include "AppState.hpp"
#include "HandRecords.hpp"
#include "PoolGate.hpp"
#include "SimFixture.hpp"
#include "TagInspector.hpp"

#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace {

using handrecords::dims;
using pooltest::drainPool;
using pooltest::PoolGate;
using simtest::readsOf;

constexpr std::int64_t second = TagInspector::readInterval;

class InspectorModelTest : public simtest::SimTest {
protected:
    void SetUp() override {
        static const bool poolStarted = [] {
            ThreadPool::instance().init(1); // as the program runs: one worker
            return true;
        }();
        (void)poolStarted;
        // The inspector's last read start outlives a test: every test starts later.
        static std::int64_t base = 0;
        now = base += 3600 * second;
        inspector.setClock([this] { return now; });
        startSim();
        zoltc_logix_result connected = ZOLTC_LOGIX_ERR_UNKNOWN;
        pooltest::runOnWorker([&] { connected = AppState::instance().connect("127.0.0.1", port); });
        ASSERT_EQ(connected, ZOLTC_LOGIX_OK);
    }
    void TearDown() override {
        AppState::instance().disconnect();
        drainPool();
        inspector.clear();
        inspector.update(); // collects a finished batch; nothing new starts while disconnected
        inspector.setClock(nullptr);
        SimTest::TearDown();
    }

    // Collects the batch in flight (adopted or dropped).
    void finishBatch() {
        ASSERT_TRUE(simtest::waitFor([&] {
            inspector.update();
            return !inspector.isReading();
        })) << "the read never ended";
    }
    void readOnce() {
        inspector.update();
        ASSERT_TRUE(inspector.isReading());
        finishBatch();
    }
    const TagInspector::Entry& entry(const std::string& name) const {
        for (const TagInspector::Entry& e : inspector.entries()) {
            if (e.name == name) {
                return e;
            }
        }
        throw std::runtime_error("not watched: " + name);
    }
    void watch(const char* name, unsigned type, std::array<std::uint32_t, 3> sizes = {},
               const char* typeName = nullptr) {
        inspector.addTag(records.record(name, type, sizes, typeName), name);
    }

    TagInspector& inspector = TagInspector::instance();
    handrecords::HandRecords records;
    std::int64_t now = 0;
};

TEST_F(InspectorModelTest, AtomicScalarsAndStringsAreWatchedOthersRefused) {
    struct Case {
        unsigned type;
        const char* typeName;
        const char* shownType; // null: refused
    };
    const Case cases[] = {
        {ZOLTC_LOGIX_TYPE_DINT, nullptr, "DINT"},
        {0xCF, nullptr, "UNKNOWN"},
        {ZOLTC_LOGIX_TYPE_DINT | dims(1), nullptr, nullptr},
        {handrecords::kTankStruct, "TimerData", nullptr},
        {handrecords::kStringStruct, "STRING", "STRING"},
        {handrecords::kStringStruct | dims(1), "STRING", "STRING"},
        {handrecords::kStringStruct, "string", nullptr},
    };
    for (const Case& c : cases) {
        inspector.clear();
        watch("Tag", c.type, {4, 0, 0}, c.typeName);
        ASSERT_EQ(inspector.entries().size(), c.shownType != nullptr ? 1u : 0u) << std::hex << c.type;
        if (c.shownType != nullptr) {
            EXPECT_EQ(inspector.entries()[0].typeName, c.shownType);
            EXPECT_EQ(inspector.entries()[0].type, c.type);
        }
    }
}

TEST_F(InspectorModelTest, ATagIsWatchedOnceRemovedByNameAndTheRecordNameStandsInForAnEmptyPath) {
    const auto counter = records.record("Counter", ZOLTC_LOGIX_TYPE_DINT);
    for (const char* path : {"Counter", "Counter", "", "Program:P.Counter", "Step"}) {
        inspector.addTag(counter, path);
    }
    ASSERT_EQ(inspector.entries().size(), 3u);
    inspector.removeTag("Program:P.Counter");
    inspector.removeTag("NotWatched");
    ASSERT_EQ(inspector.entries().size(), 2u);
    EXPECT_EQ(inspector.entries()[1].name, "Step") << "the others keep their order";
    inspector.removeTag(inspector.entries()[0].name.c_str()); // the entry's own text
    EXPECT_EQ(inspector.entries()[0].name, "Step");
}

TEST_F(InspectorModelTest, RowsTellWhyTheyFailedOrThatTheirTypeChangedAndStringArraysAreNotRead) {
    watch("DintValue", ZOLTC_LOGIX_TYPE_DINT);
    watch("NoSuchTag", ZOLTC_LOGIX_TYPE_DINT);
    watch("IntValue", ZOLTC_LOGIX_TYPE_DINT); // listed as DINT, answered as INT
    watch("Names", handrecords::kStringStruct | dims(1), {2, 0, 0}, "STRING");
    watch("Message", handrecords::kStringStruct, {}, "STRING");
    readOnce();
    EXPECT_EQ(entry("Message").value, "Hello from line 1");
    EXPECT_EQ(entry("DintValue").value, "123456");
    EXPECT_EQ(entry("DintValue").readTime, now);
    EXPECT_FALSE(entry("DintValue").stale);
    EXPECT_EQ(entry("NoSuchTag").value, "");
    EXPECT_TRUE(entry("NoSuchTag").stale);
    EXPECT_EQ(entry("NoSuchTag").problem, "tag not found (path segment error)");
    EXPECT_EQ(entry("IntValue").value, "-1234") << "decoded by the reply's type";
    EXPECT_EQ(entry("IntValue").typeName, "INT");
    EXPECT_EQ(entry("IntValue").problem, typeChangedText);
    EXPECT_FALSE(entry("IntValue").stale);
    EXPECT_EQ(entry("Names").value, "");
    EXPECT_EQ(readsOf(*server, "Names"), 0);
}

// A refusal keeps the connection; a controller gone ends it. Either way the row keeps the
// last value and its time, marked stale with the reason.
TEST_F(InspectorModelTest, AFailedReadKeepsTheLastValueMarkedStaleWithTheReason) {
    watch("DintValue", ZOLTC_LOGIX_TYPE_DINT);
    readOnce();
    const std::int64_t goodRead = now;
    quillon::sim::Options refusing = server->options();
    refusing.encapsulationStatus = 0x65;
    for (const char* reason : {"CIP status", "connection lost"}) {
        const bool gone = reason == std::string("connection lost");
        gone ? server->stop() : server->setOptions(refusing);
        now += second;
        readOnce();
        const TagInspector::Entry& row = entry("DintValue");
        EXPECT_TRUE(row.stale);
        EXPECT_EQ(row.value, "123456");
        EXPECT_EQ(row.readTime, goodRead);
        EXPECT_EQ(row.problem, reason);
        EXPECT_EQ(AppState::instance().isConnected(), !gone) << reason;
        EXPECT_EQ(isConnectionFailure(inspector.lastConnectionFailure()), gone) << reason;
    }
}

TEST_F(InspectorModelTest, ReadsStartAtMostOncePerSecondOfItsClock) {
    watch("DintValue", ZOLTC_LOGIX_TYPE_DINT);
    readOnce();
    const std::int64_t firstStart = now;
    now = firstStart + second - 1;
    inspector.update();
    EXPECT_FALSE(inspector.isReading()) << "a nanosecond short of the interval";
    EXPECT_EQ(inspector.nextReadTime(), firstStart + second);
    now = firstStart + second;
    readOnce();
    const std::int64_t secondStart = now;
    // The clock set back an hour: nothing until it has caught up with the last start.
    for (std::int64_t t : {secondStart - 3600 * second, secondStart - 1, secondStart + second / 2}) {
        now = t;
        inspector.update();
        EXPECT_FALSE(inspector.isReading()) << "at " << (t - secondStart) << " ns";
    }
    now = secondStart + second;
    readOnce();
    EXPECT_EQ(readsOf(*server, "DintValue"), 3);
}

TEST_F(InspectorModelTest, OneBatchAtATimeEvenWhenItTakesLongerThanTheInterval) {
    watch("DintValue", ZOLTC_LOGIX_TYPE_DINT);
    {
        PoolGate gate;
        inspector.update();
        ASSERT_TRUE(inspector.isReading());
        now += 5 * second;
        inspector.update();
        gate.open();
    }
    drainPool();
    EXPECT_EQ(readsOf(*server, "DintValue"), 1) << "no second batch while the first was in flight";
    inspector.update(); // collects the late batch and starts the next at once
    EXPECT_TRUE(inspector.isReading());
    EXPECT_EQ(entry("DintValue").value, "123456");
    finishBatch();
    EXPECT_EQ(readsOf(*server, "DintValue"), 2);
}

TEST_F(InspectorModelTest, RowsSortByNameTypeOrValueMoveByHandAndShowTheirFormat) {
    watch("UlintValue", ZOLTC_LOGIX_TYPE_ULINT);
    watch("Message", handrecords::kStringStruct, {}, "STRING");
    watch("LintValue", ZOLTC_LOGIX_TYPE_LINT);
    watch("IntValue", ZOLTC_LOGIX_TYPE_DINT); // answered as INT
    watch("RealValue", ZOLTC_LOGIX_TYPE_REAL);
    watch("NoSuchTag", ZOLTC_LOGIX_TYPE_DINT);
    readOnce();
    auto order = [&](TagInspector::SortKey key, bool descending) {
        inspector.sortBy(key, descending);
        std::vector<std::string> names;
        for (const TagInspector::Entry& e : inspector.entries()) {
            names.push_back(e.name);
        }
        return names;
    };
    using Key = TagInspector::SortKey;
    const std::vector<std::string> byValue{"LintValue", "IntValue", "RealValue", "UlintValue", "Message", "NoSuchTag"};
    EXPECT_EQ(order(Key::Value, false), byValue);
    EXPECT_EQ(order(Key::Value, true), std::vector<std::string>(byValue.rbegin(), byValue.rend()));
    EXPECT_EQ(order(Key::Type, false),
              (std::vector<std::string>{"NoSuchTag", "IntValue", "LintValue", "RealValue", "Message", "UlintValue"}));
    EXPECT_EQ(order(Key::Name, false),
              (std::vector<std::string>{"IntValue", "LintValue", "Message", "NoSuchTag", "RealValue", "UlintValue"}));
    inspector.moveTag(5, 0);
    inspector.moveTag(1, 2);
    EXPECT_EQ(inspector.entries()[0].name, "UlintValue");
    EXPECT_EQ(inspector.entries()[2].name, "IntValue");

    const ValueFormat hex{IntegerBase::Hexadecimal};
    inspector.setFormat("IntValue", hex);
    inspector.setFormat("Message", hex);
    EXPECT_EQ(TagInspector::shownValue(entry("IntValue")), "16#FB2E") << "the bits of the type it was read as";
    EXPECT_EQ(TagInspector::shownValue(entry("Message")), "Hello from line 1");
    EXPECT_EQ(TagInspector::shownValue(entry("LintValue")), "-9000000000");
}

enum class Change { AddTag, RemoveTag, Reorder, Clear, Disconnect, Reconnect };
const char* const changeNames[] = {"addTag", "removeTag", "reorder", "clear", "disconnect", "reconnect"};
void PrintTo(Change change, std::ostream* out) {
    *out << changeNames[static_cast<int>(change)];
}

class DroppedBatchTest : public InspectorModelTest, public testing::WithParamInterface<Change> {};

// A batch is not adopted when the list or the connection changed while it was read.
TEST_P(DroppedBatchTest, TheBatchIsDroppedAndTheNextReadsTheNewState) {
    watch("DintValue", ZOLTC_LOGIX_TYPE_DINT);
    watch("IntValue", ZOLTC_LOGIX_TYPE_INT);
    {
        PoolGate gate;
        inspector.update();
        ASSERT_TRUE(inspector.isReading());
        switch (GetParam()) {
        case Change::AddTag:
            watch("SintValue", ZOLTC_LOGIX_TYPE_SINT);
            break;
        case Change::RemoveTag:
            inspector.removeTag("IntValue");
            break;
        case Change::Reorder:
            inspector.moveTag(1, 0);
            break;
        case Change::Clear:
            inspector.clear();
            break;
        case Change::Disconnect:
            AppState::instance().disconnect();
            break;
        case Change::Reconnect:
            break;
        }
        gate.open();
    }
    if (GetParam() == Change::Reconnect) {
        drainPool(); // the batch has read its values on the earlier connection
        ASSERT_EQ(readsOf(*server, "DintValue"), 1);
        pooltest::runOnWorker([&] { AppState::instance().connect("127.0.0.1", port); });
    }
    finishBatch();
    for (const TagInspector::Entry& e : inspector.entries()) {
        EXPECT_EQ(e.value, "") << e.name << ": the stale batch was adopted";
    }
    now += second;
    if (GetParam() == Change::Disconnect) {
        EXPECT_EQ(readsOf(*server, "DintValue"), 0) << "the batch saw the connection gone";
        inspector.update();
        EXPECT_FALSE(inspector.isReading()) << "no reads while disconnected";
        EXPECT_EQ(entry("DintValue").problem, "not connected");
    } else if (GetParam() != Change::Clear) {
        readOnce();
        EXPECT_EQ(entry("DintValue").value, "123456");
    }
}

INSTANTIATE_TEST_SUITE_P(Changes, DroppedBatchTest,
                         testing::Values(Change::AddTag, Change::RemoveTag, Change::Reorder, Change::Clear,
                                         Change::Disconnect, Change::Reconnect),
                         [](const auto& param) { return std::string(changeNames[static_cast<int>(param.param)]); });

} // namespace
