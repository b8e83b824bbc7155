// The words that name an integration rule, read the same way by Corvane's
// interpreter and by trx_Server's dispatcher.
#include <array>

#include "aux_funct.h"
#include "text.h"

namespace aux {
namespace {

struct RuleWord {
  std::string_view word;
  int32_t method;
};

// Method numbers of the library's Integrate: 0 midpoint, 1 trapezoidal, 2 Simpson.
constexpr std::array<RuleWord, 8> kRuleWords{{
    {"rect", 0},
    {"rectangle", 0},
    {"midpoint", 0},
    {"trap", 1},
    {"trapezoid", 1},
    {"trapezoidal", 1},
    {"simp", 2},
    {"simpson", 2},
}};

}  // namespace

int32_t IntegrationMethod(std::string_view word) {
  const std::string lower = Lower(word);
  for (const RuleWord& r : kRuleWords) {
    if (r.word == lower) return r.method;
  }
  return -1;
}

std::string_view IntegrationWord(int32_t method) {
  switch (method) {
    case 0: return "rect";
    case 1: return "trap";
    case 2: return "simp";
    default: return {};
  }
}

}  // namespace aux
