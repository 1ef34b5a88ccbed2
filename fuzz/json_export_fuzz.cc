// The JSON export of random books. The input is a program of model edits (sheets added
// and copied, cells created, written and moved, comments, merged ranges, dimensions,
// names), with texts made valid UTF-8 as the Python side guarantees. The book's export
//  - is valid JSON by a strict reader, with the keys in their fixed order;
//  - holds every record of the book: each sheet, cell, merged range, dimension and
//    comment, every string read back byte for byte and every number as the same double;
//  - lists each sheet's cells sorted by the row and column the cells hold.
#include <algorithm>
#include <cinttypes>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "engine/json/export.h"
#include "engine/model/book.h"
#include "engine/model/sheet_edit.h"
#include "fuzz/fuzz_input.h"
#include "tests/engine/json_check.h"

namespace {

using engine::Shared;
using engine::testing::JsonReader;
using engine::testing::JsonValue;
using engine::testing::double_record;
using engine::testing::value_record;
using Kind = JsonValue::Kind;

constexpr size_t kMostSheets = 8;
constexpr size_t kMostCells = 256;

// Rows, columns and dimension numbers: mostly small, so that records meet, sometimes
// anything the type holds.
template <class T>
T position(fuzzing::FuzzInput& in) {
  const uint8_t b = in.byte();
  if (b < 200) return static_cast<T>(b % 8);
  return in.number<T>();
}

engine::CellValue value_from(fuzzing::FuzzInput& in) {
  switch (in.byte() % 7) {
    case 0: return engine::CellValue();
    case 1: return engine::CellValue::string(in.text());
    case 2: return engine::CellValue::numeric(in.number<double>());
    case 3: return engine::CellValue::integer(in.number<int32_t>());
    case 4: return engine::CellValue::boolean(in.byte() & 1);
    case 5: {
      const auto year = static_cast<int64_t>(in.number<int32_t>() % 300000);
      const uint32_t month = in.byte() % 14, day = in.byte() % 33, hour = in.byte() % 25;
      const uint32_t minute = in.byte() % 61, second = in.byte() % 62;
      const uint32_t nano = in.number<uint32_t>() % 2000000000u;
      if (auto t = engine::DateTime::from_parts(year, month, day, hour, minute, second, nano))
        return engine::CellValue::date_time(*t);
      return engine::CellValue();
    }
    default: return engine::CellValue::from_text(in.text());
  }
}

std::optional<std::string> optional_text(fuzzing::FuzzInput& in) {
  if (in.byte() & 1) return std::nullopt;
  return in.text();
}

struct Program {
  engine::Book book;
  std::vector<Shared<engine::Cell>> cells;

  Shared<engine::Sheet>* sheet(fuzzing::FuzzInput& in) {
    if (book.sheets.empty()) return nullptr;
    return &book.sheets[in.byte() % book.sheets.size()];
  }
  Shared<engine::Cell>* cell(fuzzing::FuzzInput& in) {
    if (cells.empty()) return nullptr;
    return &cells[in.byte() % cells.size()];
  }

