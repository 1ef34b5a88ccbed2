// Export speed of Book::to_json on one thread: a book of 1,000,000 cells of mixed kinds
// (texts, floats, integers, booleans, date-times, empty cells, some with formula and
// style), reported in MB/s of JSON output against the 300 MB/s goal.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "engine/model/book.h"
#include "engine/json/export.h"

namespace {

constexpr uint32_t kRows = 100000;
constexpr uint16_t kColumns = 10;
constexpr double kGoalMegabytesPerSecond = 300.0;

engine::CellValue mixed_value(uint32_t row, uint16_t column, std::mt19937_64& random) {
  switch ((row + column) % 6) {
    case 0:
      return engine::CellValue::string("item " + std::to_string(random() % 100000));
    case 1:
      return engine::CellValue::numeric(static_cast<double>(random() % 10000000) / 100.0);
    case 2:
      return engine::CellValue::integer(static_cast<int32_t>(random() % 2000000) - 1000000);
    case 3:
      return engine::CellValue::boolean(random() % 2 == 0);
    case 4:
      return engine::CellValue::date_time(
          {2000 + static_cast<int32_t>(random() % 30), static_cast<uint8_t>(1 + random() % 12),
           static_cast<uint8_t>(1 + random() % 28), static_cast<uint32_t>(random() % 86400),
           random() % 4 == 0 ? 500000000u : 0u});
    default:
      return engine::CellValue();
  }
}

engine::Book make_book() {
  engine::Book book;
  engine::Shared<engine::Sheet> handle = engine::add_sheet(book, "Data", "visible");
  auto sheet = handle.write();
  std::mt19937_64 random(42);
  sheet->cells.entries.reserve(size_t{kRows} * kColumns);
  for (uint32_t row = 1; row <= kRows; ++row) {
    for (uint16_t column = 1; column <= kColumns; ++column) {
      auto cell = engine::Shared<engine::Cell>::make(row, column, std::nullopt);
      {
        auto c = cell.write();
        c->value = mixed_value(row, column, random);
        c->data_type = c->value.data_type();
        if (row % 50 == 0 && column == 1) {
          c->set_formula("=SUM(B" + std::to_string(row) + ":J" + std::to_string(row) + ")");
          c->data_type = 'f';
        }
        if (row % 20 == 0) c->set_style_id("s" + std::to_string(column));
      }
      sheet->cells.entries.try_emplace(engine::Coordinate{row, column}, std::move(cell));
    }
    if (row % 100 == 0) sheet->row_dimensions.rows[row] = engine::RowDimension{row, 30.0};
  }
  for (uint16_t column = 1; column <= kColumns; ++column)
    sheet->column_dimensions.columns[column] = engine::ColumnDimension{column, 12.5};
  return book;
}

}  // namespace

int main() {
  const engine::Book book = make_book();
  std::vector<double> seconds;
  size_t bytes = 0;
  for (int run = 0; run < 7; ++run) {
    engine::StringBuffer buffer;
    const auto start = std::chrono::steady_clock::now();
    const engine::Result<engine::JsonText> text = engine::to_json(book, buffer);
    const auto stop = std::chrono::steady_clock::now();
    if (!text.ok()) {
      std::fprintf(stderr, "export failed: %s\n", text.error().text().c_str());
      return 1;
    }
    bytes = text.value().size;
    seconds.push_back(std::chrono::duration<double>(stop - start).count());
  }
  std::sort(seconds.begin(), seconds.end());
  const double median = seconds[seconds.size() / 2];
  const double megabytes_per_second = static_cast<double>(bytes) / 1e6 / median;
  std::printf(
      "to_json %u cells, one thread: %.1f MB in %.3f s (median of %zu), %.0f MB/s, "
      "%.2fx the %.0f MB/s goal\n",
      kRows * kColumns, static_cast<double>(bytes) / 1e6, median, seconds.size(),
      megabytes_per_second, megabytes_per_second / kGoalMegabytesPerSecond,
      kGoalMegabytesPerSecond);
  return 0;
}
