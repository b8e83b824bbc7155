// Matrix listings, their destinations, aPrintEx's buffer rule, the about
// text and the version stamp.
#include "tarnix_test.h"

namespace tarnix_test {
namespace {

struct ListingCase {
  std::vector<double> values;
  int rows;
  int cols;
  const char* format;
  const char* header;
  const char* sep;
  const char* listing;
};

class Listings : public Engine, public ::testing::WithParamInterface<ListingCase> {};

TEST_P(Listings, HaveTheirLayout) {
  const ListingCase c = GetParam();
  EXPECT_EQ(
      std::string(aPrint(c.values.data(), c.rows, c.cols, "String", c.format, c.header, c.sep)),
      c.listing);
  EXPECT_TRUE(Boxes().empty());
}

INSTANTIATE_TEST_SUITE_P(
    Layouts, Listings,
    ::testing::Values(
        ListingCase{{1, 2, 3, 4},
                    2,
                    2,
                    "0.00",
                    "M",
                    ";",
                    "M\r\nmA(0, 0)=1.00;mA(0, 1)=2.00;\r\nmA(1, 0)=3.00;mA(1, 1)=4.00;"},
        ListingCase{
            {1, 2, 3}, 3, 1, "", "", "", "\r\nvE(0)=1.0000\r\nvE(1)=2.0000\r\nvE(2)=3.0000"},
        ListingCase{
            {1.5, -2, 3}, 1, 3, "#.#", "row", "|", "row\r\nvE(0)=1.5\r\nvE(1)=-2.0\r\nvE(2)=3.0"},
        ListingCase{{7}, 1, 1, "0", "", "", "\r\nvE(0)=7.0000"},
        ListingCase{
            {1, 2, 3, 4, 5, 6},
            2,
            3,
            "x.",
            "",
            "",
            "\r\nmA(0, 0)=1\tmA(0, 1)=2\tmA(0, 2)=3\t\r\nmA(1, 0)=4\tmA(1, 1)=5\tmA(1, 2)=6\t"},
        ListingCase{{}, 0, 3, "", "empty", "", "empty\r\n"}));

TEST_F(Engine, DestinationsDecideWhereTheListingGoes) {
  const double m[2] = {1, 2};
  const std::string expected = "H\r\nvE(0)=1.0000\r\nvE(1)=2.0000";
  EXPECT_EQ(std::string(aPrint(m, 2, 1, "MsgBox", "", "H", "")), expected);
  ASSERT_EQ(Boxes().size(), 1u);
  EXPECT_EQ(Boxes()[0].title, "Tarnnix.dll");
  EXPECT_EQ(Boxes()[0].text, expected);
  aPrint(m, 2, 1, "", "", "H", "");
  EXPECT_EQ(Boxes().size(), 2u);

  MarkLog();
  aPrint(m, 2, 1, "Debug", "", "H", "");  // debug flags 0: nowhere
  EXPECT_EQ(LogSinceMark(), "");
  SetDebugF(4);
  aPrint(m, 2, 1, "Debug", "", "H", "");
  EXPECT_EQ(LogSinceMark(), "\r\n" + expected);
  MarkLog();
  for (const char* dest : {"String", "File", "Printer", "msgbox"}) {
    EXPECT_EQ(std::string(aPrint(m, 2, 1, dest, "", "H", "")), expected) << dest;
  }
  EXPECT_EQ(Boxes().size(), 2u);
  EXPECT_EQ(LogSinceMark(), "");
}

TEST_F(Engine, ShowAlwaysOpensABox) {
  const double m[1] = {3};
  SetDebugF(4);
  MarkLog();
  EXPECT_EQ(std::string(aShow(m, 1, 1)), "\r\nvE(0)=3.0000");
  ASSERT_EQ(Boxes().size(), 1u);
  EXPECT_EQ(LogSinceMark(), "");
  const int h = SetStrMatrix("[vA];1;1;3", 1, 0);
  EXPECT_EQ(std::string(aShowByLong(h, 1, 1)), "\r\nvE(0)=3.0000");
  EXPECT_EQ(Boxes().size(), 2u);
}

// A handler that evaluates while the box of aShow is open: its reports take
// the message route the host set, not one aShow would have put in place.
void EvaluateFromTheBox(const char* text, const char* title) {
  Boxes().push_back({text, title});
  double value = 0;
  e_eval("1/0", &value, 0);
}

TEST_F(Engine, ShowLeavesTheMessageRouteOfCallsFromItsBoxAlone) {
  const double m[1] = {3};
  ShowMsgs(1);
  SetDebugF(4);
  SetMsgBoxHandler(EvaluateFromTheBox);
  MarkLog();
  EXPECT_EQ(std::string(aShow(m, 1, 1)), "\r\nvE(0)=3.0000");
  ASSERT_EQ(Boxes().size(), 1u);
  EXPECT_NE(LogSinceMark().find("Division by zero."), std::string::npos);
  // After the box the route is the same: SetDebugF(4) still holds.
  MarkLog();
  double value = 0;
  e_eval("1/0", &value, 0);
  EXPECT_NE(LogSinceMark().find("Division by zero."), std::string::npos);
}

TEST_F(Engine, PrintExCutsTheListingToTheBuffersContent) {
  const double m[4] = {1, 2, 3, 4};
  char buffer[11] = "          ";  // ten blanks
  EXPECT_EQ(aPrintEx(m, 2, 2, "String", "", "M", ";", buffer), 10);
  EXPECT_STREQ(buffer, "M\r\nmA(0, 0");
  char wide[100];
  std::memset(wide, ' ', 99);
  wide[99] = '\0';
  EXPECT_EQ(aPrintEx(m, 1, 1, nullptr, nullptr, nullptr, nullptr, wide), 14);
  EXPECT_STREQ(wide, "\r\nvE(0)=1.0000");
  char empty[4] = "";
  EXPECT_EQ(aPrintEx(m, 2, 2, "String", "", "", "", empty), -22);
  EXPECT_EQ(aPrintEx(m, 2, 2, "String", "", "", "", nullptr), -22);
  EXPECT_STREQ(GetE_ErrDescr(-22), "Invalid Parameter. Unable to return string");
}

TEST_F(Engine, VersionStampIsReadFromTheLibraryFile) {
  char file_version[24] = "unset";
  char product_version[24] = "unset";
  EXPECT_EQ(DisplayVerInfo(TARNIX_LIBRARY_FILE, file_version, product_version), -1);
  EXPECT_STREQ(file_version, TARNIX_PROJECT_VERSION);
  EXPECT_STREQ(product_version, TARNIX_PROJECT_VERSION);
  // A file without a stamp, a directory or a missing file leave the buffers alone.
  for (const char* path : {TARNIX_HEADER_FILE, "/", "/no/such/file", ""}) {
    EXPECT_EQ(DisplayVerInfo(path, file_version, product_version), 0) << path;
  }
  EXPECT_STREQ(file_version, TARNIX_PROJECT_VERSION);
  EXPECT_TRUE(Boxes().empty());
}

TEST_F(Engine, AboutTextInItsThreeModes) {
  const std::string text = aAbout(2);
  const auto lines = Lines(text);
  ASSERT_EQ(lines.size(), 7u);
  EXPECT_EQ(lines[0], "Library: Tarnix.dll");
  EXPECT_EQ(lines[1], std::string("Version: ") + TARNIX_PROJECT_VERSION);
  EXPECT_EQ(lines[2].substr(0, 10), "FileTime: ");
  EXPECT_EQ(lines[2].size(), 29u);  // dd/mm/yyyy hh:ii:ss
  EXPECT_EQ(lines[4], "Scope: a DLL library for numerical calculations (methods)");
  EXPECT_EQ(lines[5], "Info: see file Readme.txt and License.txt");
  EXPECT_EQ(lines[6], "Running in IDE: No");
  EXPECT_TRUE(Boxes().empty());

  const std::string with_caption = aAbout(1);
  EXPECT_EQ(with_caption.substr(0, 19), "About Tarnix.dll - ");
  EXPECT_NE(with_caption.find("\r\n\r\nLibrary: Tarnix.dll"), std::string::npos);
  EXPECT_EQ(std::string(aAbout(0)), text);
  ASSERT_EQ(Boxes().size(), 1u);
  EXPECT_EQ(Boxes()[0].text, text);
  EXPECT_EQ(Boxes()[0].title.substr(0, 19), "About Tarnix.dll - ");
}

}  // namespace
}  // namespace tarnix_test
