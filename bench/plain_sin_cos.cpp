// The tool's steps written out plainly, as a yardstick for the whole-run
// benchmark: no memory of computed values, a residual evaluated afresh each
// time, the files written with printf. Reads the five answers from standard
// input and writes the same two files as sin_cos for inputs that give a table
// without recalibration (the benchmark's); everything else is left out.

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

double Xini, Xfin, H, Xlimit;
int M;
const double Acc_interval = 0.1;
const double Acc_ridders = 1e-8;
const double Acc_a = 1e-7;

[[noreturn]] void nrerror(const char* message)
{
    std::fprintf(stderr, "%s\n...now exiting to system...\n", message);
    std::exit(1);
}

double g1(double x)
{
    if (x < Xini || x > Xfin || std::isnan(x)) return 0.0;
    const double t = std::pow(x, static_cast<double>(M));
    const double r = std::sqrt(1 - x * x);
    return std::pow(r, H - 1) * t;
}

// g1 at the point the stationary-point tables choose.
double g1_Deltax_max(double x0, double x1)
{
    double chosen;
    if (M != 0) {
        const double m = M;
        const double xm = std::sqrt(m / ((m + H) - 1));
        if (x0 <= -xm && -xm <= x1) chosen = -xm;
        else if (x0 <= xm && xm <= x1) chosen = xm;
        else if (g1(x0) > g1(x1)) chosen = x0;
        else chosen = x1;
    } else {
        chosen = x1 <= 0 ? x1 : x0 <= 0 ? 0.0 : x0;
    }
    return g1(chosen);
}

double g1_Deltax(double x0, double x1, double area) { return g1_Deltax_max(x0, x1) * (x1 - x0) - area; }

double zriddr(double (*func)(double, double, double), double c1, double x1, double x2, double xacc, double c2)
{
    double fl = func(c1, x1, c2);
    double fh = func(c1, x2, c2);
    if ((fl > 0.0 && fh < 0.0) || (fl < 0.0 && fh > 0.0)) {
        double xl = x1, xh = x2, ans = -1.11e30;
        for (int j = 1; j <= 600; ++j) {
            const double xm = 0.5 * (xl + xh);
            const double fm = func(c1, xm, c2);
            const double s = std::sqrt(fm * fm - fl * fh);
            if (s == 0.0) return ans;
            const double xnew = xm + (xm - xl) * ((fl >= fh ? 1.0 : -1.0) * fm / s);
            if (std::fabs(xnew - ans) <= xacc) return ans;
            ans = xnew;
            const double fnew = func(c1, ans, c2);
            if (fnew == 0.0) return ans;
            const auto sign = [](double a, double b) { return b >= 0.0 ? std::fabs(a) : -std::fabs(a); };
            if (sign(fm, fnew) != fm) {
                xl = xm, fl = fm, xh = ans, fh = fnew;
            } else if (sign(fl, fnew) != fl) {
                xh = ans, fh = fnew;
            } else {
                xl = ans, fl = fnew;
            }
            if (std::fabs(xh - xl) <= xacc) return ans;
        }
        nrerror("zriddr exceed maximum iterations");
    }
    if (fl == 0.0) return x1;
    if (fh == 0.0) return x2;
    nrerror("root must be bracketed in zriddr.");
}

double root1(double (*func)(double, double, double), double x0, double step, double area)
{
    double p = x0;
    for (;;) {
        p = p + step;
        const double v = func(x0, p, area);
        if (v == 0.0 && p >= 0) return 1.01 * p;
        if (v > 0) return p;
        if (p > Xlimit) return Xlimit + 1;
    }
}

double find_x(double x0, double a)
{
    if (x0 > Xlimit) return Xlimit + 1;
    const double hi = root1(g1_Deltax, x0, Acc_interval, a);
    const double lo = hi - Acc_interval;
    if (lo > Xlimit) return Xlimit + 1;
    const double r = zriddr(g1_Deltax, x0, lo, hi, Acc_ridders, a);
    const double d0 = g1_Deltax(x0, r, a);
    const double d1 = g1_Deltax(x0, r + Acc_ridders, a);
    if ((d0 > 0 && d1 > 0) || (d0 < 0 && d1 < 0)) return r - Acc_ridders;
    return r;
}

void find_x_all(double a, double x[], int n)
{
    for (int i = 1; i <= n; ++i) x[i] = find_x(x[i - 1], a);
}

double find_a(double a, double x[], int n)
{
    int pass = 0;
    find_x_all(a, x, n);
    const double first = x[n] - Xlimit >= 0 ? 1.0 : -1.0;
    a = first > 0 ? a / 1.2 : a * 1.2;
    double hi, lo;
    for (;;) {
        find_x_all(a, x, n);
        const double side = x[n] - Xlimit >= 0 ? 1.0 : -1.0;
        if (first > 0 && side < 0) {
            hi = a * 1.2, lo = a;
            break;
        }
        if (first < 0 && side > 0) {
            hi = a, lo = a / 1.2;
            break;
        }
        a = first > 0 ? a / 1.2 : a * 1.2;
    }
    while (std::fabs(x[n] - Xlimit) > Acc_a) {
        hi = (lo + hi) / 2.0;
        find_x_all(hi, x, n);
        if (Xlimit > x[n]) {
            hi = 2 * hi - lo;
            lo = (lo + hi) / 2.0;
        }
        if (pass++ > 200) break;
        if (std::fabs(x[n] - Xlimit) < 0.0001) break;
    }
    return hi;
}

