// trx_Server with its window: the Client/Server window in its server form,
// the server driven by socket notifications so that a call is served at
// once while the window stays responsive.
#pragma once

#include "../net/trx_cs/server.h"

namespace server {

// Runs the window until End, its close box, ServerEnd or SIGINT/SIGTERM
// (readable on signals_fd). listen_now presses Connect / Listen at start.
int RunWindow(int argc, char** argv, trx::Server& server, int port, bool listen_now,
              int signals_fd);

// True when a window can be shown: a display, or a Qt platform chosen.
bool DisplayAvailable();

}  // namespace server
