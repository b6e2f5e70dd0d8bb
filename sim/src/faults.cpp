#include "faults.hpp"

#include "encapsulation.hpp"

namespace quillon::sim::detail {

void applyReplyFaults(Bytes& packet, uint16_t requestCommand, const Options& options, uint64_t& garbageSeed) {
  if (packet.size() < kHeaderSize) return;
  Header header = decodeHeader(packet.data());
  bool registering = requestCommand == command::kRegisterSession;
  if (options.encapsulationStatus != 0 && !registering) {
    header.status = options.encapsulationStatus;
    header.length = 0;
    packet.resize(kHeaderSize);
  }
  if (options.wrongSenderContext) header.senderContext += 1;
  if (options.wrongCommand) header.command = static_cast<uint16_t>(header.command + 1);
  if (options.wrongSessionHandle && !registering) header.sessionHandle += 1;
  Bytes head;
  encodeHeader(header, head);
  std::copy(head.begin(), head.end(), packet.begin());
  if (options.garbageReply) {
    for (uint8_t& byte : packet) {
      garbageSeed = garbageSeed * 6364136223846793005ull + 1442695040888963407ull;
      byte = static_cast<uint8_t>(garbageSeed >> 56);
    }
  }
}

}  // namespace quillon::sim::detail
