// sin_cos_check: verifies a Sin_Cos.res table against the density it claims
// to envelope, and samples it against the exact law.
#include <algorithm>
#include <charconv>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <cstdint>
#include <cstdio>
#include <exception>
#include <random>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "check/law.hpp"
#include "envelope/law/distribution_functions.hpp"
#include "sin_cos/quantile.hpp"
#include "sin_cos/distribution.hpp"
#include "sin_cos/table.hpp"

namespace {

constexpr int status_pass = 0;
constexpr int status_fail = 1;
constexpr int status_bad_input = 2;

constexpr double ks_alpha = 1e-3;
constexpr double acceptance_limit = 4.0;  // standard errors
constexpr double height_tolerance = 1e-9; // relative: heights come from 17-digit edges
constexpr std::size_t probes_total = 2'000'000;
constexpr int histogram_bins = 100;
// The library's exact cdf against this checker's own (Boost's incomplete beta
// in doubles, Simpson's rule on intervals a millionth of their scale wide).
constexpr double law_tolerance = 1e-9;  // absolute, on the cdf
constexpr std::size_t law_points = 1000;

const char* const usage =
    "usage: sin_cos_check [options] [TABLE]\n"
    "Checks every histogram of a table written by sin_cos (default \"Sin_Cos.res\"):\n"
    "  1. every bin's height is at least the density's maximum on the bin (dense probing);\n"
    "  2. the acceptance rate of the rejection method matches the exact rate, the density's\n"
    "     integral over n a (within 4 standard errors);\n"
    "  3. N draws follow the exact law (Kolmogorov-Smirnov, p-value >= 0.001);\n"
    "  4. the library's own cdf agrees with the checker's at the bin edges (to 1e-9).\n"
    "It reports the header's loss beside the exact one, n a over the density's integral:\n"
    "the default calibration states its own integral's estimate, which may be far off\n"
    "while the envelope covers the density, so the figure is told and not judged.\n"
    "options:\n"
    "  --samples N       number of draws (default 1000000)\n"
    "  --seed S          seed of the std::mt19937_64 generator (default 1)\n"
    "  --histogram FILE  write a histogram of the draws against the density to FILE\n"
    "                    (of several histograms, one block each, two blank lines apart)\n"
    "  --quantile XINI XFIN H M\n"
    "                    check the library's quantile of that law instead of a table:\n"
    "                    |F(ppf(u)) - u| with this checker's own cdf, on a grid, the tails\n"
    "                    and N random uniforms, against the bound the quantile states\n"
    "  --resolution R    the quantile's u-resolution (default 1e-12)\n"
    "  --help            show this text\n"
    "  --version         show the version\n"
    "A file of several histograms is checked histogram by histogram; the result names\n"
    "those that fail.\n"
    "exit status: 0 the table passes, 1 it fails, 2 bad input\n";

struct options {
    std::string table = sin_cos::default_table_file;
    std::uint64_t samples = 1'000'000;
    std::uint64_t seed = 1;
    std::string histogram;
    bool quantile = false;
    double law[4] = {};  // xini, xfin, H, M
    double resolution = 1e-12;
    bool help = false;
    bool version = false;
};

struct bad_usage {
    std::string what;
};

// A table whose draws cannot be judged within the bound on proposals.
struct cannot_judge {
    std::string what;
};

constexpr std::uint64_t min_draws = 100;

std::uint64_t parse_count(std::string_view option, const char* value, bool allow_zero)
{
    std::uint64_t v = 0;
    const std::string_view text(value);
    auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
    if (text.empty() || ec != std::errc() || ptr != text.data() + text.size() || (!allow_zero && v == 0))
        throw bad_usage{std::string(option) + " needs a " + (allow_zero ? "non-negative" : "positive") +
                        " integer, not \"" + std::string(text) + "\""};
    return v;
}

double parse_number(std::string_view option, const char* value)
{
    char* end = nullptr;
    errno = 0;
    const double v = std::strtod(value, &end);
    if (*value == '\0' || *end != '\0' || errno == ERANGE || !std::isfinite(v))
        throw bad_usage{std::string(option) + " needs a number, not \"" + value + "\""};
    return v;
}

options parse_args(int argc, char** argv)
{
    options opt;
    bool have_table = false;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg(argv[i]);
        auto value = [&]() -> const char* {
            if (i + 1 >= argc) throw bad_usage{std::string(arg) + " needs a value"};
            return argv[++i];
        };
        if (arg == "--help" || arg == "-h") {
            opt.help = true;
        } else if (arg == "--version") {
            opt.version = true;
        } else if (arg == "--samples") {
            opt.samples = parse_count(arg, value(), false);
            if (opt.samples > 100'000'000) throw bad_usage{"--samples is limited to 100000000"};
        } else if (arg == "--seed") {
            opt.seed = parse_count(arg, value(), true);
        } else if (arg == "--histogram") {
            opt.histogram = value();
        } else if (arg == "--quantile") {
            opt.quantile = true;
            for (double& v : opt.law) v = parse_number(arg, value());
            if (opt.law[3] != std::floor(opt.law[3]) || std::fabs(opt.law[3]) > 2147483647)
                throw bad_usage{"--quantile needs an integer M, not " + std::to_string(opt.law[3])};
        } else if (arg == "--resolution") {
            opt.resolution = parse_number(arg, value());
        } else if (arg.size() > 1 && arg[0] == '-') {
            throw bad_usage{"unknown option " + std::string(arg)};
        } else if (have_table) {
            throw bad_usage{"more than one table file given"};
        } else {
            opt.table = arg;
            have_table = true;
        }
    }
    return opt;
}

