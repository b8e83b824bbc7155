// The wire's table: the commands the stubs write and the replies the
// dispatcher writes, byte for byte as every existing peer sends and reads
// them, quirks included.
#include <gtest/gtest.h>

#include "trx_cs.h"
#include "wire.h"

namespace {

using trx::wire::Command;
using trx::wire::Get;
using trx::wire::Reply;

struct Body {
  std::string written;
  std::string expected;
};

TEST(Wire, CommandsAreWrittenAsPeersExpectThem) {
  for (const Body& b : {
           Body{Command(Get("e_eval"), {"2+3", "00000000", "1"}),
                "FUN;e_eval;str;2+3;dbl;00000000;lng;1;"},
           Body{Command(Get("e_evals"), {"x", "0", "x", "1", "10"}),
                "FUN;e_evals;str;x;dbl;0;str;x;dbl;1;lng;10;"},
           Body{Command(Get("Integrate"),
                        {"t^2", "0.0000000000", "1.0000000000", "10", "trap", "t"}),
                "FUN;Integrate;str;t^2;dbl;0.0000000000;dbl;1.0000000000;lng;10;str;trap;str;t;"},
           Body{Command(Get("SetStrMatrix"), {"[mA]|2|2|1|2|3|4", "0", "0.0000000000"}),
                "FUN;SetStrMatrix;str;[mA]|2|2|1|2|3|4;bte;0;bte;0.0000000000;"},
           Body{Command(Get("aPrint"), {"1", "2", "2", "Ret", "%g", "", " "}),
                "FUN;aPrint;ptr;1;lng;2;lng;2;str;Ret;str;%g;str;;str; ;"},
           Body{Command(Get("aAbout"), {"0"}), "FUN;aAbout;Lng;0;"},
           Body{Command(Get("SetDebugF"), {"4"}), "FUN;SetDebugF;Lng;4;"},
           Body{Command(Get("GetE_Error"), {}), "FUN;GetE_Error;"},
           Body{Command(Get("ServerEnd"), {}), "FUN;ServerEnd;"},
       }) {
    EXPECT_EQ(b.written, b.expected);
  }
}

TEST(Wire, RepliesAreWrittenAsPeersExpectThem) {
  for (const Body& b : {
           Body{Reply(Get("e_eval"), {"0", "5.0000000000"}), "FUN;e_eval;ret;0;dbl;5.0000000000;"},
           Body{Reply(Get("FindMatrix"), {"1", "2", "2"}), "FUN;FindMatrix;ret;1;lng;2;lng;2;"},
           Body{Reply(Get("SetDebugF"), {"1"}), "FUN;SetDebugF;ret;1"},  // no closing ";"
           Body{Reply(Get("ShowMsgs"), {""}), "FUN;ShowMsgs;ret;;"},
           Body{Reply(Get("aElemOrderSet"), {"0", ""}), "FUN;aElemOrderSet;ret;0;str;;"},
           Body{Reply(Get("GetE_ErrDescr"), {"0", "No Error"}),
                "FUN;GetE_ErrDescr;ret;0;str;No Error;"},
           Body{Reply(Get("dSolve"), {"2.0000000000"}), "FUN;dSolve;dbl;2.0000000000;"},
           Body{Reply(Get("GetE_ErrPlace"), {"3", "at column 3: 'zz' (unknown variable)"}),
                "FUN;GetE_ErrPlace;ret;3;str;at column 3: 'zz' (unknown variable);"},
       }) {
    EXPECT_EQ(b.written, b.expected);
  }
}

TEST(Wire, TheTableNamesNineteenFunctionsExactly) {
  EXPECT_EQ(trx::wire::Functions().size(), 19u);
  EXPECT_EQ(trx::wire::Find("E_EVAL"), nullptr);  // case matters
  EXPECT_EQ(Get("e_evals").blocks, trx::wire::Blocks::EEvals);
  EXPECT_EQ(Get("FindMatrix").blocks, trx::wire::Blocks::Matrix);
  EXPECT_EQ(Get("aPrint").blocks, trx::wire::Blocks::None);
  EXPECT_EQ(trx::wire::ArgField(0), 6);
  EXPECT_EQ(trx::wire::ReplyField(1), 6);
  EXPECT_EQ(trx::wire::FromWire(trx::wire::ToWire("mean(1;2)")), "mean(1;2)");
}

}  // namespace

namespace {

TEST(Wire, AResultHeaderSaysHowManyBytesFollow) {
  struct Case {
    std::string header;
    int64_t rest;
  };
  for (const Case& c :
       {Case{"TLN;00000047;", 35}, Case{"TLN;00000013;", 1}, Case{"TLN;0000004x;", -1},
        Case{"TLF;00000047;", -1}, Case{"TLN;00000047 ", -1}, Case{"TLN;0000", -1}}) {
    EXPECT_EQ(trx::ResultRest(c.header), c.rest) << c.header;
  }
}

}  // namespace
