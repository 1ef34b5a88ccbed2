#include "engine/model/cell.h"

namespace engine {

namespace {
const std::optional<std::string> kAbsent;
}

Cell::Cell(uint32_t row, uint16_t column, std::optional<std::string_view> text)
    : coord{row, column}, value(text ? CellValue::from_text(*text) : CellValue()) {
  data_type = value.data_type();
}

Cell::Cell(const Cell& other)
    : coord(other.coord),
      data_type(other.data_type),
      value(other.value),
      extras_(other.extras_ ? std::make_unique<Extras>(*other.extras_) : nullptr) {}

Cell& Cell::operator=(const Cell& other) {
  if (this != &other) *this = Cell(other);
  return *this;
}

const std::optional<std::string>& Cell::formula() const {
  return extras_ ? extras_->formula : kAbsent;
}
const std::optional<std::string>& Cell::style_id() const {
  return extras_ ? extras_->style_id : kAbsent;
}
const std::optional<std::string>& Cell::hidden_value() const {
  return extras_ ? extras_->hidden_value : kAbsent;
}

std::string_view Cell::data_type_text() const {
  if (data_type == kDataTypeOutOfLine && extras_) return extras_->data_type;
  return {&data_type, 1};
}

void Cell::set_data_type(std::string_view text) {
  if (text.size() == 1 && text[0] != kDataTypeOutOfLine) {
    data_type = text[0];
    if (extras_) extras_->data_type.clear();
    drop_extras_if_empty();
    return;
  }
  extras().data_type.assign(text);
  data_type = kDataTypeOutOfLine;
}

Cell::Extras& Cell::extras() {
  if (!extras_) extras_ = std::make_unique<Extras>();
  return *extras_;
}

void Cell::drop_extras_if_empty() {
  if (extras_ && !extras_->formula && !extras_->style_id && !extras_->hidden_value &&
      data_type != kDataTypeOutOfLine)
    extras_.reset();
}

void Cell::set_formula(std::optional<std::string> v) {
  extras().formula = std::move(v);
  drop_extras_if_empty();
}
void Cell::set_style_id(std::optional<std::string> v) {
  extras().style_id = std::move(v);
  drop_extras_if_empty();
}
void Cell::set_hidden_value(std::optional<std::string> v) {
  extras().hidden_value = std::move(v);
  drop_extras_if_empty();
}

}  // namespace engine
