// SvrExecuteCMD: the table of the eighteen names a command may carry, each
// row turning the command's fields into one library call and its result
// into a result body. Field numbers count the whole frame: 1 "TLN", 2 the
// length, 3 "FUN", 4 the name, 6, 8, ... the values.
#include <cmath>
#include <functional>

#include "../../AuxFunct/aux_funct.h"
#include "server.h"

namespace trx {
namespace {

std::string S(std::string_view cmd, int i) { return std::string(aux::FieldS(cmd, i)); }
// An expression field: ";" (statistics arguments) travels as "|", which no
// expression holds otherwise.
std::string E(std::string_view cmd, int i) {
  std::string text = S(cmd, i);
  for (char& c : text) c = c == '|' ? ';' : c;
  return text;
}
int32_t L(std::string_view cmd, int i) { return aux::FieldL(cmd, i); }
double D(std::string_view cmd, int i) { return aux::FieldD(cmd, i); }
std::string Int(int64_t v) { return std::to_string(v); }
uint8_t Byte(int32_t v) { return v != 0 ? 1 : 0; }

std::string Replaced(std::string text, char from, char to) {
  for (char& c : text) c = c == from ? to : c;
  return text;
}

std::string TrimBlanks(std::string_view text) {
  const std::size_t first = text.find_first_not_of(' ');
  if (first == std::string_view::npos) return {};
  return std::string(text.substr(first, text.find_last_not_of(' ') - first + 1));
}

using Handler = std::function<std::string(Dispatcher&, const TarnixApi&, std::string_view)>;

struct Row {
  std::string_view name;
  Handler run;
};

}  // namespace

std::string Dispatcher::EEvals(std::string_view cmd) {
  const int32_t count = L(cmd, 14);
  if (count < 0 || count > kMaxPoints) {
    // Not executed: no vectors of that size; the reply says -16 and count 0.
    blocks_.assign(2 + 5, 0.0);
    return "FUN;e_evals;ret;-16;lng;0;";
  }
  // X, Y and the information block lie one after the other, as they travel.
  const std::size_t points = static_cast<std::size_t>(count) + 1;
  blocks_.assign(2 * points + 5, 0.0);
  double* x = blocks_.data();
  const int32_t r = api_.e_evals(E(cmd, 6).c_str(), D(cmd, 8), S(cmd, 10).c_str(), D(cmd, 12),
                                 count, x, x + points, x + 2 * points);
  return "FUN;e_evals;ret;" + Int(r) + ";lng;" + Int(count) + ";";
}

std::string Dispatcher::FindMatrix(std::string_view cmd) {
  int32_t rows = L(cmd, 10);
  int32_t cols = L(cmd, 12);
  const std::string name = S(cmd, 6);
  const int32_t mode = L(cmd, 8);
  const int32_t r = api_.FindMatrix(name.c_str(), mode, &rows, &cols);
  // The block is the elements of the matrix found. r is its handle only when
  // the mode asks for one: a list position (mode bit 2) is no handle, so the
  // handle is asked for once more with the same match.
  const int32_t handle = r == -1 || (mode & 1) != 0
                             ? r
                             : api_.FindMatrix(name.c_str(), (mode & ~2) | 1, nullptr, nullptr);
  int32_t stored_rows = 0;
  int32_t stored_cols = 0;
  const double* elements =
      handle == -1 ? nullptr : api_.GetMatrixPtr(handle, &stored_rows, &stored_cols);
  // A block follows only for a matrix: anything else replies 0 x 0.
  if (elements == nullptr || rows < 0 || cols < 0 ||
      int64_t{rows} * cols > int64_t{stored_rows} * stored_cols) {
    rows = 0;
    cols = 0;
  }
  blocks_.assign(elements,
                 elements + static_cast<std::size_t>(rows) * static_cast<std::size_t>(cols));
  return "FUN;FindMatrix;ret;" + Int(r) + ";lng;" + Int(rows) + ";lng;" + Int(cols) + ";";
}

std::string Dispatcher::Print(std::string_view cmd) {
  // The "ptr" is a matrix handle: the store says where the matrix lies and
  // how large it is; nothing from the network is taken as an address.
  const int32_t rows = L(cmd, 8);
  const int32_t cols = L(cmd, 10);
  int32_t stored_rows = 0;
  int32_t stored_cols = 0;
  const double* matrix = api_.GetMatrixPtr(L(cmd, 6), &stored_rows, &stored_cols);
  std::string text;
  if (matrix != nullptr && rows >= 0 && cols >= 0 &&
      int64_t{rows} * cols <= int64_t{stored_rows} * stored_cols) {
    text = api_.aPrint(matrix, rows, cols, S(cmd, 12).c_str(), S(cmd, 14).c_str(),
                       S(cmd, 16).c_str(), S(cmd, 18).c_str());
  }
  return "FUN;aPrint;ret;" + text + ";";
}

std::string Dispatcher::IntegrateCall(std::string_view cmd) {
  // Steps beyond the limit and a word that names no rule go to the library
  // as a count of 0 and a method of -1: it rejects them with -16, and the
  // client's GetE_Error then reports the failure instead of an older success.
  const double steps = std::nearbyint(D(cmd, 12));
  const int32_t n = !(steps <= kMaxPoints) ? 0
                    : steps < INT32_MIN    ? INT32_MIN
                                           : static_cast<int32_t>(steps);
  // "trap" and "rect" as every client sends them, "simp" for Simpson's rule.
  const int32_t method = aux::IntegrationMethod(TrimBlanks(S(cmd, 14)));
  double value = 0.0;
  const int32_t r = api_.Integrate(E(cmd, 6).c_str(), D(cmd, 8), D(cmd, 10), n, method,
                                   S(cmd, 16).c_str(), &value);
  return "FUN;Integrate;ret;" + Int(r) + ";dbl;" + aux::Fixed10(value) + ";";
}

Dispatcher::Outcome Dispatcher::Execute(std::string_view cmd, std::string& result) {
  // Names compare exactly, case included; the first match runs.
  static const Row kTable[] = {
      {"e_eval",
       [](Dispatcher&, const TarnixApi& api, std::string_view c) {
         double value = 0.0;
         const int32_t r = api.e_eval(E(c, 6).c_str(), &value, L(c, 10));
         return "FUN;e_eval;ret;" + Int(r) + ";dbl;" + aux::Fixed10(value) + ";";
       }},
      {"e_evals", [](Dispatcher& d, const TarnixApi&, std::string_view c) { return d.EEvals(c); }},
      {"lPoly_dydx",
       [](Dispatcher&, const TarnixApi& api, std::string_view c) {
         const intptr_t text = api.lPoly_dydx(E(c, 6).c_str(), S(c, 8).c_str());
         return "FUN;lPoly_dydx;ret;" + std::string(reinterpret_cast<const char*>(text)) + ";";
       }},
      {"aPrint", [](Dispatcher& d, const TarnixApi&, std::string_view c) { return d.Print(c); }},
      {"FindMatrix",
       [](Dispatcher& d, const TarnixApi&, std::string_view c) { return d.FindMatrix(c); }},
      {"SetStrMatrix",
       [](Dispatcher&, const TarnixApi& api, std::string_view c) {
         const std::string text = Replaced(S(c, 6), '|', ';');
         const int32_t r = api.SetStrMatrix(text.c_str(), Byte(L(c, 8)), Byte(L(c, 10)));
         return "FUN;SetStrMatrix;ret;" + Int(r) + ";";
       }},
      {"SetDebugF",
       [](Dispatcher&, const TarnixApi& api, std::string_view c) {
         return "FUN;SetDebugF;ret;" + Int(api.SetDebugF(L(c, 6)));
       }},
      {"aElemOrderSet",
       [](Dispatcher&, const TarnixApi& api, std::string_view c) {
         // The library gives a status here, no text: the text field stays empty.
         return "FUN;aElemOrderSet;ret;" + Int(api.aElemOrderSet(L(c, 6))) + ";str;;";
       }},
      {"SetVarFunct",
       [](Dispatcher&, const TarnixApi& api, std::string_view c) {
         const int32_t r = api.SetVarFunct(S(c, 6).c_str(), S(c, 8).c_str(), L(c, 10));
         return "FUN;SetVarFunct;ret;" + Int(r) + ";";
       }},
      {"ServerEnd", nullptr},
      {"GetResultType",
       [](Dispatcher&, const TarnixApi& api, std::string_view) {
         return "FUN;GetResultType;ret;" + Int(api.GetResultType()) + ";";
       }},
      {"Integrate",
       [](Dispatcher& d, const TarnixApi&, std::string_view c) { return d.IntegrateCall(c); }},
      {"GetE_ErrDescr",
       [](Dispatcher&, const TarnixApi& api, std::string_view c) {
         // The text's address means nothing to a client: 0 stands in for it.
         return "FUN;GetE_ErrDescr;ret;0;str;" + std::string(api.GetE_ErrDescr(L(c, 6))) + ";";
       }},
      {"GetE_Error",
       [](Dispatcher&, const TarnixApi& api, std::string_view) {
         return "FUN;GetE_Error;ret;" + Int(api.GetE_Error()) + ";";
       }},
      {"ShowMsgs",
       [](Dispatcher&, const TarnixApi& api, std::string_view c) {
         api.ShowMsgs(L(c, 6));
         return std::string("FUN;ShowMsgs;ret;;");
       }},
      {"ReSetDuZuradi",
       [](Dispatcher&, const TarnixApi& api, std::string_view) {
         api.ReSetDuZuradi();
         return std::string("FUN;ReSetDuZuradi;ret;;");
       }},
      {"aAbout",
       [](Dispatcher&, const TarnixApi& api, std::string_view) {
         // Always mode 1 (no box on the server); ";" would split the field.
         const std::string text = Replaced(TrimBlanks(api.aAbout(1)), ';', ',');
         return "FUN;aAbout;ret;0;str;" + text + ";";
       }},
      {"dSolve",
       [](Dispatcher&, const TarnixApi& api, std::string_view c) {
         return "FUN;dSolve;dbl;" + aux::Fixed10(api.dSolve(E(c, 6).c_str(), S(c, 8).c_str())) +
                ";";
       }},
  };

  result.clear();
  blocks_ = {};  // given back, not only emptied: one e_evals may have held gigabytes
  const std::string_view name = aux::FieldS(cmd, 4);
  for (const Row& row : kTable) {
    if (row.name != name) continue;
    if (!row.run) return Outcome::ServerEnd;
    result = FrameResult(row.run(*this, api_, cmd));
    LogMsg("CMD Executed", "SvrExecuteCMD");
    return Outcome::Result;
  }
  return Outcome::Unknown;
}

}  // namespace trx
