#include "engine/text/upper_case.h"

#include <algorithm>
#include <array>
#include <cstdint>

#include "engine/text/utf8.h"

namespace engine {

namespace {

struct UpperCaseEntry {
  char32_t code_point;
  std::string_view upper;
};

// Only a handful of non-ASCII code points upper-case to anything with ASCII in it (the
// sharp s, the dotless i, the long s, ligatures, a few letters with combining marks);
// the table comes from scripts/gen_upper_case_table.py.
constexpr UpperCaseEntry kTable[] = {
#include "engine/text/upper_case_table.inc"
};

constexpr bool table_is_sorted() {
  for (size_t i = 1; i < std::size(kTable); ++i)
    if (!(kTable[i - 1].code_point < kTable[i].code_point)) return false;
  return true;
}
static_assert(table_is_sorted(), "the upper-case table must be sorted by code point");

constexpr std::array<char, 128> make_ascii_upper() {
  std::array<char, 128> table{};
  for (int c = 0; c < 128; ++c) table[c] = static_cast<char>(c >= 'a' && c <= 'z' ? c - 32 : c);
  return table;
}
constexpr std::array<char, 128> kAsciiUpper = make_ascii_upper();

char ascii_upper(char c) { return kAsciiUpper[static_cast<uint8_t>(c)]; }

std::string_view table_lookup(char32_t code_point) {
  const auto* end = std::end(kTable);
  const auto* it = std::lower_bound(
      std::begin(kTable), end, code_point,
      [](const UpperCaseEntry& e, char32_t c) { return e.code_point < c; });
  if (it != end && it->code_point == code_point) return it->upper;
  return {};
}

constexpr std::string_view kPlaceholder(&kNonAscii, 1);

// The form one non-ASCII character of `text` contributes; `size` receives its byte length.
std::string_view non_ascii_form(std::string_view text, size_t& size) {
  const Utf8Char ch = decode_utf8(text);
  size = ch.size;
  const std::string_view form = table_lookup(ch.code_point);
  return form.empty() ? kPlaceholder : form;
}

}  // namespace

std::string_view upper_case_with_ascii(char32_t code_point) {
  if (code_point < 0x80) return {&kAsciiUpper[code_point], 1};
  return table_lookup(code_point);
}

std::string upper_case_for_ascii_compare(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  size_t i = 0;
  while (i < text.size()) {
    const char c = text[i];
    if (static_cast<uint8_t>(c) < 0x80) {
      out.push_back(ascii_upper(c));
      ++i;
      continue;
    }
    size_t size;
    out.append(non_ascii_form(text.substr(i), size));
    i += size;
  }
  return out;
}

bool upper_case_equals(std::string_view text, std::string_view ascii_upper_text) {
  size_t want = 0;
  size_t i = 0;
  while (i < text.size()) {
    const char c = text[i];
    if (static_cast<uint8_t>(c) < 0x80) {
      if (want == ascii_upper_text.size() || ascii_upper_text[want] != ascii_upper(c))
        return false;
      ++want;
      ++i;
      continue;
    }
    size_t size;
    const std::string_view form = non_ascii_form(text.substr(i), size);
    if (ascii_upper_text.substr(want, form.size()) != form) return false;
    want += form.size();
    i += size;
  }
  return want == ascii_upper_text.size();
}

}  // namespace engine
