// import sin_cos: tables built in process or read from the file sin_cos
// writes, and draws from them into numpy arrays.

#include <cstdint>
#include <exception>
#include <optional>
#include <random>
#include <stdexcept>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>
#include <pybind11/stl/filesystem.h>

#include "bit_generator.hpp"
#include "sin_cos/sampler.hpp"

namespace py = pybind11;

namespace {

// The exceptions carry what the C++ ones do: BuildError the tool's exit
// status, TableError the kind of fault and the file's line. Handles, not
// objects: the module's attributes own the types until the interpreter ends.
py::handle build_error_type;
py::handle table_error_type;

void translate(std::exception_ptr p)
{
    try {
        if (p) std::rethrow_exception(p);
    } catch (const sampler::build_error& e) {
        py::object exc = build_error_type(e.what());
        exc.attr("status") = e.status();
        PyErr_SetObject(build_error_type.ptr(), exc.ptr());
    } catch (const sampler::table_error& e) {
        py::object exc = table_error_type(e.what());
        exc.attr("kind") = e.problem() == sampler::table_error::kind::malformed ? "malformed" : "unsound";
        exc.attr("line") = e.line();
        PyErr_SetObject(table_error_type.ptr(), exc.ptr());
    }
}

py::handle new_exception(py::module_& m, const char* name, PyObject* base, const char* doc)
{
    const std::string qualified = std::string("sin_cos.") + name;
    auto type = py::reinterpret_steal<py::object>(PyErr_NewExceptionWithDoc(qualified.c_str(), doc, base, nullptr));
    if (!type) throw py::error_already_set();
    m.add_object(name, type);
    return type.release();
}

std::vector<py::ssize_t> shape_of(const py::object& size)
{
    std::vector<py::ssize_t> shape;
    if (PyIndex_Check(size.ptr()))
        shape.push_back(size.cast<py::ssize_t>());
    else
        for (const py::handle d : size) shape.push_back(d.cast<py::ssize_t>());
    for (const py::ssize_t d : shape)
        if (d < 0) throw py::value_error("size must not be negative, got " + std::to_string(d));
    return shape;
}

// The draws dist(g) would give, proposal by proposal, asking Python every 2^20
// proposals whether Ctrl-C was pressed: a table of low acceptance can take
// long. False, with the Python error set, when it was.
template <class URBG>
bool fill(const sampler::sin_cos_distribution& dist, URBG& g, double* out, py::ssize_t count)
{
    constexpr std::uint32_t check_every = 1u << 20;
    std::uint32_t since_check = 0;
    for (py::ssize_t k = 0; k < count;) {
        if (const auto x = dist.propose(g)) out[k++] = *x;
        if (++since_check == check_every) {
            since_check = 0;
            const py::gil_scoped_acquire held;
            if (PyErr_CheckSignals() != 0) return false;
        }
    }
    return true;
}

py::array_t<double> sample(const sampler::sin_cos_distribution& dist, const py::object& size,
                           std::optional<std::uint64_t> seed, py::object rng)
{
    if (seed && !rng.is_none()) throw py::type_error("sample takes seed or rng, not both");
    py::array_t<double> out(shape_of(size));
    double* data = out.mutable_data();
    const py::ssize_t count = out.size();
    bool done = false;
    if (seed) {
        const py::gil_scoped_release unlocked;
        std::mt19937_64 g(*seed);
        done = fill(dist, g, data, count);
    } else {
        if (rng.is_none()) rng = py::module_::import("numpy.random").attr("default_rng")();
        sin_cos_python::locked_bit_generator bits(rng);
        {
            const py::gil_scoped_release unlocked;
            done = fill(dist, bits.engine(), data, count);
        }
        // Taken before the lock's release calls into Python.
        if (!done) throw py::error_already_set();
    }
    if (!done) throw py::error_already_set();
    return out;
}

}  // namespace

