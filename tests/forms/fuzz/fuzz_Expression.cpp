// libFuzzer target: any bytes through Expression::evaluate, checked by the shared oracle.
#include "forms/fuzz/ExpressionOracle.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string problem = quindle::fuzz::expressionProblem(
        std::string_view(reinterpret_cast<const char*>(data), size));
    if (!problem.empty()) {
        std::fprintf(stderr, "Expression oracle: %s\n", problem.c_str());
        std::abort();
    }
    return 0;
}
