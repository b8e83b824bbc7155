// Internal interface between the scanner, the parser and the built-ins.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "duzuradi.h"

namespace tarnix {

// The text not yet scanned.
inline std::string_view e_input(const Scanner& sc) {
  return std::string_view(sc.gExpr).substr(sc.e_pos);
}
inline std::string_view e_input() { return e_input(gs); }

// "Syntax error, token = '" + the current token's spelling + "'".
std::string SyntaxErrorLine(const Scanner& sc);

// The scanner and the parser work on a scanner sc and report to a state st:
// its error, its messages, its lists and the host's hold on the call. The
// entry points hand the state itself for both (a State is its own scanner);
// the forms without st report to gs.

// Scans one token into the scanner state. Always returns -1.
int32_t e_nxt(State& st, Scanner& sc);
inline int32_t e_nxt(Scanner& sc) { return e_nxt(gs, sc); }
inline int32_t e_nxt() { return e_nxt(gs, gs); }
// Starts scanning text: gExpr = text, e_pos = 0, first token read.
void StartScan(State& st, Scanner& sc, std::string_view text);
inline void StartScan(Scanner& sc, std::string_view text) { StartScan(gs, sc, text); }
inline void StartScan(std::string_view text) { StartScan(gs, gs, text); }
// Starts scanning the text prepared in next_text (it becomes gExpr).
void StartPreparedScan(State& st, Scanner& sc);
inline void StartPreparedScan(Scanner& sc) { StartPreparedScan(gs, sc); }

// e_tok of the token sc read last.
std::string_view e_tok(const Scanner& sc);

// Parses and evaluates one expression at level from sc's current token.
Value e_prs(State& st, Scanner& sc, int32_t level);
inline Value e_prs(Scanner& sc, int32_t level) { return e_prs(gs, sc, level); }
// Requires the current token (the class of "(", ")" or ";"), then advances.
int32_t e_match(State& st, Scanner& sc, Tok expected);
inline int32_t e_match(Scanner& sc, Tok expected) { return e_match(gs, sc, expected); }

double e_function(State& st, std::string_view name, double argument);
inline double e_function(std::string_view name, double argument) {
  return e_function(gs, name, argument);
}

// The value of a number token's spelling (digits and at most one point, an
// exponent perhaps), as the scanner reads it.
double NumberTokenValue(std::string_view spelling);

}  // namespace tarnix