PYBIND11_MODULE(sin_cos, m)
{
    m.doc() =
        "Equal-area envelope tables for x^M (1 - x^2)^((H-1)/2) on [xini, xfin], built in process or read\n"
        "from the file sin_cos writes, and exact draws from them into numpy arrays.";

    build_error_type = new_exception(m, "BuildError", PyExc_RuntimeError,
                                     "A build sin_cos would stop: the tool's message; .status is its exit "
                                     "status, 1 for a numerical failure, 255 for a refused parameter.");
    table_error_type = new_exception(m, "TableError", PyExc_ValueError,
                                     "A table that cannot be used: .kind is 'malformed' (not a table) or "
                                     "'unsound' (its envelope cannot be sampled); .line is the file's line, "
                                     "0 if none.");
    py::register_exception_translator(translate);

    py::class_<sampler::Table>(m, "Table",
                               "One histogram of a table: the density's H and M, the interval, the loss "
                               "(excess area of the envelope, percent), the common bin area a and the "
                               "n + 1 bin edges.")
        .def_readonly("H", &sampler::Table::H)
        .def_readonly("M", &sampler::Table::M)
        .def_readonly("xini", &sampler::Table::xini)
        .def_readonly("xfin", &sampler::Table::xfin)
        .def_readonly("loss", &sampler::Table::loss)
        .def_readonly("a", &sampler::Table::a)
        .def_property_readonly("bins", &sampler::Table::bins)
        .def_property_readonly(
            "edges",
            [](py::object self) {
                const auto& t = self.cast<const sampler::Table&>();
                // A view into the table, kept alive by it, that numpy will not let anyone write.
                py::array_t<double> view(static_cast<py::ssize_t>(t.edges.size()), t.edges.data(), self);
                py::detail::array_proxy(view.ptr())->flags &= ~py::detail::npy_api::NPY_ARRAY_WRITEABLE_;
                return view;
            },
            "The n + 1 bin edges, read-only; the last one is xfin.")
        .def(
            "save",
            [](const sampler::Table& t, const std::filesystem::path& path) {
                std::string failure;
                {
                    const py::gil_scoped_release unlocked;
                    try {
                        sampler::write_table(t, path.string());
                    } catch (const std::runtime_error& e) {
                        failure = e.what();
                    }
                }
                if (!failure.empty()) {
                    PyErr_SetString(PyExc_OSError, failure.c_str());
                    throw py::error_already_set();
                }
            },
            py::arg("path"), "Writes the table file byte for byte as sin_cos writes it; OSError if it cannot.")
        .def("__repr__", [](const sampler::Table& t) {
            return "<sin_cos.Table H=" + py::repr(py::float_(t.H)).cast<std::string>() + " M=" +
                   std::to_string(t.M) + " [" + py::repr(py::float_(t.xini)).cast<std::string>() + ", " +
                   py::repr(py::float_(t.xfin)).cast<std::string>() + "] " + std::to_string(t.bins()) + " bins>";
        });

    m.def(
        "build_table",
        [](double H, int M, double xini, double xfin, int n, bool tight) {
            const py::gil_scoped_release unlocked;
            return sampler::build_table(H, M, xini, xfin, n, tight ? sampler::mode::tight : sampler::mode::specified);
        },
        py::arg("H"), py::arg("M"), py::arg("xini"), py::arg("xfin"), py::arg("n"), py::arg("tight") = false,
        "The table sin_cos writes for these answers (sin_cos --tight with tight=True), edge for edge.\n"
        "Raises BuildError where the tool would stop.");

    m.def(
        "load_table",
        [](const std::filesystem::path& path) {
            const py::gil_scoped_release unlocked;
            return sampler::load_table(path.string());
        },
        py::arg("path"),
        "Reads a table file of one histogram; raises TableError naming the line, or saying how many\n"
        "histograms a file of several holds (load_tables reads them all).");

    m.def(
        "load_tables",
        [](const std::filesystem::path& path) {
            const py::gil_scoped_release unlocked;
            return sampler::load_tables(path.string());
        },
        py::arg("path"), "Every histogram of a table file, in order, as a list of Table.");

    m.def(
        "build_tables",
        [](const std::vector<std::tuple<double, double, double, int>>& laws, int n, bool tight) {
            std::vector<sampler::Law> set;
            for (const auto& [xini, xfin, H, M] : laws) set.push_back({xini, xfin, H, M});
            const py::gil_scoped_release unlocked;
            return sampler::build_tables(set, n, tight ? sampler::mode::tight : sampler::mode::specified);
        },
        py::arg("laws"), py::arg("n"), py::kw_only(), py::arg("tight") = false,
        "The tables of laws, a sequence of (xini, xfin, H, M), with n bins each, built side by side: a\n"
        "list of Table in the laws' order. Raises BuildError for the first law in order that sin_cos\n"
        "would stop on, its message naming the law.");

    py::class_<sampler::sin_cos_distribution>(m, "Sampler", "Draws from a table by its rejection method.")
        .def(py::init<sampler::Table>(), py::arg("table"))
        .def_property_readonly("table", &sampler::sin_cos_distribution::table)
        .def("sample", &sample, py::arg("size"), py::kw_only(), py::arg("seed") = py::none(),
             py::arg("rng") = py::none(),
             "size draws (an int or a shape) as a float64 array.\n\n"
             "seed=s: the first draws of C++'s sampler::sin_cos_distribution driven by std::mt19937_64(s),\n"
             "the same numbers in every language.\n"
             "rng=g (a numpy Generator or BitGenerator, a fresh default_rng() if neither is given): each\n"
             "proposal takes three 64-bit words w1, w2, w3 from the bit generator's next_uint64, read as\n"
             "u = (w >> 11) * 2**-53: bin i = floor(u1 n), x = edges[i] + u2 (edges[i+1] - edges[i]),\n"
             "kept if u3 a / (edges[i+1] - edges[i]) is below the density at x; else three more words.\n"
             "The generator advances by exactly the words used.");
}
