// The call stubs: command layout, number writers and result fields.
#include "trx_cli.h"

#include <limits>
#include <string>
#include <string_view>

#include "../../AuxFunct/aux_funct.h"
#include "../trx_cs/client.h"

namespace trx_cli {
namespace {

using trx::Client;

std::string Text(const char* text) { return text != nullptr ? text : ""; }

std::string Replaced(std::string text, char from, char to) {
  for (char& c : text) c = c == from ? to : c;
  return text;
}

// Expressions may hold ";" (statistics arguments): they travel as "|",
// which no expression contains, and the server turns them back.
std::string Expression(const char* text) { return Replaced(Text(text), ';', '|'); }

// Frames the command, sends it and returns the result body ("" when the
// call did not happen).
std::string Call(const std::string& body, std::string_view name, const trx::Blocks& blocks = {}) {
  std::string& cmd = Client().CmdText;
  cmd = trx::FrameMessage(body);
  if (cmd.size() > trx::kMaxCommand) {
    trx::LogMsg(
        "Not sent: the command is " + std::to_string(cmd.size()) + " bytes long, more than 3000",
        "CliTransmitCmd");
    Client().CommandNotSent = true;
    Client().ResText.clear();
    return {};
  }
  Client().CommandNotSent = false;
  trx::CliTransmitCmd(cmd);
  int status = 0;
  return trx::CliReceiveRes(&status, name, blocks);
}

int32_t L(const std::string& body, int i) { return aux::FieldL(body, i); }
// A number field. The server writes a value that is no finite number as
// "inf", "-inf" or "nan"; the shared reader takes those words for 0, which
// would pass for a result, so they are read here as what they are.
double D(const std::string& body, int i) {
  std::string_view field = aux::FieldS(body, i);
  while (!field.empty() && field.front() == ' ') field.remove_prefix(1);
  const bool negative = !field.empty() && field.front() == '-';
  if (!field.empty() && (field.front() == '-' || field.front() == '+')) field.remove_prefix(1);
  if (field.substr(0, 3) == "inf") {
    return negative ? -std::numeric_limits<double>::infinity()
                    : std::numeric_limits<double>::infinity();
  }
  if (field.substr(0, 3) == "nan") return std::numeric_limits<double>::quiet_NaN();
  return aux::FieldD(body, i);
}

// A text field of the body, kept in the client's result text.
const char* S(int i) {
  std::string field(aux::FieldS(Client().ResText, i));
  Client().ResText = std::move(field);
  return Client().ResText.c_str();
}

std::string Int(int64_t v) { return std::to_string(v); }

}  // namespace

int32_t e_eval(const char* expr, double* result, int32_t check) {
  const std::string body = Call(
      "FUN;e_eval;str;" + Expression(expr) + ";dbl;00000000;lng;" + Int(check) + ";", "e_eval");
  if (result != nullptr) *result = D(body, 6);
  return L(body, 4);
}

int32_t e_evals(const char* expr, double x1, const char* var, double x2, int32_t n, double* xs,
                double* ys, double* info) {
  trx::Blocks blocks;
  blocks.x = xs;
  blocks.y = ys;
  blocks.info = info;
  blocks.points = n >= 0 ? static_cast<std::size_t>(n) + 1 : 0;
  const std::string body =
      Call("FUN;e_evals;str;" + Expression(expr) + ";dbl;" + aux::ShortNumber(x1) + ";str;" +
               Text(var) + ";dbl;" + aux::ShortNumber(x2) + ";lng;" + Int(n) + ";",
           "e_evals", blocks);
  return L(body, 4);
}

int32_t Integrate(const char* expr, double from, double to, int32_t steps, int32_t method,
                  const char* var, double* result) {
  const std::string body =
      Call("FUN;Integrate;str;" + Expression(expr) + ";dbl;" + aux::Fixed10(from) + ";dbl;" +
               aux::Fixed10(to) + ";lng;" + Int(steps) + ";str;" +
               std::string(aux::IntegrationWord(method)) + ";str;" + Text(var) + ";",
           "Integrate");
  if (result != nullptr) *result = D(body, 6);
  return L(body, 4);
}

double dSolve(const char* expr, const char* var) {
  const std::string body =
      Call("FUN;dSolve;str;" + Expression(expr) + ";str;" + Text(var) + ";", "dSolve");
  Client().SolveValue = D(body, 4);
  return Client().SolveValue;
}

const char* lPoly_dydx(const char* expr, const char* var) {
  Call("FUN;lPoly_dydx;str;" + Expression(expr) + ";str;" + Text(var) + ";", "lPoly_dydx");
  return S(4);
}

int32_t SetVarFunct(const char* name, const char* value, int32_t kind) {
  return L(
      Call("FUN;SetVarFunct;str;" + Text(name) + ";str;" + Text(value) + ";lng;" + Int(kind) + ";",
           "SetVarFunct"),
      4);
}

int32_t SetStrMatrix(const char* definition, uint8_t first, uint8_t second) {
  return L(Call("FUN;SetStrMatrix;str;" + Replaced(Text(definition), ';', '|') + ";bte;" +
                    Int(first) + ";bte;" + aux::Fixed10(second) + ";",
                "SetStrMatrix"),
           4);
}

const double* FindMatrix(const char* name, int32_t paramTp, int32_t* rows, int32_t* cols) {
  const double* elements = nullptr;
  trx::Blocks blocks;
  blocks.matrix = &elements;
  const std::string body =
      Call("FUN;FindMatrix;str;" + Text(name) + ";lng;" + Int(paramTp) + ";lng;" +
               Int(rows != nullptr ? *rows : 0) + ";lng;" + Int(cols != nullptr ? *cols : 0) + ";",
           "FindMatrix", blocks);
  if (rows != nullptr) *rows = L(body, 6);
  if (cols != nullptr) *cols = L(body, 8);
  return elements;
}

const char* aPrint(int32_t handle, int32_t rows, int32_t cols, const char* dest, const char* format,
                   const char* header, const char* sep) {
  Call("FUN;aPrint;ptr;" + Int(handle) + ";lng;" + Int(rows) + ";lng;" + Int(cols) + ";str;" +
           Text(dest) + ";str;" + Text(format) + ";str;" + Text(header) + ";str;" + Text(sep) + ";",
       "aPrint");
  const std::string mode = Text(dest);
  const char* text = S(4);
  if (mode == "Debug") {
    trx::LogMsg(text, "");
  } else if (mode == "MsgBox") {
    trx::MessageBox(text, "Tarnnix.dll");
  }
  return text;
}

const char* aAbout(int32_t flag) {
  Call("FUN;aAbout;Lng;" + Int(flag) + ";", "aAbout");
  const char* text = S(6);
  if (flag == 0) trx::MessageBox(text, "About Tarnix.dll");
  return text;
}

const char* GetE_ErrDescr(int32_t code) {
  if (Client().CommandNotSent && code == kNotSent) {
    Client().ResText = std::string(kInvalidParameterText) +
                       ": the command is longer than 3000 bytes and was not sent";
    return Client().ResText.c_str();
  }
  Call("FUN;GetE_ErrDescr;Lng;" + Int(code) + ";", "GetE_ErrDescr");
  return S(6);
}

int32_t GetE_Error() {
  if (Client().CommandNotSent) return kNotSent;
  return L(Call("FUN;GetE_Error;", "GetE_Error"), 4);
}

bool Answered() { return !Client().CommandNotSent && Client().CallStatus == 0; }

int32_t GetResultType() { return L(Call("FUN;GetResultType;", "GetResultType"), 4); }
void aElemOrderSet(int32_t order) {
  Call("FUN;aElemOrderSet;Lng;" + Int(order) + ";", "aElemOrderSet");
}
void SetDebugF(int32_t flag) { Call("FUN;SetDebugF;Lng;" + Int(flag) + ";", "SetDebugF"); }
void ShowMsgs(int32_t level) { Call("FUN;ShowMsgs;Lng;" + Int(level) + ";", "ShowMsgs"); }
void ReSetDuZuradi() { Call("FUN;ReSetDuZuradi;", "ReSetDuZuradi"); }

}  // namespace trx_cli
