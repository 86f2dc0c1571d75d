// SHA-256 (FIPS 180-4), fed in pieces of any size, for the archive's SHA256SUMS.
#pragma once
#include <cstddef>
#include <cstdint>

constexpr int kSha256DigestBytes = 32;
constexpr int kSha256HexChars = 2 * kSha256DigestBytes + 1;  // NUL included

struct Sha256 {
  uint32_t state[8];
  uint64_t length;  // bytes fed so far
  uint8_t block[64];
  size_t used;      // bytes waiting in `block`
};

void StartSha256(Sha256& sha);
void AddSha256(Sha256& sha, const void* bytes, size_t count);
// Ends the message and writes the digest as 64 lower-case hex digits and a NUL.
void FinishSha256(Sha256& sha, char hex[kSha256HexChars]);
// The SHA-256 of the whole file at `path`, read in pieces; false when it cannot be
// opened or read.
bool HashFileSha256(const char* path, char hex[kSha256HexChars]);
