#pragma once

#include <cstdint>

namespace quillet::sim {

// A reproducible stream of numbers from a seed: the simulated devices draw their serial
// numbers, load profiles and initial contents from it, so the same options give the same
// devices on every run and every machine.
class SeedStream {
public:
    explicit SeedStream(std::uint64_t seed) : state_(seed) {}
    SeedStream(std::uint64_t seed, std::uint64_t salt)
        : state_(seed * 0x9E3779B97F4A7C15ull ^ salt) {}

    std::uint64_t next() {  // splitmix64
        std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    // 0 .. bound-1
    int below(int bound) { return static_cast<int>(next() % static_cast<std::uint64_t>(bound)); }
    // [low, high)
    double between(double low, double high) {
        return low + (high - low) * static_cast<double>(next() >> 11) * 0x1.0p-53;
    }

private:
    std::uint64_t state_;
};

}  // namespace quillet::sim
