// The inspector's model against the sample: which tags it takes, the value texts it
// reads, the one-second cadence on the wall clock and the batches it must not adopt.
#include "ViewsSupport.hpp"

#include "AppState.hpp"
#include "TagInspector.hpp"

#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace {

using namespace viewtest;

constexpr std::int64_t second = TagInspector::readInterval;

constexpr std::uint16_t stringType = 0x8FCE;

// The model alone: updated by hand with a clock the test sets.
class InspectorModelTest : public SampleTest {
protected:
    void SetUp() override {
        SampleTest::SetUp();
        now = freshInspectorTime();
        inspector.setClock([this] {
            noteInspectorTime(now);
            return now;
        });
        ASSERT_EQ(connectState(port), ZOLTC_LOGIX_OK);
    }

    // Collects the batch in flight (adopted or dropped).
    void finishBatch() {
        const auto deadline = std::chrono::steady_clock::now() + patience;
        while (inspector.isReading()) {
            ASSERT_LT(std::chrono::steady_clock::now(), deadline) << "the read never ended";
            inspector.update();
            std::this_thread::yield();
        }
    }
    // One full read at the current time.
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
    void watch(const char* name, std::uint16_t type, const char* typeName = nullptr) {
        Record record(name, type, {}, typeName);
        inspector.addTag(record.get(), name);
    }

    TagInspector& inspector = TagInspector::instance();
    std::int64_t now = 0;
};

struct AddCase {
    const char* label;
    std::uint16_t type;
    std::vector<std::uint32_t> dims;
    const char* typeName;
    const char* shownType; // null: refused
};

class AddRulesTest : public InspectorModelTest, public testing::WithParamInterface<AddCase> {};

TEST_P(AddRulesTest, AtomicScalarsAndStringsAreWatchedOthersRefused) {
    const AddCase& c = GetParam();
    Record record("Tag", c.type, c.dims, c.typeName);
    inspector.addTag(record.get(), "Tag");
    if (c.shownType == nullptr) {
        EXPECT_TRUE(inspector.entries().empty());
        return;
    }
    ASSERT_EQ(inspector.entries().size(), 1u);
    EXPECT_EQ(inspector.entries()[0].typeName, c.shownType);
    EXPECT_EQ(inspector.entries()[0].value, "");
    EXPECT_EQ(inspector.entries()[0].type, c.type);
}

INSTANTIATE_TEST_SUITE_P(
    Records, AddRulesTest,
    testing::Values(AddCase{"dint", 0x00C4, {}, nullptr, "DINT"}, AddCase{"bool", 0x00C1, {}, nullptr, "BOOL"},
                    AddCase{"unnamedCode", 0x00CF, {}, nullptr, "UNKNOWN"},
                    AddCase{"dintArray", 0x20C4, {10}, nullptr, nullptr},
                    AddCase{"structure", 0x8123, {}, "TimerData", nullptr},
                    AddCase{"structureArray", 0xA123, {4}, "MotorData", nullptr},
                    AddCase{"string", stringType, {}, "STRING", "STRING"},
                    AddCase{"stringArray", 0xA000 | 0x0FCE, {3}, "STRING", "STRING"},
                    AddCase{"lowerCaseString", stringType, {}, "string", nullptr}),
    [](const testing::TestParamInfo<AddCase>& param) { return std::string(param.param.label); });

TEST_F(InspectorModelTest, ATagIsWatchedOnceAndTheRecordNameStandsInForAnEmptyPath) {
    Record counter("Counter", 0x00C4);
    inspector.addTag(counter.get(), "Counter");
    inspector.addTag(counter.get(), "Counter");
    inspector.addTag(counter.get(), "");
    inspector.addTag(counter.get(), "Program:MainProgram.Counter");
    EXPECT_EQ(inspector.entries().size(), 2u);
    EXPECT_EQ(inspector.entries()[0].name, "Counter");
    EXPECT_EQ(inspector.entries()[1].name, "Program:MainProgram.Counter");
}

TEST_F(InspectorModelTest, RemovingKeepsTheOrderOfTheOthers) {
    watch("BoolFlag", 0x00C1);
    watch("SintValue", 0x00C2);
    watch("IntValue", 0x00C3);
    inspector.removeTag("SintValue");
    inspector.removeTag("NotWatched");
    ASSERT_EQ(inspector.entries().size(), 2u);
    EXPECT_EQ(inspector.entries()[0].name, "BoolFlag");
    EXPECT_EQ(inspector.entries()[1].name, "IntValue");
    // The name may be the entry's own text.
    inspector.removeTag(inspector.entries()[0].name.c_str());
    ASSERT_EQ(inspector.entries().size(), 1u);
    EXPECT_EQ(inspector.entries()[0].name, "IntValue");
}

TEST_F(InspectorModelTest, AStringArrayIsWatchedButNeverRead) {
    Record names("Names", 0xA000 | 0x0FCE, {2}, "STRING");
    inspector.addTag(names.get(), "Names");
    watch("DintValue", 0x00C4);
    readOnce();
    EXPECT_EQ(entry("DintValue").value, "123456");
    EXPECT_EQ(entry("Names").value, "");
    for (const quillon::sim::RequestRecord& record : server->requests()) {
        EXPECT_NE(record.path, "Names");
    }
}

TEST_F(InspectorModelTest, ItemsTellWhyTheyFailedOrThatTheirTypeChanged) {
    watch("DintValue", 0x00C4);
    watch("NoSuchTag", 0x00C4);
    watch("IntValue", 0x00C4); // listed as DINT, answered as INT
    readOnce();
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
}

