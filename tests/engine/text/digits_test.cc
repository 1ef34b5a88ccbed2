#include "engine/text/digits.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace engine {
namespace {

// The integer writers at their limits; the shortest digits of doubles are checked, through
// both of their layouts, by the value text and the JSON number tests.
TEST(Digits, IntegersAtTheirLimitsAndPadded) {
  const auto text = [](auto write) {
    char buf[32];
    return std::string(buf, write(buf));
  };
  EXPECT_EQ(text([](char* b) { return put_integer(b, INT64_MIN); }), "-9223372036854775808");
  EXPECT_EQ(text([](char* b) { return put_integer(b, 0); }), "0");
  EXPECT_EQ(text([](char* b) { return put_unsigned(b, UINT64_MAX); }), "18446744073709551615");
  EXPECT_EQ(text([](char* b) { return put_unsigned(b, 100); }), "100");
  EXPECT_EQ(text([](char* b) { return put_padded(b, 7, 3); }), "007");
  EXPECT_EQ(text([](char* b) { return put_padded(b, 0, 4); }), "0000");
  EXPECT_EQ(text([](char* b) { return put_padded(b, 12345, 4); }), "12345");
}

}  // namespace
}  // namespace engine
