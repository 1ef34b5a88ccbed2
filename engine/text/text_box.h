// An owned UTF-8 text in one pointer: the length sits in front of the bytes in a single
// allocation. Cells keep their strings this way so that a cell record stays small.
#pragma once

#include <cstdint>
#include <cstring>
#include <memory>
#include <string_view>

namespace engine {

class TextBox {
 public:
  TextBox() = default;
  explicit TextBox(std::string_view text) { assign(text); }
  TextBox(const TextBox& other) { assign(other.view()); }
  TextBox(TextBox&&) noexcept = default;
  TextBox& operator=(const TextBox& other) {
    if (this != &other) assign(other.view());
    return *this;
  }
  TextBox& operator=(TextBox&&) noexcept = default;

  std::string_view view() const {
    if (!data_) return {};
    size_t size;
    std::memcpy(&size, data_.get(), sizeof size);
    return {data_.get() + sizeof size, size};
  }
  friend bool operator==(const TextBox& a, const TextBox& b) { return a.view() == b.view(); }

 private:
  void assign(std::string_view text) {
    if (text.empty()) {
      data_.reset();
      return;
    }
    size_t size = text.size();
    auto block = std::make_unique_for_overwrite<char[]>(sizeof size + size);
    std::memcpy(block.get(), &size, sizeof size);
    std::memcpy(block.get() + sizeof size, text.data(), size);
    data_ = std::move(block);
  }

  std::unique_ptr<char[]> data_;
};

}  // namespace engine
