#include "engine/text/literal.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

namespace engine {
namespace {

// Against string_view::find over texts of every length around the eight-position
// windows, built from few letters so that first and last bytes often agree by chance;
// bytes 0x00, 0x01, 0x7F and 0x80 probe the byte arithmetic of the windows. The padded
// test reads past the text's end, into bytes of the same letters that must not count.
TEST(Literal, AgreesWithFind) {
  std::mt19937 rng(7);
  const std::string letters = std::string("ab\x00\x01\x7f\x80", 6);
  auto random_text = [&](size_t n) {
    std::string t;
    for (size_t i = 0; i < n; ++i) t += letters[rng() % (i % 5 == 0 ? 6 : 2)];
    return t;
  };
  for (int round = 0; round < 40000; ++round) {
    const std::string needle = random_text(rng() % 7);
    const std::string haystack = random_text(rng() % 40);
    const bool found = std::string_view(haystack).find(needle) != std::string_view::npos;
    const std::string padded = haystack + random_text(Literal::kPadded);
    const Literal literal(needle);
    const std::string_view padded_view = std::string_view(padded).substr(0, haystack.size());
    ASSERT_EQ(std::pair(literal.found_in(haystack), literal.found_in_padded(padded_view)),
              std::pair(found, found))
        << testing::PrintToString(needle) << " in " << testing::PrintToString(haystack);
  }
}

TEST(Literal, PlacesAtBothEndsOfLongTexts) {
  const std::string filler(37, 'x');
  const Literal needle("needle");
  EXPECT_TRUE(needle.found_in("needle" + filler));
  EXPECT_TRUE(needle.found_in(filler + "needle"));
  EXPECT_TRUE(needle.found_in(filler + "needle" + filler));
  EXPECT_FALSE(needle.found_in(filler + "needl" + filler + "eedle"));
  EXPECT_TRUE(Literal("").found_in(""));
  EXPECT_FALSE(Literal("a").found_in(""));
}

}  // namespace
}  // namespace engine
