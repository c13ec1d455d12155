// Prints a hash of the bits of 10^6 draws from a table built in process, from
// it written and read back, and from a tight table read from a file: the
// same lines from every compiler and standard library.
//     draw_hash WORK_DIR
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <exception>
#include <fstream>
#include <random>
#include <string>

#include <sin_cos/sampler.hpp>

namespace {

void print_hash(const char* what, const sin_cos::distribution& dist, std::uint64_t seed)
{
    std::mt19937_64 rng(seed);
    std::uint64_t hash = 0xcbf29ce484222325;  // FNV-1a over the draws' bytes
    double x = 0;
    for (int i = 0; i < 1000000; ++i) {
        x = dist(rng);
        unsigned char bytes[sizeof x];
        std::memcpy(bytes, &x, sizeof x);
        for (const unsigned char b : bytes) hash = (hash ^ b) * 0x100000001b3;
    }
    std::printf("%s, seed %llu: 10^6 draws hash to %016llx, the last %.17g\n", what,
                static_cast<unsigned long long>(seed), static_cast<unsigned long long>(hash), x);
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) return std::fprintf(stderr, "usage: draw_hash WORK_DIR\n"), 2;
    try {
        // Built in process, and written and read back.
        const std::string written = std::string(argv[1]) + "/default.res";
        const sin_cos::table built = sin_cos::build_table(sin_cos::law{-0.3, 0.9, 2.11, 4}, 200);
        sin_cos::write_table(built, written);
        print_hash("2.11 4 -0.3 0.9 200", sin_cos::distribution(built), 42);
        print_hash("2.11 4 -0.3 0.9 200, read back", sin_cos::distribution(sin_cos::load_table(written)), 42);

        // The tight calibration's adaptive integral adds up its panels in the
        // order the library's heap stores them, which libc++ and libstdc++ do
        // not share; its last bits then differ. The first run writes the
        // table, every run reads that file.
        const std::string tight = std::string(argv[1]) + "/tight.res";
        if (!std::ifstream(tight)) sin_cos::write_table(sin_cos::build_table(sin_cos::law{-1, 1, 2, 4}, 1000, sin_cos::mode::tight), tight);
        print_hash("2 4 -1 1 1000 tight, from the first run's file", sin_cos::distribution(sin_cos::load_table(tight)),
                   12345);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "draw_hash: %s\n", e.what());
        return 1;
    }
    return 0;
}
