#pragma once

#include <cstdio>
#include <cstdlib>

// A broken promise is a finding like a crash: named on stderr, then abort, so that
// libFuzzer keeps the input.
#define FUZZ_REQUIRE(condition)                                                                  \
    do {                                                                                         \
        if (!(condition)) {                                                                      \
            std::fprintf(stderr, "%s:%d: broken promise: %s\n", __FILE__, __LINE__, #condition); \
            std::abort();                                                                        \
        }                                                                                        \
    } while (false)
