// What a sheet holds, read without the allocation sweep armed, for the checks of the
// out-of-memory tests: the value text and data type of every cell by key, and whether
// the cell map is sound (every entry found again under its key, the walk and the size
// agree, every cell at its key).
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <string>
#include <utility>

#include "engine/model/reads.h"
#include "engine/model/sheet.h"

namespace engine::testing {

using Contents = std::map<std::pair<uint32_t, uint16_t>, std::string>;

inline Contents contents_of(const Sheet& sheet) {
  Contents out;
  for (const auto& [key, cell] : sheet.cells.entries) {
    const auto record = cell.read();
    out[{key.row, key.column}] =
        std::string(record->data_type_text()) + ":" + record->value.text();
  }
  return out;
}

// The map answers lookups for every key it walks, and nothing else is stored.
inline void expect_sound(const Sheet& sheet) {
  size_t walked = 0;
  for (const auto& [key, cell] : sheet.cells.entries) {
    ++walked;
    ASSERT_TRUE(cell);
    const auto found = cell_stored_at(sheet.cells, key.row, key.column);
    ASSERT_TRUE(found && found->same_record(cell)) << key.debug_text();
    EXPECT_EQ(cell.read()->coord, key);
  }
  EXPECT_EQ(walked, sheet.cells.entries.size());
  EXPECT_EQ(sheet.sorted_cells().size(), walked);
}

}  // namespace engine::testing
