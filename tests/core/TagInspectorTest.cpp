// The inspector's model against the sample controller.
#include "AppState.hpp"
#include "HandRecords.hpp"
#include "PoolGate.hpp"
#include "SimFixture.hpp"
#include "TagInspector.hpp"

#include <algorithm>
#include <functional>
#include <string>
#include <utility>
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
        static bool poolStarted = false;
        if (!std::exchange(poolStarted, true)) {
            ThreadPool::instance().init(1); // as the program runs: one worker
        }
        // The inspector's last read start outlives a test: every test starts later.
        static std::int64_t base = 0;
        now = base += 3600 * second;
        inspector.setClock([this] { return now; });
        startSim();
        connect();
    }
    void TearDown() override {
        AppState::instance().disconnect();
        drainPool();
        inspector.clear();
        inspector.update(); // collects a finished batch; nothing new starts while disconnected
        inspector.setClock(nullptr);
        SimTest::TearDown();
    }

    void connect() {
        zoltc_logix_result connected = ZOLTC_LOGIX_ERR_UNKNOWN;
        pooltest::runOnWorker([&] { connected = AppState::instance().connect("127.0.0.1", port); });
        ASSERT_EQ(connected, ZOLTC_LOGIX_OK);
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
        const auto& rows = inspector.entries();
        const auto found = std::find_if(rows.begin(), rows.end(), [&](const auto& e) { return e.name == name; });
        return found != rows.end() ? *found : throw std::runtime_error("not watched: " + name);
    }
    void watch(const char* name, unsigned type, std::array<std::uint32_t, 3> sizes = {},
               const char* typeName = nullptr) {
        inspector.addTag(records.record(name, type, sizes, typeName), name);
    }

    TagInspector& inspector = TagInspector::instance();
    handrecords::HandRecords records;
    std::int64_t now = 0;
};

// A failed read (a refusal keeps the connection, a controller gone ends it) keeps each
// row's last value and its time, marked stale with the reason.
TEST_F(InspectorModelTest, TakenTagsReadValuesProblemsSortAndFailedReads) {
    // Taken once per path; the record's name stands in for an empty path.
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
    inspector.clear();

    watch("UlintValue", ZOLTC_LOGIX_TYPE_ULINT);
    watch("Message", handrecords::kStringStruct, {}, "STRING");
    watch("LintValue", ZOLTC_LOGIX_TYPE_LINT);
    watch("IntValue", ZOLTC_LOGIX_TYPE_DINT); // listed as DINT, answered as INT
    watch("RealValue", ZOLTC_LOGIX_TYPE_REAL);
    watch("NoSuchTag", ZOLTC_LOGIX_TYPE_DINT);
    watch("DintValue", ZOLTC_LOGIX_TYPE_DINT);
    watch("Names", handrecords::kStringStruct | dims(1), {2, 0, 0}, "STRING");
    watch("DintArray", ZOLTC_LOGIX_TYPE_DINT | dims(1), {4, 0, 0});
    ASSERT_EQ(inspector.entries().size(), 8u) << "the DINT array is refused";
    EXPECT_EQ(entry("Names").typeName, "STRING");
    readOnce();
    const std::int64_t goodRead = now;
    EXPECT_EQ(entry("Message").value, "Hello from line 1");
    EXPECT_EQ(entry("DintValue").value, "123456");
    EXPECT_FALSE(entry("DintValue").stale);
    EXPECT_TRUE(entry("NoSuchTag").stale);
    EXPECT_EQ(entry("NoSuchTag").problem, "tag not found (path segment error)");
    EXPECT_EQ(entry("IntValue").value, "-1234") << "decoded by the reply's type";
    EXPECT_EQ(entry("IntValue").typeName, "INT");
    EXPECT_EQ(entry("IntValue").problem, typeChangedText);
    EXPECT_EQ(readsOf(*server, "Names"), 0) << "a STRING array is not read";
    inspector.removeTag("Names");

    // Numbers by value (a ULINT past 2^63 too), then texts, then rows without one; header
    // clicks, the descending order and rows dragged are the views' tests.
    auto order = [&](TagInspector::SortKey key) {
        inspector.sortBy(key, false);
        std::vector<std::string> names;
        for (const TagInspector::Entry& e : inspector.entries()) {
            names.push_back(e.name);
        }
        return names;
    };
    EXPECT_EQ(order(TagInspector::SortKey::Value), (std::vector<std::string>{"LintValue", "IntValue", "RealValue",
                                                                             "DintValue", "UlintValue", "Message", "NoSuchTag"}));
    EXPECT_EQ(order(TagInspector::SortKey::Type), (std::vector<std::string>{"DintValue", "NoSuchTag", "IntValue",
                                                                            "LintValue", "RealValue", "Message", "UlintValue"}));
    inspector.setFormat("IntValue", ValueFormat{IntegerBase::Hexadecimal});
    EXPECT_EQ(TagInspector::shownValue(entry("IntValue")), "16#FB2E") << "the bits of the type it was read as";

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

// Reads start at most once per second of the inspector's clock, one batch at a time; a batch
// is not adopted when the list or the connection changed while it was read.
TEST_F(InspectorModelTest, ReadsStartOncePerSecondOneBatchAtATimeAndStaleBatchesAreDropped) {
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
    finishBatch();
    const std::int64_t firstStart = now;
    now = firstStart + second - 1;
    inspector.update();
    EXPECT_FALSE(inspector.isReading()) << "a nanosecond short of the interval";
    EXPECT_EQ(inspector.nextReadTime(), firstStart + second);
    now = firstStart + second;
    readOnce();
    const std::int64_t secondStart = now;
    now = secondStart - 3600 * second; // set back: nothing until it has caught up with the last start
    inspector.update();
    EXPECT_FALSE(inspector.isReading());
    now = secondStart + second;
    readOnce();
    EXPECT_EQ(readsOf(*server, "DintValue"), 4);

    const struct {
        const char* name;
        std::function<void()> change;
    } changes[] = {
        {"addTag", [&] { watch("SintValue", ZOLTC_LOGIX_TYPE_SINT); }},
        {"reconnect", [] {}},
        {"disconnect", [] { AppState::instance().disconnect(); }},
    };
    for (const auto& c : changes) {
        SCOPED_TRACE(c.name);
        const bool reconnect = c.name == std::string("reconnect");
        const bool disconnect = c.name == std::string("disconnect");
        inspector.clear();
        watch("DintValue", ZOLTC_LOGIX_TYPE_DINT);
        watch("IntValue", ZOLTC_LOGIX_TYPE_INT);
        const int readsBefore = readsOf(*server, "DintValue");
        now += second;
        {
            PoolGate gate;
            inspector.update();
            ASSERT_TRUE(inspector.isReading());
            c.change();
            gate.open();
        }
        if (reconnect) {
            drainPool(); // the batch has read its values on the earlier connection
            ASSERT_EQ(readsOf(*server, "DintValue"), readsBefore + 1);
            connect();
        }
        finishBatch();
        for (const TagInspector::Entry& e : inspector.entries()) {
            EXPECT_EQ(e.value, "") << e.name << ": the stale batch was adopted";
        }
        now += second;
        if (disconnect) {
            EXPECT_EQ(readsOf(*server, "DintValue"), readsBefore) << "the batch saw the connection gone";
            inspector.update();
            EXPECT_FALSE(inspector.isReading()) << "no reads while disconnected";
            EXPECT_EQ(entry("DintValue").problem, "not connected");
        } else {
            readOnce();
            EXPECT_EQ(entry("DintValue").value, "123456");
        }
    }
}

} // namespace