const char* verdict(bool pass) { return pass ? "PASS" : "FAIL"; }

// Probes the density densely on every bin, without using where its maximum is.
bool check_envelope(const sin_cos::table& t)
{
    const std::size_t n = t.bins();
    const std::size_t probes = std::clamp<std::size_t>(probes_total / n, 16, 2000);
    std::size_t below = 0;
    std::size_t worst = 0;
    double worst_ratio = INFINITY;
    double worst_max = 0;
    for (std::size_t i = 0; i < n; ++i) {
        const double x0 = t.edges[i];
        const double w = t.edges[i + 1] - x0;
        double top = 0;
        for (std::size_t k = 0; k <= probes; ++k) {
            const double x = k == probes ? t.edges[i + 1] : x0 + w * (static_cast<double>(k) / probes);
            top = std::max(top, sin_cos::density(x, t.H, t.M));
        }
        const double h = t.height(i);
        if (h < top * (1 - height_tolerance)) ++below;
        const double ratio = top > 0 ? h / top : INFINITY;
        if (ratio < worst_ratio) {
            worst_ratio = ratio;
            worst = i;
            worst_max = top;
        }
    }
    const bool pass = below == 0;
    std::printf("envelope:   %s  ", verdict(pass));
    if (pass)
        std::printf("every bin's height is at least the density's maximum over %zu probes per bin", probes + 1);
    else
        std::printf("%zu of %zu bins have a height below the density's maximum", below, n);
    if (std::isfinite(worst_ratio))
        std::printf("; tightest bin %zu [%.17g, %.17g]: height %.10g, density up to %.10g (ratio %.9f)", worst,
                    t.edges[worst], t.edges[worst + 1], t.height(worst), worst_max, worst_ratio);
    std::printf("\n");
    return pass;
}

