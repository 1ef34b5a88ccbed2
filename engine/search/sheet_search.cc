#include "engine/search/sheet_search.h"

#include <algorithm>

#include "engine/base/stop.h"
#include "engine/text/pattern.h"

namespace engine {

namespace {

auto named_one_of(std::span<const std::string> names, bool wanted) {
  return [names, wanted](const Sheet& sheet) {
    return (std::find(names.begin(), names.end(), sheet.name) != names.end()) == wanted;
  };
}

}  // namespace

SheetHandles sheets_with_names(SheetList sheets, std::span<const std::string> names) {
  return filter_records(sheets, named_one_of(names, true));
}

SheetHandles sheets_without_names(SheetList sheets, std::span<const std::string> names) {
  return filter_records(sheets, named_one_of(names, false));
}

OptionalSheet find_sheet_by_name(SheetList sheets, std::string_view name) {
  return first_record(sheets, [name](const Sheet& sheet) { return sheet.name == name; });
}

OptionalSheet find_sheet_by_regex(SheetList sheets, std::string_view pattern) {
  auto compiled = Pattern::compile(pattern);
  if (const auto* refusal = std::get_if<std::string>(&compiled)) {
    stop(std::string(kUnwrapErr) + ": " + *refusal);
  }
  const Pattern& re = std::get<Pattern>(compiled);
  return first_record(sheets, [&re](const Sheet& sheet) { return re.search(sheet.name); });
}

}  // namespace engine
