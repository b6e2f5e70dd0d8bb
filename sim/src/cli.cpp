#include "cli.hpp"

#include <charconv>
#include <fstream>
#include <functional>
#include <sstream>
#include <stdexcept>

namespace quillon::sim::detail {

namespace {

uint32_t parseNumber(const std::string& flag, const std::string& text) {
  uint32_t value = 0;
  int base = 10;
  std::string_view digits = text;
  if (digits.size() > 2 && digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X')) {
    base = 16;
    digits.remove_prefix(2);
  }
  auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value, base);
  if (digits.empty() || error != std::errc() || end != digits.data() + digits.size())
    throw std::invalid_argument(flag + ": expected a number, got '" + text + "'");
  return value;
}

// --template-override ID,MEMBERS,FILE: the template data of id ID read from FILE.
void addTemplateOverride(Options& options, const std::string& flag, const std::string& text) {
  size_t first = text.find(',');
  size_t second = first == std::string::npos ? first : text.find(',', first + 1);
  if (second == std::string::npos) throw std::invalid_argument(flag + ": expected ID,MEMBERS,FILE");
  uint32_t id = parseNumber(flag, text.substr(0, first));
  uint32_t members = parseNumber(flag, text.substr(first + 1, second - first - 1));
  if (id > 0xFFF) throw std::invalid_argument(flag + ": template id above 0xFFF");
  if (members > 0xFFFF) throw std::invalid_argument(flag + ": member count above 65535");
  std::string path = text.substr(second + 1);
  std::ifstream file(path, std::ios::binary);
  if (!file) throw std::invalid_argument(flag + ": cannot read '" + path + "'");
  TemplateOverride& entry = options.templateOverrides[static_cast<uint16_t>(id)];
  entry.memberCount = static_cast<uint16_t>(members);
  std::ostringstream content;
  content << file.rdbuf();
  const std::string bytes = content.str();
  entry.data.assign(bytes.begin(), bytes.end());
}

struct Knob {
  const char* flag;
  const char* argument;  // null for a switch
  const char* help;
  std::function<void(Options&, uint32_t)> set;
};

const std::vector<Knob>& knobs() {
  static const std::vector<Knob> table{
      {"--latency-ms", "N", "delay every reply by N ms", [](Options& o, uint32_t v) { o.latencyMs = v; }},
      {"--close-after", "N", "close a connection after answering N requests",
       [](Options& o, uint32_t v) { o.closeAfterRequests = v; }},
      {"--stall", nullptr, "read requests but never answer", [](Options& o, uint32_t) { o.stall = true; }},
      {"--trickle-ms", "N", "send replies one byte at a time, N ms apart",
       [](Options& o, uint32_t v) { o.trickleMs = v; }},
      {"--max-connections", "N", "connections served at once (default 32, 0: no limit)",
       [](Options& o, uint32_t v) { o.maxConnections = v; }},
      {"--idle-timeout-ms", "N", "close a connection that sends nothing for N ms (default 120000, 0: never)",
       [](Options& o, uint32_t v) { o.idleTimeoutMs = v; }},
      {"--wrong-sender-context", nullptr, "reply with sender context + 1",
       [](Options& o, uint32_t) { o.wrongSenderContext = true; }},
      {"--wrong-command", nullptr, "reply with command + 1", [](Options& o, uint32_t) { o.wrongCommand = true; }},
      {"--wrong-reply-service", nullptr, "answer requests with the reply service + 1",
       [](Options& o, uint32_t) { o.wrongReplyService = true; }},
      {"--wrong-session-handle", nullptr, "reply with another session handle",
       [](Options& o, uint32_t) { o.wrongSessionHandle = true; }},
      {"--encap-status", "N", "reply with encapsulation status N and no data",
       [](Options& o, uint32_t v) { o.encapsulationStatus = v; }},
      {"--truncate-reply", "K", "send only K bytes of each reply, then close",
       [](Options& o, uint32_t v) { o.truncateReplyTo = v; }},
      {"--garbage-reply", nullptr, "send random bytes instead of replies",
       [](Options& o, uint32_t) { o.garbageReply = true; }},
      {"--register-status", "N", "refuse RegisterSession with status N",
       [](Options& o, uint32_t v) { o.registerStatus = v; }},
      {"--register-zero-handle", nullptr, "accept RegisterSession with session handle 0",
       [](Options& o, uint32_t) { o.registerZeroHandle = true; }},
      {"--reply-limit", "N", "largest paged or partial reply in bytes (default 504, 0: none)",
       [](Options& o, uint32_t v) { o.replyLimit = v; }},
      {"--symbols-per-page", "N", "symbol entries per listing page",
       [](Options& o, uint32_t v) { o.symbolsPerPage = v; }},
      {"--empty-last-page", nullptr, "end every listing with an empty page",
       [](Options& o, uint32_t) { o.emptyLastPage = true; }},
      {"--template-bytes", "N", "template bytes per Read Template reply",
       [](Options& o, uint32_t v) { o.templateBytesPerReply = v; }},
      {"--fragment-bytes", "N", "data bytes per Read Tag Fragmented reply",
       [](Options& o, uint32_t v) { o.fragmentBytes = v; }},
      {"--msp-request-limit", "N", "answer 0x1A to Multiple Service Packets above N bytes",
       [](Options& o, uint32_t v) { o.mspRequestLimit = v; }},
      {"--msp-reply-limit", "M", "answer 0x1B when a Multiple Service Packet reply is above M bytes",
       [](Options& o, uint32_t v) { o.mspReplyLimit = v; }},
      {"--refuse-large-forward-open", nullptr, "answer Large Forward Open with 0x08 (older firmware)",
       [](Options& o, uint32_t) { o.refuseLargeForwardOpen = true; }},
      {"--refuse-forward-open", nullptr, "answer every Forward Open with 0x08",
       [](Options& o, uint32_t) { o.refuseForwardOpen = true; }},
      {"--max-cip-connections", "N", "class 3 connections open at once (default 32, 0: no limit)",
       [](Options& o, uint32_t v) { o.maxCipConnections = v; }},
      {"--max-connection-size", "N", "largest connection size in bytes (default 4002)",
       [](Options& o, uint32_t v) { o.maxConnectionSize = v; }},
      {"--drop-connection-after", "N", "forget a class 3 connection after answering N requests on it",
       [](Options& o, uint32_t v) { o.dropConnectionAfter = v; }},
      {"--connection-timeout-ms", "N", "idle timeout of class 3 connections (0: RPI x multiplier)",
       [](Options& o, uint32_t v) { o.connectionTimeoutMs = v; }},
      {"--live-clock-ms", "N", "freeze live values at N ms after start",
       [](Options& o, uint32_t v) { o.liveClockMs = v; }},
      {"--stuck-symbol-pages", "N", "answer listing pages from start instance N on with 0x06 and no entries",
       [](Options& o, uint32_t v) { o.stuckSymbolPagesFrom = v; }},
      {"--identity-status", "N", "refuse the identity request (Get_Attributes_All) with general status N",
       [](Options& o, uint32_t v) {
         if (v > 0xFF) throw std::invalid_argument("--identity-status: above 255");
         o.identityStatus = static_cast<uint8_t>(v);
       }},
      {"--program-listing-status", "N", "refuse the listing of every program's tags with general status N",
       [](Options& o, uint32_t v) {
         if (v > 0xFF) throw std::invalid_argument("--program-listing-status: above 255");
         o.programListingStatus = static_cast<uint8_t>(v);
       }},
      {"--identity-bytes", "K", "send only the first K bytes of the identity (Get_Attributes_All)",
       [](Options& o, uint32_t v) { o.identityDataBytes = v; }},
  };
  return table;
}

}  // namespace