// A later histogram of a file goes after the earlier ones, two blank lines
// apart: gnuplot's `index k` picks one.
void write_histogram(const std::string& path, const std::vector<double>& draws, const sin_cos::table& t,
                     const check::sin_cos_law& law, bool later)
{
    std::FILE* out = std::fopen(path.c_str(), later ? "a" : "w");
    if (out == nullptr) throw std::runtime_error("cannot create the histogram file \"" + path + "\"");
    const double lo = t.edges.front();
    const double w = (t.edges.back() - lo) / histogram_bins;
    std::vector<std::uint64_t> counts(histogram_bins);
    for (const double x : draws) {
        const auto k = static_cast<std::size_t>((x - lo) / w);
        ++counts[std::min<std::size_t>(k, histogram_bins - 1)];
    }
    if (later) std::fprintf(out, "\n\n");
    std::fprintf(out, "# %zu draws from H=%g M=%d on [%.17g, %.17g]\n# x  sampled_density  exact_density\n",
                 draws.size(), t.H, t.M, lo, t.edges.back());
    for (int k = 0; k < histogram_bins; ++k) {
        const double x = lo + (k + 0.5) * w;
        std::fprintf(out, "%.10g %.10g %.10g\n", x, static_cast<double>(counts[k]) / (draws.size() * w), law.pdf(x));
    }
    const bool failed = std::ferror(out) != 0;
    if (std::fclose(out) != 0 || failed) throw std::runtime_error("cannot write the histogram file \"" + path + "\"");
}

// The checks of one histogram, reported line by line; true if it passes.
bool check_histogram(const options& opt, const sin_cos::table& t, bool later = false)
{
    std::printf("table:      %s: H = %g, M = %d, n = %zu, [%.17g, %.17g], loss = %g%%, a = %.17g\n",
                opt.table.c_str(), t.H, t.M, t.bins(), t.xini, t.xfin, t.loss, t.a);
    const bool envelope_ok = check_envelope(t);

    const sin_cos::distribution dist(t, opt.table);
    const check::sin_cos_law law(t.H, t.M, t.edges.front(), t.edges.back());
    // Every proposal under the density is kept: a sound table accepts exactly
    // the density's integral over the envelope's area n a.
    const double exact = law.rate(static_cast<double>(t.bins()) * t.a);
    if (!(exact > 0) || !std::isfinite(exact))
        throw cannot_judge{"the exact acceptance rate is " + std::to_string(exact) + ": the law cannot be evaluated there"};

    // Bounded so that a nearly empty envelope cannot keep the check running:
    // a table of huge but true loss is judged on the draws the bound allows.
    const std::uint64_t max_proposals = 1000 * opt.samples + 100'000'000;
    std::uint64_t wanted = opt.samples;
    if (exact * static_cast<double>(max_proposals) < 2.0 * static_cast<double>(opt.samples)) {
        wanted = static_cast<std::uint64_t>(exact * static_cast<double>(max_proposals) / 2);
        if (wanted < min_draws) {
            throw cannot_judge{"the exact acceptance rate " + std::to_string(exact) + " (loss " +
                               std::to_string((1 / exact - 1) * 100) + "%) gives about " + std::to_string(wanted) +
                               " draws within the " + std::to_string(max_proposals) +
                               " proposals allowed, fewer than the " + std::to_string(min_draws) +
                               " needed to judge the draws"};
        }
        std::printf("samples:    %llu instead of %llu: at the exact acceptance rate %.3g they take about %.3g "
                    "proposals, half the %llu allowed\n",
                    static_cast<unsigned long long>(wanted), static_cast<unsigned long long>(opt.samples), exact,
                    static_cast<double>(wanted) / exact, static_cast<unsigned long long>(max_proposals));
    }
    std::mt19937_64 rng(opt.seed);
    std::vector<double> draws;
    draws.reserve(wanted);
    std::uint64_t proposals = 0;
    while (draws.size() < wanted && proposals < max_proposals) {
        ++proposals;
        if (const auto x = dist.propose(rng)) draws.push_back(*x);
    }

    const double p = std::clamp(exact, 0.0, 1.0);
    const double rate = static_cast<double>(draws.size()) / static_cast<double>(proposals);
    const double se = std::sqrt(p * (1 - p) / static_cast<double>(proposals));
    const double z = se > 0 ? std::fabs(rate - exact) / se : (rate == exact ? 0 : INFINITY);
    const bool acceptance_ok = draws.size() == wanted && z <= acceptance_limit;
    std::printf("acceptance: %s  %zu draws from %llu proposals (seed %llu): rate %.6g, exact %.6g = integral / "
                "(n a), %.2f standard errors off (limit %g)\n",
                verdict(acceptance_ok), draws.size(), static_cast<unsigned long long>(proposals),
                static_cast<unsigned long long>(opt.seed), rate, exact, z, acceptance_limit);
    if (draws.size() < wanted)
        std::printf("            gave up after %llu proposals\n", static_cast<unsigned long long>(proposals));

    const double stated = 1 / (1 + t.loss / 100);
    std::printf("loss:       stated %g%%, exact %.6g%%: the stated figure gives the rate %.6g, %+.2g relative to the "
                "exact rate\n",
                t.loss, (1 / exact - 1) * 100, stated, stated / exact - 1);

    if (!opt.histogram.empty()) write_histogram(opt.histogram, draws, t, law, later);

    const check::ks_result ks = check::ks_test(draws, law);
    const bool ks_ok = draws.size() == wanted && ks.p_value >= ks_alpha;
    std::printf("ks:         %s  D = %.6g over %zu draws, p-value %.4g (limit %g)\n", verdict(ks_ok), ks.distance,
                draws.size(), ks.p_value, ks_alpha);

    // Two independent evaluations of the law that disagree leave the verdict
    // on the draws without ground.
    const sin_cos::detail::law_functions library_law(t.edges.front(), t.edges.back(), t.H, t.M);
    const std::size_t stride = std::max<std::size_t>(1, t.bins() / law_points);
    double law_worst = 0;
    std::size_t compared = 0;
    for (std::size_t i = 0; i <= t.bins(); i += stride, ++compared)
        law_worst = std::max(law_worst, std::fabs(library_law.cdf(t.edges[i]) - law.cdf(t.edges[i])));
    const bool law_ok = law_worst <= law_tolerance;
    std::printf("law:        %s  the library's cdf is within %.2g of this checker's at %zu bin edges (limit %g)\n",
                verdict(law_ok), law_worst, compared, law_tolerance);

    return envelope_ok && acceptance_ok && ks_ok && law_ok;
}

