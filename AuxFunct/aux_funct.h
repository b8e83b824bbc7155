// Auxiliary procedures compiled into both programs: the field readers of
// ";"-separated texts, the integration rule words and the version text;
// text.h, included here, has the text and number helpers.
// Every conversion is independent of the process locale.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "text.h"

namespace aux {

// The i-th field (from 1) of a ";"-separated text; "" past the end.
std::string_view FieldS(std::string_view text, int i);
// Its integer value: leading blanks skipped, an optional sign, the digits up
// to the first other character ("1.0000000000" reads as 1); 0 without digits.
int32_t FieldL(std::string_view text, int i);
// Its double value, read as a decimal number; 0 for a field that is none.
double FieldD(std::string_view text, int i);

// The integration rule a word names (case-insensitive): 0 midpoint ("rect",
// "rectangle", "midpoint"), 1 trapezoidal ("trap", "trapezoid",
// "trapezoidal"), 2 Simpson ("simp", "simpson"); -1 for any other word.
int32_t IntegrationMethod(std::string_view word);
// The word the wire carries for a method: "rect", "trap", "simp"; "" for others.
std::string_view IntegrationWord(int32_t method);

// "major.minor.release.build" of this build.
std::string VersionText();

}  // namespace aux
