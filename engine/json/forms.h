// The value forms of the compact JSON text, written at a position that already has room
// for them; each returns the end of what it wrote. JsonWriter makes the room for one value
// at a time; the cell export makes it once for a whole cell and writes through these.
// Integers are written by put_unsigned and put_integer of engine/text/digits.h.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

#include "engine/text/digits.h"

namespace engine::json {

// Most bytes an integer takes: "-9223372036854775808", "18446744073709551615".
inline constexpr size_t kIntegerRoom = 20;
// Most bytes a float takes: "-0.0000" and 17 digits.
inline constexpr size_t kNumberRoom = 24;

// Room that put_string needs for `text`: the worst case (six bytes a byte, "\u001f", and
// the quotes) for a short text; the exact size for a long one, so that a long text never
// asks for six times its memory.
size_t string_room(std::string_view text);

// Whether every byte of `text` is below 0x80.
inline bool is_ascii(std::string_view text) {
  unsigned char seen = 0;
  for (const char c : text) seen |= static_cast<unsigned char>(c);
  return seen < 0x80;
}

inline char* put_raw(char* out, std::string_view text) {
  // memcpy with a null source is undefined even for zero bytes, and an empty view may
  // carry no data pointer.
  if (!text.empty()) std::memcpy(out, text.data(), text.size());
  return out + text.size();
}

inline char* put_boolean(char* out, bool value) {
  return value ? put_raw(out, "true") : put_raw(out, "false");
}

inline char* put_null(char* out) { return put_raw(out, "null"); }

// Shortest round-trip digits: "20.0", "22.5", "0.00001", "1e16", "1e-6", "-0.0"; null
// for NaN and the infinities.
char* put_number(char* out, double value);

// A quoted string: '"', '\\' and bytes below 0x20 escaped, everything else copied.
char* put_string(char* out, std::string_view text);

// A quoted one-byte string, such as a cell's data type code; inline, since every cell
// writes one.
inline char* put_code(char* out, char code) {
  const auto b = static_cast<unsigned char>(code);
  if (b < 0x20 || b == '"' || b == '\\') return put_string(out, std::string_view(&code, 1));
  out[0] = '"';
  out[1] = code;
  out[2] = '"';
  return out + 3;
}

}  // namespace engine::json
