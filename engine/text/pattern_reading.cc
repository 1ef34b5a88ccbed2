#include "engine/text/pattern_reading.h"

#include <optional>

namespace engine {

size_t PatternReading::user_offset(size_t offset) const {
  const Rewrite* last = nullptr;
  for (const Rewrite& r : rewrites) {
    if (r.pcre2_at > offset) break;
    last = &r;
  }
  if (last == nullptr) return offset;
  const size_t end = last->pcre2_at + last->pcre2_size;
  return offset < end ? last->user_at : offset - end + last->user_at + last->user_size;
}

namespace {

constexpr const char* kVerbs = "verbs and options of the form (*...) are not supported";
constexpr const char* kCallouts = "callouts are not supported";
constexpr const char* kCalls = "recursion and subroutine calls are not supported";

bool is_digit(char c) { return c >= '0' && c <= '9'; }

size_t hex_digits(std::string_view s) {
  size_t n = 0;
  while (n < s.size() && (is_digit(s[n]) || (s[n] >= 'a' && s[n] <= 'f') ||
                          (s[n] >= 'A' && s[n] <= 'F')))
    ++n;
  return n;
}

// The code-point escape that `s` starts with, when it is one of the \u and \U forms.
struct CodePoint {
  std::string_view digits;
  size_t size;  // of the whole escape
};
std::optional<CodePoint> code_point_escape(std::string_view s) {
  if (s.size() < 3 || s[0] != '\\' || (s[1] != 'u' && s[1] != 'U')) return std::nullopt;
  if (s[2] == '{') {
    const size_t n = hex_digits(s.substr(3));
    if (n == 0 || s.size() == 3 + n || s[3 + n] != '}') return std::nullopt;
    return CodePoint{s.substr(3, n), n + 4};
  }
  const size_t n = s[1] == 'u' ? 4 : 8;
  if (hex_digits(s.substr(2, n)) != n) return std::nullopt;
  return CodePoint{s.substr(2, n), n + 2};
}

// The length of the POSIX item ([:alpha:], [.x.], [=x=]) that `s` starts with inside a
// class, 0 when its "[" is a plain member. PCRE2's own test: the closing ":]" must come
// before any "]" or a second "[:"; \] and \\ are stepped over.
size_t posix_item(std::string_view s) {
  if (s.size() < 2 || s[0] != '[' || (s[1] != ':' && s[1] != '.' && s[1] != '='))
    return 0;
  const char mark = s[1];
  for (size_t i = 2; i + 1 < s.size(); ++i) {
    if (s[i] == '\\' && (s[i + 1] == ']' || s[i + 1] == '\\'))
      ++i;
    else if ((s[i] == '[' && s[i + 1] == mark) || s[i] == ']')
      return 0;
    else if (s[i] == mark && s[i + 1] == ']')
      return i + 2;
  }
  return 0;
}

// (?R), (?1), (?+1), (?-1), (?&name), (?P>name); (?-i) only switches a flag off.
bool calls_a_group(std::string_view s) {
  if (s.size() < 3 || !s.starts_with("(?")) return false;
  const char c = s[2];
  return c == 'R' || c == '&' || c == '+' || is_digit(c) || s.substr(2).starts_with("P>") ||
         (c == '-' && s.size() > 3 && is_digit(s[3]));
}

// Whether extended mode (?x) is on after the flag letters of (?flags) or (?flags:.
bool extended_after(std::string_view flags, bool extended) {
  bool on = true;
  for (const char f : flags) {
    if (f == '^') extended = false;
    if (f == '-') on = false;
    if (f == 'x') extended = on;
  }
  return extended;
}

class Reader {
 public:
  explicit Reader(std::string_view pattern) : in_(pattern) {}

  std::variant<PatternReading, PatternRefusal> read() {
    while (pos_ < in_.size()) {
      const std::string_view rest = in_.substr(pos_);
      switch (rest[0]) {
        case '\\':
          if (rest.starts_with("\\g<") || rest.starts_with("\\g'"))
            return PatternRefusal{pos_, kCalls};
          escape();
          break;
        case '[':
          character_class();
          break;
        case '(':
          if (rest.starts_with("(*")) return PatternRefusal{pos_, kVerbs};
          if (rest.starts_with("(?C")) return PatternRefusal{pos_, kCallouts};
          if (calls_a_group(rest)) return PatternRefusal{pos_, kCalls};
          open_group();
          break;
        case ')':
          close_group();
          break;
        case '#':
          if (extended_)
            copy_through("\n");
          else
            copy(1);
          break;
        default:
          copy(1);
      }
    }
    return std::move(out_);
  }

 private:
  void copy(size_t n) {
    out_.pcre2.append(in_.substr(pos_, n));
    pos_ = std::min(pos_ + n, in_.size());
  }

  // Up to and including the first `end` after the current position, or to the end.
  void copy_through(std::string_view end) {
    const size_t found = in_.find(end, pos_ + 1);
    copy(found == std::string_view::npos ? in_.size() - pos_ : found + end.size() - pos_);
  }

  // The same inside and outside a class. \Q...\E quotes: nothing in it is read.
  void escape() {
    const std::string_view rest = in_.substr(pos_);
    if (rest.starts_with("\\Q")) {
      copy(1);
      copy_through("\\E");
    } else if (const auto code_point = code_point_escape(rest)) {
      out_.rewrites.push_back(
          {pos_, out_.pcre2.size(), code_point->size, code_point->digits.size() + 4});
      out_.pcre2.append("\\x{").append(code_point->digits).append("}");
      pos_ += code_point->size;
    } else {
      // \c takes the next character whatever it is: \c[ opens no class.
      copy(rest.starts_with("\\c") ? 3 : 2);
    }
  }

  // A "]" right after "[" or "[^" is a member; a nested "[" only starts a POSIX item.
  void character_class() {
    copy(1);
    if (in_.substr(pos_).starts_with("^")) copy(1);
    if (in_.substr(pos_).starts_with("]")) copy(1);
    while (pos_ < in_.size()) {
      const std::string_view rest = in_.substr(pos_);
      if (rest[0] == ']') return copy(1);
      if (rest[0] == '\\')
        escape();
      else
        copy(std::max<size_t>(1, posix_item(rest)));
    }
  }

  // (?#...) is a comment up to the first ")". (?flags) changes extended mode for the rest
  // of the enclosing group; every other "(" opens a group that restores it at its ")".
  void open_group() {
    const std::string_view rest = in_.substr(pos_);
    if (rest.starts_with("(?#")) return copy_through(")");
    const size_t flags_end = rest.starts_with("(?") ? rest.find_first_not_of("imnsxJU^-", 2)
                                                    : std::string_view::npos;
    const bool flags = flags_end != std::string_view::npos &&
                       (rest[flags_end] == ')' || rest[flags_end] == ':');
    if (!flags || rest[flags_end] == ':') outer_extended_.push_back(extended_);
    if (!flags) return copy(1);
    extended_ = extended_after(rest.substr(2, flags_end - 2), extended_);
    copy(flags_end + 1);
  }

  void close_group() {
    if (!outer_extended_.empty()) {
      extended_ = outer_extended_.back();
      outer_extended_.pop_back();
    }
    copy(1);
  }

  std::string_view in_;
  size_t pos_ = 0;
  PatternReading out_;
  bool extended_ = false;             // (?x): "#" starts a comment up to the line's end
  std::vector<bool> outer_extended_;  // extended_ where each open group began
};

}  // namespace

std::variant<PatternReading, PatternRefusal> read_pattern(std::string_view pattern) {
  return Reader(pattern).read();
}

}  // namespace engine
