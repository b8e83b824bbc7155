// Control bytes and frames: the bytes a call is made of.
#include <array>
#include <cstdio>

#include "trx_cs.h"

namespace trx {
namespace {

constexpr std::string_view kCommandStart = "TLN;";
constexpr std::string_view kFileStart = "TLF;";

bool StartsLike(std::string_view text, std::string_view start) {
  const std::size_t n = std::min(text.size(), start.size());
  return text.substr(0, n) == start.substr(0, n);
}

// The 8-digit length in a complete header, or -1 when it is none.
int64_t HeaderLength(std::string_view header) {
  if (header[12] != ';') return -1;
  int64_t n = 0;
  for (std::size_t i = 4; i < 12; ++i) {
    if (header[i] < '0' || header[i] > '9') return -1;
    n = n * 10 + (header[i] - '0');
  }
  return n;
}

}  // namespace

std::string_view ControlWord(uint8_t byte) {
  // Indexed by the byte value, as log lines name control bytes.
  static constexpr std::array<std::string_view, 8> kWords = {"",    "", "STX", "ETX",
                                                             "EOT", "", "ACK", "TimeOut"};
  return byte < kWords.size() ? kWords[byte] : std::string_view();
}

std::string FrameMessage(std::string_view body) {
  char header[kHeaderSize + 1];
  std::snprintf(header, sizeof header, "TLN;%08zu;", body.size() + kHeaderSize);
  std::string frame(header, kHeaderSize);
  frame += body;
  return frame;
}

std::string FrameResult(std::string_view body) { return FrameMessage(body) + ";"; }

int64_t ResultRest(std::string_view header) {
  if (header.size() < kHeaderSize || header.substr(0, kCommandStart.size()) != kCommandStart) {
    return -1;
  }
  const int64_t n = HeaderLength(header);
  return n < static_cast<int64_t>(kHeaderSize) ? -1 : n - static_cast<int64_t>(kHeaderSize) + 1;
}

Scan ScanMessage(std::string_view buffered) {
  if (buffered.empty()) return {};
  const auto first = static_cast<uint8_t>(buffered[0]);
  if (first == kSTX || first == kETX || first == kACK) return {Scan::Control, 1};

  const bool command = StartsLike(buffered, kCommandStart);
  const bool file = StartsLike(buffered, kFileStart);
  if (command || file) {
    if (buffered.size() < kHeaderSize) {
      // Refuse a header as soon as one of its length digits is no digit.
      for (std::size_t i = 4; i < buffered.size() && i < 12; ++i) {
        if (buffered[i] < '0' || buffered[i] > '9') return {Scan::BadHeader, 0};
      }
      return {};
    }
    const int64_t n = HeaderLength(buffered);
    if (command) {
      if (n < static_cast<int64_t>(kHeaderSize) || n > static_cast<int64_t>(kMaxCommand)) {
        return {Scan::BadHeader, 0};
      }
      if (buffered.size() < static_cast<std::size_t>(n)) return {};
      return {Scan::Command, static_cast<std::size_t>(n)};
    }
    if (n < 0 || n > static_cast<int64_t>(kMaxFile)) return {Scan::BadHeader, 0};
    return {Scan::File, static_cast<std::size_t>(n)};
  }

  // Bytes that start nothing go, up to the next place where a frame may begin.
  for (std::size_t p = 1; p < buffered.size(); ++p) {
    if (buffered[p] == 'T' && (StartsLike(buffered.substr(p), kCommandStart) ||
                               StartsLike(buffered.substr(p), kFileStart))) {
      return {Scan::Garbage, p};
    }
  }
  return {Scan::Garbage, buffered.size()};
}

}  // namespace trx
