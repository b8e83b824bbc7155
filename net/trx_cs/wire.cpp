// The table of the wire's functions and the writers of its bodies.
#include "wire.h"

#include "../../AuxFunct/text.h"

namespace trx::wire {
namespace {

using Tags = std::string_view;

// Kept for compatibility with existing peers: clients tag the single
// integer argument of aAbout, GetE_ErrDescr, aElemOrderSet, SetDebugF and
// ShowMsgs "Lng", every other integer "lng". The server reads values by
// position and never looks at a tag.
constexpr Tags kEEvalArgs[] = {"str", "dbl", "lng"};
constexpr Tags kEEvalsArgs[] = {"str", "dbl", "str", "dbl", "lng"};
constexpr Tags kTextAndVariable[] = {"str", "str"};
// Kept for compatibility with existing peers: SetStrMatrix's second flag is
// tagged a byte but written with ten decimals ("0.0000000000").
constexpr Tags kSetStrMatrixArgs[] = {"str", "bte", "bte"};
constexpr Tags kSetVarFunctArgs[] = {"str", "str", "lng"};
constexpr Tags kFindMatrixArgs[] = {"str", "lng", "lng", "lng"};
// The "ptr" is a matrix handle: no address travels.
constexpr Tags kPrintArgs[] = {"ptr", "lng", "lng", "str", "str", "str", "str"};
constexpr Tags kIntegrateArgs[] = {"str", "dbl", "dbl", "lng", "str", "str"};
constexpr Tags kUpperLng[] = {"Lng"};

constexpr Tags kRet[] = {"ret"};
constexpr Tags kRetDbl[] = {"ret", "dbl"};
constexpr Tags kRetLng[] = {"ret", "lng"};
constexpr Tags kRetStr[] = {"ret", "str"};
constexpr Tags kRetLngLng[] = {"ret", "lng", "lng"};
constexpr Tags kDbl[] = {"dbl"};

constexpr std::array<Function, 19> kFunctions = {{
    {"e_eval", kEEvalArgs, kRetDbl},
    {"e_evals", kEEvalsArgs, kRetLng, Blocks::EEvals},
    {"lPoly_dydx", kTextAndVariable, kRet},
    {"aPrint", kPrintArgs, kRet},
    {"FindMatrix", kFindMatrixArgs, kRetLngLng, Blocks::Matrix},
    {"SetStrMatrix", kSetStrMatrixArgs, kRet},
    {"SetDebugF", kUpperLng, kRet, Blocks::None, false},
    // The library gives a status here, no text: the text field stays empty.
    {"aElemOrderSet", kUpperLng, kRetStr},
    {"SetVarFunct", kSetVarFunctArgs, kRet},
    {"ServerEnd", {}, {}},  // no reply: the server ends
    {"GetResultType", {}, kRet},
    {"Integrate", kIntegrateArgs, kRetDbl},
    // The text's address means nothing to a client: ret carries 0.
    {"GetE_ErrDescr", kUpperLng, kRetStr},
    {"GetE_Error", {}, kRet},
    // Where the last evaluation failed: ret the column, str the text.
    {"GetE_ErrPlace", {}, kRetStr},
    {"ShowMsgs", kUpperLng, kRet},  // ret carries nothing
    {"ReSetDuZuradi", {}, kRet},    // ret carries nothing
    {"aAbout", kUpperLng, kRetStr},
    // Kept for compatibility with existing peers: dSolve's reply has no ret.
    {"dSolve", kTextAndVariable, kDbl},
}};

std::string Body(const Function& f, std::span<const std::string_view> tags,
                 std::initializer_list<std::string_view> values, bool closed) {
  std::string body = "FUN;";
  body += f.name;
  body += ';';
  auto value = values.begin();
  for (std::size_t i = 0; i < tags.size(); ++i) {
    body += tags[i];
    body += ';';
    if (value != values.end()) body += *value++;
    if (closed || i + 1 < tags.size()) body += ';';
  }
  return body;
}

}  // namespace

std::span<const Function> Functions() { return kFunctions; }

const Function* Find(std::string_view name) {
  for (const Function& f : kFunctions) {
    if (f.name == name) return &f;
  }
  return nullptr;
}

const Function& Get(std::string_view name) { return *Find(name); }

std::string Command(const Function& f, std::initializer_list<std::string_view> values) {
  return Body(f, f.args, values, true);
}

std::string Reply(const Function& f, std::initializer_list<std::string_view> values) {
  return Body(f, f.reply, values, f.reply_closed);
}

std::string ToWire(std::string_view text) { return aux::Replaced(text, ';', kSemicolonStandIn); }
std::string FromWire(std::string_view text) { return aux::Replaced(text, kSemicolonStandIn, ';'); }

}  // namespace trx::wire
