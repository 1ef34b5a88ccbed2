// Loose values and their four readers. The input builds a value (texts, integers, floats,
// flags, None, lists nested a few deep); each reader's answer is compared with the rule it
// follows, written here afresh:
//  - a number from a text: an optional "+", then ASCII digits only, at most the bound,
//    else 0; from an integer its low bits; from a float the value cut toward zero and held
//    to the bounds, NaN 0; from a flag 1 or 0; from a list or None 0;
//  - the text: a float's is the Numeric value text, a list's its elements' texts joined
//    by ", " in brackets, None has none (and "" as value_to_string);
//  - replace_surrogates always gives valid UTF-8 and leaves valid UTF-8 as it was.
#include <cmath>
#include <cstdint>
#include <limits>
#include <optional>
#include <string>

#include "binding/python_free/loose_value.h"
#include "engine/model/cell_value.h"
#include "engine/text/utf8.h"
#include "fuzz/fuzz_input.h"

namespace {

using binding::PyValue;

PyValue make_value(fuzzing::FuzzInput& in, int depth) {
  switch (in.byte() % (depth < 4 ? 6 : 5)) {
    case 0: {
      // Digit-heavy texts now and then, so the number rule is reached often.
      std::string text = in.byte() % 2 ? in.text() : "+" + std::to_string(in.number<uint64_t>());
      return {std::move(text)};
    }
    case 1: return {in.number<int64_t>()};
    case 2: return {in.number<double>()};
    case 3: return {in.byte() % 2 == 1};
    case 4: return {std::monostate{}};
    default: {
      PyValue::List items;
      for (size_t n = in.byte() % 5; n > 0; --n) items.push_back(make_value(in, depth + 1));
      return {std::move(items)};
    }
  }
}

template <class T>
T number_of(const PyValue& value) {
  constexpr uint64_t kMax = std::numeric_limits<T>::max();
  if (const auto* text = std::get_if<std::string>(&value.data)) {
    std::string_view digits = *text;
    if (!digits.empty() && digits[0] == '+') digits.remove_prefix(1);
    if (digits.empty()) return 0;
    uint64_t n = 0;
    for (char c : digits) {
      if (c < '0' || c > '9') return 0;
      n = n * 10 + static_cast<uint64_t>(c - '0');
      if (n > kMax) return 0;
    }
    return static_cast<T>(n);
  }
  if (const auto* i = std::get_if<int64_t>(&value.data)) return static_cast<T>(*i);
  if (const auto* d = std::get_if<double>(&value.data)) {
    if (std::isnan(*d) || *d <= 0) return 0;
    return *d >= static_cast<double>(kMax) ? static_cast<T>(kMax) : static_cast<T>(*d);
  }
  if (const auto* b = std::get_if<bool>(&value.data)) return *b ? 1 : 0;
  return 0;
}

std::optional<std::string> text_of(const PyValue& value) {
  if (const auto* text = std::get_if<std::string>(&value.data)) return *text;
  if (const auto* i = std::get_if<int64_t>(&value.data)) return std::to_string(*i);
  if (const auto* d = std::get_if<double>(&value.data)) {
    return engine::CellValue::numeric(*d).text();
  }
  if (const auto* b = std::get_if<bool>(&value.data)) return *b ? "true" : "false";
  if (const auto* items = std::get_if<PyValue::List>(&value.data)) {
    std::string out = "[";
    for (size_t i = 0; i < items->size(); ++i) {
      if (i > 0) out += ", ";
      out += text_of((*items)[i]).value_or("");
    }
    return out + "]";
  }
  return std::nullopt;
}

bool valid_utf8(std::string_view text) {
  while (!text.empty()) {
    const engine::Utf8Char c = engine::decode_utf8(text);
    if (c.code_point == engine::kInvalidCodePoint) return false;
    text.remove_prefix(c.size);
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzzing::FuzzInput in(data, size);
  const PyValue value = make_value(in, 0);
  const std::optional<std::string> text = text_of(value);
  FUZZ_CHECK(binding::value_to_opt_string(value) == text, "opt_string differs");
  FUZZ_CHECK(binding::value_to_string(value) == text.value_or(""), "string differs");
  FUZZ_CHECK(binding::value_to_u32(value) == number_of<uint32_t>(value), "u32 differs");
  FUZZ_CHECK(binding::value_to_u16(value) == number_of<uint16_t>(value), "u16 differs");

  const std::string raw(reinterpret_cast<const char*>(data), size);
  const std::string replaced = binding::replace_surrogates(raw);
  FUZZ_CHECK(!valid_utf8(raw) || replaced == raw, "valid UTF-8 was changed");
  return 0;
}
