// trx_cs: the network layer both programs share. The control bytes and
// frames of the wire, the message log, the byte helpers of a call, the
// host's names and addresses, and, in the server build, the server with its
// dispatcher. The build decides the form: TRX_CS_SERVER or TRX_CS_CLIENT.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace trx {

// ---- Control bytes and frames ---------------------------------------------------

enum : uint8_t { kSTX = 2, kETX = 3, kEOT = 4, kACK = 6, kTimeOut = 7 };

// The name of a control byte in log lines ("ACK"), "" for other bytes.
std::string_view ControlWord(uint8_t byte);

inline constexpr std::size_t kHeaderSize = 13;    // "TLN;00000000;"
inline constexpr std::size_t kMaxCommand = 3000;  // the longest command frame
inline constexpr int kWaitMs = 10000;             // every wait of a call

// "TLN;" + (13 + body length, 8 digits) + ";" + body: a command frame.
std::string FrameMessage(std::string_view body);
// A result frame: the framed body and one further ";".
std::string FrameResult(std::string_view body);

// What the bytes buffered for a connection begin with.
struct Scan {
  enum Kind {
    NeedMore,   // a frame, file or control byte may still be coming
    Command,    // a command frame of `length` bytes
    Control,    // one control byte (STX, ETX or ACK) sent alone
    File,       // a file: a 13-byte header "TLF;" + size + ";", then `length` bytes
    Garbage,    // `length` bytes that start nothing: drop them
    BadHeader,  // a frame header whose length is no number or out of range
  };
  Kind kind = NeedMore;
  std::size_t length = 0;
};
Scan ScanMessage(std::string_view buffered);

// The bytes that follow a result's 13-byte header "TLN;" + 8 digits + ";"
// (its body and the closing ";"), or -1 when the header is none.
int64_t ResultRest(std::string_view header);

inline constexpr std::size_t kMaxFile = std::size_t{64} << 20;

// ---- Message log ------------------------------------------------------------------

// prefix ("Server: " or "Client: ") + text + " - (" + label + ")", with
// every byte below 0x20 and 0x7F written as "\xNN": no text a peer sends
// can start a line of its own.
std::string LogLine(std::string_view text, std::string_view label);
// Where log lines go: standard output in headless mode, a window later.
void SetLogSink(std::function<void(const std::string& line)> sink);

// How much the log says: every step of every call, only what went wrong
// (and the start and end), or only the start and end.
enum class LogLevel { Calls, Errors, Quiet };
// What a line is about; the level decides which kinds are written.
enum class LogKind { Step, Error, Always };
void SetLogLevel(LogLevel level);
void LogMsg(std::string_view text, std::string_view label, LogKind kind = LogKind::Step);
// The lines logged since the last flush leave in one write (standard
// output). Lines that find standard output full wait in a bounded buffer;
// beyond it they are dropped and counted in a later line, so a reader that
// stops never stops the program.
void FlushLog();
// An event loop flushes when the oldest waiting line is 1 ms old (or much
// is waiting): one write serves many turns. LogDueMs says when, -1 for
// nothing waiting (FlushLogIfDue says it after flushing); LogBlocked that
// standard output was full, so the loop should wait for it to take more.
int FlushLogIfDue();
int LogDueMs();
bool LogBlocked();
// Waits up to timeout_ms for standard output to take every waiting line: a
// process about to exit.
void FlushLogWithin(int timeout_ms);
// A line another process of this program logged, passed to the sink as it
// is (its control bytes escaped again: it comes through a pipe).
void LogForward(std::string_view line);
// A process that serves one client: its lines start with "[Client N] " and
// go to its standard output (a pipe to the parent), none of the parent's
// waiting lines or window go with them, and message boxes become lines.
void StartSessionLog(int client);
// The default sink: standard output through that buffer (a window's sink
// passes its lines on to it).
void LogToStdout(const std::string& line);
inline const std::string kSeparator46(46, '-');
inline const std::string kSeparator60(60, '-');

// Where the programs' own message boxes go (text, title).
void SetMessageBox(std::function<void(const std::string& text, const std::string& title)> box);
void MessageBox(const std::string& text, const std::string& title);

// ---- One connection and the byte helpers of a call --------------------------------

struct Connection {
  int fd = -1;
  int number = 0;       // its number in log lines ("Client 3")
  std::string inbox;    // bytes received and not yet taken
  bool closed = false;  // the peer closed or reset the connection
  // When the first bytes of a message still incomplete arrived.
  std::chrono::steady_clock::time_point partial_since{};
};

// Waits up to 10 000 ms for byte, skipping others; returns it or kTimeOut.
// A closed connection ends the wait at once.
uint8_t WaitForByte(Connection& conn, uint8_t byte, std::string_view label);
// Sends one control byte; returns what the send returned (1 when sent).
int SendByte(Connection& conn, uint8_t byte, std::string_view label);
// Reads exactly length bytes unless 10 000 ms pass or the peer goes.
int ReceiveBytes(Connection& conn, void* buffer, std::size_t length);
// Sends everything, giving up when no byte leaves for 10 000 ms.
bool SendAll(Connection& conn, const void* data, std::size_t length);
// Reads what is available into conn.inbox, waiting up to timeout_ms for
// the first byte; false when nothing came (time-out or closed).
bool ReceiveMore(Connection& conn, int timeout_ms);

// ---- The host --------------------------------------------------------------------

std::string LocalHostName();
std::vector<std::string> LocalIPv4Addresses();
// The public address from an IP-echo page ("Current IP Address: a.b.c.d"),
// "" when the lookup fails (after a message box naming the failed step).
std::string GetWanIP(std::string_view host, std::string_view page);
// The address in such a reply, "" when there is none.
std::string ParseWanReply(std::string_view reply);
inline constexpr std::string_view kDefaultWanHost = "checkip.dyndns.org";

}  // namespace trx
