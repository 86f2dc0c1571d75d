#include "core/archive/sha256.h"

#include <cstdio>
#include <cstring>

namespace {

constexpr uint32_t kRoundConstants[64] = {
    0x428a2f98, 0x71374491, 0xb5c0fbcf, 0xe9b5dba5, 0x3956c25b, 0x59f111f1, 0x923f82a4, 0xab1c5ed5,
    0xd807aa98, 0x12835b01, 0x243185be, 0x550c7dc3, 0x72be5d74, 0x80deb1fe, 0x9bdc06a7, 0xc19bf174,
    0xe49b69c1, 0xefbe4786, 0x0fc19dc6, 0x240ca1cc, 0x2de92c6f, 0x4a7484aa, 0x5cb0a9dc, 0x76f988da,
    0x983e5152, 0xa831c66d, 0xb00327c8, 0xbf597fc7, 0xc6e00bf3, 0xd5a79147, 0x06ca6351, 0x14292967,
    0x27b70a85, 0x2e1b2138, 0x4d2c6dfc, 0x53380d13, 0x650a7354, 0x766a0abb, 0x81c2c92e, 0x92722c85,
    0xa2bfe8a1, 0xa81a664b, 0xc24b8b70, 0xc76c51a3, 0xd192e819, 0xd6990624, 0xf40e3585, 0x106aa070,
    0x19a4c116, 0x1e376c08, 0x2748774c, 0x34b0bcb5, 0x391c0cb3, 0x4ed8aa4a, 0x5b9cca4f, 0x682e6ff3,
    0x748f82ee, 0x78a5636f, 0x84c87814, 0x8cc70208, 0x90befffa, 0xa4506ceb, 0xbef9a3f7, 0xc67178f2};

constexpr uint32_t kInitialState[8] = {0x6a09e667, 0xbb67ae85, 0x3c6ef372, 0xa54ff53a,
                                       0x510e527f, 0x9b05688c, 0x1f83d9ab, 0x5be0cd19};

uint32_t Rotate(uint32_t x, int n) { return (x >> n) | (x << (32 - n)); }

uint32_t ReadBigEndian(const uint8_t* p) {
  return uint32_t{p[0]} << 24 | uint32_t{p[1]} << 16 | uint32_t{p[2]} << 8 | p[3];
}

void Compress(uint32_t state[8], const uint8_t block[64]) {
  uint32_t w[64];
  for (int i = 0; i < 16; ++i) w[i] = ReadBigEndian(block + 4 * i);
  for (int i = 16; i < 64; ++i) {
    const uint32_t s0 = Rotate(w[i - 15], 7) ^ Rotate(w[i - 15], 18) ^ (w[i - 15] >> 3);
    const uint32_t s1 = Rotate(w[i - 2], 17) ^ Rotate(w[i - 2], 19) ^ (w[i - 2] >> 10);
    w[i] = w[i - 16] + s0 + w[i - 7] + s1;
  }
  uint32_t v[8];
  std::memcpy(v, state, sizeof v);
  for (int i = 0; i < 64; ++i) {
    const uint32_t s1 = Rotate(v[4], 6) ^ Rotate(v[4], 11) ^ Rotate(v[4], 25);
    const uint32_t choose = (v[4] & v[5]) ^ (~v[4] & v[6]);
    const uint32_t t1 = v[7] + s1 + choose + kRoundConstants[i] + w[i];
    const uint32_t s0 = Rotate(v[0], 2) ^ Rotate(v[0], 13) ^ Rotate(v[0], 22);
    const uint32_t majority = (v[0] & v[1]) ^ (v[0] & v[2]) ^ (v[1] & v[2]);
    std::memmove(v + 1, v, 7 * sizeof v[0]);
    v[4] += t1;
    v[0] = t1 + s0 + majority;
  }
  for (int i = 0; i < 8; ++i) state[i] += v[i];
}

}  // namespace

void StartSha256(Sha256& sha) {
  std::memcpy(sha.state, kInitialState, sizeof sha.state);
  sha.length = 0;
  sha.used = 0;
}

void AddSha256(Sha256& sha, const void* bytes, size_t count) {
  const uint8_t* in = static_cast<const uint8_t*>(bytes);
  sha.length += count;
  while (count > 0) {
    size_t take = sizeof sha.block - sha.used;
    if (take > count) take = count;
    std::memcpy(sha.block + sha.used, in, take);
    sha.used += take;
    in += take;
    count -= take;
    if (sha.used == sizeof sha.block) {
      Compress(sha.state, sha.block);
      sha.used = 0;
    }
  }
}

void FinishSha256(Sha256& sha, char hex[kSha256HexChars]) {
  const uint64_t bits = sha.length * 8;
  const uint8_t one = 0x80;
  const uint8_t zero = 0;
  AddSha256(sha, &one, 1);
  while (sha.used != 56) AddSha256(sha, &zero, 1);
  uint8_t lengthBytes[8];
  for (int i = 0; i < 8; ++i) lengthBytes[i] = static_cast<uint8_t>(bits >> (56 - 8 * i));
  AddSha256(sha, lengthBytes, sizeof lengthBytes);
  static const char kDigits[] = "0123456789abcdef";
  for (int i = 0; i < kSha256DigestBytes; ++i) {
    const uint32_t word = sha.state[i / 4];
    const uint8_t byte = static_cast<uint8_t>(word >> (24 - 8 * (i % 4)));
    hex[2 * i] = kDigits[byte >> 4];
    hex[2 * i + 1] = kDigits[byte & 15];
  }
  hex[2 * kSha256DigestBytes] = '\0';
}

bool HashFileSha256(const char* path, char hex[kSha256HexChars]) {
  FILE* in = std::fopen(path, "rb");
  if (in == nullptr) return false;
  Sha256 sha;
  StartSha256(sha);
  char buffer[8192];
  for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, in)) > 0;) AddSha256(sha, buffer, n);
  const bool read = std::ferror(in) == 0;
  std::fclose(in);
  FinishSha256(sha, hex);
  return read;
}
