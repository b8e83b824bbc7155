// The variable and user-function lists: "name=value;" fields, found only by
// whole names (the start of a field), so storing x never touches max=.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "duzuradi.h"

namespace tarnix {
namespace {

bool SelectsVariables(std::string_view which) { return AsciiLowerCase(which) == "vars"; }

// Position of the entry that starts with key ("name="), or npos.
std::size_t FindEntry(std::string_view list, std::string_view key) {
  if (key.empty()) return std::string_view::npos;
  for (std::size_t p = list.find(key); p != std::string_view::npos; p = list.find(key, p + 1)) {
    if (p == 0 || list[p - 1] == ';') return p;
  }
  return std::string_view::npos;
}

// The fields after the first that a value with ";" in it makes.
template <class Visit>
void ForEachFurtherField(std::string_view value, Visit visit) {
  for (std::size_t p = value.find(';'); p != std::string_view::npos;) {
    const std::size_t next = value.find(';', p + 1);
    visit(value.substr(p + 1, (next == std::string_view::npos ? value.size() : next) - p - 1));
    p = next;
  }
}

void MakeView(ListField& field) {
  // Variables enter expressions as ten-decimal texts, so 1E-12 reads as 0.
  const std::string_view text = std::string_view(field.text).substr(field.text.find('=') + 1);
  const double stored = ReadNumber(text);
  VarView& view = field.view;
  view.is_number = IsWholeNumber(text);
  view.spelling.clear();
  AppendFixed10(view.spelling, stored);
  view.value = std::isfinite(stored) ? ReadNumber(view.spelling) : stored;
  field.view_ready = true;
}

bool ExpansionTooLong(State& st) {
  if (Fail(st, kErrMemory)) {
    ReportShort(
        st, "ExpandFunctions",
        "Expanded expression longer than " + std::to_string(kMaxExpandedLength) + " characters.");
  }
  return false;
}

// Pastes "(" + body + ")" for every user function named in expr; false when
// the text would outgrow limit. Every field visited and every name found is
// one step.
template <class Step>
bool PasteFunctions(const State& st, std::string& expr, std::size_t limit, Step step) {
  if (st.FunctList.empty()) return true;
  bool ok = true;
  std::string lowered;
  std::string out;
  st.FunctList.ForEachField([&](std::string_view field) {
    step();
    const std::size_t eq = field.find('=');
    if (eq == std::string_view::npos || eq == 0) return true;
    const std::string name = AsciiLowerCase(field.substr(0, eq));
    const std::string_view body = field.substr(eq + 1);
    lowered = AsciiLowerCase(expr);
    std::size_t p = lowered.find(name);
    if (p == std::string::npos) return true;
    out.clear();
    std::size_t from = 0;
    for (; p != std::string::npos; p = lowered.find(name, from)) {
      step();
      if (out.size() + (p - from) + body.size() + 2 > limit) {
        ok = false;
        return false;
      }
      out.append(expr, from, p - from);
      out += '(';
      out += body;
      out += ')';
      from = p + name.size();
    }
    if (out.size() + (expr.size() - from) > limit) {
      ok = false;
      return false;
    }
    out.append(expr, from);
    expr.swap(out);
    return true;
  });
  return ok;
}

}  // namespace

int32_t SetVarFunct(State& st, std::string_view name, std::string_view value, int32_t kind) {
  std::string key = AsciiLowerCase(TrimView(name, kSpaceTab));
  if (!key.empty() && key.back() != '=') key += '=';
  NameList& list = kind == 0 ? st.VarList : st.FunctList;
  // A store that would add a name beyond the host's limit stores nothing.
  if (!list.Store(key, value, EntriesRoom(st))) throw LimitExceeded{};
  return 0;
}

int32_t GetVarFuncListLen(const State& st, std::string_view which) {
  const NameList& list = SelectsVariables(which) ? st.VarList : st.FunctList;
  return static_cast<int32_t>(std::min<std::size_t>(list.size(), INT32_MAX));
}

int32_t GetVarFuncList(const State& st, char* buffer, int32_t max_len, std::string_view which) {
  if (buffer == nullptr) return 0;
  const std::string& list = (SelectsVariables(which) ? st.VarList : st.FunctList).Text();
  const std::size_t n =
      std::min<std::size_t>(list.size(), static_cast<std::size_t>(std::max(max_len, 0)));
  std::memcpy(buffer, list.data(), n);
  buffer[n] = '\0';
  return static_cast<int32_t>(n);
}

int32_t ClearVarFuncList(State& st, std::string_view which) {
  (SelectsVariables(which) ? st.VarList : st.FunctList).Clear();
  return 0;
}

const VarView* FindVariable(State& st, std::string_view name) {
  ListField* field = st.VarList.Find(name);
  if (field == nullptr) return nullptr;
  if (!field->view_ready) MakeView(*field);
  return &field->view;
}

bool ExpandFunctions(State& st, std::string& expr) {
  if (PasteFunctions(st, expr, kMaxExpandedLength, [&st] { Tick(st); })) return true;
  return ExpansionTooLong(st);
}

bool ExpandFunctionsCounted(const State& st, std::string& expr, std::size_t limit,
                            uint64_t& steps) {
  return PasteFunctions(st, expr, limit, [&steps] { ++steps; });
}

int32_t CheckFunctions(State& st) {
  if (st.FunctList.empty()) return 0;
  const std::string_view list = st.FunctList.Text();
  int32_t result = 0;
  st.FunctList.ForEachField([&](std::string_view field) {
    Tick(st);
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
    ReportShort(st, "CheckFunctions", "Ambiguous function name detected");
    result = kErrAmbiguous;
    return false;
  });
  return result;
}

// ---- NameList --------------------------------------------------------------

std::string_view NameList::NameOf(std::string_view field) {
  const std::size_t eq = field.find('=');
  return eq == std::string_view::npos ? std::string_view() : field.substr(0, eq);
}

void NameList::Append(std::string text) {
  ++generation_;
  length_ += text.size() + 1;
  fields_.push_back(ListField{std::move(text), {}, false});
  const auto it = std::prev(fields_.end());
  const std::string_view name = NameOf(it->text);
  if (!name.empty()) index_.try_emplace(std::string(name), it);
  text_stale_ = true;
}

void NameList::Parse(std::string_view text) {
  Clear();
  for (std::size_t start = 0; start < text.size();) {
    const std::size_t end = std::min(text.find(';', start), text.size());
    Append(std::string(text.substr(start, end - start)));
    start = end + 1;
  }
}

bool NameList::Store(std::string_view key, std::string_view value, std::size_t max_new_names) {
  // The index answers for a name with neither "=" nor ";" in it, as long as
  // the fields a value with ";" adds carry no name of their own; anything
  // else is edited as the text it is.
  const std::string_view name = key.substr(0, key.empty() ? 0 : key.size() - 1);
  bool indexed = !name.empty() && key.back() == '=' && name.find_first_of("=;") == name.npos;
  ForEachFurtherField(value, [&](std::string_view f) { indexed = indexed && NameOf(f).empty(); });
  if (!indexed) return StoreByText(key, value, max_new_names);

  ++generation_;
  const std::string_view first = value.substr(0, value.find(';'));
  const auto found = index_.find(name);
  Fields::iterator at;
  if (found != index_.end()) {
    at = found->second;  // its text starts with key
    length_ -= at->text.size();
    at->text.resize(key.size());
    at->text += first;
    length_ += at->text.size();
    at->view_ready = false;
  } else {
    if (max_new_names == 0) return false;
    std::string text(key);
    text += first;
    Append(std::move(text));
    at = std::prev(fields_.end());
  }
  const auto after = std::next(at);
  ForEachFurtherField(value, [&](std::string_view f) {
    length_ += f.size() + 1;
    fields_.insert(after, ListField{std::string(f), {}, false});
  });
  text_stale_ = true;
  return true;
}

bool NameList::StoreByText(std::string_view key, std::string_view value,
                           std::size_t max_new_names) {
  std::string list = Text();
  const std::size_t p = FindEntry(list, key);
  if (p != std::string::npos) {
    const std::size_t from = p + key.size();
    list.replace(from, list.find(';', from) - from, value);
  } else {
    list += key;
    list += value;
    list += ';';
  }
  NameList edited;
  edited.Parse(list);
  // Fields are never taken away: the names can only grow.
  if (edited.Names() - std::min(edited.Names(), Names()) > max_new_names) return false;
  const uint64_t generation = generation_ + 1;
  *this = std::move(edited);
  generation_ = generation;
  return true;
}

ListField* NameList::Find(std::string_view name) {
  const auto it = index_.find(name);
  return it == index_.end() ? nullptr : &*it->second;
}

const std::string& NameList::Text() const {
  if (text_stale_) {
    text_.clear();
    text_.reserve(length_);
    for (const ListField& f : fields_) {
      text_ += f.text;
      text_ += ';';
    }
    text_stale_ = false;
  }
  return text_;
}

void NameList::Clear() {
  ++generation_;
  fields_.clear();
  index_.clear();
  length_ = 0;
  text_.clear();
  text_stale_ = false;
}

}  // namespace tarnix
