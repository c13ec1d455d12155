// The law's distribution functions against a 50-digit reference over laws
// chosen to break an incomplete beta, against closed forms, and at the edges
// of its domain.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <limits>
#include <sstream>
#include <string>
#include <vector>

#include "envelope/law/distribution_functions.hpp"
#include "sin_cos/error.hpp"
#include "sin_cos/law.hpp"
#include "numeric/error.hpp"

namespace {

const double inf = std::numeric_limits<double>::infinity();

struct reference_point {
    double x;
    long double cdf, sf;
};

struct reference_law {
    double H;
    int M;
    double xini, xfin;
    std::vector<reference_point> points;
};

// check/law_reference's output: "law H M xini xfin" lines (hexadecimal
// doubles), each followed by "x cdf sf" lines.
std::vector<reference_law> read_reference()
{
    std::ifstream in(SIN_COS_LAW_REFERENCE);
    std::vector<reference_law> laws;
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#') continue;
        std::istringstream fields(line);
        std::string a, b, c, d;
        if (line.compare(0, 4, "law ") == 0) {
            std::string tag;
            fields >> tag >> a >> b >> c >> d;
            laws.push_back({std::strtod(a.c_str(), nullptr), std::atoi(b.c_str()), std::strtod(c.c_str(), nullptr),
                            std::strtod(d.c_str(), nullptr), {}});
        } else {
            fields >> a >> b >> c;
            laws.back().points.push_back(
                {std::strtod(a.c_str(), nullptr), std::strtold(b.c_str(), nullptr), std::strtold(c.c_str(), nullptr)});
        }
    }
    return laws;
}

std::string name(double H, int M, double xini, double xfin)
{
    char s[160];
    std::snprintf(s, sizeof s, "H=%.17g M=%d [%.17g, %.17g]", H, M, xini, xfin);
    return s;
}

// The relative error where the reference exceeds 1e-300; below, the value
// must stay below it too.
double error(double value, long double reference)
{
    if (reference > 1e-300L) return static_cast<double>(std::fabs((value - reference) / reference));
    return value <= 2e-300 ? 0 : inf;
}

TEST(LawFunctions, CdfAndSfMatchTheFiftyDigitReference)
{
    const std::vector<reference_law> laws = read_reference();
    ASSERT_GE(laws.size(), 150u) << "cannot read " << SIN_COS_LAW_REFERENCE;
    double worst = 0;
    std::size_t points = 0;
    for (const reference_law& l : laws) {
        const sin_cos::detail::law_functions d(l.xini, l.xfin, l.H, l.M);
        double law_worst = 0;
        for (const reference_point& p : l.points) {
            const sin_cos::detail::law_functions::tail_pair t = d.tails(p.x);
            law_worst = std::max({law_worst, error(t.cdf, p.cdf), error(t.sf, p.sf)});
            // One of the two is 1 minus the other.
            EXPECT_LE(std::fabs((t.cdf + t.sf) - 1), 0x1p-52) << name(l.H, l.M, l.xini, l.xfin) << " x=" << p.x;
            ++points;
        }
        EXPECT_LE(law_worst, 1e-14) << name(l.H, l.M, l.xini, l.xfin);
        worst = std::max(worst, law_worst);
        // The one-call functions give the same doubles as the object.
        const double x = l.points[l.points.size() / 2].x;
        EXPECT_EQ(sin_cos::detail::cdf(l.xini, l.xfin, l.H, l.M, x), d.cdf(x)) << name(l.H, l.M, l.xini, l.xfin);
        EXPECT_EQ(sin_cos::detail::sf(l.xini, l.xfin, l.H, l.M, x), d.sf(x)) << name(l.H, l.M, l.xini, l.xfin);
    }
    std::printf("%zu laws, %zu points: worst relative error of cdf and sf %.3g\n", laws.size(), points, worst);
}