double corrections(double x[], double f1[], double* a, int n)
{
    Xlimit = Xlimit - 0.5 / n;
    x[n] = Xlimit;
    const double r = *a / (x[n] - x[n - 1]);
    const double m = g1_Deltax_max(x[n - 1], x[n]);
    const double factor = r > m ? 1.001 : (m * 1.001) / r;
    *a = *a * factor;
    for (int i = 0; i < n; ++i) {
        f1[i] = *a / (x[i + 1] - x[i]);
        const double mi = g1_Deltax_max(x[i], x[i + 1]);
        if (mi > f1[i]) std::fprintf(stderr, "!!! for f1[%d]=%f <max=%f on [%f,%f]\n", i, f1[i], mi, x[i], x[i + 1]);
    }
    return factor;
}

double s;

double trapzd(double (*func)(double), double a, double b, int n)
{
    if (n == 1) return s = 0.5 * (b - a) * (func(a) + func(b));
    long it = 1;
    for (int j = 1; j < n - 1; ++j) it <<= 1;
    const double tnm = static_cast<double>(it);
    const double del = (b - a) / tnm;
    double x = a + 0.5 * del, sum = 0.0;
    for (long j = 1; j <= it; ++j, x += del) sum += func(x);
    return s = 0.5 * (s + (b - a) * sum / tnm);
}

void polint(const double xa[], const double ya[], int n, double x, double* y, double* dy)
{
    int ns = 1;
    double dif = std::fabs(x - xa[1]);
    std::vector<double> c(n + 1), d(n + 1);
    for (int i = 1; i <= n; ++i) {
        const double dift = std::fabs(x - xa[i]);
        if (dift < dif) ns = i, dif = dift;
        c[i] = d[i] = ya[i];
    }
    *y = ya[ns--];
    for (int m = 1; m < n; ++m) {
        for (int i = 1; i <= n - m; ++i) {
            const double ho = xa[i] - x, hp = xa[i + m] - x, w = c[i + 1] - d[i];
            double den = ho - hp;
            if (den == 0.0) nrerror("Error in routine polint");
            den = w / den;
            d[i] = hp * den;
            c[i] = ho * den;
        }
        *y += (*dy = (2 * ns < (n - m) ? c[ns + 1] : d[ns--]));
    }
}

double qromb(double (*func)(double), double a, double b)
{
    double st[52], hh[52];
    hh[1] = 1.0;
    for (int j = 1; j <= 50; ++j) {
        st[j] = trapzd(func, a, b, j);
        if (j >= 5) {
            double ss, dss;
            polint(&hh[j - 5], &st[j - 5], 5, 0.0, &ss, &dss);
            if (std::fabs(dss) < 1e-6 * std::fabs(ss)) return ss;
        }
        hh[j + 1] = 0.25 * hh[j];
    }
    nrerror("Too many steps in routine qromb");
}

}  // namespace

int main()
{
    int n = 5000;
    double xini = -1.0, xfin = 1.0;
    H = 2.0;
    M = 4;
    if (std::scanf("%lf %lf %lf %d %d", &xini, &xfin, &H, &M, &n) < 0) {
        // An empty input keeps the defaults.
    }
    Xini = xini;
    Xfin = xfin;
    std::vector<double> x(n + 1), f1(n + 1);
    std::FILE* table = std::fopen("Sin_Cos.res", "w");
    if (table == nullptr) nrerror("cannot create Sin_Cos.res");
    std::fprintf(table, "********* copy this line at the beginning of the main program ******\n");
    std::fprintf(table, "#define Nd_poi                   %d    // nb of points of each histogram\n", n);
    std::fprintf(table, "$*********************** end copy **********************************\n");

    Xlimit = xfin + 0.5 / n;
    x[0] = xini;
    x[n] = xfin;
    const double a0 = qromb(g1, xini, xfin) / n;
    double a = find_a(a0, x.data(), n);
    corrections(x.data(), f1.data(), &a, n);
    const double loss = (a / a0 - 1) * 100.0;
    std::printf("Histogram=%d, H=%f, M=%d, loss=%f%% \n", 1, H, M, loss);

    std::fprintf(table, "%f %d %d %f %f %f  %20.16e\n", H, M, n, xini, xfin, loss, a);
    for (int i = 0; i < n; ++i) std::fprintf(table, "%20.16e\n", x[i]);
    std::fclose(table);
    std::FILE* plot = std::fopen("Sin_Cos_g1_f1.res", "w");
    if (plot == nullptr) nrerror("cannot create Sin_Cos_g1_f1.res");
    for (int i = 0; i < n; ++i) {
        std::fprintf(plot, "%f %f %f\n", x[i], g1(x[i]), f1[i]);
        std::fprintf(plot, "%f %f %f\n", x[i + 1], g1(x[i + 1]), f1[i]);
    }
    std::fclose(plot);
    return 0;
}
