#include "fuzz_support.hpp"

#include <cstdio>
#include <cstdlib>

namespace torvane::fuzz {

void Fail(const char* what) {
    std::fprintf(stderr, "fuzz property broken: %s\n", what);
    std::abort();
}

}  // namespace torvane::fuzz
