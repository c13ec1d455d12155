// sin_cos._core: the C++ side of the sin_cos package. The package checks
// and converts the arguments (sin_cos/_checks.py), so that every call here
// receives the types it declares; this side builds, reads, writes and draws.

#include <cerrno>
#include <cstring>
#include <cstdint>
#include <exception>
#include <istream>
#include <random>
#include <stdexcept>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include "bit_generator.hpp"
#include "fd_input.hpp"
#include "law_functions.hpp"
#include "mt19937_64.hpp"
#include "quantile.hpp"
#include "sin_cos/sampler.hpp"

namespace py = pybind11;

namespace {

// The package's exception classes (sin_cos/_errors.py), owned for the
// interpreter's lifetime from the module's import on.
py::handle build_error_type;
py::handle parameter_error_type;
py::handle table_error_type;

// Messages may hold a path's bytes: decoded as os.fsdecode would, so that a
// path that is not UTF-8 reads in the message as it does in Python.
py::object text(const char* what)
{
    return py::reinterpret_steal<py::object>(PyUnicode_DecodeFSDefault(what));
}

void set_error(py::handle type, const py::object& exc)
{
    PyErr_SetObject(type.ptr(), exc.ptr());
}

void translate(std::exception_ptr p)
{
    try {
        if (p) std::rethrow_exception(p);
    } catch (const sin_cos::build_error& e) {
        const py::handle type = e.kind() == sin_cos::errc::refused ? parameter_error_type : build_error_type;
        set_error(type, type(text(e.what())));
    } catch (const sin_cos::table_error& e) {
        set_error(table_error_type, table_error_type(text(e.what()), sin_cos::name(e.kind()), e.line()));
    } catch (const sin_cos::io_error& e) {
        // Python's own OSError subclass for the error number, as open() raises it.
        // The package's functions give it its kind.
        PyErr_SetObject(PyExc_OSError,
                        py::make_tuple(e.error_number(), std::strerror(e.error_number()), e.path()).ptr());
    } catch (const sin_cos::error& e) {
        PyErr_SetObject(PyExc_ValueError, text(e.what()).ptr());
    }
}

[[noreturn]] void raise_os_error(int error, const py::object& filename, const char* fallback)
{
    if (error != 0) {
        errno = error;
        PyErr_SetFromErrnoWithFilenameObject(PyExc_OSError, filename.ptr());
    } else {
        PyErr_SetObject(PyExc_OSError, py::make_tuple(0, text(fallback), filename).ptr());
    }
    throw py::error_already_set();
}

template <class Read>
auto read_from(int fd, const py::object& filename, Read read)
{
    sin_cos_python::fd_input buffer(fd);
    std::istream in(&buffer);
    try {
        const py::gil_scoped_release unlocked;
        return read(in);
    } catch (const sin_cos::table_error&) {
        // A failed read looks like a truncated table to the reader.
        if (buffer.error() != 0) raise_os_error(buffer.error(), filename, "read error");
        throw;
    }
}

sin_cos::table load(int fd, const std::string& source, const py::object& filename)
{
    return read_from(fd, filename, [&](std::istream& in) { return sin_cos::read_table(in, source); });
}

std::vector<sin_cos::table> load_all(int fd, const std::string& source, const py::object& filename)
{
    return read_from(fd, filename, [&](std::istream& in) { return sin_cos::read_tables(in, source); });
}

void save(const sin_cos::table& t, const std::string& path, const py::object& filename)
{
    int error = 0;
    std::string failure;
    {
        const py::gil_scoped_release unlocked;
        try {
            sin_cos::write_table(t, path);
        } catch (const sin_cos::table_error&) {
            throw;  // a TableError, not an OSError
        } catch (const sin_cos::io_error& e) {
            error = e.error_number();
            failure = e.what();
        } catch (const std::runtime_error& e) {
            failure = e.what();
        }
    }
    if (!failure.empty()) raise_os_error(error, filename, failure.c_str());
}

// A pickle is bytes anyone can edit: the table it holds is checked as a file's is.
sin_cos::table from_parts(double H, int M, double xini, double xfin, double loss, double a,
                          const py::array_t<double, py::array::c_style | py::array::forcecast>& edges)
{
    const std::string source = "pickled table";
    if (edges.ndim() != 1 || edges.size() < 2)
        throw sin_cos::table_error(sin_cos::errc::malformed, source, 0, "a table needs at least two edges");
    sin_cos::table t{H, M, xini, xfin, loss, a, std::vector<double>(edges.data(), edges.data() + edges.size())};
    const py::gil_scoped_release unlocked;
    sin_cos::validate(t, source);
    return t;
}

bool same_table(const sin_cos::table& l, const sin_cos::table& r)
{
    return l.H == r.H && l.M == r.M && l.xini == r.xini && l.xfin == r.xfin && l.a == r.a && l.edges == r.edges;
}

using out_array = py::array_t<double, py::array::c_style>;

// The draws dist(g) would give, asking Python every 2^20 proposals whether
// Ctrl-C was pressed: a table of low acceptance can take long. False, with
// the Python error set, when it was.
template <class URBG>
bool fill(const sin_cos::distribution& dist, URBG& g, out_array& out)
{
    double* const data = out.mutable_data();
    const py::ssize_t count = out.size();
    const py::gil_scoped_release unlocked;
    bool interrupted = false;
    dist.generate_n(data, count, g, [&interrupted] {
        const py::gil_scoped_acquire held;
        interrupted = PyErr_CheckSignals() != 0;
        return interrupted;
    });
    return !interrupted;
}

void fill_bits(const sin_cos::distribution& dist, out_array out, const py::object& rng)
{
    sin_cos_python::locked_bit_generator bits(rng);
    std::mt19937_64* const engine = sin_cos_python::mt19937_64_engine(bits.bits());
    // The error is taken before the lock's release calls into Python.
    if (!(engine != nullptr ? fill(dist, *engine, out) : fill(dist, bits.engine(), out)))
        throw py::error_already_set();
}

}  // namespace

