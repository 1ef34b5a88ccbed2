#include "engine/text/pattern_reading.h"

#include <algorithm>
#include <cstdint>
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

size_t octal_digits(std::string_view s) {
  size_t n = 0;
  while (n < s.size() && s[n] >= '0' && s[n] <= '7') ++n;
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

// The length of any other escape that `s` starts with. \c takes the next character
// whatever it is: \c[ opens no class. The braced argument of \x{..}, \o{..}, \p{..},
// \P{..}, \N{..} and, outside a class, \g{..} and \k{..} belongs to the escape: its
// "{" is no quantifier. An argument PCRE2 accepts holds no bracket or backslash; braces
// around one are left to be read as what they are.
size_t escape_size(std::string_view s, bool in_class) {
  if (s.size() < 3) return s.size();
  if (s[1] == 'c') return 3;
  // \x62 (up to two digits), \012 (\0 and up to two more), \pL: a "+" after one repeats
  // the whole escape.
  if (s[1] == 'x' && s[2] != '{') return 2 + std::min<size_t>(2, hex_digits(s.substr(2)));
  // An octal character: up to three digits in all.
  if (s[1] >= '0' && s[1] <= '7') return 2 + std::min<size_t>(2, octal_digits(s.substr(2)));
  if ((s[1] == 'p' || s[1] == 'P') && s[2] != '{') return 3;
  const std::string_view braced = in_class ? "xopPN" : "xopPNgk";
  if (s[2] != '{' || braced.find(s[1]) == std::string_view::npos) return 2;
  const size_t close = s.find_first_of("}[]()\\", 3);
  return close != std::string_view::npos && s[close] == '}' ? close + 1 : 2;
}

// The number that a backslash and digits 1 to 9 start, and its length; PCRE2 reads only
// numbers below a bound as group numbers.
struct Number {
  uint64_t value;
  size_t digits;
};
Number number_after_backslash(std::string_view s) {
  Number number{0, 0};
  while (1 + number.digits < s.size() && is_digit(s[1 + number.digits])) {
    number.value =
        std::min<uint64_t>(number.value * 10 + (s[1 + number.digits] - '0'), uint64_t{1} << 40);
    ++number.digits;
  }
  return number;
}
constexpr uint64_t kLargestNumberRead = 214'748'363;  // INT_MAX / 10 - 1

// Outside a class, a backslash and digits refer back to a group when the number is below
// 10, starts with 8 or 9, or names a group opened before it; otherwise they are an octal
// character (or, from 8 on, the digit itself).
bool numbered_backreference(std::string_view s, uint64_t groups_before) {
  const Number number = number_after_backslash(s);
  return number.digits > 0 && s[1] != '0' && number.value <= kLargestNumberRead &&
         (number.value < 10 || s[1] >= '8' || number.value <= groups_before);
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

// The length of the counted quantifier {n}, {n,} or {n,m} that `s` starts with, 0 when
// its "{" is a plain character ({,m} and { n} among them).
size_t counted_quantifier(std::string_view s) {
  size_t i = 1;
  const auto digits = [&] {
    const size_t from = i;
    while (i < s.size() && is_digit(s[i])) ++i;
    return i - from;
  };
  if (!s.starts_with('{') || digits() == 0) return 0;
  if (i < s.size() && s[i] == ',') {
    ++i;
    digits();
  }
  return i < s.size() && s[i] == '}' ? i + 1 : 0;
}

// The length of the white space that `s` starts with and extended mode skips: ASCII
// space, \t to \r, and U+0085, U+200E, U+200F, U+2028, U+2029.
size_t extended_space(std::string_view s) {
  if (s.starts_with(' ') || (!s.empty() && s[0] >= '\t' && s[0] <= '\r')) return 1;
  for (const std::string_view space :
       {"\xC2\x85", "\xE2\x80\x8E", "\xE2\x80\x8F", "\xE2\x80\xA8", "\xE2\x80\xA9"})
    if (s.starts_with(space)) return space.size();
  return 0;
}

// (?R), (?1), (?+1), (?-1), (?&name), (?P>name); (?-i) only switches a flag off.
bool calls_a_group(std::string_view s) {
  if (s.size() < 3 || !s.starts_with("(?")) return false;
  const char c = s[2];
  return c == 'R' || c == '&' || c == '+' || is_digit(c) || s.substr(2).starts_with("P>") ||
         (c == '-' && s.size() > 3 && is_digit(s[3]));
}

// What follows "(?" in a look-around, an atomic or conditional group, or (?P=name).
bool backtracking_group(std::string_view after) {
  for (const std::string_view opener : {"=", "!", "*", ">", "(", "<=", "<!", "<*", "P="})
    if (after.starts_with(opener)) return true;
  return false;
}

// Extended mode (?x): white space and "#" comments outside classes are skipped. (?xx)
// also skips spaces and tabs inside classes. Multi-line mode (?m) makes "$" the end of
// any line; (?n) makes "(" open no numbered group.
struct Modes {
  bool extended = false;
  bool more = false;  // (?xx)
  bool multi_line = false;
  bool no_auto_capture = false;
};

// The modes after the flag letters of (?flags) or (?flags:. A single x turns (?xx) off,
// and turning x off turns off both.
Modes modes_after(std::string_view flags, Modes modes) {
  enum : unsigned { kX = 1, kXx = 2, kM = 4, kN = 8 };
  unsigned set = 0, unset = 0;
  unsigned* target = &set;
  if (flags.starts_with('^')) modes = Modes();
  for (size_t i = 0; i < flags.size(); ++i) {
    if (flags[i] == '-') target = &unset;
    if (flags[i] == 'm') *target |= kM;
    if (flags[i] == 'n') *target |= kN;
    if (flags[i] != 'x') continue;
    *target |= kX;
    if (i + 1 < flags.size() && flags[i + 1] == 'x') {
      *target |= kXx;
      ++i;
    }
  }
  if ((set & (kX | kXx)) == kX || (unset & kX) != 0) unset |= kXx;
  const auto turned = [&](bool was, unsigned flag) {
    return (was || (set & flag) != 0) && (unset & flag) == 0;
  };
  modes.extended = turned(modes.extended, kX);
  modes.more = turned(modes.more, kXx);
  modes.multi_line = turned(modes.multi_line, kM);
  modes.no_auto_capture = turned(modes.no_auto_capture, kN);
  return modes;
}

class Reader {
 public:
  // Past a refused construct, reads on as if it were none.
  Reader(std::string_view pattern, bool past_refusals)
      : in_(pattern), past_refusals_(past_refusals) {}

  std::variant<PatternReading, PatternRefusal> read() {
    while (pos_ < in_.size()) {
      const std::string_view rest = in_.substr(pos_);
      if (const char* refused = refused_construct(rest); refused && !past_refusals_)
        return PatternRefusal{pos_, refused};
      if (modes_.extended) {
        if (const size_t n = extended_space(rest)) {
          copy(n);
          continue;
        }
        if (rest[0] == '#') {
          copy_through("\n");
          continue;
        }
      }
      switch (rest[0]) {
        case '\\':
          escape(false);
          break;
        case '[':
          character_class();
          break;
        case '(':
          open_group();
          break;
        case ')':
          close_group();
          break;
        case '*':
        case '+':
        case '?':
          quantifier(1);
          break;
        case '{':
          if (const size_t n = counted_quantifier(rest))
            quantifier(n);
          else
            literal();
          break;
        case '|':
          alternative();
          break;
        case '$':
          end_anchor();
          break;
        default:
          literal();
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

  void item(size_t n) {
    after_quantifier_ = false;
    copy(n);
  }

  // Outside multi-line mode PCRE2 is to read "$" as \z.
  void end_anchor() {
    last_item_.reset();
    if (modes_.multi_line) return item(1);
    after_quantifier_ = false;
    out_.rewrites.push_back({pos_, out_.pcre2.size(), 1, 2});
    out_.pcre2.append("\\z");
    ++pos_;
  }

  // In a (?| group each alternative numbers its groups from where the group began.
  void alternative() {
    if (!resets_.empty() && resets_.back().depth == outer_modes_.size()) {
      resets_.back().most = std::max(resets_.back().most, groups_);
      groups_ = resets_.back().at_start;
    }
    item(1);
    last_item_.reset();
  }

  // A literal character, "." or a plain "{", one byte at a time: the bytes that go on a
  // UTF-8 character join its span.
  void literal() {
    const bool continues = (static_cast<unsigned char>(in_[pos_]) & 0xC0) == 0x80;
    const size_t at = out_.pcre2.size();
    item(1);
    if (continues && last_item_ && !last_item_->quoted &&
        last_item_->at + last_item_->size == at)
      ++last_item_->size;
    else
      last_item_ = PatternReading::Span{at, 1, false};
  }

  // A "+" or "?" right after a quantifier makes it possessive or lazy; comments, white
  // space in extended mode, \E and \Q\E between the two do not part them.
  void quantifier(size_t n) {
    const char c = in_[pos_];
    if (after_quantifier_ && (c == '+' || c == '?')) {
      out_.needs_backtracking = out_.needs_backtracking || c == '+';
      after_quantifier_ = false;
    } else {
      after_quantifier_ = true;
      const bool unbounded = c == '+' || (c == '{' && in_.substr(pos_, n).ends_with(",}"));
      if (unbounded && last_item_) out_.repeats.push_back({*last_item_, out_.pcre2.size(), n});
    }
    last_item_.reset();
    copy(n);
  }

  // The same inside and outside a class. \Q...\E quotes: nothing in it is read; an empty
  // one, like a lone \E, is nothing at all.
  void escape(bool in_class) {
    const std::string_view rest = in_.substr(pos_);
    if (rest.starts_with("\\E")) return copy(2);
    if (rest.starts_with("\\Q\\E")) return copy(4);
    after_quantifier_ = false;
    const size_t at = out_.pcre2.size();
    if (rest.starts_with("\\Q")) {
      copy(2);
      const size_t end = std::min(in_.find("\\E", pos_), in_.size());
      last_item_ = last_character(pos_, end);
      copy(end - pos_ + (end < in_.size() ? 2 : 0));
      return;
    }
    if (const auto code_point = code_point_escape(rest)) {
      out_.rewrites.push_back(
          {pos_, out_.pcre2.size(), code_point->size, code_point->digits.size() + 4});
      out_.pcre2.append("\\x{").append(code_point->digits).append("}");
      pos_ += code_point->size;
    } else {
      size_t size = escape_size(rest, in_class);
      if (!in_class && (rest.starts_with("\\g") || rest.starts_with("\\k"))) {
        out_.needs_backtracking = true;
      } else if (!in_class && numbered_backreference(rest, groups_)) {
        out_.needs_backtracking = true;
        size = 1 + number_after_backslash(rest).digits;
      }
      copy(size);
    }
    last_item_ = PatternReading::Span{at, out_.pcre2.size() - at, false};
  }

  // The span in `pcre2` of the last character of quoted text at [begin, end) of the
  // user's pattern, which is about to be copied; none when the text is empty.
  std::optional<PatternReading::Span> last_character(size_t begin, size_t end) const {
    if (begin >= end) return std::nullopt;
    size_t start = end - 1;
    while (start > begin && (static_cast<unsigned char>(in_[start]) & 0xC0) == 0x80) --start;
    return PatternReading::Span{out_.pcre2.size() + (start - begin), end - start, true};
  }

  // PCRE2 reads [[:<:]] and [[:>:]] as \b(?=\w) and \b(?<=\w). In any other class it
  // skips one "^" and any \E, \Q\E and, in (?xx), spaces and tabs, before the "^" or
  // after it, and only then takes a "]" as a member; a nested "[" only starts a POSIX
  // item.
  void character_class() {
    after_quantifier_ = false;
    if (in_.substr(pos_).starts_with("[[:<:]]") || in_.substr(pos_).starts_with("[[:>:]]")) {
      out_.needs_backtracking = true;
      last_item_.reset();
      return copy(7);
    }
    const size_t at = out_.pcre2.size();
    copy(1);
    for (bool negated = false;;) {
      const std::string_view rest = in_.substr(pos_);
      if (rest.starts_with("\\E")) {
        copy(2);
      } else if (rest.starts_with("\\Q\\E")) {
        copy(4);
      } else if (modes_.more && (rest.starts_with(' ') || rest.starts_with('\t'))) {
        copy(1);
      } else if (!negated && rest.starts_with('^')) {
        negated = true;
        copy(1);
      } else {
        break;
      }
    }
    size_t members = 0;
    if (in_.substr(pos_).starts_with("]")) {
      copy(1);
      ++members;
    }
    while (pos_ < in_.size()) {
      const std::string_view rest = in_.substr(pos_);
      if (rest[0] == ']') {
        copy(1);
        break;
      }
      const size_t before = out_.pcre2.size();
      if (rest[0] == '\\')
        escape(true);
      else
        copy(std::max<size_t>(1, posix_item(rest)));
      // Each character quoted by \Q...\E is a member of its own.
      members += rest.starts_with("\\Q") ? out_.pcre2.size() - before : 1;
    }
    out_.most_class_members = std::max(out_.most_class_members, members);
    last_item_ = PatternReading::Span{at, out_.pcre2.size() - at, false};
  }

  // (?#...) is a comment up to the first ")". (?flags) changes the modes for the rest of
  // the enclosing group; every other "(" opens a group that restores them at its ")".
  void open_group() {
    const std::string_view rest = in_.substr(pos_);
    if (rest.starts_with("(?#")) return copy_through(")");
    after_quantifier_ = false;
    last_item_.reset();
    if (!rest.starts_with("(?")) {
      outer_modes_.push_back(modes_);
      if (!rest.starts_with("(*") && !modes_.no_auto_capture) ++groups_;
      return copy(1);
    }
    const size_t flags_end = rest.find_first_not_of("imnsxJU^-", 2);
    if (flags_end != std::string_view::npos &&
        (rest[flags_end] == ')' || rest[flags_end] == ':')) {
      if (rest[flags_end] == ':') outer_modes_.push_back(modes_);
      modes_ = modes_after(rest.substr(2, flags_end - 2), modes_);
      return copy(flags_end + 1);
    }
    outer_modes_.push_back(modes_);
    const std::string_view after = rest.substr(2);
    if (backtracking_group(after)) out_.needs_backtracking = true;
    if (after.starts_with("P<") || after.starts_with('\'') ||
        (after.starts_with('<') && !after.starts_with("<=") && !after.starts_with("<!") &&
         !after.starts_with("<*")))
      ++groups_;
    if (after.starts_with('|')) resets_.push_back({outer_modes_.size(), groups_, groups_});
    copy(2);
  }

  void close_group() {
    if (!resets_.empty() && resets_.back().depth == outer_modes_.size()) {
      groups_ = std::max(groups_, resets_.back().most);
      resets_.pop_back();
    }
    if (!outer_modes_.empty()) {
      modes_ = outer_modes_.back();
      outer_modes_.pop_back();
    }
    item(1);
    last_item_.reset();
  }

  std::string_view in_;
  const bool past_refusals_;
  size_t pos_ = 0;
  PatternReading out_;
  Modes modes_;
  std::vector<Modes> outer_modes_;  // modes_ where each open group began
  uint64_t groups_ = 0;             // numbered groups opened so far, as PCRE2 counts them
  struct BranchReset {
    size_t depth;  // outer_modes_.size() inside the (?| group
    uint64_t at_start, most;
  };
  std::vector<BranchReset> resets_;  // the open (?| groups, innermost last
  bool after_quantifier_ = false;   // the last thing read was a quantifier
  // The single item a quantifier read now would repeat.
  std::optional<PatternReading::Span> last_item_;
};

}  // namespace

const char* refused_construct(std::string_view text) {
  if (text.starts_with("(*")) return kVerbs;
  if (text.starts_with("(?C")) return kCallouts;
  if (text.starts_with("\\g<") || text.starts_with("\\g'") || calls_a_group(text))
    return kCalls;
  return nullptr;
}

std::variant<PatternReading, PatternRefusal> read_pattern(std::string_view pattern) {
  return Reader(pattern, false).read();
}

PatternReading read_pattern_past_refusals(std::string_view pattern) {
  return std::get<PatternReading>(Reader(pattern, true).read());
}

}  // namespace engine
