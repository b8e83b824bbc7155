// The wire, described once: the eighteen functions a client may call, the
// fields of each command and of each reply, and the blocks that follow.
// The client stubs write their commands from this table and the server's
// dispatcher reads them and writes its replies by it.
//
// A command body: "FUN;" name ";" then per argument its tag and value
// ("str;2+3;dbl;00000000;lng;1;"). Framed ("TLN;" + length + ";" + body)
// its fields count from 1: 1 "TLN", 2 the length, 3 "FUN", 4 the name,
// then argument i (from 0) has its tag in field 5 + 2i, its value in 6 + 2i.
// A reply body (unframed, as the client reads it): "FUN;" name ";" then
// tag;value pairs; value j (from 0) is field 4 + 2j.
#pragma once

#include <array>
#include <cstdint>
#include <initializer_list>
#include <span>
#include <string>
#include <string_view>

namespace trx::wire {

// The blocks of raw little-endian doubles that follow a reply.
enum class Blocks : uint8_t {
  None,
  EEvals,  // X and Y, count + 1 each, then the 5-double information block
  Matrix,  // rows x cols elements of the matrix found
};

struct Function {
  std::string_view name;
  std::span<const std::string_view> args;   // the tag of each argument
  std::span<const std::string_view> reply;  // the tag of each reply value
  Blocks blocks = Blocks::None;
  // Kept for compatibility with existing peers: SetDebugF's reply has no
  // closing ";" after its last value.
  bool reply_closed = true;
};

// The functions in the order the server matches them (the first match runs).
std::span<const Function> Functions();
// The function named name (compared exactly, case included), or nullptr.
const Function* Find(std::string_view name);
// The function with this name, which must be in the table.
const Function& Get(std::string_view name);

inline constexpr int ArgField(int i) { return 6 + 2 * i; }
inline constexpr int ReplyField(int j) { return 4 + 2 * j; }

// "FUN;name;tag;value;..." with one value per argument, in order.
std::string Command(const Function& f, std::initializer_list<std::string_view> values);
// "FUN;name;tag;value;..." with one value per reply field, in order.
std::string Reply(const Function& f, std::initializer_list<std::string_view> values);

// ---- Quirks every peer relies on ------------------------------------------------

// Kept for compatibility with existing peers: e_eval's second argument is a
// placeholder for the result's address and always travels as 8 zeros.
inline constexpr std::string_view kResultPlaceholder = "00000000";
// Kept for compatibility with existing peers: ";" inside an expression or a
// matrix text travels as "|" (no expression holds one) and is turned back.
inline constexpr char kSemicolonStandIn = '|';
// Kept for compatibility with existing peers: the title of the message box
// that aPrint shows for "MsgBox", spelled so.
inline constexpr std::string_view kPrintBoxTitle = "Tarnnix.dll";
// Kept for compatibility with existing peers: both ends wait 100 ms before
// they end, so that a last message leaves.
inline constexpr int kEndPauseMs = 100;

// ";" as its stand-in and back.
std::string ToWire(std::string_view text);
std::string FromWire(std::string_view text);

}  // namespace trx::wire
