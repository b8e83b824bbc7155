// The call stubs: command layout, number writers and result fields.
#include "trx_cli.h"

#include <limits>
#include <string>
#include <string_view>

#include "../../AuxFunct/aux_funct.h"
#include "../trx_cs/client.h"
#include "../trx_cs/wire.h"

namespace trx_cli {
namespace {

using trx::Client;
namespace wire = trx::wire;

std::string Text(const char* text) { return text != nullptr ? text : ""; }

// Expressions and matrix texts may hold ";" (statistics arguments, matrix
// fields): they travel as their stand-in, which the server turns back.
std::string Expression(const char* text) { return wire::ToWire(Text(text)); }

// Sends the command body of f and returns the result body ("" when the
// call did not happen).
std::string Call(const wire::Function& f, const std::string& body, const trx::Blocks& blocks = {}) {
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
  return trx::CliReceiveRes(&status, f.name, blocks);
}

// A call of f with these argument values.
std::string Call(std::string_view name, std::initializer_list<std::string_view> values,
                 const trx::Blocks& blocks = {}) {
  const wire::Function& f = wire::Get(name);
  return Call(f, wire::Command(f, values), blocks);
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

// Reply fields: value j of a result body.
constexpr int kRet = wire::ReplyField(0);
constexpr int kSecond = wire::ReplyField(1);
constexpr int kThird = wire::ReplyField(2);

int32_t e_eval(const char* expr, double* result, int32_t check) {
  const std::string body = Call("e_eval", {Expression(expr), wire::kResultPlaceholder, Int(check)});
  if (result != nullptr) *result = D(body, kSecond);
  return L(body, kRet);
}

int32_t e_evals(const char* expr, double x1, const char* var, double x2, int32_t n, double* xs,
                double* ys, double* info) {
  trx::Blocks blocks;
  blocks.x = xs;
  blocks.y = ys;
  blocks.info = info;
  blocks.points = n >= 0 ? static_cast<std::size_t>(n) + 1 : 0;
  const std::string body = Call(
      "e_evals", {Expression(expr), aux::ShortNumber(x1), Text(var), aux::ShortNumber(x2), Int(n)},
      blocks);
  return L(body, kRet);
}

int32_t Integrate(const char* expr, double from, double to, int32_t steps, int32_t method,
                  const char* var, double* result) {
  const std::string body =
      Call("Integrate", {Expression(expr), aux::Fixed10(from), aux::Fixed10(to), Int(steps),
                         aux::IntegrationWord(method), Text(var)});
  if (result != nullptr) *result = D(body, kSecond);
  return L(body, kRet);
}

double dSolve(const char* expr, const char* var) {
  const std::string body = Call("dSolve", {Expression(expr), Text(var)});
  Client().SolveValue = D(body, kRet);  // dSolve's reply is its value alone
  return Client().SolveValue;
}

const char* lPoly_dydx(const char* expr, const char* var) {
  Call("lPoly_dydx", {Expression(expr), Text(var)});
  return S(kRet);
}

int32_t SetVarFunct(const char* name, const char* value, int32_t kind) {
  return L(Call("SetVarFunct", {Text(name), Text(value), Int(kind)}), kRet);
}

int32_t SetStrMatrix(const char* definition, uint8_t first, uint8_t second) {
  // The second flag with ten decimals: see the table of the wire.
  return L(Call("SetStrMatrix", {Expression(definition), Int(first), aux::Fixed10(second)}), kRet);
}

const double* FindMatrix(const char* name, int32_t paramTp, int32_t* rows, int32_t* cols) {
  const double* elements = nullptr;
  trx::Blocks blocks;
  blocks.matrix = &elements;
  const std::string body = Call("FindMatrix",
                                {Text(name), Int(paramTp), Int(rows != nullptr ? *rows : 0),
                                 Int(cols != nullptr ? *cols : 0)},
                                blocks);
  if (rows != nullptr) *rows = L(body, kSecond);
  if (cols != nullptr) *cols = L(body, kThird);
  return elements;
}

const char* aPrint(int32_t handle, int32_t rows, int32_t cols, const char* dest, const char* format,
                   const char* header, const char* sep) {
  Call("aPrint",
       {Int(handle), Int(rows), Int(cols), Text(dest), Text(format), Text(header), Text(sep)});
  const std::string mode = Text(dest);
  const char* text = S(kRet);
  if (mode == "Debug") {
    trx::LogMsg(text, "");
  } else if (mode == "MsgBox") {
    trx::MessageBox(text, std::string(wire::kPrintBoxTitle));
  }
  return text;
}

const char* aAbout(int32_t flag) {
  Call("aAbout", {Int(flag)});
  const char* text = S(kSecond);
  if (flag == 0) trx::MessageBox(text, "About Tarnix.dll");
  return text;
}

const char* GetE_ErrDescr(int32_t code) {
  if (Client().CommandNotSent && code == kNotSent) {
    Client().ResText = std::string(kInvalidParameterText) +
                       ": the command is longer than 3000 bytes and was not sent";
    return Client().ResText.c_str();
  }
  Call("GetE_ErrDescr", {Int(code)});
  return S(kSecond);
}

int32_t GetE_Error() {
  if (Client().CommandNotSent) return kNotSent;
  return L(Call("GetE_Error", {}), kRet);
}

std::string GetE_ErrPlace(int32_t* column) {
  if (Client().CommandNotSent) {
    if (column != nullptr) *column = 0;
    return {};
  }
  const std::string body = Call("GetE_ErrPlace", {});
  if (column != nullptr) *column = L(body, kRet);
  return wire::FromWire(S(kSecond));
}

bool Answered() { return !Client().CommandNotSent && Client().CallStatus == 0; }

int32_t GetResultType() { return L(Call("GetResultType", {}), kRet); }
void aElemOrderSet(int32_t order) { Call("aElemOrderSet", {Int(order)}); }
void SetDebugF(int32_t flag) { Call("SetDebugF", {Int(flag)}); }
void ShowMsgs(int32_t level) { Call("ShowMsgs", {Int(level)}); }
void ReSetDuZuradi() { Call("ReSetDuZuradi", {}); }

}  // namespace trx_cli
