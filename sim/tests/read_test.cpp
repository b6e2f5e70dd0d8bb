// Read Tag and Read Tag Fragmented over every kind of path, and live values.
#include <bit>
#include <cmath>

#include "case_name.hpp"
#include "fixture.hpp"

namespace quillon::sim::test {
namespace {

Bytes le(uint64_t value, size_t size) {
  Bytes out;
  for (size_t i = 0; i < size; ++i) out.push_back(static_cast<uint8_t>(value >> (8 * i)));
  return out;
}
Bytes real(float value) { return le(std::bit_cast<uint32_t>(value), 4); }
Bytes lreal(double value) { return le(std::bit_cast<uint64_t>(value), 8); }

struct ReadCase {
  const char* name;
  const char* path;
  uint16_t type;
  Bytes value;
};

class ReadValues : public SimTest, public ::testing::WithParamInterface<ReadCase> {};

TEST_P(ReadValues, ReplyIsTypeWordAndValue) {
  auto wire = client();
  RouterReply reply = wire->request(readTagRequest(GetParam().path));
  ASSERT_EQ(reply.status, 0) << GetParam().path;
  ASSERT_GE(reply.data.size(), 2u);
  EXPECT_EQ(get16(reply.data, 0), GetParam().type);
  EXPECT_EQ(Bytes(reply.data.begin() + 2, reply.data.end()), GetParam().value);
}

INSTANTIATE_TEST_SUITE_P(
    Atomic, ReadValues,
    ::testing::Values(ReadCase{"Bool", "BoolFlag", 0xC1, {1}},
                      ReadCase{"Sint", "SintValue", 0xC2, le(static_cast<uint8_t>(-12), 1)},
                      ReadCase{"Int", "IntValue", 0xC3, le(static_cast<uint16_t>(-1234), 2)},
                      ReadCase{"Dint", "DintValue", 0xC4, le(123456, 4)},
                      ReadCase{"Lint", "LintValue", 0xC5, le(static_cast<uint64_t>(-9000000000ll), 8)},
                      ReadCase{"Usint", "UsintValue", 0xC6, {200}},
                      ReadCase{"Uint", "UintValue", 0xC7, le(60000, 2)},
                      ReadCase{"Udint", "UdintValue", 0xC8, le(4000000000u, 4)},
                      ReadCase{"Ulint", "UlintValue", 0xC9, le(18000000000000000000ull, 8)},
                      ReadCase{"Real", "RealValue", 0xCA, real(1.5f)},
                      ReadCase{"Lreal", "LrealValue", 0xCB, lreal(3.141592653589793)},
                      ReadCase{"NamesIgnoreCase", "dintVALUE", 0xC4, le(123456, 4)}),
    CaseName());

INSTANTIATE_TEST_SUITE_P(
    Paths, ReadValues,
    ::testing::Values(ReadCase{"TwoDimensions", "Matrix[2,3]", 0xC4, le(12, 4)},
                      ReadCase{"IndicesInSeparateSegments", "Matrix[1][0]", 0xC4, le(5, 4)},
                      ReadCase{"ThreeDimensions", "Cube[1,2,3]", 0xC3, le(24, 2)},
                      ReadCase{"OneDimension", "Temperatures[9]", 0xCA, real(25.0f)},
                      ReadCase{"BoolArrayWord", "Inputs[0]", 0xD3, le(0x8D, 4)},
                      ReadCase{"NestedMember", "Line1.Recipe.Step", 0xC4, le(3, 4)},
                      ReadCase{"MemberOfArrayElement", "Line1.Tanks[1].Batch", 0xC4, le(1002, 4)},
                      ReadCase{"BoolMemberSet", "Line1.Tanks[2].HighAlarm", 0xC1, {1}},
                      ReadCase{"BoolMemberClear", "Line1.Tanks[1].HighAlarm", 0xC1, {0}},
                      ReadCase{"ThirdBoolOfHost", "Motors[2].Forward", 0xC1, {1}},
                      ReadCase{"ArrayMemberElement", "Motors[0].History[3]", 0xC3, le(40, 2)},
                      ReadCase{"StringLength", "Line1.Motor.Name.LEN", 0xC4, le(10, 4)},
                      ReadCase{"StringCharacter", "Motors[2].Name.DATA[0]", 0xC2, {'P'}},
                      ReadCase{"HiddenHost", "CycleTimer.ZZZZZZZZZZTimerData0", 0xC2, {0x03}},
                      ReadCase{"ProgramTag", "Program:MainProgram.Mode", 0xC3, le(2, 2)},
                      ReadCase{"ProgramArrayElement", "Program:MainProgram.Setpoints[4]", 0xCA, real(5.0f)},
                      ReadCase{"ProgramStructMember", "Program:MainProgram.LocalMotor.Speed", 0xCA, real(300.0f)},
                      ReadCase{"ProgramIgnoresCase", "PROGRAM:packaging.boxcount", 0xC4, le(312, 4)},
                      ReadCase{"SystemSymbolData", "__SysDiagnostics", 0xC4, le(7, 4)}),
    CaseName());

struct ErrorCase {
  const char* name;
  Bytes request;
  uint8_t status;
  std::vector<uint16_t> additional;
};

class ReadErrors : public SimTest, public ::testing::WithParamInterface<ErrorCase> {};

TEST_P(ReadErrors, RefusedWithTheControllersStatus) {
  auto wire = client();
  RouterReply reply = wire->request(GetParam().request);
  EXPECT_EQ(reply.status, GetParam().status);
  EXPECT_EQ(reply.additional, GetParam().additional);
  EXPECT_TRUE(reply.data.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Read, ReadErrors,
    ::testing::Values(
        ErrorCase{"UnknownTag", readTagRequest("Nope"), 0x04, {}},
        ErrorCase{"UnknownMember", readTagRequest("Line1.Nope"), 0x04, {}},
        ErrorCase{"IndexOutOfRange", readTagRequest("Matrix[3,0]"), 0x05, {0x2105}},
        ErrorCase{"MemberIndexOutOfRange", readTagRequest("Motors[0].History[8]"), 0x05, {0x2105}},
        ErrorCase{"TooFewIndices", readTagRequest("Matrix[1]"), 0x04, {}},
        ErrorCase{"IndexOnScalar", readTagRequest("DintValue[0]"), 0x04, {}},
        ErrorCase{"MemberOfAtomic", readTagRequest("DintValue.X"), 0x04, {}},
        ErrorCase{"MemberOfWholeArray", readTagRequest("Motors.Speed"), 0x04, {}},
        ErrorCase{"ProgramItself", readTagRequest("Program:MainProgram"), 0x05, {}},
        ErrorCase{"UnknownProgramTag", readTagRequest("Program:MainProgram.Nope"), 0x04, {}},
        ErrorCase{"ControllerTagViaProgram", readTagRequest("Program:MainProgram.DintValue"), 0x04, {}},
        ErrorCase{"UnknownProgram", readTagRequest("Program:Nothing.Mode"), 0x04, {}},
        ErrorCase{"SymbolWithoutData", readTagRequest("Task:MainTask"), 0x05, {}},
        ErrorCase{"CountZero", readTagRequest("DintValue", 0), 0x03, {}},
        ErrorCase{"CountBeyondArray", readTagRequest("Matrix[2,2]", 3), 0xFF, {0x2105}},
        ErrorCase{"CountOnScalar", readTagRequest("DintValue", 2), 0xFF, {0x2105}},
        ErrorCase{"NoCount", routerRequest(0x4C, PathBuilder().symbol("DintValue")), 0x13, {}},
        ErrorCase{"ExtraData", routerRequest(0x4C, PathBuilder().symbol("DintValue"), {1, 0, 0}), 0x15, {}},
        ErrorCase{"FragmentPastTheEnd", fragmentedRequest("Message", 1, 88), 0xFF, {0x2105}},
        ErrorCase{"FragmentWithoutOffset", routerRequest(0x52, PathBuilder().symbol("Message"), {1, 0}), 0x13, {}}),
    CaseName());

using ReadTest = SimTest;

TEST_F(ReadTest, SeveralElementsComeConsecutively) {
  auto wire = client();
  RouterReply reply = wire->request(readTagRequest("Temperatures[2]", 3));
  ASSERT_EQ(reply.status, 0);
  Bytes expected{0xCA, 0};
  for (float value : {21.5f, 22.0f, 22.5f}) {
    Bytes bytes = real(value);
    expected.insert(expected.end(), bytes.begin(), bytes.end());
  }
  EXPECT_EQ(reply.data, expected);
  RouterReply whole = wire->request(readTagRequest("Matrix", 12));
  ASSERT_EQ(whole.status, 0);
  EXPECT_EQ(whole.data.size(), 2u + 48);
  EXPECT_EQ(get32(whole.data, 2 + 4 * 11), 12u);
}

TEST_F(ReadTest, StructureReplyCarriesTheTemplateHandle) {
  auto wire = client();
  RouterReply reply = wire->request(readTagRequest("CycleTimer"));
  ASSERT_EQ(reply.status, 0);
  ASSERT_EQ(reply.data.size(), 4u + 12);
  EXPECT_EQ(reply.data[0], 0xA0);
  EXPECT_EQ(reply.data[1], 0x02);
  EXPECT_EQ(get32(reply.data, 4), 5000u);
  EXPECT_EQ(get32(reply.data, 8), 1234u);
  EXPECT_EQ(reply.data[12], 0x03);

  uint16_t id = 0;
  for (const SymbolInfo& s : sampleController().symbols())
    if (s.name == "CycleTimer") id = s.type & 0x0FFF;
  Bytes ask{1, 0, 1, 0};
  RouterReply handle = wire->request(0x03, PathBuilder().classId(0x6C).instance(id), ask);
  ASSERT_EQ(handle.status, 0);
  EXPECT_EQ(get16(handle.data, 6), get16(reply.data, 2));
}

TEST_F(ReadTest, DataAboveTheReplyLimitComesPartially) {
  auto wire = client();
  RouterReply reply = wire->request(readTagRequest("Motors", 4));
  EXPECT_EQ(reply.status, 0x06);
  EXPECT_EQ(reply.data.size(), 504u - 4);
  setOptions([](Options& o) { o.replyLimit = 0; });
  RouterReply whole = wire->request(readTagRequest("Motors", 4));
  EXPECT_EQ(whole.status, 0x00);
  EXPECT_EQ(whole.data.size(), 4u + 4 * 136);
}

class Fragments : public SimTest, public ::testing::WithParamInterface<uint32_t> {};

TEST_P(Fragments, ReassembleToTheWholeData) {
  auto wire = client();
  RouterReply whole = wire->request(readTagRequest("Line1.Tanks[0]"));
  ASSERT_EQ(whole.status, 0);
  setOptions([](Options& o) { o.fragmentBytes = GetParam(); });
  Bytes data;
  uint32_t offset = 0;
  size_t fragments = 0;
  for (;;) {
    RouterReply reply = wire->request(fragmentedRequest("Line1.Tanks[0]", 1, offset));
    ASSERT_TRUE(reply.status == 0 || reply.status == 6) << int(reply.status);
    ASSERT_GT(reply.data.size(), 4u);
    EXPECT_EQ(Bytes(reply.data.begin(), reply.data.begin() + 4), Bytes(whole.data.begin(), whole.data.begin() + 4));
    EXPECT_LE(reply.data.size() - 4, GetParam());
    data.insert(data.end(), reply.data.begin() + 4, reply.data.end());
    offset += static_cast<uint32_t>(reply.data.size() - 4);
    ++fragments;
    if (reply.status == 0) break;
  }
  EXPECT_EQ(data, Bytes(whole.data.begin() + 4, whole.data.end()));
  EXPECT_EQ(fragments, (120 + GetParam() - 1) / GetParam());
}

INSTANTIATE_TEST_SUITE_P(Read, Fragments, ::testing::Values(1u, 5u, 64u, 120u, 1000u));

TEST_F(ReadTest, FragmentedAtomicArrayKeepsTheTypeWord) {
  auto wire = client();
  setOptions([](Options& o) { o.fragmentBytes = 16; });
  RouterReply first = wire->request(fragmentedRequest("Matrix", 12, 0));
  EXPECT_EQ(first.status, 0x06);
  EXPECT_EQ(first.data.size(), 2u + 16);
  EXPECT_EQ(get16(first.data, 0), 0xC4);
  RouterReply last = wire->request(fragmentedRequest("Matrix", 12, 32));
  EXPECT_EQ(last.status, 0x00);
  EXPECT_EQ(get32(last.data, 2 + 12), 12u);
}

struct LiveCase {
  const char* name;
  const char* path;
  int64_t clockMs;
  Bytes value;
};

class LiveValues : public SimTest, public ::testing::WithParamInterface<LiveCase> {};

TEST_P(LiveValues, FollowTheClock) {
  setOptions([](Options& o) { o.liveClockMs = GetParam().clockMs; });
  auto wire = client();
  RouterReply reply = wire->request(readTagRequest(GetParam().path));
  ASSERT_EQ(reply.status, 0);
  EXPECT_EQ(Bytes(reply.data.begin() + 2, reply.data.end()), GetParam().value);
}

INSTANTIATE_TEST_SUITE_P(
    Live, LiveValues,
    ::testing::Values(LiveCase{"CounterAtStart", "Counter", 0, le(0, 4)},
                      LiveCase{"CounterCounts", "Counter", 2500, le(2, 4)},
                      LiveCase{"ProgramCounterSteps", "Program:MainProgram.StepNo", 4100, le(30, 4)},
                      LiveCase{"SineAtZero", "Wave", 0, real(50.0f)},
                      LiveCase{"SineAtQuarter", "Wave", 2500, real(100.0f)},
                      LiveCase{"ToggleOff", "Blink", 0, {0}},
                      LiveCase{"ToggleOn", "Blink", 1000, {1}},
                      LiveCase{"MemberCounter", "Line1.Tanks[0].Batch", 10000, le(1003, 4)},
                      LiveCase{"BoolMemberToggles", "Line1.Motor.Running", 2000, {0}},
                      LiveCase{"BoolMemberStarts", "Line1.Motor.Running", 0, {1}},
                      LiveCase{"ElementSine", "Motors[0].Speed", 2000, real(1550.0f)}),
    CaseName());

TEST_F(ReadTest, LiveValuesShowInWholeStructuresAndStrings) {
  setOptions([](Options& o) { o.liveClockMs = 10000; });
  auto wire = client();
  RouterReply line = wire->request(readTagRequest("Line1.Tanks[0]"));
  ASSERT_EQ(line.status, 0);
  EXPECT_EQ(get32(line.data, 4 + 20), 1003u);
  RouterReply clock = wire->request(readTagRequest("ClockText"));
  ASSERT_EQ(clock.status, 0);
  uint32_t length = get32(clock.data, 4);
  ASSERT_EQ(length, 13u);
  std::string text(clock.data.begin() + 8, clock.data.begin() + 8 + length);
  EXPECT_EQ(text.substr(0, 5), "Time ");
  EXPECT_EQ(text[7], ':');
  EXPECT_EQ(text[10], ':');
}

}  // namespace
}  // namespace quillon::sim::test
