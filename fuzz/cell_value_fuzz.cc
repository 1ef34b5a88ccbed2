// Value inference and value text. The whole input is one text to infer (any bytes: the
// inference must cope with broken UTF-8 too); its first eight bytes are also one double.
//  - Every value's text infers again to a value whose text infers to itself: inference
//    after text is idempotent from the second step on.
//  - A value reads back from its own text: the same boolean, integer, date-time or text;
//    a Numeric's text reads back as the same double (as an Integer when the text is a
//    whole number, "-0" included).
//  - Any double's text reads back as the same double.
#include <charconv>
#include <cmath>
#include <cstring>
#include <string>
#include <variant>

#include "engine/model/cell_value.h"
#include "fuzz/fuzz_input.h"

namespace {

using engine::CellValue;
using Kind = CellValue::Kind;

// The double a number text stands for, read with the library's own correctly rounded
// parser (which takes neither "+" nor "inf" spelled otherwise).
bool read_double(const std::string& text, double& out) {
  if (text == "inf" || text == "-inf") {
    out = text[0] == '-' ? -INFINITY : INFINITY;
    return true;
  }
  if (text == "NaN") {
    out = NAN;
    return true;
  }
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), out);
  return ec == std::errc() && end == text.data() + text.size();
}

bool same_double(double a, double b) {
  if (std::isnan(a)) return std::isnan(b);
  return std::memcmp(&a, &b, sizeof a) == 0;
}

void check_numeric_text(double value) {
  const std::string text = CellValue::numeric(value).text();
  double back = 0;
  FUZZ_CHECK(read_double(text, back), "numeric text %s is no number", text.c_str());
  FUZZ_CHECK(same_double(back, value), "numeric text %s reads back as %.17g, not %.17g",
             text.c_str(), back, value);
  FUZZ_CHECK(text.find_first_of("eE") == std::string::npos || !std::isfinite(value),
             "numeric text %s has an exponent", text.c_str());
}

void check_reads_back(const CellValue& value, const std::string& text) {
  const CellValue again = CellValue::from_text(text);
  switch (value.kind()) {
    case Kind::Empty:
      FUZZ_CHECK(text.empty() && again.kind() == Kind::Empty, "empty value has text %s",
                 text.c_str());
      return;
    case Kind::Numeric: {
      const double v = value.as_numeric();
      check_numeric_text(v);
      if (again.kind() == Kind::Integer) {
        FUZZ_CHECK(static_cast<double>(again.as_integer()) == v,
                   "numeric text %s reads back as another integer", text.c_str());
      } else {
        FUZZ_CHECK(again.kind() == Kind::Numeric &&
                       same_double(again.as_numeric(), v),
                   "numeric text %s reads back as another value", text.c_str());
      }
      return;
    }
    case Kind::String:
      FUZZ_CHECK(value.text() == text, "string text differs from the string");
      FUZZ_CHECK(again == value, "string %s infers as another kind", text.c_str());
      return;
    default:
      FUZZ_CHECK(again == value, "text %s of kind %d reads back as another value",
                 text.c_str(), static_cast<int>(value.kind()));
      return;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string input(reinterpret_cast<const char*>(data), size);
  const CellValue value = CellValue::from_text(input);
  FUZZ_CHECK((value.kind() == Kind::Empty) == input.empty(), "empty text and Empty disagree");
  FUZZ_CHECK(value.kind() != Kind::String || value.text() == input,
             "a text inferred as String changed");
  const std::string text = value.text();
  check_reads_back(value, text);

  const CellValue second = CellValue::from_text(text);
  const std::string second_text = second.text();
  const CellValue third = CellValue::from_text(second_text);
  FUZZ_CHECK(third == second || (second.kind() == Kind::Numeric && std::isnan(second.as_numeric())),
             "inference is not idempotent on %s", second_text.c_str());
  FUZZ_CHECK(third.text() == second_text, "text %s is not stable", second_text.c_str());

  fuzzing::FuzzInput in(data, size);
  check_numeric_text(in.number<double>());
  return 0;
}
