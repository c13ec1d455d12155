#include "sin_cos/sin_cos.h"

#include <cstdio>
#include <exception>
#include <limits>
#include <cstdlib>
#include <new>
#include <random>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "sin_cos/law.hpp"
#include "sin_cos/sampler.hpp"

struct sin_cos_table {
    sin_cos::distribution dist;
};

struct sin_cos_rng {
    std::mt19937_64 engine;
};

namespace {

struct last_failure {
    std::string message;
    sin_cos_error_kind kind = SIN_COS_NO_ERROR;
};

thread_local last_failure failure;

constexpr double not_a_number = std::numeric_limits<double>::quiet_NaN();

void fail(sin_cos_error_kind kind, const char* message) noexcept
{
    try {
        failure.message = message;
    } catch (...) {
        failure.message.clear();  // too little memory for the message itself
    }
    failure.kind = kind;
}

sin_cos_error_kind kind_of(sin_cos::errc k)
{
    switch (k) {
    case sin_cos::errc::refused: return SIN_COS_REFUSED;
    case sin_cos::errc::numerical: return SIN_COS_NUMERICAL;
    case sin_cos::errc::malformed: return SIN_COS_MALFORMED;
    case sin_cos::errc::unsound: return SIN_COS_UNSOUND;
    case sin_cos::errc::io: return SIN_COS_IO;
    case sin_cos::errc::invalid_argument: return SIN_COS_INVALID;
    case sin_cos::errc::no_memory: return SIN_COS_NO_MEMORY;
    }
    return SIN_COS_OTHER;
}

// Every exception ends here, in the one place a C caller can see it.
template <class Result, class Call>
Result guarded(Result on_failure, Call call) noexcept
{
    try {
        return call();
    } catch (const sin_cos::error& e) {
        fail(kind_of(e.kind()), e.what());
    } catch (const std::bad_alloc&) {
        fail(SIN_COS_NO_MEMORY, "out of memory");
    } catch (const std::invalid_argument& e) {
        fail(SIN_COS_INVALID, e.what());  // a NULL argument
    } catch (const std::exception& e) {
        fail(SIN_COS_OTHER, e.what());
    } catch (...) {
        fail(SIN_COS_OTHER, "unknown failure");
    }
    return on_failure;
}

bool given(bool present, const char* function, const char* what) noexcept
{
    if (!present) {
        char message[128];
        std::snprintf(message, sizeof message, "%s: the %s is NULL", function, what);
        fail(SIN_COS_INVALID, message);
    }
    return present;
}

sin_cos::mode mode_of(sin_cos_mode m) { return m == SIN_COS_TIGHT ? sin_cos::mode::tight : sin_cos::mode::classic; }

const sin_cos::table* table_of(const sin_cos_table* t) { return &t->dist.table(); }

// The tables as an array of handles the caller owns; *count is set only once all are made.
sin_cos_table** handles(std::vector<sin_cos::table> tables, const std::string& source, size_t* count)
{
    // malloc'd, so that free() can take the array alone from a caller that keeps its tables.
    auto** array = static_cast<sin_cos_table**>(std::calloc(tables.size(), sizeof(sin_cos_table*)));
    if (array == nullptr) throw std::bad_alloc();
    try {
        for (size_t k = 0; k < tables.size(); ++k)
            array[k] = new sin_cos_table{sin_cos::distribution(std::move(tables[k]), source)};
    } catch (...) {
        sin_cos_free_tables(array, tables.size());
        throw;
    }
    *count = tables.size();
    return array;
}

// The law's functions for a C law, its NULL refused.
sin_cos::law_functions functions_of(const sin_cos_law* law, const char* function)
{
    if (law == nullptr) throw std::invalid_argument(std::string(function) + ": the law is NULL");
    return sin_cos::law_functions(sin_cos::law{law->xini, law->xfin, law->H, law->M});
}

template <class F>
double law_value(const sin_cos_law* law, const char* function, F f) noexcept
{
    return guarded(not_a_number, [&] { return f(functions_of(law, function)); });
}

template <class F>
int law_values(const sin_cos_law* law, const double* x, double* out, size_t count, const char* function, F f) noexcept
{
    return guarded(-1, [&] {
        if (count > 0 && (x == nullptr || out == nullptr))
            throw std::invalid_argument(std::string(function) + ": x or out is NULL");
        const sin_cos::law_functions d = functions_of(law, function);
        for (size_t k = 0; k < count; ++k) out[k] = f(d, x[k]);
        return 0;
    });
}

}  // namespace

