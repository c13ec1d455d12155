// A simulation's view of the stream: 10^6 draws of one table, hashed. The
// flags test builds this file with the compilers and flags a caller might use;
// every build must print the pinned hash.
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <exception>
#include <random>

#include <sin_cos/sampler.hpp>

int main()
{
    try {
        const sin_cos::distribution dist(sin_cos::build_table(sin_cos::law{-1, 1, 2.11, 4}, 1000, sin_cos::mode::tight));
        std::mt19937_64 rng(12345);
        std::uint64_t hash = 0xcbf29ce484222325;  // FNV-1a over the draws' bytes
        for (int i = 0; i < 1000000; ++i) {
            const double x = dist(rng);
            unsigned char bytes[sizeof x];
            std::memcpy(bytes, &x, sizeof x);
            for (const unsigned char b : bytes) hash = (hash ^ b) * 0x100000001b3;
        }
        std::printf("%016llx\n", static_cast<unsigned long long>(hash));
    } catch (const std::exception& e) {
        std::fprintf(stderr, "caller_hash: %s\n", e.what());
        return 1;
    }
    return 0;
}
