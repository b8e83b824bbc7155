// Auxiliary procedures compiled into both programs: the field readers of
// ";"-separated texts, the number texts of the wire, and the version text.
// Every conversion is independent of the process locale.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace aux {

// The i-th field (from 1) of a ";"-separated text; "" past the end.
std::string_view FieldS(std::string_view text, int i);
// Its integer value: leading blanks skipped, an optional sign, the digits up
// to the first other character ("1.0000000000" reads as 1); 0 without digits.
int32_t FieldL(std::string_view text, int i);
// Its double value, read as a decimal number; 0 for a field that is none.
double FieldD(std::string_view text, int i);

int32_t IntegerOf(std::string_view text);
double DoubleOf(std::string_view text);

// A double with exactly ten decimals: "5.0000000000".
std::string Fixed10(double value);
// The ten-decimal text shortened: trailing zeros and point dropped, a
// leading point given a 0, nothing turned into "0" ("0.25", "1").
std::string ShortNumber(double value);

// Number tidying: leading characters that are no number characters go; in a
// text with a decimal point trailing zeros and then the point go; a leading
// point gets a "0"; nothing becomes "0". "100" stays "100".
std::string Tidy(std::string_view text);
// value with exactly `decimals` digits after the point (none for 0).
std::string FixedText(double value, int decimals);

// The integration rule a word names (case-insensitive): 0 midpoint ("rect",
// "rectangle", "midpoint"), 1 trapezoidal ("trap", "trapezoid",
// "trapezoidal"), 2 Simpson ("simp", "simpson"); -1 for any other word.
int32_t IntegrationMethod(std::string_view word);
// The word the wire carries for a method: "rect", "trap", "simp"; "" for others.
std::string_view IntegrationWord(int32_t method);

// "major.minor.release.build" of this build.
std::string VersionText();

}  // namespace aux
