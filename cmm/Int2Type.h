#pragma once

namespace Nuvra {

// Empty tag carrying one integer, so that a layout known at compile time
// selects its template member without a branch.
template <int V>
struct Int2Type {
    enum { value = V };
};

} // namespace Nuvra
