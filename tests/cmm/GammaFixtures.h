#pragma once
// Curves the tests build over and over: a pure power law sampled at n points.
#include "cmm/GammaTable.h"

#include <cstddef>

namespace Nuvra::CMM::Test {

inline cGammaTable Gamma(std::size_t n, float g)
{
    cGammaTable t;
    t.Build(n, 1, &g);
    return t;
}

} // namespace Nuvra::CMM::Test
