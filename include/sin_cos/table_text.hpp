#pragma once

// The text of the table file and of the plot file, byte for byte what the
// printf formats "%f" and "%20.16e" write, built in memory.

#include <cstddef>
#include <string>

#include "whole_file.hpp"

namespace sin_cos {
struct built;
}

namespace sin_cos::text {

// The longest line read from a table file or a file of laws: far beyond any
// line the tool writes (a header of finite numbers in "%f" is under 1000
// characters), so that a file without line ends is refused at once.
inline constexpr std::size_t max_line = 4096;

// printf("%f", v): fixed point, six decimals.
void fixed6(std::string& out, double v);

// printf("%20.16e", v): sixteen decimals and at least two exponent digits,
// which already fill more than the field of 20.
void sci16(std::string& out, double v);

// A header number a reader rebuilds the table from (H, xini, xfin): as "%f"
// wherever that reads back as v, so that tables of at most six decimals keep
// their bytes; otherwise the fewest digits that read back as v.
void exact(std::string& out, double v);

// The fewest decimal digits that read back as v ("2.5", "1e-300", "-0"), as
// the tool names a value in its messages.
std::string shortest(double v);

// Lines 1 to 3: the copy banner.
std::string banner(int n);

// The histogram's header line "H M n xini xfin loss  a" and its n left edges x[0..n-1].
std::string histogram(double H, int M, int n, double xini, double xfin, double loss, double a, const double x[]);

// The banner and histogram of a file of one table, in pieces: the
// table and its edges must outlive them.
files::text_pieces table_pieces(double H, int M, int n, double xini, double xfin, double loss, double a,
                                const double x[]);

// The same written at the end of `out`: a whole file's text in one buffer,
// with no copy of what is already there.
void histogram(std::string& out, double H, int M, int n, double xini, double xfin, double loss, double a,
               const double x[]);

// The file sin_cos writes beside its table for a plot of it
// (Sin_Cos_g1_f1.res): for every bin, both its ends (the last one where the
// construction pinned it), each with the density there (0 outside the
// interval) and the bin's height, "%f" three to a line. The density is that
// of the classic construction, to the last bit.
std::string plot(const built& b);

// The same text in pieces, b outliving them; a struct that is not a build's
// is refused at once.
files::text_pieces plot_pieces(const built& b);

}  // namespace sin_cos::text
