// The variable and user-function lists: plain texts of "name=value;"
// entries. Names are found only as whole entries (at the start of the list
// or right after a ";"), so storing x never touches max=.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "duzuradi.h"

namespace tarnix {
namespace {

char ToLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

std::string Lowered(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = ToLower(c);
  return out;
}

std::string_view TrimBlanks(std::string_view text) {
  const std::size_t first = text.find_first_not_of(" \t");
  if (first == std::string_view::npos) return {};
  const std::size_t last = text.find_last_not_of(" \t");
  return text.substr(first, last - first + 1);
}

bool SelectsVariables(std::string_view which) { return Lowered(which) == "vars"; }

// Position of the entry that starts with key ("name="), or npos.
std::size_t FindEntry(std::string_view list, std::string_view key) {
  if (key.empty()) return std::string_view::npos;
  for (std::size_t p = list.find(key); p != std::string_view::npos; p = list.find(key, p + 1)) {
    if (p == 0 || list[p - 1] == ';') return p;
  }
  return std::string_view::npos;
}

// Calls visit(field, offset) for every ";"-separated field up to the first
// empty one; visit returns false to stop.
template <class Visit>
void ForEachField(std::string_view list, Visit visit) {
  std::size_t start = 0;
  while (start < list.size()) {
    const std::size_t end = std::min(list.find(';', start), list.size());
    if (end == start || !visit(list.substr(start, end - start), start)) return;
    start = end + 1;
  }
}

void RebuildVariableView() {
  gs.var_view.clear();
  const std::string_view list = gs.VarList;
  std::size_t start = 0;
  while (start < list.size()) {
    const std::size_t end = std::min(list.find(';', start), list.size());
    const std::string_view entry = list.substr(start, end - start);
    const std::size_t eq = entry.find('=');
    if (eq != std::string_view::npos && eq > 0) {
      std::string name(entry.substr(0, eq));
      if (gs.var_view.find(name) == gs.var_view.end()) {
        // Variables enter expressions as ten-decimal texts, so 1E-12 reads as 0.
        const double stored = ReadNumber(entry.substr(eq + 1));
        VarView view;
        view.is_number = IsWholeNumber(entry.substr(eq + 1));
        AppendFixed10(view.spelling, stored);
        view.value = std::isfinite(stored) ? ReadNumber(view.spelling) : stored;
        view.position = static_cast<int32_t>(start + 1);
        gs.var_view.emplace(std::move(name), std::move(view));
      }
    }
    start = end + 1;
  }
  gs.var_view_stale = false;
}

bool ExpansionTooLong() {
  if (Fail(kErrMemory)) {
    ReportShort("ExpandFunctions", "Expanded expression longer than " +
                                       std::to_string(kMaxExpandedLength) + " characters.");
  }
  return false;
}

}  // namespace

int32_t SetVarFunct(std::string_view name, std::string_view value, int32_t kind) {
  std::string key = Lowered(TrimBlanks(name));
  if (!key.empty() && key.back() != '=') key += '=';
  std::string& list = kind == 0 ? gs.VarList : gs.FunctList;
  if (!list.empty() && list.back() != ';') list += ';';

  const std::size_t p = FindEntry(list, key);
  if (p != std::string::npos) {
    gs.LastFound = static_cast<int32_t>(p + 1);
    const std::size_t from = p + key.size();
    const std::size_t to = list.find(';', from);
    list.replace(from, to - from, value);
  } else {
    gs.LastFound = 0;
    list += key;
    list += value;
    list += ';';
  }
  if (kind == 0) gs.var_view_stale = true;
  return 0;
}

int32_t GetVarFuncListLen(std::string_view which) {
  const std::string& list = SelectsVariables(which) ? gs.VarList : gs.FunctList;
  return static_cast<int32_t>(std::min<std::size_t>(list.size(), INT32_MAX));
}

int32_t GetVarFuncList(char* buffer, int32_t max_len, std::string_view which) {
  if (buffer == nullptr) return 0;
  const std::string& list = SelectsVariables(which) ? gs.VarList : gs.FunctList;
  const std::size_t n =
      std::min<std::size_t>(list.size(), static_cast<std::size_t>(std::max(max_len, 0)));
  std::memcpy(buffer, list.data(), n);
  buffer[n] = '\0';
  return static_cast<int32_t>(n);
}

int32_t ClearVarFuncList(std::string_view which) {
  if (SelectsVariables(which)) {
    gs.VarList.clear();
    gs.var_view_stale = true;
  } else {
    gs.FunctList.clear();
  }
  return 0;
}

double GetVarValue(std::string_view list, std::string_view name) {
  std::string l(list);
  if (!l.empty() && l.back() != ';') l += ';';
  std::string key(name);
  if (!key.empty() && key.back() != '=') key += '=';
  const std::size_t p = FindEntry(l, key);
  if (p == std::string::npos) {
    gs.LastFound = 0;
    return 0.0;
  }
  gs.LastFound = static_cast<int32_t>(p + 1);
  const std::size_t from = p + key.size();
  return ReadNumber(std::string_view(l).substr(from, l.find(';', from) - from));
}

const VarView* FindVariable(std::string_view name) {
  if (gs.VarList.empty()) return nullptr;
  if (gs.var_view_stale) RebuildVariableView();
  const auto it = gs.var_view.find(name);
  return it == gs.var_view.end() ? nullptr : &it->second;
}

bool ExpandFunctions(std::string& expr) {
  if (gs.FunctList.empty()) return true;
  bool ok = true;
  std::string lowered;
  std::string out;
  ForEachField(gs.FunctList, [&](std::string_view field, std::size_t) {
    const std::size_t eq = field.find('=');
    if (eq == std::string_view::npos || eq == 0) return true;
    const std::string name = Lowered(field.substr(0, eq));
    const std::string_view body = field.substr(eq + 1);
    lowered = Lowered(expr);
    std::size_t p = lowered.find(name);
    if (p == std::string::npos) return true;
    out.clear();
    std::size_t from = 0;
    for (; p != std::string::npos; p = lowered.find(name, from)) {
      if (out.size() + (p - from) + body.size() + 2 > kMaxExpandedLength) {
        ok = ExpansionTooLong();
        return false;
      }
      out.append(expr, from, p - from);
      out += '(';
      out += body;
      out += ')';
      from = p + name.size();
    }
    if (out.size() + (expr.size() - from) > kMaxExpandedLength) {
      ok = ExpansionTooLong();
      return false;
    }
    out.append(expr, from);
    expr.swap(out);
    return true;
  });
  return ok;
}

int32_t CheckFunctions() {
  const std::string_view list = gs.FunctList;
  if (list.empty()) return 0;
  int32_t result = 0;
  ForEachField(list, [&](std::string_view field, std::size_t) {
    const std::size_t p = list.find(field);
    const std::size_t q = field.find('=');
    if (p == std::string_view::npos || q == std::string_view::npos) return true;
    const std::string_view name = field.substr(0, q);
    const std::size_t e = std::min(list.find(';', p), list.size() - 1);
    std::string rest(list.substr(0, p));
    rest += list.substr(e + 1);
    // An empty name is found in any text that is not empty.
    const bool occurs = name.empty() ? !rest.empty() : rest.find(name) != std::string::npos;
    if (!occurs) return true;
    ReportShort("CheckFunctions", "Ambiguous function name detected");
    result = kErrAmbiguous;
    return false;
  });
  return result;
}

}  // namespace tarnix
