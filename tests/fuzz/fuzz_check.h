// Properties that a fuzz target checks besides "no crash": a broken one stops the run
// with a message, and libFuzzer keeps the input that broke it.
#pragma once

#include <cstdio>
#include <cstdlib>

#define FUZZ_REQUIRE(property)                                                                   \
    do {                                                                                         \
        if (!(property)) {                                                                       \
            std::fprintf(stderr, "%s:%d: property broken: %s\n", __FILE__, __LINE__, #property); \
            std::abort();                                                                        \
        }                                                                                        \
    } while (false)
