// The class ReadableSheet: a read-only view of one sheet snapshot that a Finder holds.
// Its searches release the interpreter lock while the engine works (all but
// get_value_cell); its getters are those of Sheet.
#pragma once

#include "binding/frame/frame.h"
#include "engine/base/shared.h"
#include "engine/model/sheet.h"

namespace binding {

using ReadableSheetClass = Class<engine::Shared<engine::Sheet>>;
ReadableSheetClass& readable_sheet_class();

}  // namespace binding