// Over runs of consecutive doubles and a grid, on every law of the reference:
// the cdf never falls, nor the sf rises, by more than the few ulps of their
// own rounding (where the true step from one double to the next is smaller
// than that, the computed values may wander within it).
TEST(LawFunctions, CdfIsMonotoneToItsRounding)
{
    double worst = 0;
    std::size_t steps = 0, backward = 0;
    for (const reference_law& l : read_reference()) {
        const sin_cos::detail::law_functions d(l.xini, l.xfin, l.H, l.M);
        std::vector<double> xs;
        for (int i = 0; i <= 400; ++i) xs.push_back(l.xini + (l.xfin - l.xini) * (i / 400.0));
        for (const reference_point& p : l.points) {
            double x = p.x;
            for (int i = 0; i < 24; ++i) x = std::nextafter(x, -2.0);
            for (int i = 0; i < 48; ++i, x = std::nextafter(x, 2.0)) xs.push_back(x);
        }
        std::sort(xs.begin(), xs.end());
        sin_cos::detail::law_functions::tail_pair previous = d.tails(xs.front());
        for (const double x : xs) {
            const sin_cos::detail::law_functions::tail_pair t = d.tails(x);
            const double fall = std::max(t.cdf < previous.cdf ? (previous.cdf - t.cdf) / previous.cdf : 0,
                                         t.sf > previous.sf ? (t.sf - previous.sf) / t.sf : 0);
            if (fall > 0) ++backward;
            EXPECT_LE(fall, 0x1p-50) << name(l.H, l.M, l.xini, l.xfin) << " at x=" << x << ": cdf " << previous.cdf
                                     << " -> " << t.cdf << ", sf " << previous.sf << " -> " << t.sf;
            worst = std::max(worst, fall);
            previous = t;
            ++steps;
        }
    }
    std::printf("%zu steps, %zu backward by up to %.3g relative\n", steps, backward, worst);
}

// Near 1 with H = 1e6 the density falls by e^60000 from one double to the
// next: all the mass lies within the first ulp of xini.
TEST(LawFunctions, MassWithinOneDouble)
{
    const double xini = 1 - 0x1p-50;
    const sin_cos::detail::law_functions d(xini, 1 - 0x1p-53, 1e6, 2);
    EXPECT_GT(d.pdf(xini), 0);
    for (double x = std::nextafter(xini, 2.0); x < 1 - 0x1p-53; x = std::nextafter(x, 2.0)) {
        EXPECT_EQ(d.cdf(x), 1) << x;
        EXPECT_EQ(d.sf(x), 0) << x;
    }
}

// E[X^k] = B((M+1+k)/2, (H+1)/2) / B((M+1)/2, (H+1)/2) on [-1, 1] for even k
// (a product of ratios), 0 for odd k; on [0, 1] the odd ones through lgamma.
TEST(LawFunctions, MomentsMatchTheBetaFunctions)
{
    for (const double H : {-0.99, 0.0, 1.0, 1.01, 3.5, 40.0, 1e6}) {
        for (const int M : {0, 2, 50, 1000}) {
            const sin_cos::detail::law_functions whole(-1, 1, H, M);
            const std::string n = name(H, M, -1, 1);
            double even = 1;
            for (int k = 2; k <= 6; k += 2) {
                even *= (M + k - 1.0) / (M + H + k);
                EXPECT_NEAR(whole.moment(k), even, 2e-15 * even) << n << " k=" << k;
            }
            EXPECT_EQ(whole.moment(0), 1);
            EXPECT_EQ(whole.mean(), 0) << n;
            EXPECT_EQ(whole.moment(3), 0) << n;
            EXPECT_NEAR(whole.variance(), (M + 1.0) / (M + H + 2), 4e-15 * (M + 1.0) / (M + H + 2)) << n;

            if (H > 1e5) continue;  // lgamma's differences lose the digits there
            const sin_cos::detail::law_functions half(0, 1, H, M);
            const double a = (M + 1) / 2.0;
            const double b = (H + 1) / 2;
            for (const int k : {1, 3}) {
                const double exact = std::exp(std::lgamma(a + k / 2.0) - std::lgamma(a) + std::lgamma(a + b) -
                                              std::lgamma(a + b + k / 2.0));
                EXPECT_NEAR(half.moment(k), exact, 1e-12 * exact) << name(H, M, 0, 1) << " k=" << k;
            }
        }
    }
}

