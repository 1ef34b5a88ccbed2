// A search text prepared once per search and tested against many short texts: a
// case-sensitive substring test, as std::string_view::find would answer it. Value texts
// are mostly a few dozen bytes, where the calls that find makes per text (memchr, then
// memcmp) cost more than the test: this one stays inline, finds the places where both
// the needle's first and last bytes agree for sixteen or eight places at once, and
// compares the rest only there. It never reads outside the text.
#pragma once

#include <bit>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace engine {

class Literal {
 public:
  explicit Literal(std::string_view needle) : needle_(needle) {
    if (!needle_.empty()) {
      first_ = static_cast<uint8_t>(needle_.front());
      last_ = static_cast<uint8_t>(needle_.back());
    }
#if defined(__SSE2__)
    firsts_ = _mm_set1_epi8(static_cast<char>(first_));
    lasts_ = _mm_set1_epi8(static_cast<char>(last_));
#endif
  }

  std::string_view text() const { return needle_; }

  // Bytes that found_in_padded may read from the start of a short text.
  static constexpr size_t kPadded = 16;

  // found_in(haystack) for a haystack from whose start kPadded bytes may be read, also
  // when it is shorter. Texts of up to twice kPadded bytes, most cell texts, are tested
  // in one or two loads with no loop, and no branch on their length but the one that picks
  // the number of loads: in a scan over texts of mixed lengths, the loop of found_in
  // mispredicts more often than not.
  [[gnu::always_inline]] bool found_in_padded(std::string_view haystack) const {
#if defined(__SSE2__)
    const size_t m = needle_.size();
    const size_t n = haystack.size();
    if (n > 2 * kPadded || m == 0) return found_in(haystack);
    if (n < m) return false;
    const char* h = haystack.data();
    auto load = [](const char* p) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); };
    auto equal = [](__m128i bytes, __m128i to) {
      return static_cast<uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(bytes, to)));
    };
    // Bit p of `firsts` (of `lasts`): byte p is the needle's first (last) byte.
    uint32_t firsts;
    uint32_t lasts;
    if (n <= kPadded) {
      const __m128i bytes = load(h);
      const uint32_t inside = (uint32_t{1} << n) - 1;
      firsts = equal(bytes, firsts_) & inside;
      lasts = equal(bytes, lasts_) & inside;
    } else {
      // The text's first and last sixteen bytes, which overlap unless n is 32.
      const __m128i head = load(h);
      const __m128i tail = load(h + n - kPadded);
      const int shift = static_cast<int>(n - kPadded);
      firsts = equal(head, firsts_) | equal(tail, firsts_) << shift;
      lasts = equal(head, lasts_) | equal(tail, lasts_) << shift;
    }
    const uint32_t hits = firsts & lasts >> (m - 1);
    return hits != 0 && any_match(h, hits);
#else
    return found_in(haystack);
#endif
  }

  [[gnu::always_inline]] bool found_in(std::string_view haystack) const {
    const size_t m = needle_.size();
    const size_t n = haystack.size();
    if (m == 0) return true;
    if (n < m) return false;
#if defined(__SSE2__)
    if (n >= 16) return found_in_windows<16>(haystack.data(), n);
#endif
    if (n >= 8) return found_in_windows<8>(haystack.data(), n);
    const char* h = haystack.data();
    for (size_t p = 0; p + m <= n; ++p) {
      if (static_cast<uint8_t>(h[p]) == first_ && static_cast<uint8_t>(h[p + m - 1]) == last_ &&
          rest_matches(h + p))
        return true;
    }
    return false;
  }

 private:
  // Bit p of a mask stands for the needle placed at h + p, for `places` places. Windows
  // of W places; the last one is moved back to end at the last place, over places already
  // found without a match. With fewer places than W (a text shorter than W plus the
  // needle) the last bytes all come from one load at the end of the text.
  template <size_t W>
  bool found_in_windows(const char* h, size_t n) const {
    const size_t m = needle_.size();
    const size_t places = n - m + 1;
    if (places < W) {
      const uint64_t hits = hits_at<W>(h, h + n - W, static_cast<int>(W - places));
      return any_match(h, hits & ((uint64_t{1} << places) - 1));
    }
    for (size_t p = 0;; p += W) {
      if (p + W > places) p = places - W;
      if (any_match(h + p, hits_at<W>(h + p, h + p + m - 1, 0))) return true;
      if (p + W >= places) return false;
    }
  }

  // Bit k set where firsts[k] is the needle's first byte and lasts[k + shift] its last;
  // W bytes are read from each.
  template <size_t W>
  uint64_t hits_at(const char* firsts, const char* lasts, int shift) const {
#if defined(__SSE2__)
    auto load = [](const char* p) {
      if constexpr (W == 16) return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
      return _mm_loadl_epi64(reinterpret_cast<const __m128i*>(p));
    };
    constexpr uint32_t kMask = (uint32_t{1} << W) - 1;
    const uint32_t a =
        static_cast<uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(load(firsts), firsts_)));
    const uint32_t b =
        static_cast<uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(load(lasts), lasts_)));
    return a & (b & kMask) >> shift;
#else
    static_assert(W == 8);
    // The high bit of exactly the bytes that are zero (no carry crosses a byte).
    constexpr uint64_t kLow7 = 0x7F7F7F7F7F7F7F7Full;
    auto zero_bytes = [](uint64_t v) { return ~(((v & kLow7) + kLow7) | v | kLow7); };
    auto load = [](const char* p) {
      uint64_t v;
      std::memcpy(&v, p, sizeof v);
      if constexpr (std::endian::native == std::endian::big) v = __builtin_bswap64(v);
      return v;
    };
    constexpr uint64_t kOnes = 0x0101010101010101ull;
    const uint64_t high = zero_bytes(load(firsts) ^ (kOnes * first_)) &
                          (zero_bytes(load(lasts) ^ (kOnes * last_)) >> (8 * shift));
    uint64_t bits = 0;
    for (int k = 0; k < 8; ++k) bits |= ((high >> (8 * k + 7)) & 1) << k;
    return bits;
#endif
  }

  // Whether the needle stands at one of the places whose bit is set in `hits`, counted
  // from `at`; first and last bytes are known to agree there.
  bool any_match(const char* at, uint64_t hits) const {
    while (hits != 0) {
      if (rest_matches(at + std::countr_zero(hits))) return true;
      hits &= hits - 1;
    }
    return false;
  }

  bool rest_matches(const char* at) const {
    return needle_.size() <= 2 ||
           std::memcmp(at + 1, needle_.data() + 1, needle_.size() - 2) == 0;
  }

#if defined(__SSE2__)
  __m128i firsts_;
  __m128i lasts_;
#endif
  std::string needle_;
  uint8_t first_ = 0;
  uint8_t last_ = 0;
};

}  // namespace engine
