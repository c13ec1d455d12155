#include "mt19937_64.hpp"

#include <cstddef>
#include <memory>
#include <sstream>
#include <stdexcept>
#include <string>

#include <pybind11/numpy.h>

namespace py = pybind11;

namespace sin_cos_python {

namespace {

using state = mt19937_64_state;
constexpr std::size_t words = std::mt19937_64::state_size;

std::uint64_t next_uint64(void* s) { return static_cast<state*>(s)->engine(); }

// Both halves of a word, low first, as numpy's PCG64 and SFC64 give them.
std::uint32_t next_uint32(void* s)
{
    auto& st = *static_cast<state*>(s);
    if (st.has_uint32) {
        st.has_uint32 = false;
        return st.uinteger;
    }
    const std::uint64_t w = st.engine();
    st.has_uint32 = true;
    st.uinteger = static_cast<std::uint32_t>(w >> 32);
    return static_cast<std::uint32_t>(w);
}

// numpy's double of a 64-bit word, and the distribution's too: its 53 high bits.
double next_double(void* s) { return static_cast<double>(next_uint64(s) >> 11) * 0x1p-53; }

bitgen_t& bits_of(const py::object& capsule)
{
    auto* gen = static_cast<bitgen_t*>(PyCapsule_GetPointer(capsule.ptr(), "BitGenerator"));
    if (gen == nullptr) throw py::error_already_set();
    return *gen;
}

state& state_of(const py::object& capsule)
{
    const bitgen_t& gen = bits_of(capsule);
    if (gen.next_uint64 != &next_uint64) throw py::type_error("not the capsule of a sin_cos.MT19937_64");
    return *static_cast<state*>(gen.state);
}

void free_state(PyObject* capsule) { delete static_cast<state*>(PyCapsule_GetContext(capsule)); }

// The capsule owns the engine: numpy's Generator copies the bitgen_t and
// keeps the bit generator, which keeps the capsule, so the engine outlives
// every copy of the pointer, and nothing a Python caller can delete frees it.
void attach(const py::object& capsule, std::uint64_t seed)
{
    bitgen_t& gen = bits_of(capsule);
    if (gen.state != nullptr || PyCapsule_GetContext(capsule.ptr()) != nullptr ||
        PyCapsule_GetDestructor(capsule.ptr()) != nullptr)
        throw py::type_error("the bit generator has an engine already");
    auto owned = std::make_unique<state>();
    owned->engine.seed(seed);
    if (PyCapsule_SetContext(capsule.ptr(), owned.get()) != 0 ||
        PyCapsule_SetDestructor(capsule.ptr(), free_state) != 0)
        throw py::error_already_set();
    gen.state = owned.release();
    gen.next_uint64 = next_uint64;
    gen.next_uint32 = next_uint32;
    gen.next_double = next_double;
    gen.next_raw = next_uint64;
}

// The state as numpy's MT19937 and the reference generator keep it: the
// block of 312 words and the position of the next one in it, 312 when the
// next word starts a new block. libstdc++ writes the engine so, the block
// then the position; a library that writes only the 312 words of the C++
// standard's form writes the state that starts a new block.
bool writes_position()
{
    static const bool answer = [] {
        std::ostringstream text;
        text << std::mt19937_64();
        std::istringstream in(text.str());
        std::size_t count = 0;
        for (std::uint64_t w; in >> w;) ++count;
        return count == words + 1;
    }();
    return answer;
}

py::tuple get_state(const py::object& capsule)
{
    const state& st = state_of(capsule);
    std::ostringstream text;
    text << st.engine;
    std::istringstream in(text.str());
    py::array_t<std::uint64_t> key(static_cast<py::ssize_t>(words));
    std::uint64_t* k = key.mutable_data();
    for (std::size_t i = 0; i < words; ++i) in >> k[i];
    std::size_t pos = words;
    if (writes_position()) in >> pos;
    if (!in) throw std::runtime_error("the engine's state did not read back");
    return py::make_tuple(std::move(key), pos, st.has_uint32 ? 1 : 0, st.uinteger);
}

void set_state(const py::object& capsule, const py::array_t<std::uint64_t, py::array::c_style>& key,
               std::size_t pos, bool has_uint32, std::uint32_t uinteger)
{
    state& st = state_of(capsule);
    std::ostringstream text;
    for (std::size_t i = 0; i < words; ++i) text << key.data()[i] << ' ';
    if (writes_position())
        text << pos;
    else if (pos != words)
        throw py::value_error("this build's std::mt19937_64 takes only a state at pos = 312, not pos = " +
                              std::to_string(pos));
    std::istringstream in(text.str());
    std::mt19937_64 engine;
    if (!(in >> engine)) throw std::runtime_error("the engine did not read its state");
    st.engine = engine;
    st.has_uint32 = has_uint32;
    st.uinteger = uinteger;
}

}  // namespace

std::mt19937_64* mt19937_64_engine(const bitgen_t& gen)
{
    return gen.next_uint64 == &next_uint64 ? &static_cast<state*>(gen.state)->engine : nullptr;
}

void add_mt19937_64(py::module_& m)
{
    m.attr("MT19937_64_WORDS") = words;
    m.def("mt19937_64_attach", &attach);
    m.def("mt19937_64_state", &get_state);
    m.def("mt19937_64_set_state", &set_state, py::arg("capsule"), py::arg("key").noconvert(), py::arg("pos"),
          py::arg("has_uint32"), py::arg("uinteger"));
}

}  // namespace sin_cos_python
