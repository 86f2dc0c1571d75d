// What the fuzz targets assert. A violated property aborts with where and why, so
// that libFuzzer keeps the input as a finding and a replay of it fails as a test.
#pragma once
#include <cstdio>
#include <cstdlib>

#define FUZZ_CHECK(condition, ...)                                                     \
  do {                                                                                 \
    if (!(condition)) {                                                                \
      std::fprintf(stderr, "%s:%d: property violated: %s: ", __FILE__, __LINE__, #condition); \
      std::fprintf(stderr, __VA_ARGS__);                                               \
      std::fprintf(stderr, "\n");                                                      \
      std::abort();                                                                    \
    }                                                                                  \
  } while (0)
