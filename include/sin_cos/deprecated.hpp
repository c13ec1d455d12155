#pragma once

// The names of sin_cos 2.x, for one major version: each is deprecated and
// says what replaces it. No other header of the library includes this one, so
// that a program's own namespaces `sampler` and `law` meet nothing of ours.

#include <string>
#include <vector>

#include "sampler.hpp"

namespace law {

using table [[deprecated("use sin_cos::table")]] = sin_cos::table;
using mode [[deprecated("use sin_cos::mode")]] = sin_cos::mode;

[[deprecated("use sin_cos::density")]] inline double density(double x, double H, int M)
{
    return sin_cos::density(x, H, M);
}

}  // namespace law

namespace sampler {

using Table [[deprecated("use sin_cos::table")]] = sin_cos::table;
using Law [[deprecated("use sin_cos::law")]] = sin_cos::law;
using mode [[deprecated("use sin_cos::mode")]] = sin_cos::mode;
using error_kind [[deprecated("use sin_cos::errc")]] = sin_cos::errc;
using sin_cos_distribution [[deprecated("use sin_cos::distribution")]] = sin_cos::distribution;
using build_error [[deprecated("use sin_cos::build_error")]] = sin_cos::build_error;
using table_error [[deprecated("use sin_cos::table_error")]] = sin_cos::table_error;
using io_error [[deprecated("use sin_cos::io_error")]] = sin_cos::io_error;

inline constexpr const char* default_table_file [[deprecated("use sin_cos::default_table_file")]] =
    sin_cos::default_table_file;

[[deprecated("use sin_cos::build_table(sin_cos::law{xini, xfin, H, M}, n, m)")]] inline sin_cos::table build_table(
    double H, int M, double xini, double xfin, int n, sin_cos::mode m = sin_cos::mode::classic)
{
    return sin_cos::build_table(sin_cos::law{xini, xfin, H, M}, n, m);
}

[[deprecated("use sin_cos::build_tables")]] inline std::vector<sin_cos::table> build_tables(
    const std::vector<sin_cos::law>& laws, int n, sin_cos::mode m = sin_cos::mode::classic)
{
    return sin_cos::build_tables(laws, n, m);
}

[[deprecated("use sin_cos::load_table")]] inline sin_cos::table load_table(const std::string& path)
{
    return sin_cos::load_table(path);
}

[[deprecated("use sin_cos::load_tables")]] inline std::vector<sin_cos::table> load_tables(const std::string& path)
{
    return sin_cos::load_tables(path);
}

[[deprecated("use sin_cos::write_table")]] inline void write_table(const sin_cos::table& t, const std::string& path)
{
    sin_cos::write_table(t, path);
}

[[deprecated("use sin_cos::write_tables")]] inline void write_tables(const std::vector<sin_cos::table>& tables,
                                                                     const std::string& path)
{
    sin_cos::write_tables(tables, path);
}

}  // namespace sampler
