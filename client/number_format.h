// How result numbers are written: fixed point with the chosen decimals
// ("0.3333"), or, with the scientific form, very small and very large
// magnitudes in exponent notation ("1.5000E-07", "6.0220E+23"). Independent
// of the process locale.
#pragma once

#include <string>
#include <string_view>

namespace corvane {

enum class NumberFormat { Fixed, Scientific };

// The limits of the scientific form: a number other than 0 whose magnitude
// is below 10^-decimals (its fixed form would show no digit but zeros), or
// at least 10^15 (beyond 15 digits a double's integer part is no longer
// exact), is written in exponent notation.
inline constexpr double kScientificFrom = 1e15;

// True when value is written in exponent notation with these decimals.
bool UsesExponent(double value, int decimals, NumberFormat format);

// value with decimals digits after the point: fixed point, or in the
// scientific form for the magnitudes above, "d.dddE+xx" (a capital E, the
// exponent's sign always, at least two exponent digits).
std::string FormatNumber(double value, int decimals, NumberFormat format);

// FormatNumber with a fixed result's trailing zeros cut ("2.5", "3"); the
// mantissa of an exponent form is cut the same way ("1.5E-07").
std::string FormatTidy(double value, int decimals, NumberFormat format);

// A matrix listing ("mA(0, 0)=0.0000001500\t...") with each number after
// "=" written again by FormatNumber.
std::string FormatListing(std::string_view listing, int decimals, NumberFormat format);

// "fixed" or "sci" as the format; false for any other word.
bool ParseNumberFormat(std::string_view word, NumberFormat& format);

}  // namespace corvane