CommandLine parseCommandLine(const std::vector<std::string>& arguments) {
  CommandLine line;
  for (size_t i = 0; i < arguments.size(); ++i) {
    const std::string& flag = arguments[i];
    auto value = [&]() -> const std::string& {
      if (i + 1 >= arguments.size()) throw std::invalid_argument(flag + ": needs a value");
      return arguments[++i];
    };
    if (flag == "--help" || flag == "-h") {
      line.help = true;
    } else if (flag == "--version") {
      line.version = true;
    } else if (flag == "--db") {
      line.database = value();
    } else if (flag == "--generate") {
      line.generate = parseGenerateSpec(value());
    } else if (flag == "--port") {
      uint32_t port = parseNumber(flag, value());
      if (port > 65535) throw std::invalid_argument("--port: above 65535");
      line.port = static_cast<uint16_t>(port);
    } else if (flag == "--host") {
      line.host = value();
    } else if (flag == "--log-requests") {
      line.logRequests = value();
    } else if (flag == "--template-override") {
      addTemplateOverride(line.options, flag, value());
    } else {
      const Knob* knob = nullptr;
      for (const Knob& candidate : knobs())
        if (flag == candidate.flag) knob = &candidate;
      if (!knob) throw std::invalid_argument("unknown argument '" + flag + "' (see --help)");
      knob->set(line.options, knob->argument ? parseNumber(flag, value()) : 0);
    }
  }
  if (!line.help && !line.version && line.database.empty() && !line.generate)
    throw std::invalid_argument("give --db FILE or --generate SPEC (see --help)");
  if (!line.database.empty() && line.generate) throw std::invalid_argument("--db and --generate exclude each other");
  return line;
}

std::string usageText() {
  std::string text =
      "usage: quillon-sim (--db FILE | --generate SPEC) [--port N] [--host ADDR] [knobs]\n"
      "Serves a Logix controller over EtherNet/IP until SIGINT or SIGTERM.\n\n"
      "  --db FILE              the controller's JSON database\n"
      "  --generate SPEC        a generated controller, e.g. tags=100000,types=500,programs=20\n"
      "                         (keys: tags, types, programs, programTags, structPercent, members, seed)\n"
      "  --port N               TCP port (default 44818; 0 picks a free port)\n"
      "  --host ADDR            IPv4 address to listen on (default 127.0.0.1)\n"
      "  --log-requests FILE|-  write one line per request to FILE or standard output\n"
      "  --template-override ID,MEMBERS,FILE\n"
      "                         serve FILE's bytes as the data of template ID with MEMBERS members\n"
      "  --version              print the version\n"
      "  --help                 this text\n\nknobs:\n";
  for (const Knob& knob : knobs()) {
    std::string left = std::string("  ") + knob.flag + (knob.argument ? std::string(" ") + knob.argument : "");
    left.resize(std::max<size_t>(left.size() + 1, 25), ' ');
    text += left + knob.help + "\n";
  }
  return text;
}

}  // namespace quillon::sim::detail