// A law much narrower than its distance from 0 is nearly uniform: its
// variance is w^2/12 to (w f'/f)^2, far below an ulp here; E[X^2] - E[X]^2
// would have lost every digit.
TEST(LawFunctions, VarianceOfNarrowLaws)
{
    double four_ulps = 0.3;
    for (int i = 0; i < 4; ++i) four_ulps = std::nextafter(four_ulps, 1.0);
    for (const double xfin : {four_ulps, 0.3 + 1e-9, 0.3 + 1e-6}) {
        for (const double H : {-0.5, 2.0, 7.0}) {
            const double w = xfin - 0.3;
            const sin_cos::detail::law_functions d(0.3, xfin, H, 2);
            EXPECT_NEAR(d.variance(), w * w / 12, 1e-9 * w * w) << name(H, 2, 0.3, xfin);
            // The mean moves from the middle by w^2 f'/(12 f): 6e-13 at w = 1e-6.
            if (w < 1e-8) {
                EXPECT_NEAR(d.mean(), 0.3 + w / 2, 4e-16) << name(H, 2, 0.3, xfin);
            }
        }
    }
}

// The density against x^M (1 - x^2)^((H-1)/2) / B((M+1)/2, (H+1)/2) on [-1, 1],
// and at its edges.
TEST(LawFunctions, DensityAndItsLogarithm)
{
    for (const double H : {-0.99, 0.0, 1.0, 2.5, 30.0}) {
        for (const int M : {0, 2, 50}) {
            const sin_cos::detail::law_functions d(-1, 1, H, M);
            const double a = (M + 1) / 2.0;
            const double b = (H + 1) / 2;
            const double log_beta = std::lgamma(a) + std::lgamma(b) - std::lgamma(a + b);
            for (const double x : {-0.999, -0.5, -0.01, 0.3, 0.77, 0.999999}) {
                const double log_f = M * std::log(std::fabs(x)) + (H - 1) / 2 * std::log((1 - x) * (1 + x)) - log_beta;
                EXPECT_NEAR(d.logpdf(x), log_f, 1e-13 * std::max(1.0, std::fabs(log_f))) << name(H, M, -1, 1) << " x=" << x;
                EXPECT_NEAR(d.pdf(x), std::exp(log_f), 1e-12 * std::exp(log_f)) << name(H, M, -1, 1) << " x=" << x;
            }
            if (H < 1) {
                EXPECT_EQ(d.pdf(1), inf);
            } else if (H == 1) {
                EXPECT_TRUE(d.pdf(1) > 0 && d.pdf(1) < inf);
            } else {
                EXPECT_EQ(d.pdf(1), 0);
            }
            EXPECT_EQ(d.pdf(0) == 0, M > 0);
            EXPECT_EQ(d.pdf(1.5), 0);
            EXPECT_EQ(d.logpdf(-1.5), -inf);
        }
    }
    const sin_cos::detail::law_functions inner(0.2, 0.6, 3, 4);
    EXPECT_EQ(inner.pdf(0.1), 0);
    EXPECT_GT(inner.pdf(0.2), 0);
    EXPECT_TRUE(std::isnan(inner.cdf(std::nan(""))));
    EXPECT_EQ(inner.cdf(0.2), 0);
    EXPECT_EQ(inner.sf(0.2), 1);
    EXPECT_EQ(inner.cdf(0.6), 1);
    EXPECT_EQ(inner.sf(0.6), 0);
    EXPECT_EQ(inner.cdf(-3), 0);
    EXPECT_EQ(inner.sf(7), 0);
    EXPECT_EQ(inner.support(), std::make_pair(0.2, 0.6));
}

