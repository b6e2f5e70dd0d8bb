#include "live.hpp"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <numbers>
#include <string>

#include "utc_time.hpp"

namespace quillon::sim::detail {

namespace {

bool isFloat(uint8_t code) { return code == 0xCA || code == 0xCB; }
bool isSigned(uint8_t code) { return code >= 0xC2 && code <= 0xC5; }

double storedNumber(uint8_t code, const Bytes& bytes) {
  uint32_t width = atomicWidth(code);
  uint64_t raw = loadLE(bytes.data(), width);
  if (code == 0xCA) return static_cast<double>(std::bit_cast<float>(static_cast<uint32_t>(raw)));
  if (code == 0xCB) return std::bit_cast<double>(raw);
  if (isSigned(code) && width < 8) {
    uint64_t sign = uint64_t{1} << (width * 8 - 1);
    return static_cast<double>(static_cast<int64_t>((raw ^ sign) - sign));
  }
  return isSigned(code) ? static_cast<double>(static_cast<int64_t>(raw)) : static_cast<double>(raw);
}

// The value as the atomic type's bytes; integers wrap as the controller's arithmetic does.
void numberBytes(uint8_t code, double value, int64_t whole, bool useWhole, uint8_t* out) {
  uint32_t width = atomicWidth(code);
  if (code == 0xCA) {
    storeLE(out, 4, std::bit_cast<uint32_t>(static_cast<float>(value)));
  } else if (code == 0xCB) {
    storeLE(out, 8, std::bit_cast<uint64_t>(value));
  } else {
    int64_t integer = useWhole ? whole : static_cast<int64_t>(std::llround(value));
    storeLE(out, width, static_cast<uint64_t>(integer));
  }
}

int64_t periods(const LiveValue& live, int64_t clockMs) {
  int64_t period = std::max<int64_t>(live.periodMs, 1);
  return clockMs >= 0 ? clockMs / period : (clockMs - period + 1) / period;
}

std::string clockText(const Database& db, const LiveValue& live, int64_t clockMs) {
  auto when = db.epoch + std::chrono::milliseconds(clockMs);
  std::time_t seconds = std::chrono::system_clock::to_time_t(when);
  std::tm parts = utcTime(seconds);
  char text[16];
  std::snprintf(text, sizeof text, "%02d:%02d:%02d", parts.tm_hour, parts.tm_min, parts.tm_sec);
  return live.prefix + text;
}

// Writes `image` (the bytes at absolute position `at` of the tag's data) into the part of
// out that holds [offset, offset + length).
void overlay(Bytes& out, size_t outStart, uint32_t offset, uint32_t length, uint64_t at,
             const uint8_t* image, size_t size) {
  uint64_t begin = std::max<uint64_t>(at, offset);
  uint64_t end = std::min<uint64_t>(at + size, uint64_t{offset} + length);
  for (uint64_t pos = begin; pos < end; ++pos) out[outStart + (pos - offset)] = image[pos - at];
}

void applyLive(const Database& db, const LiveValue& live, int64_t clockMs, uint32_t offset,
               uint32_t length, size_t outStart, Bytes& out) {
  int64_t n = periods(live, clockMs);
  if (live.kind == LiveValue::Kind::Clock) {
    std::string text = clockText(db, live, clockMs);
    if (text.size() > live.textCapacity) text.resize(live.textCapacity);
    uint8_t count[4];
    storeLE(count, 4, text.size());
    overlay(out, outStart, offset, length, live.offset, count, 4);
    Bytes data(live.textCapacity, 0);
    std::copy(text.begin(), text.end(), data.begin());
    overlay(out, outStart, offset, length, live.textOffset, data.data(), data.size());
    return;
  }
  if (live.bit >= 0) {  // a BOOL member toggles its bit in the host byte
    if (live.offset < offset || live.offset >= uint64_t{offset} + length) return;
    uint8_t& host = out[outStart + (live.offset - offset)];
    bool initial = (live.initial[0] >> live.bit) & 1;
    bool value = initial != (n % 2 != 0);
    auto mask = static_cast<uint8_t>(1u << live.bit);
    host = static_cast<uint8_t>(value ? (host | mask) : (host & ~mask));
    return;
  }
  uint8_t image[8] = {};
  double start = storedNumber(live.code, live.initial);
  switch (live.kind) {
    case LiveValue::Kind::Counter:
      if (isFloat(live.code))
        numberBytes(live.code, start + live.step * static_cast<double>(n), 0, false, image);
      else
        numberBytes(live.code, 0,
                    static_cast<int64_t>(loadLE(live.initial.data(), live.initial.size())) +
                        static_cast<int64_t>(live.step) * n,
                    true, image);
      break;
    case LiveValue::Kind::Sine: {
      double phase = 2 * std::numbers::pi * static_cast<double>(clockMs % std::max<int64_t>(live.periodMs, 1)) /
                     static_cast<double>(std::max<int64_t>(live.periodMs, 1));
      numberBytes(live.code, live.bias + live.amplitude * std::sin(phase), 0, false, image);
      break;
    }
    case LiveValue::Kind::Toggle:
      numberBytes(live.code, 0, (start != 0) != (n % 2 != 0) ? 1 : 0, true, image);
      break;
    case LiveValue::Kind::Clock: break;
  }
  overlay(out, outStart, offset, length, live.offset, image, atomicWidth(live.code));
}

}  // namespace

int64_t liveClock(const Database& db, const Options& options) {
  if (options.liveClockMs) return *options.liveClockMs;
  auto elapsed = std::chrono::system_clock::now() - db.epoch;
  return std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count();
}

void readTagBytes(const Database& db, const Tag& tag, uint32_t offset, uint32_t length,
                  int64_t clockMs, Bytes& out) {
  size_t outStart = out.size();
  out.insert(out.end(), tag.data.begin() + offset, tag.data.begin() + offset + length);
  for (const LiveValue& live : tag.live) applyLive(db, live, clockMs, offset, length, outStart, out);
}

}  // namespace quillon::sim::detail
