#pragma once

// The library's engine, std::mt19937_64, behind numpy's bit generator
// interface (a bitgen_t in the "BitGenerator" capsule), for
// sin_cos.MT19937_64 (sin_cos/_bit_generator.py).

#include <cstdint>
#include <random>

#include <numpy/random/bitgen.h>
#include <pybind11/pybind11.h>

namespace sin_cos_python {

// What the bitgen_t's state points to: the engine, and the half word that
// next_uint32 keeps back for the next call, as numpy's 64-bit generators do.
struct mt19937_64_state {
    std::mt19937_64 engine;
    bool has_uint32 = false;
    std::uint32_t uinteger = 0;
};

// The engine behind a bit generator when it is a sin_cos.MT19937_64, else
// null: draws then call it in line rather than through a pointer a word.
std::mt19937_64* mt19937_64_engine(const bitgen_t& gen);

// _core's functions behind sin_cos.MT19937_64.
void add_mt19937_64(pybind11::module_& m);

}  // namespace sin_cos_python
