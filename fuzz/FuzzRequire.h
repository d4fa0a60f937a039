// The fuzz targets' check: a broken invariant names itself and aborts, which libFuzzer
// reports as a crash and keeps the input for.
#pragma once

#include <cstdio>
#include <cstdlib>

[[noreturn]] inline void FuzzInvariantBroken(const char* what, const char* file, int line) {
  std::fprintf(stderr, "%s:%d: invariant broken: %s\n", file, line, what);
  std::abort();
}

#define FUZZ_REQUIRE(...) ((__VA_ARGS__) ? void(0) : FuzzInvariantBroken(#__VA_ARGS__, __FILE__, __LINE__))
