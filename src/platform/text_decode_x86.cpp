#include "platform/text_decode_x86.h"

#if DRAVENIK_X86_64_DECODERS

#include "constants.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <immintrin.h>
#include <limits>

// Each version reads a vector at data[in], finds its LFs, CRs and Ctrl-Zs as
// bit masks, turns the LFs into the line-break byte, drops each CR whose next
// byte is a LF (for the last byte of the vector: the byte after it, still
// unread input) and stores what is kept at data[out]. out never passes in, so
// a store covers no byte that is still to be read, and a vector is only read
// where it fits whole inside the block; the bytes left over at the end (fewer
// than one vector) go to decodeRest. A long line's vectors, with nothing to
// change and nothing moved yet, are not stored at all.

namespace dravenik::platform {

namespace {

constexpr std::size_t kAvx2Bytes = 32;
constexpr std::size_t kAvx512Bytes = 64;

/// 1 when data[at] is a LF inside the block, else 0.
inline std::uint32_t lineFeedAt(const char* data, std::size_t at, std::size_t size) {
  return at < size && data[at] == kLineFeed ? 1 : 0;
}

/// _mm256_permute2x128_si256 control: the upper 16-byte lane, then zeros.
constexpr int kUpperLaneThenZeros = 0x81;

/// kAvx2Bytes zero bytes, then as many 0xff bytes.
constexpr std::array<unsigned char, 2 * kAvx2Bytes> selectFromPlaces() {
  std::array<unsigned char, 2 * kAvx2Bytes> bytes{};
  std::fill(bytes.begin() + kAvx2Bytes, bytes.end(), std::numeric_limits<unsigned char>::max());
  return bytes;
}
constexpr std::array<unsigned char, 2 * kAvx2Bytes> kSelectFromPlaces = selectFromPlaces();

/// Where to load a 32-byte vector that selects its bytes from place at on (at <= 32).
inline const unsigned char* fromPlace(std::size_t at) {
  return kSelectFromPlaces.data() + kAvx2Bytes - at;
}

/// Bytes packed by one entry of kPackOrder.
constexpr std::size_t kGroupBytes = 8;
/// The keep bits of one group.
constexpr std::uint32_t kGroupMask = (1U << kGroupBytes) - 1;
/// Added to an entry of kPackOrder to pick from the upper half of a 16-byte lane.
constexpr std::uint64_t kUpperHalf = 0x0808080808080808;
/// A zero byte, in a shuffle order.
constexpr std::uint64_t kZeroByte = 0x80;
/// Entries of kPackOrder, one per keep mask of a group.
constexpr std::size_t kPackOrders = std::size_t{kGroupMask} + 1;

/// The shuffle order that packs the kept bytes of an 8-byte group to its
/// front; zero bytes fill the rest.
constexpr std::uint64_t packOrder(std::size_t keep) {
  std::uint64_t order = 0;
  std::size_t filled = 0;
  for (std::size_t i = 0; i < kGroupBytes; ++i) {
    if (((keep >> i) & 1) != 0) {
      order |= std::uint64_t{i} << (kGroupBytes * filled++);
    }
  }
  for (; filled < kGroupBytes; ++filled) {
    order |= kZeroByte << (kGroupBytes * filled);
  }
  return order;
}

constexpr std::array<std::uint64_t, kPackOrders> packOrders() {
  std::array<std::uint64_t, kPackOrders> orders{};
  for (std::size_t keep = 0; keep != kPackOrders; ++keep) {
    orders[keep] = packOrder(keep);
  }
  return orders;
}

/// packOrder() of every keep mask.
constexpr std::array<std::uint64_t, kPackOrders> kPackOrder = packOrders();

/// Stores the bytes of text that keep selects, packed, at to; returns how
/// many. Writes only to[0, 32).
__attribute__((target("avx2,bmi,popcnt"))) inline std::size_t packGroups(char* to, __m256i text,
                                                                         std::uint32_t keep) {
  const auto group = [keep](std::size_t n) { return (keep >> (kGroupBytes * n)) & kGroupMask; };
  const std::uint64_t lane0Low = kPackOrder[group(0)];
  const std::uint64_t lane0High = kPackOrder[group(1)] + kUpperHalf;
  const std::uint64_t lane1Low = kPackOrder[group(2)];
  const std::uint64_t lane1High = kPackOrder[group(3)] + kUpperHalf;
  const __m256i order =
      _mm256_setr_epi64x(static_cast<long long>(lane0Low), static_cast<long long>(lane0High),
                         static_cast<long long>(lane1Low), static_cast<long long>(lane1High));
  const __m256i packed = _mm256_shuffle_epi8(text, order);
  const __m128i low = _mm256_castsi256_si128(packed);
  const __m128i high = _mm256_extracti128_si256(packed, 1);
  // Four 8-byte stores, each right after the kept bytes of the one before;
  // the last ends at most 32 bytes after to.
  std::size_t at = 0;
  _mm_storel_epi64(reinterpret_cast<__m128i*>(to + at), low);
  at += static_cast<std::size_t>(std::popcount(group(0)));
  _mm_storel_epi64(reinterpret_cast<__m128i*>(to + at), _mm_unpackhi_epi64(low, low));
  at += static_cast<std::size_t>(std::popcount(group(1)));
  _mm_storel_epi64(reinterpret_cast<__m128i*>(to + at), high);
  at += static_cast<std::size_t>(std::popcount(group(2)));
  _mm_storel_epi64(reinterpret_cast<__m128i*>(to + at), _mm_unpackhi_epi64(high, high));
  return at + static_cast<std::size_t>(std::popcount(group(3)));
}

} // namespace

// --- AVX2 -------------------------------------------------------------------

__attribute__((target("avx2,bmi,popcnt"))) DecodedText decodeAvx2(char* data, std::size_t size,
                                                                  char lineBreak) {
  const __m256i lineFeeds = _mm256_set1_epi8(kLineFeed);
  const __m256i carriageReturns = _mm256_set1_epi8(kCarriageReturn);
  const __m256i endsOfText = _mm256_set1_epi8(kEndOfText);
  const __m256i marks = _mm256_set1_epi8(lineBreak);
  std::size_t in = 0;
  std::size_t out = 0;
  bool lineFeedLast = false;
  for (; size - in >= kAvx2Bytes; in += kAvx2Bytes) {
    const __m256i bytes = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(data + in));
    const __m256i isLineFeed = _mm256_cmpeq_epi8(bytes, lineFeeds);
    const auto lf = static_cast<std::uint32_t>(_mm256_movemask_epi8(isLineFeed));
    const auto cr =
        static_cast<std::uint32_t>(_mm256_movemask_epi8(_mm256_cmpeq_epi8(bytes, carriageReturns)));
    const auto eot =
        static_cast<std::uint32_t>(_mm256_movemask_epi8(_mm256_cmpeq_epi8(bytes, endsOfText)));
    if (out == in && (lf | cr | eot) == 0) {
      out += kAvx2Bytes; // a long line's bytes, already in their place
      lineFeedLast = false;
      continue;
    }
    const std::size_t count = eot != 0 ? std::countr_zero(eot) : kAvx2Bytes;
    const std::uint32_t valid = eot != 0 ? (std::uint32_t{1} << count) - 1 : ~std::uint32_t{0};
    const std::uint32_t drop =
        cr & ((lf >> 1) | (lineFeedAt(data, in + kAvx2Bytes, size) << (kAvx2Bytes - 1))) & valid;
    const __m256i text = _mm256_blendv_epi8(bytes, marks, isLineFeed);
    if ((drop & (drop - 1)) == 0) {
      // One CR LF pair at most, the usual case: the bytes after its CR move
      // down by one (from past the end: none), with no branch and no table.
      const std::size_t at = std::countr_zero(drop | (std::uint64_t{1} << kAvx2Bytes));
      const __m256i moved = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(fromPlace(at)));
      const __m256i next =
          _mm256_alignr_epi8(_mm256_permute2x128_si256(text, text, kUpperLaneThenZeros), text, 1);
      _mm256_storeu_si256(reinterpret_cast<__m256i*>(data + out),
                          _mm256_blendv_epi8(text, next, moved));
      out += count - (drop != 0 ? 1 : 0);
    } else {
      out += packGroups(data + out, text, ~drop & valid);
    }
    if (count > 0) {
      lineFeedLast = ((lf >> (count - 1)) & 1) != 0;
    }
    if (eot != 0) {
      return {out, in + count, lineFeedLast};
    }
  }
  return decodeRest(data, size, in, out, lineBreak, lineFeedLast);
}

