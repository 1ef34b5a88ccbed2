// Sheet searches by name and pattern, on lists long enough to run on the workers too.
#include "engine/search/sheet_search.h"

#include <gtest/gtest.h>

#include "engine/base/stop.h"

namespace engine {
namespace {

SheetHandles sheets_named(std::vector<std::string> names, size_t copies = 1) {
  SheetHandles out;
  for (size_t c = 0; c < copies; ++c)
    for (const auto& n : names) out.push_back(Shared<Sheet>::make(n, "visible"));
  return out;
}

std::vector<size_t> positions(const SheetHandles& all, const SheetHandles& found) {
  std::vector<size_t> out;
  for (const auto& f : found)
    for (size_t i = 0; i < all.size(); ++i)
      if (all[i].same_record(f)) out.push_back(i);
  return out;
}

std::optional<size_t> position(const SheetHandles& all, const OptionalSheet& found) {
  if (!found) return std::nullopt;
  return positions(all, {*found}).at(0);
}

TEST(SheetsByNames, ExactBytesEachSheetOnceInListOrder) {
  const SheetHandles sheets = sheets_named({"A", "b", "A", "A ", "a", ""});
  struct Case {
    std::vector<std::string> names;
    std::vector<size_t> with, without;
  } cases[] = {{{"A", "A"}, {0, 2}, {1, 3, 4, 5}},
               {{}, {}, {0, 1, 2, 3, 4, 5}},
               {{"a", ""}, {4, 5}, {0, 1, 2, 3}},
               {{"B", "A  "}, {}, {0, 1, 2, 3, 4, 5}}};
  for (const auto& c : cases) {
    EXPECT_EQ(positions(sheets, sheets_with_names(sheets, c.names)), c.with);
    EXPECT_EQ(positions(sheets, sheets_without_names(sheets, c.names)), c.without);
  }
  const SheetHandles many = sheets_named({"x", "y", "z"}, 1000);
  const auto found = positions(many, sheets_with_names(many, std::vector<std::string>{"y"}));
  ASSERT_EQ(found.size(), 1000u);
  for (size_t i = 0; i < found.size(); ++i) EXPECT_EQ(found[i], 3 * i + 1);
  EXPECT_EQ(position(many, find_sheet_by_name(many, "z")), 2u);
  EXPECT_EQ(position(many, find_sheet_by_regex(many, "^z$")), 2u);
}

TEST(FindSheet, ByNameAndByPattern) {
  const SheetHandles sheets = sheets_named({"Alpha", "A", "beta", "A", "Ärger", "abab"});
  EXPECT_EQ(position(sheets, find_sheet_by_name(sheets, "A")), 1u);
  EXPECT_EQ(position(sheets, find_sheet_by_name(sheets, "a")), std::nullopt);
  const std::pair<const char*, std::optional<size_t>> cases[] = {
      {"", 0},      {"^A$", 1},          {"b", 2},           {"(?<=e)t", 2},    {"^(ab)\\1$", 5},
      {"zz", {}},   {"^\\p{Lu}rg", 4},    {"^.rger$", 4},     {"(?i)^BETA", 2},  {"A(?!lpha)", 1}};
  for (const auto& [pattern, found] : cases)
    EXPECT_EQ(position(sheets, find_sheet_by_regex(sheets, pattern)), found) << pattern;
}

TEST(FindSheet, BadPatternsStopBeforeAnySheetIsRead) {
  for (const char* pattern : {"(", "[a", "a{2,1}", "\\", "a\\Cb"}) {
    try {
      find_sheet_by_regex({}, pattern);
      ADD_FAILURE() << pattern;
    } catch (const Stop& s) {
      EXPECT_EQ(std::string(s.what()).rfind("called `Result::unwrap()` on an `Err` value: ", 0),
                0u);
    }
  }
  // 250 nested groups compile; 251 do not.
  EXPECT_NO_THROW(find_sheet_by_regex({}, std::string(250, '(') + std::string(250, ')')));
  EXPECT_THROW(find_sheet_by_regex({}, std::string(251, '(') + std::string(251, ')')), Stop);
}

// The first name would match through ".*!" once the first branch gave up, but that branch
// backtracks past the limit first.
// Only a pattern that needs backtracking (a look-ahead here) counts a match beyond the
// backtracking limit as none; a plain one is decided without backtracking.
TEST(FindSheet, AMatchThatExceedsTheBacktrackingLimitCountsAsNoMatch) {
  const SheetHandles sheets = sheets_named({std::string(40, 'a') + "!", "ok"});
  EXPECT_EQ(position(sheets, find_sheet_by_regex(sheets, "^(?:(?=a)(a+)+b|.*!)|ok")), 1u);
  EXPECT_EQ(position(sheets, find_sheet_by_regex(sheets, "^(?:(?=a)(a+)+b|.*!)")),
            std::nullopt);
  EXPECT_EQ(position(sheets, find_sheet_by_regex(sheets, "^(?:(a+)+b|.*!)|ok")), 0u);
  EXPECT_EQ(position(sheets, find_sheet_by_regex(sheets, "^(?:a+b|.*!)")), 0u);
}

}  // namespace
}  // namespace engine
