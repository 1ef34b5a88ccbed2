#include "binding/python_free/loose_value.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <new>
#include <vector>

#include "engine/model/cell_value.h"

namespace binding {
namespace {

void append_scalar(std::string& out, const PyValue& value) {
  struct Append {
    std::string& out;
    void operator()(const std::string& text) const { out += text; }
    void operator()(int64_t number) const {
      char digits[24];
      const auto [end, ec] = std::to_chars(digits, digits + sizeof digits, number);
      (void)ec;  // 24 bytes hold any 64-bit integer
      out.append(digits, end);
    }
    void operator()(double number) const { engine::append_numeric_text(out, number); }
    void operator()(bool flag) const { out += flag ? "true" : "false"; }
    void operator()(const PyValue::List&) const {}
    void operator()(std::monostate) const {}
  };
  std::visit(Append{out}, value.data);
}

// A list's text, its nested lists followed on a stack of our own.
void append_list(std::string& out, const PyValue::List& outer) {
  struct Open {
    const PyValue::List* list;
    size_t next;
  };
  std::vector<Open> open{{&outer, 0}};
  out += '[';
  while (!open.empty()) {
    Open& top = open.back();
    if (top.next == top.list->size()) {
      out += ']';
      open.pop_back();
      continue;
    }
    if (top.next > 0) out += ", ";
    const PyValue& item = (*top.list)[top.next++];
    if (const auto* inner = std::get_if<PyValue::List>(&item.data)) {
      out += '[';
      open.push_back({inner, 0});  // `top` is not used after this
    } else {
      append_scalar(out, item);
    }
  }
}

template <class T>
T decimal_or_zero(std::string_view text) {
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  if (text.empty()) return 0;
  uint64_t number = 0;
  for (const char c : text) {
    if (c < '0' || c > '9') return 0;
    number = number * 10 + static_cast<uint64_t>(c - '0');
    if (number > std::numeric_limits<T>::max()) return 0;
  }
  return static_cast<T>(number);
}

template <class T>
T clamped(double number) {
  if (std::isnan(number) || number <= 0) return 0;
  constexpr double kLargest = static_cast<double>(std::numeric_limits<T>::max());
  if (number >= kLargest) return std::numeric_limits<T>::max();
  return static_cast<T>(number);  // the conversion cuts toward zero
}

template <class T>
T to_unsigned(const PyValue& value) {
  struct Read {
    T operator()(const std::string& text) const { return decimal_or_zero<T>(text); }
    T operator()(int64_t number) const { return static_cast<T>(static_cast<uint64_t>(number)); }
    T operator()(double number) const { return clamped<T>(number); }
    T operator()(bool flag) const { return flag ? 1 : 0; }
    T operator()(const PyValue::List&) const { return 0; }
    T operator()(std::monostate) const { return 0; }
  };
  return std::visit(Read{}, value.data);
}

}  // namespace

std::optional<std::string> value_to_opt_string(const PyValue& value) {
  if (std::holds_alternative<std::monostate>(value.data)) return std::nullopt;
  return value_to_string(value);
}

std::string value_to_string(const PyValue& value) {
  if (const auto* text = std::get_if<std::string>(&value.data)) return *text;
  std::string out;
  if (const auto* list = std::get_if<PyValue::List>(&value.data)) {
    append_list(out, *list);
  } else {
    append_scalar(out, value);
  }
  return out;
}

PyValue::~PyValue() {
  auto* list = std::get_if<List>(&data);
  if (list == nullptr || list->empty()) return;
  // Each nested list is moved out of its element before that element dies, so no
  // destructor below this one finds a list that is not empty.
  try {
    std::vector<List> pending;
    pending.push_back(std::move(*list));
    while (!pending.empty()) {
      List current = std::move(pending.back());
      pending.pop_back();
      for (PyValue& item : current) {
        auto* inner = std::get_if<List>(&item.data);
        if (inner != nullptr && !inner->empty()) pending.push_back(std::move(*inner));
      }
    }
  } catch (const std::bad_alloc&) {
    // What was not taken apart yet is destroyed the ordinary way, level by level.
  }
}

uint32_t value_to_u32(const PyValue& value) { return to_unsigned<uint32_t>(value); }
uint16_t value_to_u16(const PyValue& value) { return to_unsigned<uint16_t>(value); }

std::string replace_surrogates(std::string_view text) {
  constexpr std::string_view kReplacement = "\xEF\xBF\xBD";
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    const auto byte = [&](size_t k) { return static_cast<unsigned char>(text[k]); };
    // U+D800..U+DFFF: 0xED, then 0xA0..0xBF, then a continuation byte.
    if (byte(i) == 0xED && i + 2 < text.size() && byte(i + 1) >= 0xA0 && byte(i + 1) <= 0xBF &&
        (byte(i + 2) & 0xC0) == 0x80) {
      for (int k = 0; k < 3; ++k) out += kReplacement;
      i += 2;
      continue;
    }
    out += text[i];
  }
  return out;
}

}  // namespace binding