extern "C" {

int sin_cos_build_status(void);
void sin_cos_fortran_refuse(const char* message);
sin_cos_table* sin_cos_fortran_load_histogram(const char* path, long long number);

sin_cos_table* sin_cos_table_build(const sin_cos_law* law, int n, sin_cos_mode mode)
{
    return guarded<sin_cos_table*>(nullptr, [&]() -> sin_cos_table* {
        if (!given(law, "sin_cos_table_build", "law")) return nullptr;
        const sin_cos::law l{law->xini, law->xfin, law->H, law->M};
        return new sin_cos_table{sin_cos::distribution(sin_cos::build_table(l, n, mode_of(mode)))};
    });
}

sin_cos_table* sin_cos_build(double H, int M, double xini, double xfin, int n, int tight)
{
    const sin_cos_law law = {xini, xfin, H, M};
    return sin_cos_table_build(&law, n, tight != 0 ? SIN_COS_TIGHT : SIN_COS_CLASSIC);
}

sin_cos_table* sin_cos_load(const char* path)
{
    return guarded<sin_cos_table*>(nullptr, [&] {
        if (path == nullptr) throw std::invalid_argument("sin_cos_load: the path is NULL");
        return new sin_cos_table{sin_cos::distribution(sin_cos::load_table(path), path)};
    });
}

int sin_cos_write(const sin_cos_table* t, const char* path)
{
    return guarded(-1, [&] {
        if (!given(t, "sin_cos_write", "table") || !given(path, "sin_cos_write", "path")) return -1;
        sin_cos::write_table(t->dist.table(), path);
        return 0;
    });
}

void sin_cos_free(sin_cos_table* t) { delete t; }

void sin_cos_free_tables(sin_cos_table** tables, size_t count)
{
    if (tables == nullptr) return;
    for (size_t k = 0; k < count; ++k) delete tables[k];
    std::free(tables);
}

sin_cos_table** sin_cos_load_tables(const char* path, size_t* count)
{
    if (count != nullptr) *count = 0;
    return guarded<sin_cos_table**>(nullptr, [&] {
        if (!given(count, "sin_cos_load_tables", "count")) return static_cast<sin_cos_table**>(nullptr);
        if (path == nullptr) throw std::invalid_argument("sin_cos_load_tables: the path is NULL");
        return handles(sin_cos::load_tables(path), path, count);
    });
}

sin_cos_table* sin_cos_load_histogram(const char* path, size_t index)
{
    return guarded<sin_cos_table*>(nullptr, [&] {
        if (path == nullptr) throw std::invalid_argument("sin_cos_load_histogram: the path is NULL");
        return new sin_cos_table{sin_cos::distribution(sin_cos::load_table(path, index), path)};
    });
}

// The Fortran module's refusal of its own arguments (arrays of different
// sizes), told as every failure is. Not in sin_cos.h.
void sin_cos_fortran_refuse(const char* message) { fail(SIN_COS_INVALID, message); }

// The Fortran module's load of one histogram: Fortran numbers them from 1,
// and so does the message of a number out of range. Not in sin_cos.h: C
// callers count from 0 with sin_cos_load_histogram.
sin_cos_table* sin_cos_fortran_load_histogram(const char* path, long long number)
{
    return guarded<sin_cos_table*>(nullptr, [&] {
        if (path == nullptr) throw std::invalid_argument("sin_cos_load: the path is NULL");
        std::vector<sin_cos::table> tables = sin_cos::load_tables(path);
        if (number < 1 || static_cast<unsigned long long>(number) > tables.size()) {
            throw sin_cos::error(sin_cos::errc::invalid_argument, std::string(path) + ": no histogram " + std::to_string(number) + ": the file holds " +
                                    std::to_string(tables.size()) + ", numbered from 1");
        }
        return new sin_cos_table{sin_cos::distribution(std::move(tables[number - 1]), path)};
    });
}

sin_cos_table** sin_cos_tables_build(const sin_cos_law* laws, size_t count, int n, sin_cos_mode mode)
{
    return guarded<sin_cos_table**>(nullptr, [&]() -> sin_cos_table** {
        if (count == 0) throw sin_cos::error(sin_cos::errc::invalid_argument, "sin_cos_tables_build: no law was given");
        if (!given(laws, "sin_cos_tables_build", "law array")) return nullptr;
        std::vector<sin_cos::law> set(count);
        for (size_t k = 0; k < count; ++k) set[k] = {laws[k].xini, laws[k].xfin, laws[k].H, laws[k].M};
        size_t built = 0;
        return handles(sin_cos::build_tables(set, n, mode_of(mode)), "table", &built);
    });
}

sin_cos_table** sin_cos_build_tables(size_t count, const double* H, const int* M, const double* xini,
                                     const double* xfin, int n, int tight)
{
    return guarded<sin_cos_table**>(nullptr, [&]() -> sin_cos_table** {
        if (count == 0) throw std::invalid_argument("sin_cos_build_tables: no law was given");
        if (!given(H, "sin_cos_build_tables", "H array") || !given(M, "sin_cos_build_tables", "M array") ||
            !given(xini, "sin_cos_build_tables", "xini array") || !given(xfin, "sin_cos_build_tables", "xfin array"))
            return nullptr;
        std::vector<sin_cos::law> laws(count);
        for (size_t k = 0; k < count; ++k) laws[k] = {xini[k], xfin[k], H[k], M[k]};
        size_t built = 0;
        return handles(sin_cos::build_tables(laws, n, tight != 0 ? sin_cos::mode::tight : sin_cos::mode::classic),
                       "table", &built);
    });
}

int sin_cos_write_tables(sin_cos_table* const* tables, size_t count, const char* path)
{
    return guarded(-1, [&] {
        if (!given(tables, "sin_cos_write_tables", "table array") || !given(path, "sin_cos_write_tables", "path"))
            return -1;
        std::vector<sin_cos::table> copies;
        copies.reserve(count);
        for (size_t k = 0; k < count; ++k) {
            if (tables[k] == nullptr)
                throw std::invalid_argument("sin_cos_write_tables: table " + std::to_string(k + 1) + " is NULL");
            copies.push_back(tables[k]->dist.table());
        }
        sin_cos::write_tables(copies, path);
        return 0;
    });
}

const char* sin_cos_error(void) { return failure.message.c_str(); }

// Not in sin_cos.h since 3.0.0 (the tool's exit status is the tool's): kept
// for objects built against 2.x.
int sin_cos_build_status(void)
{
    switch (failure.kind) {
    case SIN_COS_REFUSED: return 255;
    case SIN_COS_NUMERICAL: return 1;
    default: return 0;
    }
}

sin_cos_error_kind sin_cos_last_error_kind(void) { return failure.kind; }

double sin_cos_H(const sin_cos_table* t) { return t ? table_of(t)->H : not_a_number; }
int sin_cos_M(const sin_cos_table* t) { return t ? table_of(t)->M : -1; }
double sin_cos_xini(const sin_cos_table* t) { return t ? table_of(t)->xini : not_a_number; }
double sin_cos_xfin(const sin_cos_table* t) { return t ? table_of(t)->xfin : not_a_number; }
double sin_cos_loss(const sin_cos_table* t) { return t ? table_of(t)->loss : not_a_number; }
double sin_cos_area(const sin_cos_table* t) { return t ? table_of(t)->a : not_a_number; }
size_t sin_cos_bins(const sin_cos_table* t) { return t ? table_of(t)->bins() : 0; }
sin_cos_law sin_cos_table_law(const sin_cos_table* t)
{
    if (t == nullptr) return {not_a_number, not_a_number, not_a_number, -1};
    const sin_cos::table* table = table_of(t);
    return {table->xini, table->xfin, table->H, table->M};
}

const double* sin_cos_edges(const sin_cos_table* t) { return t ? table_of(t)->edges.data() : nullptr; }

sin_cos_rng* sin_cos_rng_new(uint64_t seed)
{
    return guarded<sin_cos_rng*>(nullptr, [&] { return new sin_cos_rng{std::mt19937_64(seed)}; });
}

void sin_cos_rng_free(sin_cos_rng* g) { delete g; }

uint64_t sin_cos_rng_next(sin_cos_rng* g)
{
    if (!given(g, "sin_cos_rng_next", "generator")) return 0;
    return g->engine();
}

double sin_cos_draw(const sin_cos_table* t, sin_cos_rng* g)
{
    if (!given(t, "sin_cos_draw", "table") || !given(g, "sin_cos_draw", "generator")) return not_a_number;
    return t->dist(g->engine);
}

void sin_cos_fill(const sin_cos_table* t, sin_cos_rng* g, double* out, size_t count)
{
    if (count == 0 || !given(t, "sin_cos_fill", "table") || !given(g, "sin_cos_fill", "generator") ||
        !given(out, "sin_cos_fill", "output array"))
        return;
    t->dist.generate_n(out, count, g->engine);
}

double sin_cos_draw_with(const sin_cos_table* t, uint64_t (*word)(void* state), void* state)
{
    if (!given(t, "sin_cos_draw_with", "table") || !given(word, "sin_cos_draw_with", "word generator")) return not_a_number;
    return guarded(not_a_number, [&] {
        for (;;) {
            const std::uint64_t w1 = word(state);
            if (const auto x = t->dist.propose(w1, word(state))) return *x;
        }
    });
}

double sin_cos_pdf(const sin_cos_law* law, double x)
{
    return law_value(law, "sin_cos_pdf", [x](const sin_cos::law_functions& d) { return d.pdf(x); });
}

double sin_cos_logpdf(const sin_cos_law* law, double x)
{
    return law_value(law, "sin_cos_logpdf", [x](const sin_cos::law_functions& d) { return d.logpdf(x); });
}

double sin_cos_cdf(const sin_cos_law* law, double x)
{
    return law_value(law, "sin_cos_cdf", [x](const sin_cos::law_functions& d) { return d.cdf(x); });
}

double sin_cos_sf(const sin_cos_law* law, double x)
{
    return law_value(law, "sin_cos_sf", [x](const sin_cos::law_functions& d) { return d.sf(x); });
}

double sin_cos_moment(const sin_cos_law* law, int k)
{
    return law_value(law, "sin_cos_moment", [k](const sin_cos::law_functions& d) {
        if (k < 0)
            throw sin_cos::error(sin_cos::errc::invalid_argument,
                                 "sin_cos_moment: k=" + std::to_string(k) + " must be >= 0");
        return d.moment(k);
    });
}

double sin_cos_mean(const sin_cos_law* law)
{
    return law_value(law, "sin_cos_mean", [](const sin_cos::law_functions& d) { return d.mean(); });
}

double sin_cos_variance(const sin_cos_law* law)
{
    return law_value(law, "sin_cos_variance", [](const sin_cos::law_functions& d) { return d.variance(); });
}

int sin_cos_pdf_array(const sin_cos_law* law, const double* x, double* out, size_t count)
{
    return law_values(law, x, out, count, "sin_cos_pdf_array",
                      [](const sin_cos::law_functions& d, double v) { return d.pdf(v); });
}

int sin_cos_logpdf_array(const sin_cos_law* law, const double* x, double* out, size_t count)
{
    return law_values(law, x, out, count, "sin_cos_logpdf_array",
                      [](const sin_cos::law_functions& d, double v) { return d.logpdf(v); });
}

int sin_cos_cdf_array(const sin_cos_law* law, const double* x, double* out, size_t count)
{
    return law_values(law, x, out, count, "sin_cos_cdf_array",
                      [](const sin_cos::law_functions& d, double v) { return d.cdf(v); });
}

int sin_cos_sf_array(const sin_cos_law* law, const double* x, double* out, size_t count)
{
    return law_values(law, x, out, count, "sin_cos_sf_array",
                      [](const sin_cos::law_functions& d, double v) { return d.sf(v); });
}

}  // extern "C"

// The interface's other files (quantile.cpp) record their failures here.
namespace sin_cos_c {
void record_failure(sin_cos_error_kind kind, const char* message) noexcept { fail(kind, message); }
sin_cos_error_kind kind_of(sin_cos::errc kind) noexcept { return ::kind_of(kind); }
}  // namespace sin_cos_c
