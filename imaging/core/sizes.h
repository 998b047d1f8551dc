// Overflow-safe size arithmetic. Every size that comes from picture data or a
// caller goes through these helpers in 64 bits before anything is allocated,
// so the check and the allocation cannot drift apart.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

#include "imaging/core/operation_context.h"
#include "imaging/tessera.h"
#include "platform/global_memory.h"

namespace tessera {

// a x b, or nothing when it does not fit in 64 bits.
inline std::optional<std::uint64_t> mulSizes(std::uint64_t a, std::uint64_t b) {
  if (a != 0 && b > UINT64_MAX / a) return std::nullopt;
  return a * b;
}

// a x b x c.
inline std::optional<std::uint64_t> mulSizes(std::uint64_t a, std::uint64_t b, std::uint64_t c) {
  auto ab = mulSizes(a, b);
  if (!ab) return std::nullopt;
  return mulSizes(*ab, c);
}

// a x b + c.
inline std::optional<std::uint64_t> madSizes(std::uint64_t a, std::uint64_t b, std::uint64_t c) {
  auto ab = mulSizes(a, b);
  if (!ab || *ab > UINT64_MAX - c) return std::nullopt;
  return *ab + c;
}

// Bytes of a bitmap row of `width` pixels at `bits` per pixel, padded to a
// multiple of 4 bytes: ((width x bits + 31) / 32) x 4.
inline std::optional<std::uint64_t> paddedRowBytes(std::uint64_t width, std::uint64_t bits) {
  auto bitsTotal = madSizes(width, bits, 31);
  if (!bitsTotal) return std::nullopt;
  return (*bitsTotal / 32) * 4;
}

// A zero-filled global block of `bytes` bytes; records TSERR_MEMORY and
// returns null when the size is unknown (overflowed), above the global
// block limit, or memory is exhausted.
inline std::uint8_t* allocGlobalBlock(OperationContext& ctx, std::optional<std::uint64_t> bytes) {
  if (!bytes || *bytes > kGlobalMaxBlock) {
    ctx.fail(TSERR_MEMORY);
    return nullptr;
  }
  auto* block = static_cast<std::uint8_t*>(GlobalAlloc(GPTR, static_cast<std::size_t>(*bytes)));
  if (block == nullptr) ctx.fail(TSERR_MEMORY);
  return block;
}

}  // namespace tessera
