#include "platform/text_decode.h"

#include "constants.h"
#include "platform/text_decode_x86.h"

#include <cstring>

namespace dravenik::platform {

namespace {

bool always() {
  return true;
}

constexpr DecoderVersion kDecoderVersions[] = {
    {kDecoderPortable, decodePortable, always},
#if DRAVENIK_X86_64_DECODERS
    {kDecoderAvx2, decodeAvx2, avx2Usable},
    {kDecoderAvx512Vbmi2, decodeAvx512Vbmi2, avx512Vbmi2Usable},
#endif
};

} // namespace

std::span<const DecoderVersion> decoderVersions() {
  return kDecoderVersions;
}

DecodeFunction fastestDecoder() {
  DecodeFunction fastest = decodePortable;
  for (const DecoderVersion& version : kDecoderVersions) {
    if (version.usable()) {
      fastest = version.decode;
    }
  }
  return fastest;
}

DecodedText decodePortable(char* data, std::size_t size, char lineBreak) {
  return decodeRest(data, size, 0, 0, lineBreak, false);
}

DecodedText decodeRest(char* data, std::size_t size, std::size_t in, std::size_t out,
                       char lineBreak, bool lineFeedLast) {
  std::size_t end = size;
  if (const void* stop = std::memchr(data + in, kEndOfText, size - in); stop != nullptr) {
    end = static_cast<std::size_t>(static_cast<const char*>(stop) - data);
  }
  const std::size_t first = in;
  // One search per line; the bytes move only once a CR LF pair has shrunk the text.
  while (const void* found = std::memchr(data + in, kLineFeed, end - in)) {
    const auto lf = static_cast<std::size_t>(static_cast<const char*>(found) - data);
    const std::size_t lineEnd = lf > in && data[lf - 1] == kCarriageReturn ? lf - 1 : lf;
    if (out != in) {
      std::memmove(data + out, data + in, lineEnd - in);
    }
    out += lineEnd - in;
    data[out] = lineBreak;
    ++out;
    in = lf + 1;
  }
  if (out != in) {
    std::memmove(data + out, data + in, end - in);
  }
  // The loop ends right at the end exactly when the last byte was a LF.
  return {out + (end - in), end, end > first ? in == end : lineFeedLast};
}

} // namespace dravenik::platform
