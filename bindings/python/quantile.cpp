// sin_cos._core's quantile: sin_cos::quantile over numpy arrays, the GIL released
// while it evaluates. The package's Quantile class (sin_cos/_quantile.py)
// checks and converts the arguments.

#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>

#include "quantile.hpp"
#include "sin_cos/error.hpp"
#include "sin_cos/quantile.hpp"

namespace py = pybind11;

namespace sin_cos_python {

namespace {

// A quantile's failures as a build's, which the module translates: a law or
// resolution refused into ParameterError, one out of reach into BuildError.
template <class Make>
auto translated(Make make)
{
    try {
        return make();
    } catch (const sin_cos::build_error&) {
        throw;
    } catch (const sin_cos::error& e) {
        const bool refused = e.kind() == sin_cos::errc::refused || e.kind() == sin_cos::errc::invalid_argument;
        throw sin_cos::build_error(refused ? sin_cos::errc::refused : e.kind(), e.what());
    }
}

using array = py::array_t<double, py::array::c_style | py::array::forcecast>;

}  // namespace

void add_quantile(py::module_& m)
{
    py::class_<sin_cos::quantile>(m, "Quantile")
        .def(py::init([](double xini, double xfin, double H, int M, double resolution) {
                 return translated([&] { return new sin_cos::quantile(sin_cos::law{xini, xfin, H, M}, resolution); });
             }),
             py::arg("xini"), py::arg("xfin"), py::arg("H"), py::arg("M"), py::arg("resolution"))
        .def("ppf", [](const sin_cos::quantile& q, double u) { return q.ppf(u); })
        // x[i] = ppf(u[i]) for contiguous arrays of the same size (x may be u).
        .def("ppf_into",
             [](const sin_cos::quantile& q, const array& u, py::array_t<double, py::array::c_style>& x) {
                 if (u.size() != x.size()) throw std::invalid_argument("u and out differ in size");
                 const std::span<const double> in(u.data(), static_cast<std::size_t>(u.size()));
                 const std::span<double> out(x.mutable_data(), static_cast<std::size_t>(x.size()));
                 py::gil_scoped_release unlocked;
                 q.ppf(in, out);
             })
        .def("cdf_into",
             [](const sin_cos::quantile& q, const array& x, py::array_t<double, py::array::c_style>& u) {
                 const sin_cos::law_functions f(q.law());
                 const double* in = x.data();
                 double* out = u.mutable_data();
                 const py::ssize_t n = x.size();
                 py::gil_scoped_release unlocked;
                 for (py::ssize_t i = 0; i < n; ++i) out[i] = f.cdf(in[i]);
             })
        .def("u_error_bound",
             [](const sin_cos::quantile& q) {
                 const sin_cos::u_error_bound e = q.u_error();
                 return py::make_tuple(e.resolution, e.bound, e.jump, e.where);
             })
        .def_property_readonly("pieces", &sin_cos::quantile::pieces);
}

}  // namespace sin_cos_python
