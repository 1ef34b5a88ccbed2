// The Python-free texts of the binding's call frame: argument errors, docstrings and the
// stop notice.
#include <algorithm>
#include <string>
#include <string_view>
#include <vector>

#include "binding/python_free/notice.h"
#include "binding/python_free/signature.h"
#include "gtest/gtest.h"

namespace binding {
namespace {

constexpr Signature kModuleFunction{"find_cells_by_regex", nullptr, {"regex", "cells"}, 2};
constexpr Signature kMethod{
    "get_cells_by_range", "Sheet", {"start_row", "end_row", "start_col", "end_col"}, 0};
constexpr Signature kWithDefault{
    "add_sheet", "Book", {"name", Parameter{"sheet_state", "\"visible\""}}, 1};
constexpr Signature kPositionalOnly{"summary_0", "Service", {"sheets"}, 1, 1, true};
constexpr Signature kNoParameters{"_fmt_0", "Service", {}, 0, 0, true};
constexpr Signature kConstructor{"__new__", "Finder", {"sheets"}, 1};
constexpr Signature kBareConstructor{"__new__", "Book", {}, 0};
constexpr Signature kBareFunction{"version", nullptr, {}, 0};
constexpr std::string_view kDocumentation = "Returns the version.\n";

TEST(FrameText, NamesAndParameters) {
  EXPECT_EQ(kModuleFunction.full_name(), "find_cells_by_regex()");
  EXPECT_EQ(kMethod.full_name(), "Sheet.get_cells_by_range()");
  EXPECT_EQ(kMethod.count(), 4u);
  EXPECT_EQ(kMethod.find("start_col"), 2);
  EXPECT_EQ(kMethod.find("start"), -1);
  EXPECT_EQ(kMethod.find(""), -1);
  EXPECT_EQ(kNoParameters.find("sheets"), -1);
}

// The docstring of each shape of callable, sized exactly to its text.
template <const Signature& Sig, const std::string_view& Documentation = kNoDocumentation>
void expect_doc(std::string_view expected) {
  constexpr auto& doc = kSignatureDoc<Sig, Documentation>;
  EXPECT_EQ(std::string_view(doc.c_str()), expected);
  EXPECT_EQ(sizeof(doc.chars), expected.size() + 1);
}

TEST(FrameText, Docstrings) {
  expect_doc<kModuleFunction>("find_cells_by_regex(regex, cells)\n--\n\n");
  expect_doc<kMethod>(
      "get_cells_by_range($self, start_row=None, end_row=None, start_col=None, "
      "end_col=None)\n--\n\n");
  expect_doc<kWithDefault>("add_sheet($self, name, sheet_state=\"visible\")\n--\n\n");
  expect_doc<kPositionalOnly>("summary_0($self, sheets, /, **kwargs)\n--\n\n");
  expect_doc<kNoParameters>("_fmt_0($self, **kwargs)\n--\n\n");
  expect_doc<kConstructor>("Finder(sheets)\n--\n\n");
  expect_doc<kBareConstructor>("Book()\n--\n\n");
  expect_doc<kBareFunction, kDocumentation>("version()\n--\n\nReturns the version.\n");
}

TEST(FrameText, ArgumentErrors) {
  using V = std::vector<std::string_view>;
  const std::pair<std::string, std::string> cases[] = {
      {quoted_list(V{"a"}), "'a'"}, {quoted_list(V{"a", "b"}), "'a' and 'b'"},
      {quoted_list(V{"a", "b", "c"}), "'a', 'b', and 'c'"},
      {quoted_list(V{"a", "b", "c", "d"}), "'a', 'b', 'c', and 'd'"},
      {too_many_positional_text(kModuleFunction, 3),
       "find_cells_by_regex() takes 2 positional arguments but 3 were given"},
      {too_many_positional_text(kNoParameters, 1),
       "Service._fmt_0() takes 0 positional arguments but 1 was given"},
      {too_many_positional_text(kWithDefault, 3),
       "Book.add_sheet() takes from 1 to 2 positional arguments but 3 were given"},
      {unexpected_keyword_text(kModuleFunction, "rgx"),
       "find_cells_by_regex() got an unexpected keyword argument 'rgx'"},
      {multiple_values_text(kWithDefault, "name"),
       "Book.add_sheet() got multiple values for argument 'name'"},
      {positional_only_as_keyword_text(kPositionalOnly, V{"sheets"}),
       "Service.summary_0() got some positional-only arguments passed as keyword arguments: "
       "'sheets'"},
      {missing_required_text(kModuleFunction, V{"cells"}),
       "find_cells_by_regex() missing 1 required positional argument: 'cells'"},
      {missing_required_text(kMethod, V{"start_row", "end_row", "start_col"}),
       "Sheet.get_cells_by_range() missing 3 required positional arguments: 'start_row', "
       "'end_row', and 'start_col'"}};
  for (const auto& [text, expected] : cases) EXPECT_EQ(text, expected);
}

TEST(FrameText, ProjectPath) {
  EXPECT_EQ(project_path("/work/main/engine/model/letters.cc"), "engine/model/letters.cc");
  EXPECT_EQ(project_path("/home/x/engine/copy/binding/frame/borrow.cc"),
            "binding/frame/borrow.cc");
  EXPECT_EQ(project_path("binding/frame/borrow.h"), "binding/frame/borrow.h");
  EXPECT_EQ(project_path("/usr/include/c++/12/bits/stl_vector.h"),
            "/usr/include/c++/12/bits/stl_vector.h");
}

TEST(FrameText, StopNotice) {
  const std::string first =
      stop_notice("main", "/src/engine/coordinate.cc", 42, 7, "bad coordinate", true);
  EXPECT_EQ(first.rfind("thread 'main' panicked at engine/coordinate.cc:42:7:\n"
                        "bad coordinate\nnote: ",
                        0),
            0u);
  EXPECT_NE(first.find("stack trace"), std::string::npos);
  EXPECT_EQ(first.back(), '\n');
  EXPECT_EQ(std::count(first.begin(), first.end(), '\n'), 3);

  EXPECT_EQ(stop_notice("<unnamed>", "binding/x.cc", 1, 2, "m", false),
            "thread '<unnamed>' panicked at binding/x.cc:1:2:\nm\n");
}

}  // namespace
}  // namespace binding
