// The client form of trx_cs: the connection to one server and the two
// procedures that carry a call across it.
#pragma once

#if !defined(TRX_CS_CLIENT)
#error "client.h belongs to the client build of trx_cs"
#endif

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "trx_cs.h"

namespace trx {

// Where CliReceiveRes puts the blocks of e_evals and FindMatrix.
struct Blocks {
  double* x = nullptr;  // e_evals: room for `points` doubles each
  double* y = nullptr;
  double* info = nullptr;  // 5 doubles
  std::size_t points = 0;
  const double** matrix = nullptr;  // FindMatrix: receives MatrixBuffer's address
};

// The client's process-wide state (one connection at a time).
struct ClientState {
  int ClientConnected = 0;
  Connection ConnectionID;  // fd -1 when none
  int PortNumber = 6832;
  std::string CmdText;
  std::string ResText;
  int CallStatus = 0;
  std::vector<double> MatrixBuffer;
  double SolveValue = 0.0;
  // A stub refused to send an over-long command: the next GetE_Error and
  // GetE_ErrDescr answer it without asking the server.
  bool CommandNotSent = false;
};

ClientState& Client();

// Opens the connection to host:port; its number, or 0 on failure. A source
// address (dotted IPv4) is bound first, so that the peer sees the client
// there: a proxy that balances by source address tells clients apart by it.
// wait_ms bounds the wait for the connection to be made.
int InitClient(const std::string& host, int port, const std::string& source = {},
               int wait_ms = kWaitMs);
// Why source can not be the local end of a connection ("" when it can): not
// a dotted IPv4 address, or not one of this machine's.
std::string SourceAddressProblem(const std::string& source);
void Disconnect();
// 0 after sending, -1 when not connected.
int CliTransmitCmd(const std::string& cmd);
// The body of the result of the call named name (everything after the
// 13-byte header); status 0 complete, -1 not connected, -2 short or missing.
std::string CliReceiveRes(int* status, std::string_view name, const Blocks& blocks = {});

// The idle poll between calls: notices a server that has closed the
// connection (pending data is left unread). False when not connected.
bool CheckConnection();

// The orderly end of the client program: if connected and close_server()
// says yes, the server is ended remotely; then "Program will end." and the
// connection closed.
void TerminateProgram(const std::function<bool()>& close_server);

// The largest block a client takes: e_evals points and matrix elements.
inline constexpr std::size_t kMaxBlockDoubles = 16777216;

}  // namespace trx
