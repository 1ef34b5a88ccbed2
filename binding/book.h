// The class Book, and the bodies of its members over any shared book record (the member
// functions around them are book_members.h, shared with Service). Each body takes
// arguments already converted, locks the book (book before sheet), and builds its
// Python result after the locks are released.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "binding/frame/frame.h"
#include "engine/model/book.h"
#include "engine/base/shared.h"
#include "engine/model/sheet.h"

namespace binding {

using BookClass = Class<engine::Shared<engine::Book>>;
BookClass& book_class();

using BookHandle = engine::Shared<engine::Book>;

// A list of new Sheet objects, in book order.
Ref book_sheets(const BookHandle& book);
// Appends a new empty sheet; no check on either text.
Ref book_add_sheet(const BookHandle& book, std::string name, std::string sheet_state);
// Appends a copy of `source` named "Sheet N" (its 1-based position).
Ref book_copy_sheet(const BookHandle& book, engine::Shared<engine::Sheet> source);
// The sheet at 0-based `idx`, or None; never counted from the end.
Ref book_get_sheet_index(const BookHandle& book, int32_t idx);
// The first sheet whose name equals `name` byte for byte, or None.
Ref book_get_sheet_name(const BookHandle& book, std::string_view name);
// The JSON text as a str; an engine error becomes RuntimeError.
Ref book_to_json(const BookHandle& book);
// json.loads of that text, `json` imported at every call, after the lock is released.
Ref book_to_dict(const BookHandle& book);

}  // namespace binding
