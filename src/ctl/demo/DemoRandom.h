#pragma once
// A small deterministic random source for the demo data: SplitMix64. The same
// seed gives the same numbers on every platform (no library distributions).
#include <cstdint>

class DemoRandom {
public:
    explicit DemoRandom(uint64_t seed) : m_state(seed) {}
    // A stream of its own for one (seed, a, b) combination, e.g. a card and a day.
    static DemoRandom forKey(uint64_t seed, uint64_t a, uint64_t b = 0) {
        DemoRandom r(seed ^ (a * 0x9E3779B97F4A7C15ULL) ^ (b * 0xC2B2AE3D27D4EB4FULL));
        r.next();
        return r;
    }

    uint64_t next() {
        uint64_t z = (m_state += 0x9E3779B97F4A7C15ULL);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
        return z ^ (z >> 31);
    }
    // Uniform in [lo, hi], both included.
    int range(int lo, int hi) {
        const uint64_t span = uint64_t(int64_t(hi) - int64_t(lo) + 1);
        return int(int64_t(lo) + int64_t(next() % span));
    }
    // Uniform in [0, 1).
    double unit() { return double(next() >> 11) * (1.0 / 9007199254740992.0); }
    bool chance(double p) { return unit() < p; }
    // Index into a table of integer weights.
    template <int N> int pick(const int (&weights)[N]) {
        int total = 0;
        for (int w : weights)
            total += w;
        int x = range(0, total - 1);
        for (int i = 0; i < N; ++i) {
            if (x < weights[i])
                return i;
            x -= weights[i];
        }
        return N - 1;
    }

private:
    uint64_t m_state;
};
