# Pictures of a sin_cos table, written as PNG files (gnuplot 5, e.g. gnuplot-nox):
#
#   gnuplot -c tools/plot_table.gp envelope  Sin_Cos_g1_f1.res envelope.png
#       the density against its staircase envelope, from the tool's plot file;
#       bins taller than 1.5 times the density's maximum are clipped there and
#       marked, and counted in the title
#   gnuplot -c tools/plot_table.gp loss      Sin_Cos.res        loss.png
#       where the loss goes: each bin's height over the density's maximum on
#       the bin, less 1, from the table file (the plot file's six decimals
#       cannot resolve narrow bins)
#   gnuplot -c tools/plot_table.gp histogram histogram.txt      histogram.png
#       the histogram of draws against the density, from sin_cos_check --histogram
#
# Each picture also prints one line about itself on standard error.

if (ARGC != 3 || (ARG1 ne "envelope" && ARG1 ne "loss" && ARG1 ne "histogram")) {
    print "usage: gnuplot -c plot_table.gp envelope|loss|histogram INPUT OUTPUT.png"
    exit status 2
}
mode = ARG1
input = ARG2

set terminal pngcairo size 1100,700 font ",11"
set output ARG3
set xlabel "x"
set grid
set key top center box opaque

if (mode eq "envelope") {
    stats input using 2 name "density" nooutput
    stats input using 3 name "height" nooutput
    top = 1.5 * density_max
    # Both ends of a bin carry its height: two records per bin.
    stats input using ($3 > top ? 1 : 0) name "above" nooutput
    clipped = int(above_sum) / 2
    bins = int(height_records) / 2
    set yrange [0:top]
    if (clipped > 0) {
        set title sprintf("Density and its envelope (%s): %d of %d bins clipped at 1.5 x the density's maximum, the tallest %.6g high", input, clipped, bins, height_max) noenhanced
    } else {
        set title sprintf("Density and its envelope (%s): %d bins", input, bins) noenhanced
    }
    print sprintf("envelope: %d of %d bins clipped at %g", clipped, bins, top)
    set ylabel "P(x) and bin height"
    # Every inner edge appears twice, once per bin, so joining the points in
    # file order draws the staircase.
    plot input using 1:($3 > top ? top : $3) with lines lw 2 lc rgb "#d62728" title "envelope (bin heights)", \
         input using 1:2 with lines lw 1.5 lc rgb "#1f77b4" title "density P(x)", \
         input using 1:($3 > top ? top : 1/0) with points pt 9 ps 2 lc rgb "#7f0000" title (clipped > 0 ? "clipped bin" : "")
}

if (mode eq "loss") {
    # The header is the one line with a second column, the edges the lines with only one.
    stats input using (valid(2) ? $1 : 1/0) name "H" nooutput
    stats input using (valid(2) ? $2 : 1/0) name "M" nooutput
    stats input using (valid(2) ? $3 : 1/0) name "n" nooutput
    stats input using (valid(2) ? $5 : 1/0) name "xfin" nooutput
    stats input using (valid(2) ? $6 : 1/0) name "loss" nooutput
    stats input using (valid(2) ? $7 : 1/0) name "a" nooutput
    H = H_min; M = int(M_min); n = int(n_min); xfin = xfin_min; a = a_min
    array edge[n + 1]
    k = 0
    stats input using ((valid(1) && !valid(2)) ? (k = k + 1, edge[k] = $1) : 1/0) nooutput
    edge[n + 1] = xfin

    P(x) = abs(x)**M * (1 - x * x)**((H - 1) / 2)
    # The density rises from 0 to its stationary point sqrt(M / (M + H - 1))
    # and falls after it (mirrored for x < 0); with M = 0 it falls from 0.
    peak = (M > 0 && H > 1) ? sqrt(M / (M + H - 1.0)) : 0
    inside(p, x0, x1) = (x0 <= p && p <= x1)
    bin_max(x0, x1) = max3(P(x0), P(x1), (inside(peak, x0, x1) || inside(-peak, x0, x1)) ? P(peak) : 0)
    max3(u, v, w) = u > v ? (u > w ? u : w) : (v > w ? v : w)

    set print $excess
    worst = 0; worst_x = 0; least = 1e-3
    do for [i = 1:n] {
        x0 = edge[i]; x1 = edge[i + 1]
        r = a / (x1 - x0) / bin_max(x0, x1) - 1
        if (r > worst) { worst = r; worst_x = x0 }
        if (r > 0 && r < least) { least = r }
        print sprintf("%.17g %.17g\n%.17g %.17g", x0, r, x1, r)
    }
    unset print
    print sprintf("loss: %d bins, the largest excess %g at x = %g", n, worst, worst_x)

    set title sprintf("Where the loss goes (%s): H = %g, M = %d, n = %d, loss %g %%; the largest excess %.3g at x = %.6g", input, H, M, n, loss_min, worst, worst_x) noenhanced
    set ylabel "bin height / density's maximum on the bin - 1"
    set logscale y
    set yrange [least / 3:*]
    set format y "%g"
    plot $excess using 1:2 with lines lw 2 lc rgb "#d62728" title "excess of each bin", \
         1e-3 with lines dt 2 lw 1.5 lc rgb "#555555" title "margin 1.001"
}

if (mode eq "histogram") {
    set title sprintf("Sampled histogram against the density (%s)", input) noenhanced
    set ylabel "normalised density"
    set style fill transparent solid 0.35 noborder
    plot input using 1:2 with boxes lc rgb "#ff7f0e" title "draws", \
         input using 1:3 with lines lw 2 lc rgb "#1f77b4" title "exact density"
    print sprintf("histogram: drawn from %s", input)
}
