#include "engine/json/export.h"

#include <algorithm>
#include <bit>
#include <optional>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "engine/json/cell_snapshots.h"
#include "engine/model/sheet_order.h"

namespace engine {

namespace {

// Room for a cell's keys and punctuation ({"row":,"column":,"value":,"data_type":} and the
// comma before it: 41 bytes), its two integers and its quoted data type (at most 8
// bytes); the value and the optional texts add their own.
constexpr size_t kCellRoom = 41 + 2 * json::kIntegerRoom + 8;
// The longest optional key with its comma and colon: ,"hidden_value":
constexpr size_t kOptionalKeyRoom = 16;

// A cell as write_cell reads it: a private copy, or the record itself, read inside the
// cells' gate while its object is written.
struct CopiedCell {
  const CellSnapshots& copies;
  const CellSnapshots::Record& r;
  // The copies know whether they hold any byte of 0x80 or more.
  static constexpr bool kScanTexts = false;

  uint32_t row() const { return r.row; }
  uint16_t column() const { return r.column; }
  CellValue::Kind kind() const { return CellSnapshots::kind(r); }
  uint64_t payload() const { return copies.value_payload(r); }
  std::string_view string() const { return copies.text_at(payload()); }
  double numeric() const { return std::bit_cast<double>(payload()); }
  int32_t integer() const { return static_cast<int32_t>(static_cast<uint32_t>(payload())); }
  bool boolean() const { return payload() != 0; }
  DateTime date_time() const { return copies.date_time_at(payload()); }
  bool has_texts() const { return r.kind & CellSnapshots::kHasTexts; }
  CellSnapshots::Texts texts() const { return copies.texts(r); }
  char code() const { return r.data_type; }
};

struct LiveCell {
  const Cell& cell;
  static constexpr bool kScanTexts = true;

