// The cell record. A cell lives behind a Shared<Cell>; the sheet's cell map and every
// Python object of it share the one record.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "engine/base/read_gate.h"
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

  // Every writer of a shared cell passes this gate (Shared::write does), so searches
  // read cells in bulk without taking each cell's lock.
  static ReadGate& gate() { return gate_; }

  // The coordinate, the code and the value share their first eight bytes (the code and
  // the value's tag sit where the coordinate ends), so a record with its handle's counts
  // and lock fits 56 bytes.
  [[no_unique_address]] Coordinate coord;
  // The data type code. The codes the model writes ("s", "n", "b", "d", "f"), like any
  // one-byte text, live here and may be written here directly; any other text (a
  // readable record keeps its source's text as it is, "" or "xyz") lives out of line,
  // and this then holds kDataTypeOutOfLine. Read the whole code through data_type_text().
  char data_type = 's';
  static constexpr char kDataTypeOutOfLine = '\0';
  CellValue value;

  // The whole code; valid until the cell changes.
  std::string_view data_type_text() const;
  // Stores `text` unchanged, a one-byte text in `data_type`, any other out of line.
  void set_data_type(std::string_view text);

  // A cell counts as a formula cell when it has a formula and its code is exactly "f".
  bool is_formula() const { return data_type == 'f' && formula().has_value(); }

  // False when formula, style_id and hidden_value are all absent and the data type code
  // is one byte: a test that costs no call, for walks over every cell.
  bool has_optional_texts() const { return extras_ != nullptr; }
  const std::optional<std::string>& formula() const;
  const std::optional<std::string>& style_id() const;
  const std::optional<std::string>& hidden_value() const;
  void set_formula(std::optional<std::string> v);
  void set_style_id(std::optional<std::string> v);
  void set_hidden_value(std::optional<std::string> v);

 private:
  // Most cells have none of the three optional texts and a one-byte code; keeping them
  // out of line keeps a numeric cell's record small.
  struct Extras {
    std::optional<std::string> formula, style_id, hidden_value;
    std::string data_type;  // meaningful only while `data_type` is kDataTypeOutOfLine
  };
  Extras& extras();
  void drop_extras_if_empty();

  std::unique_ptr<Extras> extras_;

  static constinit inline ReadGate gate_;
};

}  // namespace engine
