// Where an evaluation failed: the scanner's place when the failure was
// recorded, told as a line a person can act on ("at column 7: 'zz'
// (unknown variable)"). Only failures about the text itself have a place;
// a division by zero or a singular matrix is about values, not about where
// the scanner stood when the parse noticed it.
#include "duzuradi.h"

namespace tarnix {
namespace {

// What the place means for a failure of this kind at a token of this kind;
// nullptr when the failure has no place in the text.
const char* Reason(int16_t code, Tok tok) {
  switch (code) {
    case kErrTokenMatch:
      if (tok == Tok::Id) return "unknown variable";
      if (tok == Tok::End) return "the text ends before its ')'";
      return "a ')' or ';' was expected here";
    case kErrUndefinedFunction: return tok == Tok::Const ? "unknown constant" : "unknown function";
    case kErrParseSyntax:
      return tok == Tok::End ? "an operand is missing" : "no operand starts here";
    case kErrEvalSyntax: return "an operator was expected here";
    case kErrMatrixNotFound: return tok == Tok::Matrix ? "unknown matrix" : "no matrix here";
    default:
      // The matrix engine's own failures (positive numbers) are told by
      // the matrix the step read last: the one it could not use, or the
      // second of two that do not fit together.
      return code > 0 && tok == Tok::Matrix ? "the matrix read last when it failed" : nullptr;
  }
}

}  // namespace

void RecordPlace(State& st, int16_t code) {
  const bool by_matrix = code > 0 && st.matrix_end > st.matrix_start;
  const Tok tok = by_matrix ? Tok::Matrix : st.tok;
  if (Reason(code, tok) == nullptr) return;
  ErrorPlace& place = st.place;
  place.code = code;
  place.tok = tok;
  place.callers_text = st.scanning_callers_text;
  const std::size_t start = std::min(by_matrix ? st.matrix_start : st.tok_start, st.gExpr.size());
  const std::size_t end =
      std::max(start, std::min(by_matrix ? st.matrix_end : st.e_pos, st.gExpr.size()));
  place.column = start + 1;
  // Variables and names with capitals have other spellings: the text shows
  // what the caller wrote.
  place.token.assign(st.gExpr, start, end - start);
}

void PlaceAtName(State& st, std::size_t start, std::size_t end) {
  ErrorPlace& place = st.place;
  if (place.code == 0 || place.code != st.e_error) return;
  start = std::min(start, st.gExpr.size());
  end = std::max(start, std::min(end, st.gExpr.size()));
  place.tok = Tok::Id;
  place.column = start + 1;
  place.token.assign(st.gExpr, start, end - start);
}

std::string ErrorPlaceText(const State& st, int32_t* column) {
  const ErrorPlace& place = st.place;
  if (column != nullptr) *column = 0;
  if (place.code == 0 || place.code != st.e_error) return {};
  const char* reason = Reason(place.code, place.tok);
  // A name thousands of characters long is shown by its start.
  constexpr std::size_t kLongest = 40;
  const std::string token =
      place.token.size() <= kLongest ? place.token : place.token.substr(0, kLongest) + "...";
  const std::string what =
      place.tok == Tok::End ? std::string("the end of the text") : "'" + token + "'";
  if (!place.callers_text) {
    // Columns of a text with user functions pasted in are nobody's columns.
    return what + " (" + reason + ")";
  }
  if (column != nullptr) *column = static_cast<int32_t>(place.column);
  return "at column " + std::to_string(place.column) + ": " + what + " (" + reason + ")";
}

}  // namespace tarnix