// Every histogram of the file, each with the same draws' seed; the verdict
// names the histograms that fail.
int run(const options& opt)
{
    const std::vector<sin_cos::table> tables = sin_cos::load_tables(opt.table);
    if (tables.size() == 1) {
        const bool pass = check_histogram(opt, tables.front());
        std::printf("result:     %s\n", verdict(pass));
        return pass ? status_pass : status_fail;
    }
    std::vector<std::size_t> failed;
    for (std::size_t k = 0; k < tables.size(); ++k) {
        std::printf("histogram:  %zu of %zu\n", k + 1, tables.size());
        if (!check_histogram(opt, tables[k], k > 0)) failed.push_back(k + 1);
    }
    if (failed.empty()) {
        std::printf("result:     PASS  all %zu histograms\n", tables.size());
        return status_pass;
    }
    std::printf("result:     FAIL  histogram");
    if (failed.size() > 1) std::printf("s");
    for (std::size_t i = 0; i < failed.size(); ++i) {
        const sin_cos::table& t = tables[failed[i] - 1];
        std::printf("%s %zu (H = %g, M = %d)", i == 0 ? "" : ",", failed[i], t.H, t.M);
    }
    std::printf(" of %zu\n", tables.size());
    return status_fail;
}

// The library's quantile against this checker's own cdf: its largest u-error
// on a grid, on the tails' extreme uniforms and on random ones, against the
// bound it states; and that it never steps back.
int check_quantile(const options& opt)
{
    const double xini = opt.law[0], xfin = opt.law[1], H = opt.law[2];
    const int M = static_cast<int>(opt.law[3]);
    const sin_cos::quantile q(sin_cos::law{xini, xfin, H, M}, opt.resolution);
    const check::sin_cos_law exact(H, M, xini, xfin);
    const sin_cos::u_error_bound stated = q.u_error();
    std::printf("law:        H = %.17g, M = %d, [%.17g, %.17g]\n", H, M, xini, xfin);
    std::printf("quantile:   %zu pieces, resolution %g, bound %g", q.pieces(), stated.resolution, stated.bound);
    if (stated.jump > 0) std::printf(" (the cdf's step of %g at x = %.17g)", stated.jump, stated.where);
    std::printf("\n");

    std::vector<double> u;
    const std::uint64_t grid = std::max<std::uint64_t>(opt.samples / 2, 1);
    for (std::uint64_t i = 1; i < grid; ++i) u.push_back(static_cast<double>(i) / static_cast<double>(grid));
    for (double t = 0.1; t > 1e-300; t /= 10) u.push_back(t), u.push_back(1 - t);
    u.push_back(0x1p-53), u.push_back(1 - 0x1p-53);
    std::mt19937_64 engine(opt.seed);
    for (std::uint64_t i = 0; i < opt.samples - opt.samples / 2; ++i) u.push_back(sin_cos::quantile::uniform(engine()));
    u.erase(std::remove_if(u.begin(), u.end(), [](double v) { return !(v > 0 && v < 1); }), u.end());
    std::sort(u.begin(), u.end());

    double worst = 0, worst_u = 0, sum = 0, previous = xini;
    bool monotone = q.ppf(0) == xini && q.ppf(1) == xfin;
    for (double v : u) {
        const double x = q.ppf(v);
        monotone = monotone && x >= previous && x <= xfin;
        previous = x;
        const double e = std::fabs(exact.cdf(x) - v);
        sum += e;
        if (e > worst) worst = e, worst_u = v;
    }
    const bool within = worst <= stated.bound;
    std::printf("monotone:   %s  (ppf(0) = xini, ppf(1) = xfin, never a step back over %zu uniforms)\n",
                verdict(monotone), u.size());
    std::printf("u-error:    %s  max %.3g at u = %.17g, mean %.3g (this checker's cdf, Boost's incomplete beta)\n",
                verdict(within), worst, worst_u, sum / static_cast<double>(u.size()));
    std::printf("result:     %s\n", verdict(monotone && within));
    return monotone && within ? status_pass : status_fail;
}

}  // namespace