PYBIND11_MODULE(_core, m)
{
    m.doc() = "The C++ side of sin_cos; use the package's functions, which check their arguments.";

    const py::module_ errors = py::module_::import("sin_cos._errors");
    build_error_type = py::object(errors.attr("BuildError")).release();
    parameter_error_type = py::object(errors.attr("ParameterError")).release();
    table_error_type = py::object(errors.attr("TableError")).release();
    py::register_exception_translator(translate);
    sin_cos_python::add_mt19937_64(m);
    sin_cos_python::add_law_functions(m);
    sin_cos_python::add_quantile(m);

    py::class_<sin_cos::table>(m, "Table")
        .def_readonly("H", &sin_cos::table::H)
        .def_readonly("M", &sin_cos::table::M)
        .def_readonly("xini", &sin_cos::table::xini)
        .def_readonly("xfin", &sin_cos::table::xfin)
        .def_readonly("loss", &sin_cos::table::loss)
        .def_readonly("a", &sin_cos::table::a)
        .def_property_readonly("bins", &sin_cos::table::bins)
        .def_property_readonly("edges",
                               [](py::object self) {
                                   const auto& t = self.cast<const sin_cos::table&>();
                                   // A view into the table, kept alive by it, that numpy will not let anyone write.
                                   py::array_t<double> view(static_cast<py::ssize_t>(t.edges.size()),
                                                            t.edges.data(), self);
                                   py::detail::array_proxy(view.ptr())->flags &=
                                       ~py::detail::npy_api::NPY_ARRAY_WRITEABLE_;
                                   return view;
                               })
        .def("save", &save)
        .def("same", &same_table);

    m.def("build", [](double xini, double xfin, double H, int M, int n, bool tight) {
        const py::gil_scoped_release unlocked;
        return sin_cos::build_table(sin_cos::law{xini, xfin, H, M}, n, tight ? sin_cos::mode::tight : sin_cos::mode::classic);
    });
    m.def("law_fault", [](double xini, double xfin, double H, int M) {
        const sin_cos::law l{xini, xfin, H, M};
        return sin_cos::fault_message(l, sin_cos::fault_of(l));
    });
    m.def("load", &load);
    m.def("load_all", &load_all);
    m.def("build_all", [](const std::vector<std::tuple<double, double, double, int>>& laws, int n, bool tight) {
        std::vector<sin_cos::law> set;
        for (const auto& [xini, xfin, H, M] : laws) set.push_back({xini, xfin, H, M});
        const py::gil_scoped_release unlocked;
        return sin_cos::build_tables(set, n, tight ? sin_cos::mode::tight : sin_cos::mode::classic);
    });
    m.def("from_parts", &from_parts);

    py::class_<sin_cos::distribution>(m, "Sampler")
        .def(py::init<sin_cos::table>())
        .def("fill_bits", &fill_bits, py::arg("out").noconvert(), py::arg("rng"));
}
