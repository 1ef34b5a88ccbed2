#include "binding/python_free/merge_ranges.h"

namespace binding {

std::vector<engine::MergeCell> merge_ranges_from_value(const PyValue& value) {
  std::vector<engine::MergeCell> ranges;
  const auto* list = std::get_if<PyValue::List>(&value.data);
  if (list == nullptr) return ranges;
  ranges.reserve(list->size());
  for (const PyValue& element : *list) {
    uint32_t bounds[4] = {0, 0, 0, 0};
    if (const auto* items = std::get_if<PyValue::List>(&element.data)) {
      for (size_t i = 0; i < 4 && i < items->size(); ++i) bounds[i] = value_to_u32((*items)[i]);
    } else {
      bounds[0] = value_to_u32(element);
    }
    ranges.push_back({bounds[0], bounds[1], static_cast<uint16_t>(bounds[2]),
                      static_cast<uint16_t>(bounds[3])});
  }
  return ranges;
}

}  // namespace binding
