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

// Scans one token into the scanner state. Always returns -1.
int32_t e_nxt(Scanner& sc);
inline int32_t e_nxt() { return e_nxt(gs); }
// Starts scanning text: gExpr = text, e_pos = 0, first token read.
void StartScan(Scanner& sc, std::string_view text);
inline void StartScan(std::string_view text) { StartScan(gs, text); }
// Starts scanning the text prepared in next_text (it becomes gExpr).
void StartPreparedScan(Scanner& sc);

// e_tok of the token sc read last.
std::string_view e_tok(const Scanner& sc);

// Parses and evaluates one expression at level from sc's current token.
Value e_prs(Scanner& sc, int32_t level);
// Requires the current token (the class of "(", ")" or ";"), then advances.
int32_t e_match(Scanner& sc, Tok expected);

double e_function(std::string_view name, double argument);
double e_stats(Scanner& sc, std::string_view name);

}  // namespace tarnix