struct FaultCase {
    const char* label;
    std::function<void(quillon::sim::Server&)> fault;
    const char* reason;
    bool connectionGone;
};

void PrintTo(const FaultCase& c, std::ostream* out) {
    *out << c.label;
}

class ReadFaultTest : public InspectorModelTest, public testing::WithParamInterface<FaultCase> {};

TEST_P(ReadFaultTest, AFailedReadKeepsTheLastValueMarkedStaleWithTheReason) {
    watch("DintValue", 0x00C4);
    readOnce();
    const std::int64_t goodRead = now;
    GetParam().fault(*server);
    now += second;
    readOnce();
    const TagInspector::Entry& row = entry("DintValue");
    EXPECT_TRUE(row.stale);
    EXPECT_EQ(row.value, "123456");
    EXPECT_EQ(row.readTime, goodRead);
    EXPECT_EQ(row.problem, GetParam().reason);
    EXPECT_EQ(AppState::instance().isConnected(), !GetParam().connectionGone);
    EXPECT_EQ(isConnectionFailure(inspector.lastConnectionFailure()), GetParam().connectionGone);
}

INSTANTIATE_TEST_SUITE_P(
    Faults, ReadFaultTest,
    testing::Values(FaultCase{"controllerStopped", [](quillon::sim::Server& s) { s.stop(); }, "connection lost", true},
                    FaultCase{"encapsulationRefusal",
                              [](quillon::sim::Server& s) {
                                  quillon::sim::Options o = s.options();
                                  o.encapsulationStatus = 0x65;
                                  s.setOptions(o);
                              },
                              "CIP status", false}),
    [](const testing::TestParamInfo<FaultCase>& param) { return std::string(param.param.label); });

TEST_F(InspectorModelTest, ReadsStartAtMostOncePerSecondOfWallClock) {
    watch("DintValue", 0x00C4);
    readOnce();
    const std::int64_t firstStart = now;

    now = firstStart + second - 1;
    inspector.update();
    EXPECT_FALSE(inspector.isReading()) << "a nanosecond short of the interval";
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
    inspector.update();
    EXPECT_TRUE(inspector.isReading());
    finishBatch();
    EXPECT_EQ(readsOf(*server, "DintValue"), 3);
}

TEST_F(InspectorModelTest, OneBatchAtATimeEvenWhenItTakesLongerThanTheInterval) {
    watch("DintValue", 0x00C4);
    {
        PoolGate gate;
        inspector.update();
        ASSERT_TRUE(inspector.isReading());
        now += 5 * second;
        inspector.update();
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

enum class ListChange { Add, Remove, Clear };

class ListChangeTest : public InspectorModelTest, public testing::WithParamInterface<ListChange> {};

TEST_P(ListChangeTest, ABatchIsDroppedWhenTheListChangedMeanwhile) {
    watch("DintValue", 0x00C4);
    watch("IntValue", 0x00C3);
    {
        PoolGate gate;
        inspector.update();
        ASSERT_TRUE(inspector.isReading());
        switch (GetParam()) {
        case ListChange::Add:
            watch("SintValue", 0x00C2);
            break;
        case ListChange::Remove:
            inspector.removeTag("IntValue");
            break;
        case ListChange::Clear:
            inspector.clear();
            break;
        }
        gate.open();
    }
    finishBatch();
    std::vector<std::string> names;
    for (const TagInspector::Entry& e : inspector.entries()) {
        names.push_back(e.name);
        EXPECT_EQ(e.value, "") << e.name << ": the stale batch was adopted";
    }
    if (GetParam() == ListChange::Clear) {
        EXPECT_TRUE(names.empty());
        return;
    }
    EXPECT_EQ(names.size(), GetParam() == ListChange::Add ? 3u : 1u);
    now += second;
    readOnce();
    EXPECT_EQ(entry("DintValue").value, "123456") << "the next batch reads the new list";
}

INSTANTIATE_TEST_SUITE_P(Changes, ListChangeTest, testing::Values(ListChange::Add, ListChange::Remove, ListChange::Clear));

TEST_F(InspectorModelTest, NoReadsWhileDisconnectedAndABatchInFlightIsDropped) {
    watch("DintValue", 0x00C4);
    {
        PoolGate gate;
        inspector.update();
        ASSERT_TRUE(inspector.isReading());
        AppState::instance().disconnect();
        gate.open();
    }
    finishBatch();
    EXPECT_EQ(entry("DintValue").value, "");
    EXPECT_EQ(readsOf(*server, "DintValue"), 0) << "the batch saw the connection gone";
    now += 10 * second;
    inspector.update();
    EXPECT_FALSE(inspector.isReading());
}

TEST_F(InspectorModelTest, ABatchOfAnEarlierConnectionIsDropped) {
    watch("DintValue", 0x00C4);
    inspector.update();
    ASSERT_TRUE(inspector.isReading());
    drainPool(); // the batch has read its values
    ASSERT_EQ(readsOf(*server, "DintValue"), 1);
    ASSERT_EQ(connectState(port), ZOLTC_LOGIX_OK); // a new connection before the batch is collected
    inspector.update();
    EXPECT_FALSE(inspector.isReading());
    EXPECT_EQ(entry("DintValue").value, "") << "values of the earlier connection were adopted";
    now += second;
    readOnce();
    EXPECT_EQ(entry("DintValue").value, "123456");
}

} // namespace
