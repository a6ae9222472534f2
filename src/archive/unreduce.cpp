// Format notes (PKWARE's APPNOTE, "Expanding"):
//
// Reducing is two stages, undone here in one pass.
//
// 1. Follower sets. The stream starts with 256 sets S(j), S(255) first and S(0) last: a 6-bit
//    count N(j) (at most 32) and N(j) 8-bit bytes. Then, with Last-Character starting at 0, each
//    byte of the intermediate stream is coded as
//      - 8 bits, when S(Last-Character) is empty;
//      - otherwise a 1 bit and 8 bits, or a 0 bit and a B(N) bit index into S(Last-Character),
//        where B(N) is the number of bits that index N-1 needs: 1 for sets of 1 and 2, 2 for 3
//        and 4, ..., 5 for 17 to 32.
//    Last-Character is the last byte of the intermediate stream, not of the final output.
//    Bits are packed least significant first.
// 2. The intermediate stream carries literals, with DLE (144) as escape:
//      - any byte but DLE is itself;
//      - DLE 0 is a literal DLE;
//      - DLE V (V not 0) starts a back-reference. The low 8-f bits of V (f = compression factor)
//        are the length code Len; when Len is all ones (127, 63, 31, 15) one more byte is added
//        to it. The next byte C and the high f bits of V give the distance: high * 256 + C + 1.
//        Len + 3 bytes are copied from that distance, byte by byte.
//    Output before the start of the entry reads as zeros.
// There is no end marker: the entry ends when its uncompressed size is reached.

#include "archive/unreduce.h"

#include <array>
#include <memory>
#include <new>

#include "archive/bit_reader.h"
#include "archive/decoder_window.h"

namespace vantorel::archive {
namespace {

constexpr int kSetCountBits = 6;
constexpr std::uint32_t kMaxFollowers = 32;
constexpr std::uint8_t kDle = 144;
constexpr std::uint32_t kMinMatch = 3;

// B(N): bits of an index into a follower set of N bytes (N >= 1).
constexpr int IndexBits(std::uint32_t n) {
  int bits = 1;
  while ((1u << bits) < n) ++bits;
  return bits;
}
static_assert(IndexBits(1) == 1 && IndexBits(2) == 1 && IndexBits(3) == 2 && IndexBits(32) == 5);

struct FollowerSet {
  std::uint8_t size = 0;                            // N(j), 0 to 32
  std::uint8_t index_bits = 0;                      // B(N(j))
  std::array<std::uint8_t, kMaxFollowers> bytes{};  // S(j)[0] to S(j)[N(j)-1]
};

class Unreducer {
 public:
  Unreducer(CompressedInput& input, DecodedOutput& output, std::uint64_t size, int factor)
      : reader_(input),
        window_(output, size),
        length_bits_(8 - factor),
        length_mask_((1u << length_bits_) - 1) {}

  DecodeResult Run() {
    const DecodeResult result = Decode();
    window_.Flush();
    return result;
  }

 private:
  DecodeResult Decode() {
    if (window_.Full()) return DecodeResult::Complete;
    if (!ReadFollowerSets()) return DecodeResult::InvalidData;
    while (!window_.Full()) {
      const std::uint8_t byte = NextByte();
      if (byte != kDle) {
        if (!Intact()) return DecodeResult::InvalidData;
        window_.Put(byte);
        continue;
      }
      const std::uint8_t v = NextByte();
      if (v == 0) {
        if (!Intact()) return DecodeResult::InvalidData;
        window_.Put(kDle);
        continue;
      }
      std::uint32_t length = v & length_mask_;
      if (length == length_mask_) length += NextByte();
      const std::uint32_t distance = (std::uint32_t{v} >> length_bits_) * 256 + NextByte() + 1;
      if (!Intact()) return DecodeResult::InvalidData;
      window_.Copy(distance, length + kMinMatch);
    }
    return DecodeResult::Complete;
  }

  bool ReadFollowerSets() {
    for (int j = 255; j >= 0; --j) {
      FollowerSet& set = sets_[j];
      const std::uint32_t n = reader_.Read(kSetCountBits);
      if (n > kMaxFollowers) return false;
      set.size = static_cast<std::uint8_t>(n);
      set.index_bits = static_cast<std::uint8_t>(n == 0 ? 0 : IndexBits(n));
      for (std::uint32_t i = 0; i < n; ++i) set.bytes[i] = static_cast<std::uint8_t>(reader_.Read(8));
    }
    return !reader_.Overrun();
  }

  // True while every byte so far came from real input through a valid set index.
  bool Intact() const { return !reader_.Overrun() && !bad_index_; }

  // The next byte of the intermediate stream.
  std::uint8_t NextByte() {
    const FollowerSet& set = sets_[last_];
    if (set.size == 0 || reader_.Read(1) != 0) {
      last_ = static_cast<std::uint8_t>(reader_.Read(8));
    } else {
      const std::uint32_t index = reader_.Read(set.index_bits);
      if (index >= set.size) bad_index_ = true;
      last_ = set.bytes[index];  // index < 2^5, within the array even when too large
    }
    return last_;
  }

  BitReader reader_;
  DecoderWindow window_;
  const int length_bits_;             // 8 - factor: bits of the length code in V
  const std::uint32_t length_mask_;   // a length code of all ones is extended by a byte
  std::array<FollowerSet, 256> sets_;  // S(0) to S(255)
  std::uint8_t last_ = 0;             // Last-Character
  bool bad_index_ = false;            // an index pointed past the end of its set
};

}  // namespace

DecodeResult Unreduce(CompressedInput& input, DecodedOutput& output, const DecodeParams& params,
                      int factor) {
  if (factor < 1 || factor > 4) return DecodeResult::InvalidData;
  std::unique_ptr<Unreducer> unreducer;
  try {
    unreducer = std::make_unique<Unreducer>(input, output, params.uncompressed_size, factor);
  } catch (const std::bad_alloc&) {
    return DecodeResult::OutOfMemory;
  }
  return unreducer->Run();
}

}  // namespace vantorel::archive
