#pragma once

// The vector versions of the text-mode decoder, for x86-64 processors; see
// DecodeFunction for what each promises. Elsewhere (32-bit x86 among others)
// only the portable version is built.

#include "platform/text_decode.h"

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#define DRAVENIK_X86_64_DECODERS 1
#else
#define DRAVENIK_X86_64_DECODERS 0
#endif

#if DRAVENIK_X86_64_DECODERS

namespace dravenik::platform {

/// 32 bytes a step, with AVX2 (and BMI1, POPCNT).
DecodedText decodeAvx2(char* data, std::size_t size, char lineBreak);
/// 64 bytes a step, with AVX-512 BW and VBMI2 (byte compress).
DecodedText decodeAvx512Vbmi2(char* data, std::size_t size, char lineBreak);

/// True when the processor and the operating system run decodeAvx2.
bool avx2Usable();
/// True when the processor and the operating system run decodeAvx512Vbmi2.
bool avx512Vbmi2Usable();

} // namespace dravenik::platform

#endif
