// The pattern language our users write, as PCRE2 is made to read it and match it.
#include "engine/text/pattern.h"

#define PCRE2_CODE_UNIT_WIDTH 8
#include <gtest/gtest.h>
#include <pcre2.h>

#include "engine/text/pattern_reading.h"

namespace engine {
namespace {

std::string reading_of(std::string_view pattern) {
  const auto read = read_pattern(pattern);
  if (const auto* refusal = std::get_if<PatternRefusal>(&read))
    return "refused at " + std::to_string(refusal->offset);
  return std::get<PatternReading>(read).pcre2;
}

TEST(PatternReading, CodePointEscapesBecomeHexEscapesAndRefusalsPointAtTheConstruct) {
  const std::pair<const char*, const char*> table[] = {
      {R"(\u0062)", R"(\x{0062})"},
      {R"(a\u{62}b)", R"(a\x{62}b)"},
      {R"(\U00000062)", R"(\x{00000062})"},
      {R"(\U{1F600})", R"(\x{1F600})"},
      {R"([\u0061-\u{7A}\U00000030])", R"([\x{0061}-\x{7A}\x{00000030}])"},
      {R"(\u00621)", R"(\x{0062}1)"},
      {R"(\\u0062)", R"(\\u0062)"},
      {R"(\Q\u0062\E)", R"(\Q\u0062\E)"},
      // Not code-point escapes of the language: left for PCRE2 to refuse.
      {R"(\u006)", R"(\u006)"},
      {R"(\u{})", R"(\u{})"},
      {R"(\U{6)", R"(\U{6)"},
      {R"(\x62\x{62})", R"(\x62\x{62})"},
      // Inside a class these are members; outside, a flag or an ordinary group.
      {R"([(?R)(*F)(?C1)\g<a>])", R"([(?R)(*F)(?C1)\g<a>])"},
      {R"((?-i)(?i:a)(?<n>b)\k<n>(?=c)(?<!d))", R"((?-i)(?i:a)(?<n>b)\k<n>(?=c)(?<!d))"},
      {"(?C1)", "refused at 0"},
      {"a(?C)", "refused at 1"},
      {R"((?C"text"))", "refused at 0"},
      {"(*LIMIT_MATCH=1)a", "refused at 0"},
      {"(*CR)a", "refused at 0"},
      {"(*NO_JIT)a", "refused at 0"},
      {"(*UTF)a", "refused at 0"},
      {"a(*FAIL)", "refused at 1"},
      {"a(?R)", "refused at 1"},
      {"(a)(?1)", "refused at 3"},
      {"(?+1)(a)", "refused at 0"},
      {"(a)(?-1)", "refused at 3"},
      {"(?<n>a)(?&n)", "refused at 7"},
      {"(?P<n>a)(?P>n)", "refused at 8"},
      {R"((?<n>a)\g<n>)", "refused at 7"},
      {R"((?<n>a)\g'n')", "refused at 7"},
      {R"(\u0062(?R))", "refused at 6"},
  };
  for (const auto& [pattern, reading] : table) EXPECT_EQ(reading_of(pattern), reading) << pattern;
}

int callouts(const std::string& pattern) {
  int error = 0;
  PCRE2_SIZE offset = 0;
  pcre2_code* code = pcre2_compile(reinterpret_cast<PCRE2_SPTR>(pattern.data()), pattern.size(),
                                   PCRE2_UTF, &error, &offset, nullptr);
  if (code == nullptr) return -1;
  int n = 0;
  const auto count = [](pcre2_callout_enumerate_block*, void* n) {
    ++*static_cast<int*>(n);
    return 0;
  };
  pcre2_callout_enumerate(code, count, &n);
  pcre2_code_free(code);
  return n;
}

// Whether "(?C1)" is read as a construct or as class members and comment text decides
// what is refused; PCRE2 itself says where its classes, quotes and comments end.
TEST(PatternReading, ClassesQuotesAndCommentsEndWherePcre2EndsThem) {
  for (const char* pattern :
       {"[a](?C1)", "[]](?C1)", "[^]](?C1)]", "[[:alpha:](?C1)]", "[[:a]b:](?C1)]",
        "[[:<:]](?C1)", R"([\]](?C1)])", R"([\\](?C1)])", R"([\c]](?C1)])", R"(\c[(?C1))",
        R"(\Q[\E(?C1))", R"([\Q]\E(?C1)])", "(?#[)(?C1)", "(?x)#[\n(?C1)", "(?^x)#[\n(?C1)",
        "(?x)(?-x)#[\n(?C1)]", "(?x:#[\n)(?C1)", "((?x)#[\n)(?C1)", "((?x))#[\n(?C1)]",
        R"((?x)\#[(?C1)])", "(?x)[#](?C1)", "(?(DEFINE)(?C1))", R"([(?=:(?=]\](?C1)])"}) {
    const int found = callouts(pattern);
    ASSERT_GE(found, 0) << pattern;
    EXPECT_EQ(std::holds_alternative<PatternRefusal>(read_pattern(pattern)), found > 0)
        << pattern;
  }
}

bool finds(std::string_view pattern, std::string_view text) {
  const auto compiled = Pattern::compile(pattern);
  if (const auto* refusal = std::get_if<std::string>(&compiled)) ADD_FAILURE() << *refusal;
  return std::get<Pattern>(compiled).search(text);
}

std::string refusal_of(std::string_view pattern) {
  const auto compiled = Pattern::compile(pattern);
  const auto* refusal = std::get_if<std::string>(&compiled);
  return refusal ? *refusal : "compiled";
}

TEST(Pattern, RefusalsShowTheUsersOffsets) {
  EXPECT_EQ(refusal_of("ab(?R)"),
            R"(CompileError { offset: 2, message: "recursion and subroutine calls are not supported" })");
  EXPECT_EQ(refusal_of(R"(\u0062\u{63}()"),
            R"(CompileError { offset: 13, message: "missing closing parenthesis" })");
  EXPECT_EQ(refusal_of(R"(\u006)").rfind("CompileError { offset: 2, ", 0), 0u);
  EXPECT_NE(refusal_of(R"(\u{110000})"), "compiled");
  EXPECT_NE(refusal_of(R"(\u{D800})"), "compiled");
  EXPECT_EQ(refusal_of(R"(\u{1F600}[\u0062])"), "compiled");
}

TEST(Pattern, AnchorsLineBreaksAndUnicodeClasses) {
  const std::tuple<const char*, const char*, bool> cases[] = {
      {"^A$", "A\n", false},    {"^A$", "A", true},          {"A$", "A\nB", false},
      {"(?m)^A$", "A\n", true}, {"(?m)A$", "A\nB", true},    {"(?m)A$", "A\rB", false},
      {"(?m)\n^", "A\n", true}, {"\n^", "A\n", false},       {"^.$", "\n", false},
      {"^.$", "\r", true},      {"(?s)^.$", "\n", true},     {"^A\\z", "A\n", false},
      {"^\\w+$", "Grüße", true}, {"\\bé", "café", false},     {"\\bé", "été", true},
      {"^\\d+$", "١٢٣", true},  {"^\\s$", "\u3000", true},  {"(?i)^SS$", "ss", true}};
  for (const auto& [pattern, text, found] : cases)
    EXPECT_EQ(finds(pattern, text), found) << pattern << " on " << text;
}

std::string repeated(std::string_view part, size_t count) {
  std::string out;
  for (size_t i = 0; i < count; ++i) out += part;
  return out;
}

// The longer names run the JIT out of its stack; the backtracking limit is far away.
TEST(Pattern, LongNamesMatchWithinTheBacktrackingLimit) {
  for (const size_t length : {2'048u, 200'000u})
    for (const char* pattern : {"(a|b)+", "^(a|b)*$", "(.)*$", "^(ab)*$", "^(?:ab)+$"})
      EXPECT_TRUE(finds(pattern, repeated("ab", length / 2))) << pattern << " " << length;
}

// Both patterns run the JIT out of stack first; only the first then exceeds the limit.
TEST(Pattern, AMatchBeyondTheBacktrackingLimitIsNoMatch) {
  const std::string name = repeated("ab", 60'000) + std::string(30, 'a') + "!";
  EXPECT_FALSE(finds("^(?:(a|b)+(a+)+c|.*!)", name));
  EXPECT_TRUE(finds("^(?:(a|b)+a+c|.*!)", name));
}

}  // namespace
}  // namespace engine