// --- AVX-512 VBMI2 ------------------------------------------------------------

__attribute__((target("avx512f,avx512bw,avx512vbmi2,bmi,popcnt"))) DecodedText
decodeAvx512Vbmi2(char* data, std::size_t size, char lineBreak) {
  const __m512i lineFeeds = _mm512_set1_epi8(kLineFeed);
  const __m512i carriageReturns = _mm512_set1_epi8(kCarriageReturn);
  const __m512i endsOfText = _mm512_set1_epi8(kEndOfText);
  const __m512i marks = _mm512_set1_epi8(lineBreak);
  std::size_t in = 0;
  std::size_t out = 0;
  bool lineFeedLast = false;
  for (; size - in >= kAvx512Bytes; in += kAvx512Bytes) {
    const __m512i bytes = _mm512_loadu_si512(data + in);
    const std::uint64_t lf = _mm512_cmpeq_epi8_mask(bytes, lineFeeds);
    const std::uint64_t cr = _mm512_cmpeq_epi8_mask(bytes, carriageReturns);
    const std::uint64_t eot = _mm512_cmpeq_epi8_mask(bytes, endsOfText);
    if (out == in && (lf | cr | eot) == 0) {
      out += kAvx512Bytes; // a long line's bytes, already in their place
      lineFeedLast = false;
      continue;
    }
    const std::size_t count = eot != 0 ? std::countr_zero(eot) : kAvx512Bytes;
    const std::uint64_t valid = eot != 0 ? (std::uint64_t{1} << count) - 1 : ~std::uint64_t{0};
    const std::uint64_t next = lineFeedAt(data, in + kAvx512Bytes, size);
    const std::uint64_t keep = ~(cr & ((lf >> 1) | (next << (kAvx512Bytes - 1)))) & valid;
    const __m512i text = _mm512_mask_blend_epi8(lf, bytes, marks);
    // Compressed in a register and stored whole: compressing straight to
    // memory is slow on some processors.
    _mm512_storeu_si512(data + out, _mm512_maskz_compress_epi8(keep, text));
    out += static_cast<std::size_t>(std::popcount(keep));
    if (count > 0) {
      lineFeedLast = ((lf >> (count - 1)) & 1) != 0;
    }
    if (eot != 0) {
      return {out, in + count, lineFeedLast};
    }
  }
  return decodeRest(data, size, in, out, lineBreak, lineFeedLast);
}

bool avx2Usable() {
  __builtin_cpu_init();
  return __builtin_cpu_supports("avx2") && __builtin_cpu_supports("bmi") &&
         __builtin_cpu_supports("popcnt");
}

bool avx512Vbmi2Usable() {
  __builtin_cpu_init();
  return __builtin_cpu_supports("avx512bw") && __builtin_cpu_supports("avx512vbmi2") &&
         __builtin_cpu_supports("bmi") && __builtin_cpu_supports("popcnt");
}

} // namespace dravenik::platform

#endif
