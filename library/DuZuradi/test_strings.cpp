// Diagnostics with which a host checks how texts cross the library boundary.
// Their boxes are shown whatever the message settings say.
#include <cstring>

#include "duzuradi.h"

namespace tarnix {
namespace {

void ShowReceived(std::string_view title, std::string_view text) {
  std::string body = "st.s=.";
  body += text;
  body += '.';
  ShowMessageBox(body, title);
}

// Shows the received text and the replacement, then writes the replacement
// (and its NUL) into the caller's buffer.
void ReplaceInBuffer(char* buffer, std::string_view replacement) {
  ShowReceived("TestStrPtr 1", buffer);
  ShowReceived("TestStrPtr 2", replacement);
  std::memcpy(buffer, replacement.data(), replacement.size());
  buffer[replacement.size()] = '\0';
}

}  // namespace

const char* TestStr(std::string_view text) {
  ShowReceived("TestStr 1", text);
  constexpr std::string_view kReply = "123";
  ShowReceived("TestStr 2", kReply);
  return ReturnText(kReply);
}

char* TestStrPtr(char* buffer) {
  if (buffer == nullptr) return nullptr;
  ReplaceInBuffer(buffer, "aaaaaaaaaaa");
  return buffer;
}

const char* TestStrPtr2(char* buffer) {
  if (buffer == nullptr) return ReturnText("");
  constexpr std::string_view kReply = "aaaaaaaaaaaaaa";
  ReplaceInBuffer(buffer, kReply);
  return ReturnText(kReply);
}

}  // namespace tarnix
