#pragma once

#include <memory>
#include <optional>
#include <string>

#include "sin_cos/build.hpp"
#include "sin_cos/whole_file.hpp"

namespace driver {

inline constexpr const char* table_file_name = "Sin_Cos.res";
inline constexpr const char* plot_file_name = "Sin_Cos_g1_f1.res";

// The files of a run, made ready beside their names while any other run
// writing files in this folder waits its turn (a device or a pipe is written
// into then), and put in place by commit(). Every failure is an input/output
// failure naming the file, and leaves both files as they were.
class run_files {
public:
    // Each constructor writes into `folder` ("." for the current one), which
    // must exist.
    // A finished build: the table file (banner, header line, left edges
    // x[0..n-1]) and the plot file (both ends of every bin, the last one where
    // the construction pinned it, with the density there, 0 outside its
    // domain, and the bin's height).
    run_files(const sin_cos::built& t, const std::string& folder);

    // The same for a table file of one or more histograms, its whole text
    // given: the plot file shows the histogram `plotted`.
    run_files(const std::string& table, const sin_cos::built& plotted, const std::string& folder);

    // What a run that fails after its answers were accepted leaves: a table
    // file of the three banner lines; the plot file is not touched.
    run_files(int banner_n, const std::string& folder);

    // Standard output is flushed first, as the last thing that can fail: a
    // run whose console text is lost leaves the files as they were. The
    // stops wait only while the files are put in place.
    void commit();

private:
    void stage(const sin_cos::files::text_pieces& table, const sin_cos::built* plotted, const std::string& folder);

    std::unique_ptr<sin_cos::files::folder_lock> lock_;
    std::optional<sin_cos::files::staged_file> table_, plot_;
};

}  // namespace driver
