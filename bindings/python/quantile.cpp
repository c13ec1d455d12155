// sin_cos._core's quantile: law::quantile over numpy arrays, the GIL released
// while it evaluates. The package's Quantile class (sin_cos/_quantile.py)
// checks and converts the arguments.

#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>

#include "envelope/law/quantile.hpp"
#include "numeric/error.hpp"
#include "quantile.hpp"
#include "sin_cos/sampler.hpp"

namespace py = pybind11;

namespace sin_cos_python {

namespace {

// The library's failures as the sampler's, which the module translates into
// ParameterError and BuildError.
template <class Make>
auto translated(Make make)
{
    try {
        return make();
    } catch (const numeric::failure& f) {
        throw sampler::build_error(f.kind() == numeric::failure_kind::refused ? sampler::error_kind::refused
                                                                              : sampler::error_kind::numerical,
                                   f.what());
    }
}

using array = py::array_t<double, py::array::c_style | py::array::forcecast>;

}  // namespace

void add_quantile(py::module_& m)
{
    py::class_<law::quantile>(m, "Quantile")
        .def(py::init([](double xini, double xfin, double H, int M, double resolution) {
                 return translated([&] { return new law::quantile(xini, xfin, H, M, resolution); });
             }),
             py::arg("xini"), py::arg("xfin"), py::arg("H"), py::arg("M"), py::arg("resolution"))
        .def("ppf", [](const law::quantile& q, double u) { return q.ppf(u); })
        // x[i] = ppf(u[i]) for contiguous arrays of the same size (x may be u).
        .def("ppf_into",
             [](const law::quantile& q, const array& u, py::array_t<double, py::array::c_style>& x) {
                 if (u.size() != x.size()) throw std::invalid_argument("u and out differ in size");
                 const std::span<const double> in(u.data(), static_cast<std::size_t>(u.size()));
                 const std::span<double> out(x.mutable_data(), static_cast<std::size_t>(x.size()));
                 py::gil_scoped_release unlocked;
                 q.ppf(in, out);
             })
        .def("cdf_into",
             [](const law::quantile& q, const array& x, py::array_t<double, py::array::c_style>& u) {
                 const double* in = x.data();
                 double* out = u.mutable_data();
                 const py::ssize_t n = x.size();
                 py::gil_scoped_release unlocked;
                 for (py::ssize_t i = 0; i < n; ++i) out[i] = q.law().cdf(in[i]);
             })
        .def("u_error_bound",
             [](const law::quantile& q) {
                 const law::u_error_bound e = q.u_error();
                 return py::make_tuple(e.resolution, e.bound, e.jump, e.where);
             })
        .def_property_readonly("pieces", &law::quantile::pieces);
}

}  // namespace sin_cos_python
