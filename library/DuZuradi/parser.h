// Internal interface between the scanner, the parser and the built-ins.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "duzuradi.h"

namespace tarnix {

// The text not yet scanned.
inline std::string_view e_input() { return std::string_view(gs.gExpr).substr(gs.e_pos); }

// "Syntax error, token = '" + the current token's spelling + "'".
std::string SyntaxErrorLine();

// Scans one token into the scanner state. Always returns -1.
int32_t e_nxt();
// Starts scanning text: gExpr = text, e_pos = 0, first token read.
void StartScan(std::string_view text);

// Parses and evaluates one expression at level from the current token.
Value e_prs(int32_t level);
// Requires the current token (the class of "(", ")" or ";"), then advances.
int32_t e_match(Tok expected);

double e_function(std::string_view name, double argument);
double e_stats(std::string_view name);

}  // namespace tarnix
