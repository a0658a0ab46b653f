#pragma once

#include <cstdint>

namespace vinculor::bench {

// A small generator of pseudo-random numbers (splitmix64): the same seed gives
// the same sequence on every platform and compiler, which the standard
// library's distributions do not promise.
class Azar {
public:
    explicit Azar(std::uint64_t semilla) : estado_(semilla) {}

    std::uint64_t siguiente() {
        std::uint64_t z = (estado_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }

    // 0 to n - 1; n > 0.
    std::uint64_t menorQue(std::uint64_t n) { return siguiente() % n; }

    // True with a probability of `porMil` in a thousand.
    bool porMil(unsigned porMil) { return menorQue(1000) < porMil; }

private:
    std::uint64_t estado_;
};

} // namespace vinculor::bench