int main(int argc, char** argv)
{
    try {
        const options opt = parse_args(argc, argv);
        if (opt.help) {
            std::fputs(usage, stdout);
            return status_pass;
        }
        if (opt.version) {
            std::printf("sin_cos_check %s\n", SIN_COS_VERSION);
            return status_pass;
        }
        const int status = opt.quantile ? check_quantile(opt) : run(opt);
        // A report that did not reach its reader is no verdict.
        const bool flushed = std::fflush(stdout) == 0;
        const int error = errno;
        if (!flushed || std::ferror(stdout) != 0) {
            std::fprintf(stderr, "sin_cos_check: cannot write the report: %s\n",
                         flushed ? "an earlier write failed" : std::strerror(error));
            return status_fail;
        }
        return status;
    } catch (const cannot_judge& e) {
        std::printf("result:     NO VERDICT\n");
        std::fprintf(stderr, "sin_cos_check: cannot judge the table: %s\n", e.what.c_str());
        return status_bad_input;
    } catch (const bad_usage& e) {
        std::fprintf(stderr, "sin_cos_check: %s\n%s", e.what.c_str(), usage);
        return status_bad_input;
    } catch (const sin_cos::table_error& e) {
        if (e.code() == sin_cos::errc::malformed) {
            std::fprintf(stderr, "sin_cos_check: %s\n", e.what());
            return status_bad_input;
        }
        std::printf("table:      FAIL  %s\nresult:     FAIL\n", e.what());
        return status_fail;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "sin_cos_check: %s\n", e.what());
        return status_bad_input;
    }
}
