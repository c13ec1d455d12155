#pragma once

// A numpy bit generator as a C++ engine, through its C interface (the
// "BitGenerator" capsule) rather than value by value through Python.

#include <cstdint>
#include <limits>
#include <string>

#include <numpy/random/bitgen.h>
#include <pybind11/pybind11.h>

namespace sin_cos_python {

// Full-range 64-bit words from next_uint64, so that the distribution reads
// each word as (w >> 11) 2^-53, as it reads std::mt19937_64.
struct bit_engine {
    using result_type = std::uint64_t;
    static constexpr result_type min() { return 0; }
    static constexpr result_type max() { return std::numeric_limits<result_type>::max(); }
    result_type operator()() { return gen->next_uint64(gen->state); }

    bitgen_t* gen;
};

// Holds the bit generator's lock for the whole fill, as numpy's own methods
// do, so that another thread's draws cannot interleave with ours.
class locked_bit_generator {
public:
    explicit locked_bit_generator(const pybind11::object& rng)
    {
        namespace py = pybind11;
        owner_ = py::hasattr(rng, "bit_generator") ? rng.attr("bit_generator") : rng;
        if (!py::hasattr(owner_, "capsule") || !py::hasattr(owner_, "lock"))
            throw py::type_error("rng must be a numpy.random.Generator or a numpy.random.BitGenerator, not " +
                                 py::repr(rng).cast<std::string>());
        const py::object capsule = owner_.attr("capsule");
        auto* gen = static_cast<bitgen_t*>(PyCapsule_GetPointer(capsule.ptr(), "BitGenerator"));
        if (gen == nullptr) throw py::error_already_set();
        // A BitGenerator subclass whose __init__ never filled in its functions.
        if (gen->next_uint64 == nullptr)
            throw py::type_error("rng's bit generator has no engine: " + py::repr(rng).cast<std::string>());
        engine_.gen = gen;
        lock_ = owner_.attr("lock");
        lock_.attr("acquire")();
    }

    ~locked_bit_generator()
    {
        PyObject* done = PyObject_CallMethod(lock_.ptr(), "release", nullptr);
        if (done != nullptr)
            Py_DECREF(done);
        else
            PyErr_WriteUnraisable(lock_.ptr());
    }

    locked_bit_generator(const locked_bit_generator&) = delete;
    locked_bit_generator& operator=(const locked_bit_generator&) = delete;

    bit_engine& engine() { return engine_; }
    const bitgen_t& bits() const { return *engine_.gen; }

private:
    pybind11::object owner_;  // keeps the capsule's state alive
    pybind11::object lock_;
    bit_engine engine_{};
};

}  // namespace sin_cos_python
