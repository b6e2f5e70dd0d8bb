// Read Tag and Read Tag Fragmented over every kind of path, refusals, fragments, and live values.
#include <bit>

#include "sim_test.hpp"

namespace quillon::sim::test {
namespace {

Bytes real(float value) { return le(std::bit_cast<uint32_t>(value), 4); }

using Reads = SimTest;

// Every kind of path: the type word and the value; refusals: the status and no data.
TEST_F(Reads, ValuesElementsStructuresAndRefusals) {
  auto wire = client();
  for (const auto& [path, type, value] : std::vector<std::tuple<const char*, uint16_t, Bytes>>{
           {"BoolFlag", 0xC1, {1}},
           {"SintValue", 0xC2, le(static_cast<uint8_t>(-12), 1)},
           {"IntValue", 0xC3, le(static_cast<uint16_t>(-1234), 2)},
           {"DintValue", 0xC4, le(123456, 4)},
           {"LintValue", 0xC5, le(static_cast<uint64_t>(-9000000000ll), 8)},
           {"UsintValue", 0xC6, {200}},
           {"UintValue", 0xC7, le(60000, 2)},
           {"UdintValue", 0xC8, le(4000000000u, 4)},
           {"UlintValue", 0xC9, le(18000000000000000000ull, 8)},
           {"RealValue", 0xCA, real(1.5f)},
           {"LrealValue", 0xCB, le(std::bit_cast<uint64_t>(3.141592653589793), 8)},
           {"Matrix[2,3]", 0xC4, le(12, 4)},
           {"Cube[1,2,3]", 0xC3, le(24, 2)},
           {"Inputs[0]", 0xD3, le(0x8D, 4)},  // a BOOL array word
           {"Line1.Tanks[1].Batch", 0xC4, le(1002, 4)},
           {"Line1.Tanks[2].HighAlarm", 0xC1, {1}},
           {"Line1.Tanks[1].HighAlarm", 0xC1, {0}},
           {"Motors[2].Forward", 0xC1, {1}},  // the third BOOL of its host
           {"Motors[1].Alarms[0]", 0xD3, le(2, 4)},
           {"Line1.Motor.Name.LEN", 0xC4, le(10, 4)},
           {"Motors[2].Name.DATA[0]", 0xC2, {'P'}},
           {"CycleTimer.ZZZZZZZZZZTimerData0", 0xC2, {0x03}},  // a hidden BOOL host
           {"Program:MainProgram.LocalMotor.Speed", 0xCA, real(300.0f)},
           {"PROGRAM:packaging.boxcount", 0xC4, le(312, 4)},  // names ignore case
           {"__SysDiagnostics", 0xC4, le(7, 4)}}) {
    const RouterReply reply = wire->request(readTagRequest(path));
    EXPECT_EQ(std::tuple(reply.status, reply.data), std::tuple(0, join(le(type, 2), value))) << path;
  }
  for (const auto& [label, request, status, additional] : std::vector<std::tuple<const char*, Bytes, uint8_t, std::vector<uint16_t>>>{
           {"UnknownTag", readTagRequest("Nope"), 0x04, {}},
           {"UnknownMember", readTagRequest("Line1.Nope"), 0x04, {}},
           {"IndexOutOfRange", readTagRequest("Matrix[3,0]"), 0x05, {0x2105}},
           {"TooFewIndices", readTagRequest("Matrix[1]"), 0x04, {}},
           {"MemberOfAtomic", readTagRequest("DintValue.X"), 0x04, {}},
           {"MemberOfWholeArray", readTagRequest("Motors.Speed"), 0x04, {}},
           {"ProgramItself", readTagRequest("Program:MainProgram"), 0x05, {}},
           {"ControllerTagViaProgram", readTagRequest("Program:MainProgram.DintValue"), 0x04, {}},
           {"SymbolWithoutData", readTagRequest("Task:MainTask"), 0x05, {}},
           {"CountZero", readTagRequest("DintValue", 0), 0x03, {}},
           {"CountBeyondArray", readTagRequest("Matrix[2,2]", 3), 0xFF, {0x2105}},
           {"NoCount", routerRequest(0x4C, PathBuilder().symbol("DintValue")), 0x13, {}},
           {"ExtraData", routerRequest(0x4C, PathBuilder().symbol("DintValue"), {1, 0, 0}), 0x15, {}},
           {"FragmentPastTheEnd", fragmentedRequest("Message", 1, 88), 0xFF, {0x2105}},
           {"FragmentWithoutOffset", routerRequest(0x52, PathBuilder().symbol("Message"), {1, 0}), 0x13, {}}}) {
    const RouterReply reply = wire->request(request);
    EXPECT_EQ(std::tuple(reply.status, reply.additional, reply.data.size()), std::tuple(status, additional, 0u)) << label;
  }
  // Several elements come consecutively; a structure reply carries its template's handle; data
  // above the reply limit comes partially.
  EXPECT_EQ(wire->request(readTagRequest("Temperatures[2]", 3)).data, join(le(0xCA, 2), join(real(21.5f), join(real(22.0f), real(22.5f)))));
  const RouterReply timer = wire->request(readTagRequest("CycleTimer"));
  ASSERT_EQ(timer.data.size(), 16u);
  EXPECT_EQ(std::tuple(timer.data[0], timer.data[1], get32(timer.data, 4), get32(timer.data, 8), timer.data[12]), std::tuple(0xA0, 0x02, 5000u, 1234u, 0x03));
  EXPECT_EQ(get16(wire->request(0x03, PathBuilder().classId(0x6C).instance(templateOf("CycleTimer")), Bytes{1, 0, 1, 0}).data, 6), get16(timer.data, 2));
  const RouterReply motors = wire->request(readTagRequest("Motors", 4));
  EXPECT_EQ(std::tuple(motors.status, motors.data.size()), std::tuple(0x06, 504u - 4));
  setOptions([](Options& o) { o.replyLimit = 0; });
  const RouterReply whole = wire->request(readTagRequest("Motors", 4));
  EXPECT_EQ(std::tuple(whole.status, whole.data.size()), std::tuple(0x00, 4u + 4 * 136));
}

// Fragments of every size reassemble to the whole data, each headed by the structure's type
// word and handle; an atomic array keeps its type word.
TEST_F(Reads, FragmentsReassembleToTheWholeData) {
  auto wire = client();
  const RouterReply whole = wire->request(readTagRequest("Line1.Tanks[0]"));
  ASSERT_EQ(std::tuple(whole.status, whole.data.size()), std::tuple(0, 124u));
  for (uint32_t size : {1u, 5u, 120u, 1000u}) {
    setOptions([&](Options& o) { o.fragmentBytes = size; });
    Bytes data(whole.data.begin(), whole.data.begin() + 4);
    size_t fragments = 0;
    for (RouterReply reply; reply.status == 0x06 || fragments == 0; ++fragments) {
      reply = wire->request(fragmentedRequest("Line1.Tanks[0]", 1, static_cast<uint32_t>(data.size() - 4)));
      ASSERT_TRUE(reply.status == 0 || reply.status == 6) << int(reply.status);
      ASSERT_GT(reply.data.size(), 4u);
      EXPECT_EQ(Bytes(reply.data.begin(), reply.data.begin() + 4), Bytes(whole.data.begin(), whole.data.begin() + 4));
      EXPECT_LE(reply.data.size() - 4, size);
      data.insert(data.end(), reply.data.begin() + 4, reply.data.end());
    }
    EXPECT_EQ(data, whole.data);
    EXPECT_EQ(fragments, (120 + size - 1) / size);
  }
  setOptions([](Options& o) { o.fragmentBytes = 16; });
  const RouterReply first = wire->request(fragmentedRequest("Matrix", 12, 0));
  EXPECT_EQ(std::tuple(first.status, first.data.size(), get16(first.data, 0)), std::tuple(0x06, 18u, 0xC4));
  const RouterReply last = wire->request(fragmentedRequest("Matrix", 12, 32));
  EXPECT_EQ(std::tuple(last.status, get32(last.data, 2 + 12)), std::tuple(0x00, 12u));
}

// Live values follow the clock, in members, whole structures and texts too.
TEST_F(Reads, LiveValuesFollowTheClock) {
  auto wire = client();
  for (auto [path, clockMs, value] :
       {std::tuple("Counter", 0, le(0, 4)), {"Counter", 2500, le(2, 4)}, {"Program:MainProgram.StepNo", 4100, le(30, 4)},
        {"Wave", 0, real(50.0f)}, {"Wave", 2500, real(100.0f)}, {"Blink", 0, Bytes{0}}, {"Blink", 1000, Bytes{1}},
        {"Line1.Tanks[0].Batch", 10000, le(1003, 4)}, {"Line1.Motor.Running", 2000, Bytes{0}}, {"Line1.Motor.Running", 0, Bytes{1}},
        {"Motors[0].Speed", 2000, real(1550.0f)}}) {
    setOptions([&](Options& o) { o.liveClockMs = clockMs; });
    const RouterReply reply = wire->request(readTagRequest(path));
    EXPECT_EQ(Bytes(reply.data.begin() + 2, reply.data.end()), value) << path << " at " << clockMs;
  }
  setOptions([](Options& o) { o.liveClockMs = 10000; });
  EXPECT_EQ(get32(wire->request(readTagRequest("Line1.Tanks[0]")).data, 4 + 20), 1003u);
  const RouterReply clock = wire->request(readTagRequest("ClockText"));
  ASSERT_EQ(get32(clock.data, 4), 13u);
  const std::string text(clock.data.begin() + 8, clock.data.begin() + 8 + 13);
  EXPECT_EQ(std::tuple(text.substr(0, 5), text[7], text[10]), std::tuple(std::string("Time "), ':', ':'));
}

}  // namespace
}  // namespace quillon::sim::test
