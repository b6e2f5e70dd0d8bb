// The controller the read tests talk to, and a simulator fixture that looks at
// what went over the wire.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "quillon_sim/controller.hpp"
#include "quillon_sim/server.hpp"
#include "read_test_util.hpp"
#include "simulator.hpp"

namespace readtest {

// Ten-character DINT tag names, "Tag_000001" and on; tag i holds the value i.
std::string tagName(int i);
inline constexpr int kDintTags = 80;

// n characters of varied text.
std::string sampleText(size_t n);

// Atomic tags of every type, arrays, structures with members, a program, and
// texts of 0, 95 and 96 characters in a structure with room for 200.
quillon::sim::Controller readController();

// Items for the given texts; the texts must outlive the items.
std::vector<zoltc_logix_read_item> itemsFor(const std::vector<std::string>& texts);

// The embedded request count of a Multiple Service Packet record.
uint16_t packetCount(const quillon::sim::RequestRecord& record);

class ReadSimTest : public quillon::testing::SimulatorTest {
 protected:
  quillon::sim::Controller makeController() const override { return readController(); }

  // Sets the simulator's knobs, connects and forgets the requests of the connect.
  void connectAndForget(const quillon::sim::Options& options = {});
  // The exchanges (SendRRData, not embedded) since connectAndForget, and the
  // requests they carried.
  std::vector<quillon::sim::RequestRecord> exchanges();
  std::vector<quillon::sim::RequestRecord> embedded();
};

}  // namespace readtest
