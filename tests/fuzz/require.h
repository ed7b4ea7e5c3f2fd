#pragma once
// A promise a fuzz target checks. Breaking one aborts, so that libFuzzer keeps the input as a crash and
// the seed replay test fails on it.
#include <cstdlib>

namespace korva::fuzz {

inline void Require(bool promise) {
    if (!promise)
        std::abort();
}

}  // namespace korva::fuzz
