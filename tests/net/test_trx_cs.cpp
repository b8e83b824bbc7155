// Frames, the scan of received bytes, control words and log lines.
#include <gtest/gtest.h>

#include "trx_cs.h"

namespace {

TEST(Frames, CommandAndResultFramesCarryTheirLength) {
  EXPECT_EQ(trx::FrameMessage("FUN;e_eval;str;2+3;dbl;00000000;lng;1;"),
            "TLN;00000051;FUN;e_eval;str;2+3;dbl;00000000;lng;1;");
  EXPECT_EQ(trx::FrameResult("FUN;e_eval;ret;0;dbl;5.0000000000;"),
            "TLN;00000047;FUN;e_eval;ret;0;dbl;5.0000000000;;");
  EXPECT_EQ(trx::FrameResult("FUN;SetDebugF;ret;1"), "TLN;00000032;FUN;SetDebugF;ret;1;");
  EXPECT_EQ(trx::FrameMessage("FUN;ServerEnd;"), "TLN;00000027;FUN;ServerEnd;");
  EXPECT_EQ(trx::FrameMessage("FUN;e_evals;str;x^2;dbl;0;str;x;dbl;1;lng;10;"),
            "TLN;00000058;FUN;e_evals;str;x^2;dbl;0;str;x;dbl;1;lng;10;");
  EXPECT_EQ(trx::FrameResult("FUN;e_evals;ret;-1;lng;10;"),
            "TLN;00000039;FUN;e_evals;ret;-1;lng;10;;");
}

struct ScanCase {
  std::string bytes;
  trx::Scan::Kind kind;
  std::size_t length;
};

class Scans : public ::testing::TestWithParam<ScanCase> {};

TEST_P(Scans, TellWhatTheBytesBegin) {
  const trx::Scan scan = trx::ScanMessage(GetParam().bytes);
  EXPECT_EQ(scan.kind, GetParam().kind) << GetParam().bytes;
  EXPECT_EQ(scan.length, GetParam().length) << GetParam().bytes;
}

INSTANTIATE_TEST_SUITE_P(
    Bytes, Scans,
    ::testing::Values(
        ScanCase{"", trx::Scan::NeedMore, 0}, ScanCase{"TL", trx::Scan::NeedMore, 0},
        ScanCase{"TLN;0000", trx::Scan::NeedMore, 0},
        ScanCase{"TLN;00000027;FUN;Serv", trx::Scan::NeedMore, 0},
        ScanCase{"TLN;00000027;FUN;ServerEnd;", trx::Scan::Command, 27},
        ScanCase{"TLN;00000027;FUN;ServerEnd;TLN;", trx::Scan::Command, 27},
        ScanCase{std::string("\x06TLN;"), trx::Scan::Control, 1},
        ScanCase{"\x02", trx::Scan::Control, 1}, ScanCase{"\x03", trx::Scan::Control, 1},
        ScanCase{"TLN;0000x", trx::Scan::BadHeader, 0},
        ScanCase{"TLN;00000005;", trx::Scan::BadHeader, 0},
        ScanCase{"TLN;00003001;", trx::Scan::BadHeader, 0},
        ScanCase{"TLN;00003000;", trx::Scan::NeedMore, 0},
        ScanCase{"TLN;00000027:", trx::Scan::BadHeader, 0},
        ScanCase{"xyzTLN;00000027;", trx::Scan::Garbage, 3},
        ScanCase{"abcT", trx::Scan::Garbage, 3}, ScanCase{"abc", trx::Scan::Garbage, 3},
        ScanCase{"TTLN;", trx::Scan::Garbage, 1}, ScanCase{"\x04", trx::Scan::Garbage, 1},
        ScanCase{"TLF;00000005;hello", trx::Scan::File, 5},
        ScanCase{"TLF;99999999;", trx::Scan::BadHeader, 0}));

TEST(ControlWords, NameTheControlBytes) {
  EXPECT_EQ(trx::ControlWord(2), "STX");
  EXPECT_EQ(trx::ControlWord(3), "ETX");
  EXPECT_EQ(trx::ControlWord(4), "EOT");
  EXPECT_EQ(trx::ControlWord(6), "ACK");
  EXPECT_EQ(trx::ControlWord(7), "TimeOut");
  EXPECT_EQ(trx::ControlWord(65), "");
}

TEST(LogLines, CarryPrefixTextAndLabel) {
  EXPECT_EQ(trx::LogLine("Sent CMD: x", "SvrTransmitRes"),
            "Server: Sent CMD: x - (SvrTransmitRes)");
  EXPECT_EQ(trx::LogLine("Sent CMD: x", ""), "Server: Sent CMD: x");
  std::vector<std::string> lines;
  trx::SetLogSink([&lines](const std::string& line) { lines.push_back(line); });
  trx::LogMsg("one", "A");
  trx::SetLogSink(nullptr);
  EXPECT_EQ(lines, (std::vector<std::string>{"Server: one - (A)"}));
}

TEST(WanReplies, GiveTheAddressAfterTheMarker) {
  EXPECT_EQ(trx::ParseWanReply("<b>Current IP Address: 192.0.2.7\r\n</b>"), "192.0.2.7");
  EXPECT_EQ(trx::ParseWanReply("Current IP Address:   10.1.2.3 \r\n"), "10.1.2.3");
  EXPECT_EQ(trx::ParseWanReply("Current IP Address: 10.1.2.3"), "10.1.2.3");
  EXPECT_EQ(trx::ParseWanReply("no address here\r\n"), "");
  EXPECT_EQ(trx::ParseWanReply("Current IP Address:\n"), "");
}

TEST(Host, HasANameAndLoopback) {
  EXPECT_FALSE(trx::LocalHostName().empty());
  const std::vector<std::string> addresses = trx::LocalIPv4Addresses();
  EXPECT_NE(std::find(addresses.begin(), addresses.end(), "127.0.0.1"), addresses.end());
}

}  // namespace
