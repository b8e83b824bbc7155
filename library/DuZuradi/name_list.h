// The variable and user-function lists. Each is the text of ";"-terminated
// "name=value" fields that GetVarFuncList hands out; the fields are kept in
// their order with an index from every name to the first field that carries
// it, so that storing, replacing and finding a name costs the same whatever
// the length of the list. The text itself is composed only when asked for.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <list>
#include <string>
#include <string_view>
#include <unordered_map>

namespace tarnix {

// A variable as the scanner sees it: its ten-decimal spelling and the value
// that spelling reads as.
struct VarView {
  std::string spelling;
  double value = 0;
  bool is_number = true;  // false when the text is no number: reading it fails
};

// Lets the index be searched with a string_view.
struct NameHash {
  using is_transparent = void;
  std::size_t operator()(std::string_view s) const { return std::hash<std::string_view>{}(s); }
};

// One field of a list: its text without the ";", and for a variable the
// view the scanner reads (made when first needed).
struct ListField {
  std::string text;
  VarView view;
  bool view_ready = false;
};

class NameList {
 public:
  // Stores value under key ("name=", lower case and trimmed already) as the
  // list text has always been edited: the first field that starts with key
  // gets value for the rest of its text, else key + value + ";" is
  // appended. A value with ";" in it becomes several fields. The store is
  // refused (false, the list unchanged) when it would add more than
  // max_new_names names.
  bool Store(std::string_view key, std::string_view value, std::size_t max_new_names);

  // The first field whose text before its first "=" is name, or nullptr.
  ListField* Find(std::string_view name);

  // Names in the list: fields with a "=" after at least one character, each
  // name counted once.
  std::size_t Names() const { return index_.size(); }
  bool empty() const { return fields_.empty(); }
  // Length of the text, ";"s included.
  std::size_t size() const { return length_; }
  const std::string& Text() const;
  void Clear();
  // Changes with every store and clearing: what was read from the list
  // holds while it stays the same.
  uint64_t Generation() const { return generation_; }

  // Calls visit(field text) for every field in order up to the first empty
  // one; visit returns false to stop.
  template <class Visit>
  void ForEachField(Visit visit) const {
    for (const ListField& f : fields_) {
      if (f.text.empty() || !visit(std::string_view(f.text))) return;
    }
  }

 private:
  using Fields = std::list<ListField>;
  // The name a field carries: its text before the first "=", empty for none.
  static std::string_view NameOf(std::string_view field);
  void Append(std::string text);
  // Makes the fields and the index anew from a list text.
  void Parse(std::string_view text);
  bool StoreByText(std::string_view key, std::string_view value, std::size_t max_new_names);

  Fields fields_;
  std::unordered_map<std::string, Fields::iterator, NameHash, std::equal_to<>> index_;
  std::size_t length_ = 0;
  mutable std::string text_;
  mutable bool text_stale_ = false;
  uint64_t generation_ = 0;
};

}  // namespace tarnix
