#include "engine/json_export.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <string_view>
#include <utility>
#include <variant>

namespace engine {

namespace {

void write_value(const CellValue& value, JsonWriter& out) {
  const CellValue::Storage& v = value.storage();
  switch (value.kind()) {
    case CellValue::Kind::Empty:
      out.null();
      return;
    case CellValue::Kind::String:
      out.string(std::get_if<TextBox>(&v)->view());
      return;
    case CellValue::Kind::Numeric:
      out.number(*std::get_if<double>(&v));
      return;
    case CellValue::Kind::Integer:
      out.integer(*std::get_if<int32_t>(&v));
      return;
    case CellValue::Kind::Bool:
      out.boolean(*std::get_if<bool>(&v));
      return;
    case CellValue::Kind::DateTime:
      out.date_time(*std::get_if<DateTime>(&v));
      return;
  }
}

void write_cell(const Cell& cell, JsonWriter& out) {
  out.raw(R"({"row":)");
  out.unsigned_integer(cell.coord.row);
  out.raw(R"(,"column":)");
  out.unsigned_integer(cell.coord.column);
  out.raw(R"(,"value":)");
  write_value(cell.value, out);
  if (const auto& formula = cell.formula()) {
    out.raw(R"(,"formula":)");
    out.string(*formula);
  }
  out.raw(R"(,"data_type":)");
  out.string(std::string_view(&cell.data_type, 1));
  if (const auto& style_id = cell.style_id()) {
    out.raw(R"(,"style_id":)");
    out.string(*style_id);
  }
  if (const auto& hidden_value = cell.hidden_value()) {
    out.raw(R"(,"hidden_value":)");
    out.string(*hidden_value);
  }
  out.raw('}');
}

// Positions of `cells` in ascending (row, column) order; equal coordinates keep their
// copy order. The coordinates are the copies' own fields, read without any lock.
std::vector<uint64_t> sorted_order(const std::vector<Cell>& cells) {
  const size_t n = cells.size();
  std::vector<uint64_t> items(n);
  uint32_t min_row = UINT32_MAX, max_row = 0;
  uint16_t max_column = 0;
  for (size_t i = 0; i < n; ++i) {
    const Coordinate c = cells[i].coord;
    items[i] = uint64_t{c.row} << 16 | c.column;
    min_row = std::min(min_row, c.row);
    max_row = std::max(max_row, c.row);
    max_column = std::max(max_column, c.column);
  }
  if (n <= 1) return std::vector<uint64_t>(n, 0);

  // (row - min_row) * (max_column + 1) + column orders like (row, column) and is usually
  // far narrower than 48 bits; with the position below it, it then fits one word.
  const uint64_t width = uint64_t{max_column} + 1;
  const uint64_t span = (uint64_t{max_row} - min_row + 1) * width;  // below 2^49
  const int key_bits = std::bit_width(span - 1);
  const int position_bits = std::bit_width(n - 1);

  if (key_bits + position_bits > 64) {
    // Rows spread over billions with millions of cells: sort wide keys instead.
    struct Key {
      uint64_t coordinate;
      uint64_t position;
    };
    std::vector<Key> keys(n);
    for (size_t i = 0; i < n; ++i) keys[i] = {items[i], i};
    // Positions are unique, so ordering on them second makes this sort stable.
    std::sort(keys.begin(), keys.end(), [](const Key& a, const Key& b) {
      return a.coordinate != b.coordinate ? a.coordinate < b.coordinate
                                          : a.position < b.position;
    });
    for (size_t i = 0; i < n; ++i) items[i] = keys[i].position;
    return items;
  }

  // Key above, position below: a least-significant-digit radix sort over the key bits
  // alone keeps equal keys in position order, since every pass is stable.
  for (size_t i = 0; i < n; ++i) {
    const uint64_t key = ((items[i] >> 16) - min_row) * width + (items[i] & 0xFFFF);
    items[i] = key << position_bits | i;
  }
  constexpr int kDigitBits = 11;
  constexpr size_t kBuckets = size_t{1} << kDigitBits;
  std::vector<uint64_t> spare(key_bits > 0 ? n : 0);
  std::vector<size_t> count(kBuckets);
  for (int shift = position_bits; shift < position_bits + key_bits; shift += kDigitBits) {
    std::fill(count.begin(), count.end(), 0);
    for (uint64_t item : items) ++count[(item >> shift) & (kBuckets - 1)];
    size_t start = 0;
    for (size_t& c : count) start += std::exchange(c, start);
    for (uint64_t item : items) spare[count[(item >> shift) & (kBuckets - 1)]++] = item;
    items.swap(spare);
  }
  const uint64_t position_mask = (uint64_t{1} << position_bits) - 1;
  for (uint64_t& item : items) item &= position_mask;
  return items;
}

void write_cells(const CellMap& map, JsonWriter& out) {
  const std::vector<Cell> cells = cloned_cells(map);
  const std::vector<uint64_t> order = sorted_order(cells);
  out.raw('[');
  const size_t start = out.size();
  // The sorted order visits the copies out of memory order; fetching ahead (both cache
  // lines a copy may straddle) keeps the writer from waiting on each one.
  constexpr size_t kAhead = 64;
  // Once a sample of cells is written, room for the rest is made in one step.
  constexpr size_t kSample = 512;
  for (size_t i = 0; i < order.size(); ++i) {
    if (i + kAhead < order.size()) {
      const char* later = reinterpret_cast<const char*>(&cells[order[i + kAhead]]);
      __builtin_prefetch(later);
      __builtin_prefetch(later + sizeof(Cell) - 1);
    }
    if (i == kSample) {
      const size_t estimate = (out.size() - start) / kSample * (order.size() - kSample);
      out.reserve_more(estimate + estimate / 8);
    }
    if (i > 0) out.raw(',');
    write_cell(cells[order[i]], out);
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

std::vector<Cell> cloned_cells(const CellMap& cells) {
  std::vector<Cell> copies;
  copies.reserve(cells.entries.size());
  // Map order is not memory order: each record would otherwise be a wait of its own.
  constexpr int kAhead = 8;
  auto ahead = cells.entries.begin();
  const auto end = cells.entries.end();
  for (int i = 0; i < kAhead && ahead != end; ++i, ++ahead) ahead->second.prefetch();
  for (const auto& entry : cells.entries) {
    if (ahead != end) {
      ahead->second.prefetch();
      ++ahead;
    }
    const auto cell = entry.second.read();
    copies.push_back(*cell);
  }
  return copies;
}

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

Result<std::string> to_json(const Book& book) {
  JsonWriter out;
  out.raw(R"({"sheets":[)");
  for (size_t i = 0; i < book.sheets.size(); ++i) {
    if (i > 0) out.raw(',');
    const auto sheet = book.sheets[i].read();
    const WriteStatus status = serialize(*sheet, out);
    if (!status.ok()) return EngineError{"Failed to convert in JSON: " + status.message(), {}};
  }
  out.raw("]}");
  const WriteStatus status = out.status();
  if (!status.ok()) return EngineError{"Failed to convert in JSON: " + status.message(), {}};
  return out.take();
}

}  // namespace engine