  void step(fuzzing::FuzzInput& in) {
    const uint8_t op = in.byte() % 14;
    if (op == 0 || book.sheets.empty()) {
      if (book.sheets.size() < kMostSheets) {
        std::string name = in.text();
        engine::add_sheet(book, std::move(name), in.text());
      }
      return;
    }
    Shared<engine::Sheet>& sheet_handle = *sheet(in);
    switch (op) {
      case 1: {
        if (cells.size() >= kMostCells) return;
        const auto row = position<uint32_t>(in);
        const auto column = position<uint16_t>(in);
        std::optional<std::string> text = optional_text(in);
        cells.push_back(engine::cell_at(*sheet_handle.write(), row, column, text));
        return;
      }
      case 2:
        if (auto* c = cell(in)) engine::write_value(*c->write(), value_from(in));
        return;
      case 3:
        if (auto* c = cell(in)) engine::write_value_text(*c->write(), in.text());
        return;
      case 4:
        if (auto* c = cell(in)) engine::write_formula(*c->write(), in.text());
        return;
      case 5:
        if (auto* c = cell(in)) {
          if (in.byte() & 1) c->write()->set_style_id(optional_text(in));
          else c->write()->set_hidden_value(optional_text(in));
        }
        return;
      case 6:
        // The binding can set a cell's own row and column, which leaves its map key.
        if (auto* c = cell(in)) {
          const auto row = position<uint32_t>(in);
          c->write()->coord = engine::Coordinate{row, position<uint16_t>(in)};
        }
        return;
      case 7: {
        const auto row = position<uint32_t>(in);
        const auto column = position<uint16_t>(in);
        std::string text = in.text();
        engine::add_comment(*sheet_handle.write(), row, column, std::move(text), in.text());
        return;
      }
      case 8: {
        engine::MergeCell m;
        m.start_row = position<uint32_t>(in);
        m.end_row = position<uint32_t>(in);
        m.start_col = position<uint16_t>(in);
        m.end_col = position<uint16_t>(in);
        sheet_handle.write()->merge_cells.push_back(m);
        return;
      }
      case 9: {
        engine::RowDimension d;
        const auto key = position<uint32_t>(in);
        d.row_num = position<uint32_t>(in);
        d.height = in.number<double>();
        const uint8_t flags = in.byte();
        d.hidden = flags & 1;
        d.collapsed = flags & 2;
        d.level = position<uint32_t>(in);
        auto sheet = sheet_handle.write();
        if (flags & 4) sheet->row_dimensions.default_height = d.height;
        else sheet->row_dimensions.rows[key] = d;
        return;
      }
      case 10: {
        engine::ColumnDimension d;
        const auto key = position<uint16_t>(in);
        d.col_num = position<uint16_t>(in);
        d.width = in.number<double>();
        const uint8_t flags = in.byte();
        d.hidden = flags & 1;
        d.collapsed = flags & 2;
        d.level = position<uint32_t>(in);
        auto sheet = sheet_handle.write();
        if (flags & 4) sheet->column_dimensions.default_width = d.width;
        else sheet->column_dimensions.columns[key] = d;
        return;
      }
      case 11:
        if (book.sheets.size() < kMostSheets) engine::copy_sheet(book, sheet_handle);
        return;
      case 12: {
        std::string text = in.text();
        if (in.byte() & 1) sheet_handle.write()->name = std::move(text);
        else sheet_handle.write()->sheet_state = std::move(text);
        return;
      }
      default: {
        auto sheet = sheet_handle.read();
        if (sheet->comments.empty()) return;
        const auto& comment = sheet->comments[in.byte() % sheet->comments.size()];
        std::string text = in.text();
        if (in.byte() & 1) comment.write()->author = std::move(text);
        else comment.write()->text = std::move(text);
        return;
      }
    }
  }
};

// Records as comparable texts, one way from the model and one way from the JSON value, so
// that each record of the book can be looked up in the export.

// A JSON number or null as a double's record; integers are refused where a double is due.
std::string number_record(const JsonValue& v) {
  if (v.kind == Kind::Null) return "null";
  FUZZ_CHECK(v.kind == Kind::Number, "a number is due");
  FUZZ_CHECK(v.text.find_first_of(".eE") != std::string::npos,
             "float written as integer text %s", v.text.c_str());
  char* end = nullptr;
  const double d = std::strtod(v.text.c_str(), &end);
  FUZZ_CHECK(end == v.text.c_str() + v.text.size(), "unreadable number %s", v.text.c_str());
  return double_record(d);
}

uint64_t unsigned_of(const JsonValue* v) {
  FUZZ_CHECK(v && v->kind == Kind::Number, "an integer is due");
  FUZZ_CHECK(v->text.find_first_not_of("0123456789") == std::string::npos &&
                 (v->text.size() == 1 || v->text[0] != '0'),
             "not an unsigned integer: %s", v->text.c_str());
  return std::strtoull(v->text.c_str(), nullptr, 10);
}

const std::string& string_of(const JsonValue* v) {
  FUZZ_CHECK(v && v->kind == Kind::String, "a string is due");
  return v->text;
}

bool boolean_of(const JsonValue* v) {
  FUZZ_CHECK(v && v->kind == Kind::Bool, "a boolean is due");
  return v->boolean;
}

std::vector<std::string> keys_of(const JsonValue& v) {
  FUZZ_CHECK(v.kind == Kind::Object, "an object is due");
  std::vector<std::string> keys;
  for (const auto& member : v.members) keys.push_back(member.key);
  return keys;
}

std::string join(const std::vector<std::string>& parts) {
  std::string out;
  for (const auto& p : parts) out += p + "|";
  return out;
}

std::string cell_record(const engine::Cell& c) {
  std::vector<std::string> parts = {std::to_string(c.coord.row), std::to_string(c.coord.column),
                                    value_record(c.value), std::string(1, c.data_type)};
  for (const auto* text : {&c.formula(), &c.style_id(), &c.hidden_value()})
    parts.push_back(*text ? "+" + **text : "-");
  return join(parts);
}

std::string cell_record(const JsonValue& v) {
  std::vector<std::string> expected_keys = {"row", "column", "value"};
  if (v.get("formula")) expected_keys.push_back("formula");
  expected_keys.push_back("data_type");
  if (v.get("style_id")) expected_keys.push_back("style_id");
  if (v.get("hidden_value")) expected_keys.push_back("hidden_value");
  FUZZ_CHECK(keys_of(v) == expected_keys, "cell keys out of order");
  const std::string& code = string_of(v.get("data_type"));
  FUZZ_CHECK(code.size() == 1, "data type %s is not one byte", code.c_str());
  std::vector<std::string> parts = {std::to_string(unsigned_of(v.get("row"))),
                                    std::to_string(unsigned_of(v.get("column"))),
                                    value_record(*v.get("value")), code};
  FUZZ_CHECK(parts[2] != "?", "unreadable cell value");
  for (const char* key : {"formula", "style_id", "hidden_value"})
    parts.push_back(v.get(key) ? "+" + string_of(v.get(key)) : "-");
  return join(parts);
}

template <class Dimension>
std::string dimension_record(uint64_t key, const Dimension& d, double size) {
  uint64_t number;
  if constexpr (requires { d.row_num; }) number = d.row_num;
  else number = d.col_num;
  return join({std::to_string(key), std::to_string(number), double_record(size),
               d.hidden ? "1" : "0", d.collapsed ? "1" : "0", std::to_string(d.level)});
}

std::string dimension_record(const std::string& key, const JsonValue& v, const char* number,
                             const char* size) {
  FUZZ_CHECK((keys_of(v) == std::vector<std::string>{number, size, "hidden", "collapsed",
                                                       "level"}),
             "dimension keys out of order");
  return join({key, std::to_string(unsigned_of(v.get(number))), number_record(*v.get(size)),
               boolean_of(v.get("hidden")) ? "1" : "0",
               boolean_of(v.get("collapsed")) ? "1" : "0",
               std::to_string(unsigned_of(v.get("level")))});
}

// The members of a dimensions object, and the default size.
void check_dimensions(const JsonValue& v, const char* map_key, const char* number,
                      const char* size, const char* default_key,
                      std::vector<std::string> expected, double default_size) {
  std::vector<std::string> keys = keys_of(v);
  std::vector<std::string> found;
  if (!expected.empty()) {
    FUZZ_CHECK((keys == std::vector<std::string>{map_key, default_key}), "dimension keys");
    const JsonValue& map = *v.get(map_key);
    keys_of(map);
    for (const auto& [key, record] : map.members) {
      FUZZ_CHECK(std::to_string(std::strtoull(key.c_str(), nullptr, 10)) == key,
                 "dimension key %s is no number", key.c_str());
      found.push_back(dimension_record(key, record, number, size));
    }
  } else {
    FUZZ_CHECK(keys == std::vector<std::string>{default_key}, "empty dimensions keys");
  }
  std::sort(expected.begin(), expected.end());
  std::sort(found.begin(), found.end());
  FUZZ_CHECK(found == expected, "dimensions differ from the book's");
  FUZZ_CHECK(number_record(*v.get(default_key)) == double_record(default_size), "default size");
}

void check_sheet(const engine::Sheet& sheet, const JsonValue& v) {
  FUZZ_CHECK((keys_of(v) == std::vector<std::string>{"name", "sheet_state", "merge_cells", "cells",
                                                       "row_dimensions", "column_dimensions",
                                                       "comments"}),
             "sheet keys out of order");
  FUZZ_CHECK(string_of(v.get("name")) == sheet.name, "sheet name does not round-trip");
  FUZZ_CHECK(string_of(v.get("sheet_state")) == sheet.sheet_state, "state does not round-trip");

  const JsonValue& merges = *v.get("merge_cells");
  FUZZ_CHECK(merges.kind == Kind::Array && merges.items.size() == sheet.merge_cells.size(),
             "merged ranges missing");
  for (size_t i = 0; i < merges.items.size(); ++i) {
    const auto& m = sheet.merge_cells[i];
    const auto& item = merges.items[i];
    FUZZ_CHECK(item.kind == Kind::Array && item.items.size() == 4, "merged range shape");
    FUZZ_CHECK(unsigned_of(&item.items[0]) == m.start_row &&
                   unsigned_of(&item.items[1]) == m.end_row &&
                   unsigned_of(&item.items[2]) == m.start_col &&
                   unsigned_of(&item.items[3]) == m.end_col,
               "merged range %zu differs", i);
  }

  const JsonValue& cells = *v.get("cells");
  FUZZ_CHECK(cells.kind == Kind::Array, "cells are no array");
  std::vector<std::string> expected, found;
  for (const auto& [key, cell] : sheet.cells.entries) expected.push_back(cell_record(*cell.read()));
  std::pair<uint64_t, uint64_t> last{0, 0};
  for (const JsonValue& c : cells.items) {
    const std::pair<uint64_t, uint64_t> at{unsigned_of(c.get("row")), unsigned_of(c.get("column"))};
    FUZZ_CHECK(at >= last, "cells out of order at row %" PRIu64 " column %" PRIu64, at.first,
               at.second);
    last = at;
    found.push_back(cell_record(c));
  }
  std::sort(expected.begin(), expected.end());
  std::sort(found.begin(), found.end());
  FUZZ_CHECK(found == expected, "cells differ from the book's");

  std::vector<std::string> rows, columns;
  for (const auto& [key, d] : sheet.row_dimensions.rows)
    rows.push_back(dimension_record(key, d, d.height));
  for (const auto& [key, d] : sheet.column_dimensions.columns)
    columns.push_back(dimension_record(key, d, d.width));
  check_dimensions(*v.get("row_dimensions"), "rows", "row_num", "height", "default_height", rows,
                   sheet.row_dimensions.default_height);
  check_dimensions(*v.get("column_dimensions"), "columns", "col_num", "width", "default_width",
                   columns, sheet.column_dimensions.default_width);

  const JsonValue& comments = *v.get("comments");
  FUZZ_CHECK(comments.kind == Kind::Array && comments.items.size() == sheet.comments.size(),
             "comments missing");
  for (size_t i = 0; i < comments.items.size(); ++i) {
    const auto comment = sheet.comments[i].read();
    const JsonValue& c = comments.items[i];
    FUZZ_CHECK((keys_of(c) == std::vector<std::string>{"row", "column", "author", "text"}),
               "comment keys out of order");
    FUZZ_CHECK(unsigned_of(c.get("row")) == comment->coord.row &&
                   unsigned_of(c.get("column")) == comment->coord.column &&
                   string_of(c.get("author")) == comment->author &&
                   string_of(c.get("text")) == comment->text,
               "comment %zu does not round-trip", i);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzzing::FuzzInput in(data, size);
  Program program;
  while (!in.empty()) program.step(in);

  const engine::Result<std::string> json = engine::testing::export_text(program.book);
  FUZZ_CHECK(json.ok(), "export failed: %s", json.ok() ? "" : json.error().message.c_str());
  std::string why;
  const std::optional<JsonValue> parsed = JsonReader::parse(json.value(), &why);
  FUZZ_CHECK(parsed, "export is not JSON (%s): %s", why.c_str(), json.value().c_str());
  FUZZ_CHECK(keys_of(*parsed) == std::vector<std::string>{"sheets"}, "top-level keys");
  const JsonValue& sheets = *parsed->get("sheets");
  FUZZ_CHECK(sheets.kind == Kind::Array && sheets.items.size() == program.book.sheets.size(),
             "sheets missing");
  for (size_t i = 0; i < sheets.items.size(); ++i)
    check_sheet(*program.book.sheets[i].read(), sheets.items[i]);
  return 0;
}
