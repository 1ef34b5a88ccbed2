#include "engine/model/book.h"

namespace engine {

Shared<Sheet> add_sheet(Book& book, std::string name, std::string sheet_state) {
  Shared<Sheet> sheet = Shared<Sheet>::make(std::move(name), std::move(sheet_state));
  book.sheets.push_back(sheet);
  return sheet;
}

Shared<Sheet> copy_sheet(Book& book, Shared<Sheet> source) {
  Shared<Sheet> copy = Shared<Sheet>::make(source.read()->clone());
  {
    // The name counts the sheets of the receiving book, whatever book the source is in.
    auto sheet = copy.write();
    sheet->name = "Sheet " + std::to_string(book.sheets.size() + 1);
  }
  book.sheets.push_back(copy);
  source = Shared<Sheet>();
  return copy;
}

std::optional<Shared<Sheet>> sheet_at(const Book& book, int32_t idx) {
  if (idx < 0 || static_cast<size_t>(idx) >= book.sheets.size()) return std::nullopt;
  return book.sheets[static_cast<size_t>(idx)];
}

std::optional<Shared<Sheet>> sheet_named(const Book& book, std::string_view name) {
  for (const auto& sheet : book.sheets) {
    if (sheet.read()->name == name) return sheet;
  }
  return std::nullopt;
}

}  // namespace engine
