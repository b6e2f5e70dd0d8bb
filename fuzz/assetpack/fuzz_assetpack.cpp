// The asset pack parser on arbitrary bytes: it must either reject the input with its
// exception or produce entries whose every byte lies inside the input.

#include "AssetPack.hpp"

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    AssetPack pack;
    try {
        pack.parse(std::vector<std::uint8_t>(data, data + size));
    } catch (const std::runtime_error&) {
        return 0;
    }
    std::uint8_t checksum = 0;
    for (const AssetEntry& entry : pack.entries()) {
        // Reading every name and data byte lets AddressSanitizer catch any view that
        // reaches past the buffer.
        for (char c : entry.name) {
            checksum = static_cast<std::uint8_t>(checksum ^ static_cast<std::uint8_t>(c));
        }
        for (std::uint64_t i = 0; i < entry.size; ++i) {
            checksum = static_cast<std::uint8_t>(checksum ^ entry.data[i]);
        }
        const auto found = pack.find(entry.name);
        if (found && found->name != entry.name) {
            __builtin_trap();
        }
    }
    volatile std::uint8_t sink = checksum;
    (void)sink;
    return 0;
}
