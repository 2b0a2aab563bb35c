// Shared by the fuzz targets: a quiet console and a check that stops the run.
#ifndef SONGWHIM_FUZZ_FUZZ_UTIL_H_
#define SONGWHIM_FUZZ_FUZZ_UTIL_H_

#include <cstdint>
#include <cstdio>
#include <cstdlib>

// The program's console text would only slow the fuzzer down.
inline void SilenceConsole() {
  if (!std::freopen("/dev/null", "w", stdout)) std::abort();
}

#define FUZZ_CHECK(condition)       \
  do {                              \
    if (!(condition)) std::abort(); \
  } while (0)

#endif  // SONGWHIM_FUZZ_FUZZ_UTIL_H_
