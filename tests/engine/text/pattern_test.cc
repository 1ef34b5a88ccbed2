// The pattern language our users write, as PCRE2 is made to read it and match it.
#include "engine/text/pattern.h"

#define PCRE2_CODE_UNIT_WIDTH 8
#include <gtest/gtest.h>
#include <pcre2.h>

#include <random>

#include "engine/text/pattern_guard.h"
#include "engine/text/pattern_reading.h"
#include "tests/engine/text/pattern_oracle.h"

namespace engine {
namespace {

std::string reading_of(std::string_view pattern) {
  const auto read = read_pattern(pattern);
  if (const auto* refusal = std::get_if<PatternRefusal>(&read))
    return "refused at " + std::to_string(refusal->offset);
  return std::get<PatternReading>(read).pcre2;
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
// Outside (?m) "$" is the end of the text: PCRE2 reads it as \z, and PCRE2's offsets
// still point at what the user wrote.
TEST(PatternReading, AnEndOfTextDollarBecomesBackslashZ) {
  const std::pair<const char*, const char*> table[] = {
      {"a$", "a\\z"},
      {"(?m)a$", "(?m)a$"},
      {"(?m:a$)b$", "(?m:a$)b\\z"},
      {"((?m)a$)$", "((?m)a$)\\z"},
      {"(?m)(?-m)a$", "(?m)(?-m)a\\z"},
      {"(?m)(?^i)a$", "(?m)(?^i)a\\z"},
      {"(?im-sx)$", "(?im-sx)$"},
      {"[$]\\$\\Q$\\E(?#$)", "[$]\\$\\Q$\\E(?#$)"},
      {"(?x)#$\n$", "(?x)#$\n\\z"},
  };
  for (const auto& [pattern, reading] : table) EXPECT_EQ(reading_of(pattern), reading) << pattern;
  EXPECT_EQ(
      refusal_of("a$+"),
      R"(CompileError { offset: 2, message: "quantifier does not follow a repeatable item" })");
  EXPECT_EQ(refusal_of("$$("),
            R"(CompileError { offset: 3, message: "missing closing parenthesis" })");
}

TEST(PatternReading, ClassesQuotesAndCommentsEndWherePcre2EndsThem) {
  for (const char* pattern :
       {"[a](?C1)", "[]](?C1)", "[^]](?C1)]", "[[:alpha:](?C1)]", "[[:a]b:](?C1)]",
        "[[:<:]](?C1)", R"([\]](?C1)])", R"([\\](?C1)])", R"([\c]](?C1)])", R"(\c[(?C1))",
        R"(\Q[\E(?C1))", R"([\Q]\E(?C1)])", "(?#[)(?C1)", "(?x)#[\n(?C1)", "(?^x)#[\n(?C1)",
        "(?x)(?-x)#[\n(?C1)]", "(?x:#[\n)(?C1)", "((?x)#[\n)(?C1)", "((?x))#[\n(?C1)]",
        R"((?x)\#[(?C1)])", "(?x)[#](?C1)", "(?(DEFINE)(?C1))", R"([(?=:(?=]\](?C1)])",
        // Before deciding whether a "]" is a member, PCRE2 skips \E, \Q\E and, in (?xx),
        // spaces and tabs, before a "^" and after it.
        R"([\Q\E]](?C1)])", R"([\E^\Q\E\E]](?C1)])", R"([^\E^](?C1)])", "(?xx)[\t^ ]](?C1)]",
        "(?xx:[ ](?C1)])", "(?xx)(?x)[ ](?C1)]", "((?xx))[ ](?C1)]", R"([\E\Q]\E(?C1)])"}) {
    const int found = callouts(pattern);
    ASSERT_GE(found, 0) << pattern;
    EXPECT_EQ(std::holds_alternative<PatternRefusal>(read_pattern(pattern)), found > 0)
        << pattern;
  }
}

// The patterns that once ran a call or a verb PCRE2 read after a class the step had
// closed too early, and code-point escapes next to such a class or in one.
TEST(PatternReading, ARefusedConstructAfterAClassOpeningIsRefused) {
  const std::pair<const char*, const char*> table[] = {
      {R"(^(a[\E][]?(?1)?[]]?b)$)", "refused at 10"},
      {"(?xx)^(a[ ]#]?(?1)?b)$", "refused at 14"},
      {R"([\E][](?C1)])", "refused at 6"},
      {R"([\E][](*ACCEPT)])", "refused at 6"},
      {R"([^\Q\E]](*COMMIT)])", "refused at 8"},
      {R"([\E]\u0062](\g<1>))", "refused at 12"},
      {"(?x)[\\E]#]\\Q\n\\u0062\\E", "(?x)[\\E]#]\\Q\n\\u0062\\E"},
      {"(?xx)[ ]#]\\u0062", "(?xx)[ ]#]\\x{0062}"},
      {"(?x)[ ](?R)]", "refused at 7"},
      {"(?xx)[ ](?R)]", "(?xx)[ ](?R)]"},
      {"(?xx)[ a](?R)]", "refused at 9"},
      // Inside a class \g takes no braced argument.
      {R"([\g{](?R)}])", "refused at 5"},
      {R"([\g{\u0062}])", R"([\g{\x{0062}}])"},
  };
  for (const auto& [pattern, reading] : table) EXPECT_EQ(reading_of(pattern), reading) << pattern;
}

bool needs_backtracking(std::string_view pattern) {
  const auto read = read_pattern(pattern);
  if (std::holds_alternative<PatternRefusal>(read)) ADD_FAILURE() << pattern;
  return std::get<PatternReading>(read).needs_backtracking;
}

TEST(PatternReading, BackReferencesLookAroundsAtomicConditionalAndPossessiveNeedBacktracking) {
  for (const char* pattern :
       {"(a)\\1", "(a)\\9", "(a)\\g{1}", "(a)\\g1", "(a)\\g-1", "(?<n>a)\\k<n>", "(?<n>a)\\k'n'",
        "(?<n>a)\\k{n}", "(?<n>a)(?P=n)", "(?=a)", "(?!a)", "(?<=a)", "(?<!a)", "(?*a)", "(?<*a)",
        "(?>a)", "(a)(?(1)b)", "(?(DEFINE)a)", "[[:<:]]a", "a[[:>:]]", "a*+", "a++", "a?+",
        "a{2}+", "a{2,}+", "a{1,3}+", "(ab)++", "[ab]++", "\\x{62}?+", "\\p{L}*+",
        "a+(?#c)+", "a+\\E+", "a+\\Q\\E+", "(?x)a+ +", "(?x)a+ #c\n+", "(?x)a+\xC2\x85+",
        "\\Qa\\E++", "(?i:(?<=a))", "(?x:a)#(?=b)"})
    EXPECT_TRUE(needs_backtracking(pattern)) << pattern;
  for (const char* pattern :
       {"a+b*c?d{2}", "a+?b*?", "(?:ab)+|c", "[+]+", "\\Q++\\E", "a+\\Q+\\E", "a{,2}+",
        "a{ 2}+", "\\++", "\\0", "[\\1]", "\\Q\\1(?=\\E", "(?#(?=a\\1)", "(?x)#(?=a)\n",
        "[(?=a)(?>b)]", "[[:alpha:]]+", "a+#+", "(?x)a+\\ +", "(?<n>a)(?i)\\w+"})
    EXPECT_FALSE(needs_backtracking(pattern)) << pattern;
}

// PCRE2 reads a backslash and two or more digits from 1 to 7 as an octal character where
// fewer groups open before it; (?n) groups, and the alternatives of a (?| group, number
// none of their own.
TEST(PatternReading, ABackslashAndDigitsReferBackOnlyToAGroupOpenedBefore) {
  const std::string ten = "(a)(b)(c)(d)(e)(f)(g)(h)(i)(j)";
  const std::string reset = "(?|(a)(b)(c)(d)(e)(f)|(g)(h)(i)(j)(k)(l))(m)(n)(o)(p)";
  const std::string backreferences[] = {ten + "\\10",
                                        "(?<n>a)(?'m'b)(?P<o>c)(d)(e)(f)(g)(h)(i)(j)\\10",
                                        "(?n:(a))" + ten + "\\10",
                                        "(?:" + reset.substr(3) + "\\11",
                                        reset + "\\10",
                                        "\\81"};
  for (const std::string& pattern : backreferences)
    EXPECT_TRUE(needs_backtracking(pattern)) << pattern;
  const std::string octals[] = {
      "\\101",        "(a)\\10",      "\\10" + ten,     "(?n)" + ten + "\\10",
      reset + "\\11", ten + "[\\10]", "\\1000000000000"};
  for (const std::string& pattern : octals) EXPECT_FALSE(needs_backtracking(pattern)) << pattern;
  EXPECT_TRUE(finds("^\\101+\\61$", "AAA1"));
  EXPECT_TRUE(finds("^(a)\\1013$", "aA3"));
}

// Random patterns from the tokens where the two readings could part, each held against
// PCRE2's own reading; the fuzz target pattern_reading_fuzz runs the same check.
TEST(PatternReading, AgreesWithPcre2OnRandomPatterns) {
  std::mt19937_64 random(20240611);
  size_t compiled = 0, refused = 0, backtracking = 0;
  for (int n = 0; n < 200'000; ++n) {
    std::string choices(1 + random() % 14, '\0');
    for (char& choice : choices) choice = static_cast<char>(random());
    const std::string pattern = testing::pattern_of(choices);
    const std::string found = testing::disagreement(pattern);
    ASSERT_EQ(found, "") << pattern;
    const auto read = read_pattern(pattern);
    if (std::holds_alternative<PatternRefusal>(read)) {
      ++refused;
    } else if (std::holds_alternative<Pattern>(Pattern::compile(pattern))) {
      ++compiled;
      backtracking += std::get<PatternReading>(read).needs_backtracking;
    }
  }
  // A sample that says something: many patterns of each kind.
  EXPECT_GT(compiled, 40'000u);
  EXPECT_GT(refused, 40'000u);
  EXPECT_GT(backtracking, 10'000u);
}

std::optional<PatternRefusal> guarded(const PatternReading& reading) {
  const auto compiled = testing::oracle::compile(reading.pcre2);
  if (!compiled.code) {
    ADD_FAILURE() << reading.pcre2;
    return std::nullopt;
  }
  return refusal_by_pcre2(reading, compiled.code.get(), compile_context().get());
}

std::string guarded_text(const PatternReading& reading) {
  const auto refusal = guarded(reading);
  return refusal ? std::to_string(refusal->offset) + ": " + refusal->message : "let through";
}

// The guard on readings as a faulty step could hand them over: PCRE2 says what it reads.
TEST(PatternGuard, RefusesWhatPcre2ReadsWhateverTheReading) {
  const std::string kCalls = "recursion and subroutine calls are not supported";
  const std::string kCallouts = "callouts are not supported";
  const std::string kVerbs = "verbs and options of the form (*...) are not supported";
  const std::pair<const char*, std::string> table[] = {
      {R"(^(a[\E][]?(?1)?[]]?b)$)", "10: " + kCalls},
      {"(?xx)^(a[ ]#]?(?1)?b)$", "14: " + kCalls},
      {R"([\E][](?C1)])", "6: " + kCallouts},
      {R"([\E][](?C"text")])", "6: " + kCallouts},
      {R"([\E][](?C{text}))", "6: " + kCallouts},
      {R"([\E][]a(?C255))", "7: " + kCallouts},
      {R"([\E][](*COMMIT)(?C))", "6: " + kVerbs},
      {R"([\E][](?C1)(*COMMIT))", "6: " + kCallouts},
      {"(*UTF)a", "0: " + kVerbs},
      {"(*LIMIT_MATCH=5)(?R)", "0: " + kVerbs},
      {R"((a)\g'1')", "3: " + kCalls},
      {R"((?<n>a)(?&n){0})", "7: " + kCalls},
      {"(?(DEFINE)(?<=a(*ACCEPT)))", "15: " + kVerbs},
      // Members, quoted text and comments, however much they look like a construct.
      {R"([(?R)(*F)\g<1>(?C1)])", "let through"},
      {R"(\Q(?R)(*F)\g<1>(?C1)\E)", "let through"},
      {R"(\Q(?R)(*F)\g<1>(?C1))", "let through"},
      {R"(\Q(\E*?R)", "let through"},
      {"(?#(?R(*F)a", "let through"},
      {"(?x)#(?R)(*F)\n(?-x)#", "let through"},
      {"(?xx)[ ](?R)]", "let through"},
  };
  for (const auto& [text, refusal] : table)
    EXPECT_EQ(guarded_text(PatternReading{text, {}}), refusal) << text;
}

TEST(PatternGuard, RefusalsPointAtTheUsersPattern) {
  // The user wrote \u0062(a)[\E][](?1)], whose \u0062 became \x{0062}.
  EXPECT_EQ(guarded_text(PatternReading{"\\x{0062}(a)[\\E][](?1)]", {{0, 0, 6, 8}}}),
            "15: recursion and subroutine calls are not supported");
}

// A text too large for PCRE2 to compile with a callout before each item is let through
// on the reading step's word: the copy's size says nothing of the pattern. Explicit
// callouts and a verb at the start are still found without that copy.
TEST(PatternGuard, APatternTooLargeToCheckIsLeftToTheReadingStep) {
  const std::string letters(12'000, 'a');
  EXPECT_EQ(guarded_text(PatternReading{letters + "[(?R)]", {}}), "let through");
  EXPECT_EQ(guarded_text(PatternReading{letters + "[(?=R)]", {}}), "let through");
  EXPECT_EQ(guarded_text(PatternReading{letters + "[(?R)](?C1)", {}}),
            "12006: callouts are not supported");
  EXPECT_EQ(guarded_text(PatternReading{"(*F)" + letters + "[(?R)]", {}}),
            "0: verbs and options of the form (*...) are not supported");
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

// Construct-like text in a class, a quote or a comment makes the guard check a copy with
// a callout before every item; that copy's size never refuses a pattern that compiles.
TEST(Pattern, APatternIsNotRefusedForTheSizeOfItsCheckingCopy) {
  std::string words;
  for (int i = 0; i < 2'000; ++i) words += "word" + std::to_string(i) + "|";
  const std::pair<std::string, std::string> cases[] = {
      {"[(?R)](?:(?:ab){1,45}){1,45}|ab", "ab"},
      {"[(?R)]" + std::string(8'186, 'a'), "R" + std::string(8'186, 'a')},
      {"\\Q(?R)\\E|" + words + "x", "word1999"},
      {"(?#(*F)" + words + "x", "x"},
      {"(?x)" + words + "x # (?R)", "x"},
  };
  for (const auto& [pattern, name] : cases) {
    EXPECT_TRUE(finds(pattern, name)) << pattern.substr(0, 40);
    EXPECT_FALSE(finds(pattern, "-")) << pattern.substr(0, 40);
  }
}

// Of a fault PCRE2 finds and a construct the step refuses, the user hears of the one
// written first.
TEST(Pattern, TheFirstFaultInThePatternIsReported) {
  const std::pair<const char*, const char*> table[] = {
      {"[:alpha:](?R)", "offset: 0, message: \"POSIX named classes"},
      {"\\u0062[:alpha:](?C1)", "offset: 6, message: \"POSIX named classes"},
      {"a(?R)[", "offset: 1, message: \"recursion"},
      {"a(*F)(", "offset: 1, message: \"verbs"},
      {"a{2}{3}(?C1)", "offset: 6, message: \"quantifier does not follow"},
      {"(?C1)\\k<n>", "offset: 0, message: \"callouts"},
  };
  for (const auto& [pattern, refusal] : table)
    EXPECT_EQ(refusal_of(pattern).rfind(std::string("CompileError { ") + refusal, 0), 0u)
        << pattern << ": " << refusal_of(pattern);
}

TEST(Pattern, ConstructsAfterAClassOpeningAreRefused) {
  const std::pair<const char*, const char*> table[] = {
      {R"(^(a[\E][]?(?1)?[]]?b)$)", "offset: 10, message: \"recursion"},
      {"(?xx)^(a[ ]#]?(?1)?b)$", "offset: 14, message: \"recursion"},
      {R"([\E][](?C1)])", "offset: 6, message: \"callouts"},
      {R"(\u{62}[\E][](*ACCEPT)])", "offset: 12, message: \"verbs"},
  };
  for (const auto& [pattern, refusal] : table)
    EXPECT_EQ(refusal_of(pattern).rfind(std::string("CompileError { ") + refusal, 0), 0u)
        << pattern << ": " << refusal_of(pattern);
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

// Each pattern runs the JIT out of stack first; the first two then exceed the backtracking
// limit. Only a pattern that needs backtracking (a look-ahead here) loses its match there;
// the automaton decides a plain one.
TEST(Pattern, OnlyAPatternThatNeedsBacktrackingLosesAMatchBeyondTheLimit) {
  const std::string name = repeated("ab", 60'000) + std::string(30, 'a') + "!";
  EXPECT_FALSE(finds("^(?:(?=a)(a|b)+(a+)+c|.*!)", name));
  EXPECT_TRUE(finds("^(?:(a|b)+(a+)+c|.*!)", name));
  EXPECT_TRUE(finds("^(?:(a|b)+a+c|.*!)", name));
}

// Plain patterns whose backtracking reaches the limit, and what the automaton makes of
// them: single items repeated by "+" or "{n,}" (also quoted, escaped, classes, UTF-8
// characters, in extended mode), patterns that leave a quote or a comment open, and
// names that hold no match.
TEST(Pattern, TheAutomatonDecidesPlainPatternsBeyondTheLimit) {
  const std::string xs(40, 'x');
  const struct {
    std::string pattern, name;
    bool found;
  } cases[] = {
      {"(x+x+)+y", xs + "z xxy", true},
      {"(x+x+)+y", xs + "z xx", false},
      {"(x+x+)+y", xs + "zy", false},
      {"(x{1,}x{2,})+y", xs + "z xxxy", true},
      {"(x+?x+?)+?y", xs + "z xxy", true},
      {"^(a|b)*$", repeated("ab", 600'000), true},
      {"^(a|b)*$", repeated("ab", 600'000) + "c", false},
      {"(\\w+\\s?)+$", repeated("word ", 30) + "!x", true},
      {"(\\w+\\s?)+$", repeated("word ", 30) + "!", false},
      {"([xz]+[xz]+)+y", xs + "q zzy", true},
      {"(\\x{78}+\\u0078+)+y", xs + "z xxy", true},
      {"(é+é+)+y", repeated("é", 40) + "z ééy", true},
      {"(é+é+)+y", repeated("é", 40) + "z éy", false},
      {"(\\Qx\\E+\\Qax\\E+)+y", xs + "z xaxxy", true},
      {"(\\Qx\\E+\\Qax\\E+)+y", xs + "z xxy", false},
      {"(?x)( x + \\n? x + )+ y # x+", xs + "z xxy", true},
      {"(x+x+)+\\Qy", xs + "z xxy", true},
      {"(?x)(x+x+)+y#", xs + "z xxy", true},
      {"(?i)(X+X+)+Y", xs + "z xxy", true},
  };
  for (const auto& c : cases) EXPECT_EQ(finds(c.pattern, c.name), c.found) << c.pattern;
}

// Items the automaton does not run leave the limit's answer: no match.
TEST(Pattern, APlainPatternTheAutomatonCannotRunLosesItsMatch) {
  EXPECT_FALSE(finds("(x+x+)+\\Ky", std::string(40, 'x') + "z xxy"));
  EXPECT_TRUE(finds("(x+x+)+\\Ky", "xxy"));
}

}  // namespace
}  // namespace engine
