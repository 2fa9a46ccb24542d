#pragma once

#include <cstdio>
#include <cstdlib>

// A property of the code under fuzzing; a broken one stops the run with the input kept.
inline void Check(bool holds, const char* property) {
    if (holds) return;
    std::fprintf(stderr, "property broken: %s\n", property);
    std::abort();
}