  uint32_t row() const { return cell.coord.row; }
  uint16_t column() const { return cell.coord.column; }
  CellValue::Kind kind() const { return cell.value.kind(); }
  std::string_view string() const { return cell.value.as_string(); }
  double numeric() const { return cell.value.as_numeric(); }
  int32_t integer() const { return cell.value.as_integer(); }
  bool boolean() const { return cell.value.as_bool(); }
  DateTime date_time() const { return cell.value.as_date_time(); }
  bool has_texts() const { return cell.has_optional_texts(); }
  CellSnapshots::Texts texts() const {
    CellSnapshots::Texts texts;
    auto view = [](const std::optional<std::string>& text) {
      return text ? std::optional<std::string_view>(*text) : std::nullopt;
    };
    texts.formula = view(cell.formula());
    texts.style_id = view(cell.style_id());
    texts.hidden_value = view(cell.hidden_value());
    const std::string_view code = cell.data_type_text();
    if (code.size() != 1) texts.data_type = code;
    return texts;
  }
  char code() const { return cell.data_type; }
};

// One cell object, with room made once for all of it. `scratch` holds a date-time's text.
template <class Source>
void write_cell(const Source& cell, bool first, std::string& scratch, JsonWriter& out) {
  const CellValue::Kind kind = cell.kind();
  size_t room = kCellRoom;
  std::string_view text;
  bool ascii = true;
  switch (kind) {
    case CellValue::Kind::String:
      text = cell.string();
      room += json::string_room(text);
      if constexpr (Source::kScanTexts) ascii = json::is_ascii(text);
      break;
    case CellValue::Kind::DateTime:
      scratch.clear();
      cell.date_time().append_text(scratch, 'T');
      room += scratch.size() + 2;
      break;
    default:
      room += json::kNumberRoom;  // also holds an integer, a bool or null
      break;
  }
  CellSnapshots::Texts texts;
  if (cell.has_texts()) {
    texts = cell.texts();
    for (const auto& optional : {texts.formula, texts.style_id, texts.hidden_value}) {
      if (!optional) continue;
      room += kOptionalKeyRoom + json::string_room(*optional);
      if constexpr (Source::kScanTexts) ascii = ascii && json::is_ascii(*optional);
    }
    if (texts.data_type) {
      room += json::string_room(*texts.data_type);
      if constexpr (Source::kScanTexts) ascii = ascii && json::is_ascii(*texts.data_type);
    }
  }
  if constexpr (Source::kScanTexts) {
    if (!ascii || static_cast<unsigned char>(cell.code()) >= 0x80) out.note_non_ascii();
  }

  char* p = out.reserve(room);
  if (!p) return;
  if (!first) *p++ = ',';
  p = json::put_raw(p, R"({"row":)");
  p = put_unsigned(p, cell.row());
  p = json::put_raw(p, R"(,"column":)");
  p = put_unsigned(p, cell.column());
  p = json::put_raw(p, R"(,"value":)");
  switch (kind) {
    case CellValue::Kind::Empty:
      p = json::put_null(p);
      break;
    case CellValue::Kind::String:
      p = json::put_string(p, text);
      break;
    case CellValue::Kind::Numeric:
      p = json::put_number(p, cell.numeric());
      break;
    case CellValue::Kind::Integer:
      p = put_integer(p, cell.integer());
      break;
    case CellValue::Kind::Bool:
      p = json::put_boolean(p, cell.boolean());
      break;
    case CellValue::Kind::DateTime:
      // Digits, signs, '-', ':', '.' and 'T' only: nothing to escape.
      *p++ = '"';
      p = json::put_raw(p, scratch);
      *p++ = '"';
      break;
  }
  if (texts.formula) {
    p = json::put_raw(p, R"(,"formula":)");
    p = json::put_string(p, *texts.formula);
  }
  p = json::put_raw(p, R"(,"data_type":)");
  p = texts.data_type ? json::put_string(p, *texts.data_type) : json::put_code(p, cell.code());
  if (texts.style_id) {
    p = json::put_raw(p, R"(,"style_id":)");
    p = json::put_string(p, *texts.style_id);
  }
  if (texts.hidden_value) {
    p = json::put_raw(p, R"(,"hidden_value":)");
    p = json::put_string(p, *texts.hidden_value);
  }
  *p++ = '}';
  out.commit(p);
}

// Once a sample of cells is written, room for the rest is made in one step.
void reserve_after_sample(size_t i, size_t count, size_t start, JsonWriter& out) {
  constexpr size_t kSample = 512;
  if (i != kSample) return;
  const size_t estimate = (out.size() - start) / kSample * (count - kSample);
  out.reserve_more(estimate + estimate / 8);
}

// Each cell is written from one read of its record, in the order of the coordinate it is
// written with: straight from the record when every cell sits at its key (the map's box,
// else its sorted keys, give the order); else from copies taken on one walk of the map,
// sorted by the coordinates copied.
void write_cells(const CellMap& map, JsonWriter& out) {
  out.raw('[');
  const size_t start = out.size();
  const size_t count = map.entries.size();
  std::string scratch;
  size_t written = 0;
  const auto write_live = [&](const Cell& cell) {
    reserve_after_sample(written, count, start, out);
    write_cell(LiveCell{cell}, written++ == 0, scratch, out);
  };
  const auto start_again = [&] {
    out.truncate(start);
    written = 0;
  };
  if (!visit_placed_in_order(map, write_live)) {
    start_again();
    if (!visit_keyed_in_order(map, write_live)) {
      start_again();
      CellSnapshots copies;
      copies.reserve(count);
      // Copies are taken in map order, so the i-th is copies.records()[i].
      visit_taken_in_order(
          map, [&](size_t, const Cell& cell) { copies.add(cell); },
          [&](size_t i) {
            if (written == 0 && !copies.ascii()) out.note_non_ascii();
            reserve_after_sample(written, copies.size(), start, out);
            write_cell(CopiedCell{copies, copies.records()[i]}, written++ == 0, scratch, out);
          });
    }
  }
  out.raw(']');
}

void write_merge_cells(const std::vector<MergeCell>& ranges, JsonWriter& out) {
  out.raw('[');
  for (size_t i = 0; i < ranges.size(); ++i) {
    const MergeCell& m = ranges[i];
    out.raw(i > 0 ? std::string_view(",[") : std::string_view("["));
    out.unsigned_integer(m.start_row);
    out.raw(',');
    out.unsigned_integer(m.end_row);
    out.raw(',');
    out.unsigned_integer(m.start_col);
    out.raw(',');
    out.unsigned_integer(m.end_col);
    out.raw(']');
  }
  out.raw(']');
}

// Row and column records share one shape; only the key names and field names differ.
struct DimensionKeys {
  std::string_view map;       // opens the member object
  std::string_view number;    // closes a member's key, opens its record, names the number
  std::string_view size;      // names the size
  std::string_view fallback;  // names the default size
};
constexpr DimensionKeys kRowKeys{R"("rows":{)", R"(":{"row_num":)", R"(,"height":)",
                                 R"("default_height":)"};
constexpr DimensionKeys kColumnKeys{R"("columns":{)", R"(":{"col_num":)", R"(,"width":)",
                                    R"("default_width":)"};

uint64_t number_of(const RowDimension& r) { return r.row_num; }
uint64_t number_of(const ColumnDimension& c) { return c.col_num; }
double size_of(const RowDimension& r) { return r.height; }
double size_of(const ColumnDimension& c) { return c.width; }

// Members follow the map's own iteration order, which its random seed decides.
template <class Map>
void write_dimensions(const Map& records, const DimensionKeys& keys, double default_size,
                      JsonWriter& out) {
  out.raw('{');
  if (!records.empty()) {
    out.raw(keys.map);
    bool first = true;
    for (const auto& [number, record] : records) {
      out.raw(first ? std::string_view("\"") : std::string_view(",\""));
      first = false;
      out.unsigned_integer(number);
      out.raw(keys.number);
      out.unsigned_integer(number_of(record));
      out.raw(keys.size);
      out.number(size_of(record));
      out.raw(R"(,"hidden":)");
      out.boolean(record.hidden);
      out.raw(R"(,"collapsed":)");
      out.boolean(record.collapsed);
      out.raw(R"(,"level":)");
      out.unsigned_integer(record.level);
      out.raw('}');
    }
    out.raw("},");
  }
  out.raw(keys.fallback);
  out.number(default_size);
  out.raw('}');
}

void write_comments(const std::vector<Shared<Comment>>& comments, JsonWriter& out) {
  out.raw('[');
  for (size_t i = 0; i < comments.size(); ++i) {
    if (i > 0) out.raw(',');
    const auto comment = comments[i].read();
    out.raw(R"({"row":)");
    out.unsigned_integer(comment->coord.row);
    out.raw(R"(,"column":)");
    out.unsigned_integer(comment->coord.column);
    out.raw(R"(,"author":)");
    out.string(comment->author);
    out.raw(R"(,"text":)");
    out.string(comment->text);
    out.raw('}');
  }
  out.raw(']');
}

}  // namespace

WriteStatus serialize(const Sheet& sheet, JsonWriter& out) {
  out.raw(R"({"name":)");
  out.string(sheet.name);
  out.raw(R"(,"sheet_state":)");
  out.string(sheet.sheet_state);
  out.raw(R"(,"merge_cells":)");
  write_merge_cells(sheet.merge_cells, out);
  out.raw(R"(,"cells":)");
  write_cells(sheet.cells, out);
  out.raw(R"(,"row_dimensions":)");
  write_dimensions(sheet.row_dimensions.rows, kRowKeys, sheet.row_dimensions.default_height,
                   out);
  out.raw(R"(,"column_dimensions":)");
  write_dimensions(sheet.column_dimensions.columns, kColumnKeys,
                   sheet.column_dimensions.default_width, out);
  out.raw(R"(,"comments":)");
  write_comments(sheet.comments, out);
  out.raw('}');
  return out.status();
}

Result<JsonText> to_json(const Book& book, JsonBuffer& buffer) {
  JsonWriter out(buffer);
  auto failed = [](const WriteStatus& status) {
    return EngineError{"Failed to convert in JSON: " + status.message(), {}};
  };
  out.raw(R"({"sheets":[)");
  for (size_t i = 0; i < book.sheets.size(); ++i) {
    if (i > 0) out.raw(',');
    const auto sheet = book.sheets[i].read();
    const WriteStatus status = serialize(*sheet, out);
    if (!status.ok()) return failed(status);
  }
  out.raw("]}");
  const WriteStatus status = out.status();
  if (!status.ok()) return failed(status);
  return JsonText{out.size(), out.ascii()};
}

}  // namespace engine
