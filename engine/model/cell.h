// The cell record. A cell lives behind a Shared<Cell>; the sheet's cell map and every
// Python object of it share the one record.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "engine/model/cell_value.h"
#include "engine/model/coordinate.h"

namespace engine {

class Cell {
 public:
  // Value Empty when `text` is absent, else inferred; data type from the value.
  Cell(uint32_t row, uint16_t column, std::optional<std::string_view> text);
  Cell(const Cell& other);
  Cell& operator=(const Cell& other);
  Cell(Cell&&) noexcept = default;
  Cell& operator=(Cell&&) noexcept = default;

  Coordinate coord;
  CellValue value;
  // One of "s", "n", "b", "d", "f".
  char data_type = 's';

  // Replaces the value with the inference of `text`; data_type is the caller's business.
  void set_value_text(std::string_view text) { value = CellValue::from_text(text); }

  // A cell counts as a formula cell when it has a formula and its code is exactly "f".
  bool is_formula() const { return data_type == 'f' && formula().has_value(); }

  // False when formula, style_id and hidden_value are all absent: a test that costs no
  // call, for walks over every cell.
  bool has_optional_texts() const { return extras_ != nullptr; }
  const std::optional<std::string>& formula() const;
  const std::optional<std::string>& style_id() const;
  const std::optional<std::string>& hidden_value() const;
  void set_formula(std::optional<std::string> v);
  void set_style_id(std::optional<std::string> v);
  void set_hidden_value(std::optional<std::string> v);

 private:
  // Most cells have none of the three optional texts; keeping them out of line keeps a
  // numeric cell's record small.
  struct Extras {
    std::optional<std::string> formula, style_id, hidden_value;
  };
  Extras& extras();
  void drop_extras_if_empty();

  std::unique_ptr<Extras> extras_;
};

}  // namespace engine
