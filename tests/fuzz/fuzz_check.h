// A failed property is a crash, so that libFuzzer keeps the input.
#pragma once

#include <cstdlib>

inline void Check(bool condition) {
  if (!condition) {
    std::abort();
  }
}
