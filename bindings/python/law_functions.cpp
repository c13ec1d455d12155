#include "law_functions.hpp"

#include <pybind11/numpy.h>

#include "sin_cos/law.hpp"

namespace py = pybind11;

namespace sin_cos_python {

namespace {

using in_array = py::array_t<double, py::array::c_style | py::array::forcecast>;

// f applied to every element of x, into an array of x's shape; the GIL is
// released over the loop (another thread may draw or build meanwhile).
template <class F>
py::array_t<double> map(const in_array& x, F f)
{
    py::array_t<double> out(std::vector<py::ssize_t>(x.shape(), x.shape() + x.ndim()));
    const double* in = x.data();
    double* data = out.mutable_data();
    const py::ssize_t count = x.size();
    {
        const py::gil_scoped_release unlocked;
        for (py::ssize_t k = 0; k < count; ++k) data[k] = f(in[k]);
    }
    return out;
}

}  // namespace

void add_law_functions(py::module_& m)
{
    using distribution = sin_cos::law_functions;
    py::class_<distribution>(m, "LawFunctions")
        .def(py::init([](double xini, double xfin, double H, int M) {
                 const py::gil_scoped_release unlocked;
                 return distribution(sin_cos::law{xini, xfin, H, M});
             }),
             py::arg("xini"), py::arg("xfin"), py::arg("H"), py::arg("M"))
        .def("pdf", [](const distribution& d, const in_array& x) { return map(x, [&](double v) { return d.pdf(v); }); })
        .def("logpdf",
             [](const distribution& d, const in_array& x) { return map(x, [&](double v) { return d.logpdf(v); }); })
        .def("cdf", [](const distribution& d, const in_array& x) { return map(x, [&](double v) { return d.cdf(v); }); })
        .def("sf", [](const distribution& d, const in_array& x) { return map(x, [&](double v) { return d.sf(v); }); })
        .def("moment", [](const distribution& d, int k) {
            const py::gil_scoped_release unlocked;
            return d.moment(k);
        })
        .def("variance", [](const distribution& d) {
            const py::gil_scoped_release unlocked;
            return d.variance();
        });
}

}  // namespace sin_cos_python
