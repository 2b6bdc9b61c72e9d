#pragma once
// What the fuzz targets share: a check that stops the run loudly, so that
// libFuzzer keeps the input that broke a promise.

#include <cstdio>
#include <cstdlib>
#include <string>

namespace quorvan::fuzz {

[[noreturn]] inline void Fail(const char* file, int line, const char* what, const std::string& detail) {
  std::fprintf(stderr, "%s:%d: broken promise: %s %s\n", file, line, what, detail.c_str());
  std::abort();
}

}  // namespace quorvan::fuzz

/// Aborts with the failed condition (and an optional detail text).
#define FUZZ_REQUIRE(cond, ...)                                                        \
  do {                                                                                 \
    if (!(cond)) ::quorvan::fuzz::Fail(__FILE__, __LINE__, #cond, std::string(__VA_ARGS__)); \
  } while (false)
