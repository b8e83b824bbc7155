// Corvane with its windows: the start-up order, the Client/Server window in
// its client form, the main window, and the orderly end.
#pragma once

#include <string>

namespace corvane {

struct DesktopOptions {
  std::string host = "127.0.0.1";
  int port = 6832;
  std::string source;  // the local address to connect from; "" lets the system choose
  std::string decimals = "4";
  bool log = false;  // the message log copied to standard error
};

int RunDesktop(int argc, char** argv, const DesktopOptions& options);

// True when a window can be shown: a display, or a Qt platform chosen.
bool DisplayAvailable();

}  // namespace corvane