// The largest exponents a double or an int allows: H = 1 with the largest M is
// x^(M+1) on [0, 1]; H = 1e300 and beyond is a Gaussian of width 1/sqrt(H).
// They must neither hang nor lose their digits.
TEST(LawFunctions, HugeExponents)
{
    const auto start = std::chrono::steady_clock::now();
    const int big_M = 2147483646;
    const sin_cos::detail::law_functions power(0, 1, 1, big_M);
    for (const double x : {0.9999999, 0.99999999, 0.999999999, 0.9999999999}) {
        const long double exact = std::exp(static_cast<long double>(big_M + 1) * std::log(static_cast<long double>(x)));
        EXPECT_NEAR(power.cdf(x), exact, 1e-14 * exact) << "M=" << big_M << " x=" << x;
        EXPECT_NEAR(power.sf(x), 1 - exact, 1e-14 * (1 - exact)) << "M=" << big_M << " x=" << x;
    }
    for (const double H : {1e300, 1.7976931348623157e308}) {
        const sin_cos::detail::law_functions gauss(-1, 1, H, 0);
        const long double root_c = std::sqrt(static_cast<long double>(H - 1) / 2);
        for (const double t : {-30.0, -3.0, -0.5, 0.0, 0.25, 2.0, 20.0}) {
            const double x = static_cast<double>(t / root_c);
            // (1 - x^2)^c = exp(-c x^2) to 1e-300 here; the sf's relative
            // change is 2 t^2 times x's, so t is taken at x as rounded.
            const long double at = x * root_c;
            const double exact_cdf = static_cast<double>(std::erfc(-at) / 2);
            const double exact_sf = static_cast<double>(std::erfc(at) / 2);
            EXPECT_NEAR(gauss.cdf(x), exact_cdf, 4e-15 * exact_cdf) << "H=" << H << " t=" << t;
            EXPECT_NEAR(gauss.sf(x), exact_sf, 4e-15 * exact_sf) << "H=" << H << " t=" << t;
        }
        if (H < 1e305) {
            EXPECT_NEAR(gauss.variance(), 1 / (H + 2), 1e-14 / (H + 2));
        }
    }
    // Both exponents large, and the largest M with a singular end.
    for (const double H : {-0.5, 3.0, 1e9}) {
        const sin_cos::detail::law_functions d(-1, 1, H, big_M);
        double previous = 0;
        for (const double x : {0.99, 0.99999, 0.9999999999, 1 - 1e-13}) {
            const double c = d.cdf(x);
            EXPECT_TRUE(c >= previous && c <= 1) << "H=" << H << " x=" << x << " cdf " << c;
            previous = c;
        }
        EXPECT_NEAR(d.moment(2), (big_M + 1.0) / (big_M + H + 2), 1e-13);
    }
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(20));
}

TEST(LawFunctions, RefusesLawsOutsideItsDomain)
{
    const auto refused = [](double xini, double xfin, double H, int M, const char* value) {
        try {
            sin_cos::law_functions(sin_cos::law{xini, xfin, H, M});
        } catch (const sin_cos::error& e) {
            EXPECT_EQ(e.kind(), sin_cos::errc::refused);
            EXPECT_NE(std::strstr(e.what(), value), nullptr) << e.what();
            return;
        }
        ADD_FAILURE() << "accepted xini=" << xini << " xfin=" << xfin << " H=" << H << " M=" << M;
    };
    refused(-1, 1, -1, 0, "H=-1");
    refused(-1, 1, std::nan(""), 0, "H=nan");
    refused(-1, 1, inf, 0, "H=inf");
    refused(-1, 1, 2, 3, "M=3");
    refused(-1, 1, 2, -2, "M=-2");
    refused(0.5, 0.5, 2, 2, "xini=0.5");
    refused(-1.5, 1, 2, 2, "xini=-1.5");
    refused(0, 1.25, 2, 2, "xfin=1.25");
    EXPECT_THROW(sin_cos::law_functions(sin_cos::law{-1, 1, 2, 2}).moment(-1), sin_cos::error);
}

}  // namespace
