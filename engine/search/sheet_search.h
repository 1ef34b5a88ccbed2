// Searches of a book's sheets by name, in the shell of record_list.h: each sheet read
// under its read lock while its name is compared. Names compare byte for byte: no case
// folding, trimming or normalisation. The caller holds the book's read lock.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "engine/base/shared.h"
#include "engine/model/sheet.h"
#include "engine/search/record_list.h"

namespace engine {

using SheetList = RecordList<Sheet>;
using SheetHandles = std::vector<Shared<Sheet>>;
using OptionalSheet = std::optional<Shared<Sheet>>;

// The sheets whose name equals one of `names` (each sheet once), in list order.
SheetHandles sheets_with_names(SheetList sheets, std::span<const std::string> names);
// The sheets whose name equals none of `names`, in list order.
SheetHandles sheets_without_names(SheetList sheets, std::span<const std::string> names);

// The first sheet in list order named `name`.
OptionalSheet find_sheet_by_name(SheetList sheets, std::string_view name);

// The first sheet in list order whose name holds a match of the real regular expression
// `pattern` (engine/text/pattern.h). Stops (engine::Stop) when the pattern does not
// compile, before any sheet is read.
OptionalSheet find_sheet_by_regex(SheetList sheets, std::string_view pattern);

}  // namespace engine
