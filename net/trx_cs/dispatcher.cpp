// SvrExecuteCMD: each function of the wire's table turned into one library
// call, its arguments read by position and its reply written by the table.
#include <cmath>
#include <functional>

#include "../../AuxFunct/aux_funct.h"
#include "server.h"
#include "wire.h"

namespace trx {
namespace {

// Argument i (from 0) of a command frame.
std::string S(std::string_view cmd, int i) {
  return std::string(aux::FieldS(cmd, wire::ArgField(i)));
}
// An expression or matrix text: ";" travels as its stand-in.
std::string E(std::string_view cmd, int i) {
  return wire::FromWire(aux::FieldS(cmd, wire::ArgField(i)));
}
int32_t L(std::string_view cmd, int i) { return aux::FieldL(cmd, wire::ArgField(i)); }
double D(std::string_view cmd, int i) { return aux::FieldD(cmd, wire::ArgField(i)); }
std::string Int(int64_t v) { return std::to_string(v); }
uint8_t Byte(int32_t v) { return v != 0 ? 1 : 0; }

// The rule word and the about text are trimmed of spaces only: a tab
// beside the rule word makes it no rule, as it always has.
std::string TrimSpaces(std::string_view text) { return aux::Trim(text, " "); }

std::string Reply(std::string_view name, std::initializer_list<std::string_view> values) {
  return wire::Reply(wire::Get(name), values);
}

using Handler = std::function<std::string(Dispatcher&, const TarnixApi&, std::string_view)>;

struct Row {
  std::string_view name;
  Handler run;
};

}  // namespace

std::string Dispatcher::EEvals(std::string_view cmd) {
  const int32_t count = L(cmd, 4);
  if (count < 0 || count > kMaxPoints) {
    // Not executed: no vectors of that size; the reply says -16 and count 0.
    blocks_.assign(2 + 5, 0.0);
    return Reply("e_evals", {"-16", "0"});
  }
  // X, Y and the information block lie one after the other, as they travel.
  const std::size_t points = static_cast<std::size_t>(count) + 1;
  blocks_.assign(2 * points + 5, 0.0);
  double* x = blocks_.data();
  const int32_t r = api_.e_evals(E(cmd, 0).c_str(), D(cmd, 1), S(cmd, 2).c_str(), D(cmd, 3), count,
                                 x, x + points, x + 2 * points);
  return Reply("e_evals", {Int(r), Int(count)});
}

std::string Dispatcher::FindMatrix(std::string_view cmd) {
  int32_t rows = L(cmd, 2);
  int32_t cols = L(cmd, 3);
  const std::string name = S(cmd, 0);
  const int32_t mode = L(cmd, 1);
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
  return Reply("FindMatrix", {Int(r), Int(rows), Int(cols)});
}

std::string Dispatcher::Print(std::string_view cmd) {
  // The "ptr" is a matrix handle: the store says where the matrix lies and
  // how large it is; nothing from the network is taken as an address.
  const int32_t rows = L(cmd, 1);
  const int32_t cols = L(cmd, 2);
  int32_t stored_rows = 0;
  int32_t stored_cols = 0;
  const double* matrix = api_.GetMatrixPtr(L(cmd, 0), &stored_rows, &stored_cols);
  std::string text;
  if (matrix != nullptr && rows >= 0 && cols >= 0 &&
      int64_t{rows} * cols <= int64_t{stored_rows} * stored_cols) {
    text = api_.aPrint(matrix, rows, cols, S(cmd, 3).c_str(), S(cmd, 4).c_str(), S(cmd, 5).c_str(),
                       S(cmd, 6).c_str());
  }
  return Reply("aPrint", {text});
}

std::string Dispatcher::IntegrateCall(std::string_view cmd) {
  // Steps beyond the limit and a word that names no rule go to the library
  // as a count of 0 and a method of -1: it rejects them with -16, and the
  // client's GetE_Error then reports the failure instead of an older success.
  const double steps = std::nearbyint(D(cmd, 3));
  const int32_t n = !(steps <= kMaxPoints) ? 0
                    : steps < INT32_MIN    ? INT32_MIN
                                           : static_cast<int32_t>(steps);
  // "trap" and "rect" as every client sends them, "simp" for Simpson's rule.
  const int32_t method = aux::IntegrationMethod(TrimSpaces(S(cmd, 4)));
  double value = 0.0;
  const int32_t r =
      api_.Integrate(E(cmd, 0).c_str(), D(cmd, 1), D(cmd, 2), n, method, S(cmd, 5).c_str(), &value);
  return Reply("Integrate", {Int(r), aux::Fixed10(value)});
}

Dispatcher::Outcome Dispatcher::Execute(std::string_view cmd, DispatchReply& reply) {
  // One handler per function of the wire's table, in the table's order.
  static const Row kHandlers[] = {
      {"e_eval",
       [](Dispatcher&, const TarnixApi& api, std::string_view c) {
         double value = 0.0;
         const int32_t r = api.e_eval(E(c, 0).c_str(), &value, L(c, 2));
         return Reply("e_eval", {Int(r), aux::Fixed10(value)});
       }},
      {"e_evals", [](Dispatcher& d, const TarnixApi&, std::string_view c) { return d.EEvals(c); }},
      {"lPoly_dydx",
       [](Dispatcher&, const TarnixApi& api, std::string_view c) {
         const intptr_t text = api.lPoly_dydx(E(c, 0).c_str(), S(c, 1).c_str());
         return Reply("lPoly_dydx", {reinterpret_cast<const char*>(text)});
       }},
      {"aPrint", [](Dispatcher& d, const TarnixApi&, std::string_view c) { return d.Print(c); }},
      {"FindMatrix",
       [](Dispatcher& d, const TarnixApi&, std::string_view c) { return d.FindMatrix(c); }},
      {"SetStrMatrix",
       [](Dispatcher&, const TarnixApi& api, std::string_view c) {
         const std::string text = E(c, 0);
         return Reply("SetStrMatrix",
                      {Int(api.SetStrMatrix(text.c_str(), Byte(L(c, 1)), Byte(L(c, 2))))});
       }},
      {"SetDebugF",
       [](Dispatcher&, const TarnixApi& api, std::string_view c) {
         return Reply("SetDebugF", {Int(api.SetDebugF(L(c, 0)))});
       }},
      {"aElemOrderSet",
       [](Dispatcher&, const TarnixApi& api, std::string_view c) {
         return Reply("aElemOrderSet", {Int(api.aElemOrderSet(L(c, 0))), ""});
       }},
      {"SetVarFunct",
       [](Dispatcher&, const TarnixApi& api, std::string_view c) {
         return Reply("SetVarFunct",
                      {Int(api.SetVarFunct(S(c, 0).c_str(), S(c, 1).c_str(), L(c, 2)))});
       }},
      {"ServerEnd", nullptr},
      {"GetResultType",
       [](Dispatcher&, const TarnixApi& api, std::string_view) {
         return Reply("GetResultType", {Int(api.GetResultType())});
       }},
      {"Integrate",
       [](Dispatcher& d, const TarnixApi&, std::string_view c) { return d.IntegrateCall(c); }},
      {"GetE_ErrDescr",
       [](Dispatcher&, const TarnixApi& api, std::string_view c) {
         return Reply("GetE_ErrDescr", {"0", api.GetE_ErrDescr(L(c, 0))});
       }},
      {"GetE_Error", [](Dispatcher&, const TarnixApi& api,
                        std::string_view) { return Reply("GetE_Error", {Int(api.GetE_Error())}); }},
      {"GetE_ErrPlace",
       [](Dispatcher&, const TarnixApi& api, std::string_view) {
         int32_t column = 0;
         const std::string text = api.GetE_ErrPlace(&column);
         // The token may be a ";" itself.
         return Reply("GetE_ErrPlace", {Int(column), wire::ToWire(text)});
       }},
      {"ShowMsgs",
       [](Dispatcher&, const TarnixApi& api, std::string_view c) {
         api.ShowMsgs(L(c, 0));
         return Reply("ShowMsgs", {""});
       }},
      {"ReSetDuZuradi",
       [](Dispatcher&, const TarnixApi& api, std::string_view) {
         api.ReSetDuZuradi();
         return Reply("ReSetDuZuradi", {""});
       }},
      {"aAbout",
       [](Dispatcher&, const TarnixApi& api, std::string_view) {
         // Always mode 1 (no box on the server); ";" would split the field.
         return Reply("aAbout", {"0", aux::Replaced(TrimSpaces(api.aAbout(1)), ';', ',')});
       }},
      {"dSolve",
       [](Dispatcher&, const TarnixApi& api, std::string_view c) {
         return Reply("dSolve", {aux::Fixed10(api.dSolve(E(c, 0).c_str(), S(c, 1).c_str()))});
       }},
  };
  static const bool in_order = [] {
    for (std::size_t i = 0; i < wire::Functions().size(); ++i) {
      if (std::size(kHandlers) != wire::Functions().size() ||
          kHandlers[i].name != wire::Functions()[i].name) {
        return false;
      }
    }
    return true;
  }();
  if (!in_order) return Outcome::Unknown;  // a build error, caught by every server test

  reply = DispatchReply{};
  blocks_ = {};  // given back, not only emptied: one e_evals may have held gigabytes
  // Names compare exactly, case included; the first match runs.
  const wire::Function* f = wire::Find(aux::FieldS(cmd, 4));
  if (f == nullptr) return Outcome::Unknown;
  const Row& row = kHandlers[f - wire::Functions().data()];
  if (!row.run) return Outcome::ServerEnd;
  reply.text = FrameResult(row.run(*this, api_, cmd));
  reply.blocks = f->blocks;
  reply.block_data = std::move(blocks_);
  LogMsg("CMD Executed", "SvrExecuteCMD");
  return Outcome::Result;
}

}  // namespace trx
