#include "engine/text/upper_case.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>

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

std::string_view table_lookup(char32_t code_point) {
  const auto* end = std::end(kTable);
  const auto* it = std::lower_bound(
      std::begin(kTable), end, code_point,
      [](const UpperCaseEntry& e, char32_t c) { return e.code_point < c; });
  if (it != end && it->code_point == code_point) return it->upper;
  return {};
}

constexpr std::string_view kPlaceholder(&kNonAscii, 1);

// Calls visit(form) with the upper-case form of each character of `text` in turn: the
// upper-case letter of an ASCII character, the table's form of another, kPlaceholder when
// the table has none (or the bytes are no character). Stops when visit returns false;
// returns whether it went through the whole text.
template <class Visit>
bool for_each_upper_form(std::string_view text, Visit&& visit) {
  size_t i = 0;
  while (i < text.size()) {
    const auto byte = static_cast<uint8_t>(text[i]);
    if (byte < 0x80) {
      if (!visit(std::string_view(&kAsciiUpper[byte], 1))) return false;
      ++i;
      continue;
    }
    const Utf8Char ch = decode_utf8(text.substr(i));
    const std::string_view form = table_lookup(ch.code_point);
    if (!visit(form.empty() ? kPlaceholder : form)) return false;
    i += ch.size;
  }
  return true;
}

}  // namespace

std::string upper_case_for_ascii_compare(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for_each_upper_form(text, [&](std::string_view form) {
    out.append(form);
    return true;
  });
  return out;
}

bool upper_case_equals(std::string_view text, std::string_view ascii_upper) {
  size_t matched = 0;
  const bool whole = for_each_upper_form(text, [&](std::string_view form) {
    if (ascii_upper.size() - matched < form.size() ||
        std::memcmp(ascii_upper.data() + matched, form.data(), form.size()) != 0)
      return false;
    matched += form.size();
    return true;
  });
  return whole && matched == ascii_upper.size();
}

}  // namespace engine
