// The class Sheet: a live view of one sheet record of a book. Instances are made only by
// the book classes; every member works on the shared record, so two objects of one
// sheet, and the book that holds it, see each other's edits at once.
#pragma once

#include "binding/frame/frame.h"
#include "engine/base/shared.h"
#include "engine/model/sheet.h"

namespace binding {

using SheetClass = Class<engine::Shared<engine::Sheet>>;
SheetClass& sheet_class();

}  // namespace binding
