# Pictures of a sin_cos table, written as PNG files (gnuplot 5, e.g. gnuplot-nox):
#
#   gnuplot -c tools/plot_table.gp envelope  Sin_Cos_g1_f1.res envelope.png [Sin_Cos.res]
#       the density, drawn from its formula with H and M from the table file
#       (by default the Sin_Cos.res beside the plot file), against the
#       staircase envelope of the plot file; bins taller than 1.5 times the
#       density's maximum are clipped there and marked, and counted in the title
#   gnuplot -c tools/plot_table.gp loss      Sin_Cos.res        loss.png
#       where the loss goes: each bin's area above the density, in percent of
#       the density's integral, so that the bins add up to the loss; from the
#       table file (the plot file's six decimals cannot resolve narrow bins)
#   gnuplot -c tools/plot_table.gp histogram histogram.txt      histogram.png
#       the histogram of draws against the density, from sin_cos_check --histogram
#
# Each picture also prints one line about itself on standard error.

if (ARGC < 3 || ARGC > 4 || (ARG1 ne "envelope" && ARG1 ne "loss" && ARG1 ne "histogram")) {
    print "usage: gnuplot -c plot_table.gp envelope|loss|histogram INPUT OUTPUT.png [TABLE]"
    exit status 2
}
mode = ARG1
input = ARG2

set terminal pngcairo size 1100,700 font ",11"
set output ARG3
set xlabel "x"
set grid
set key top center box opaque

# The table file's header is its one line with a second column, its edges the
# lines with only one: this reads H, M, n, xini, xfin, the loss and the area.
read_header = 'stats table using (valid(2) ? $1 : 1/0) name "H" nooutput; ' . \
              'stats table using (valid(2) ? $2 : 1/0) name "M" nooutput; ' . \
              'stats table using (valid(2) ? $3 : 1/0) name "n" nooutput; ' . \
              'stats table using (valid(2) ? $4 : 1/0) name "xini" nooutput; ' . \
              'stats table using (valid(2) ? $5 : 1/0) name "xfin" nooutput; ' . \
              'stats table using (valid(2) ? $6 : 1/0) name "loss" nooutput; ' . \
              'stats table using (valid(2) ? $7 : 1/0) name "a" nooutput; ' . \
              'H = H_min; M = int(M_min); n = int(n_min); xini = xini_min; xfin = xfin_min; header_loss = loss_min; a = a_min'
P(x) = abs(x)**M * (1 - x * x)**((H - 1) / 2)
# The density rises from 0 to its stationary point sqrt(M / (M + H - 1))
# and falls after it (mirrored for x < 0); with M = 0 it falls from 0.
peak_of(M, H) = (M > 0 && H > 1) ? sqrt(M / (M + H - 1.0)) : 0

if (mode eq "envelope") {
    # The table file beside the plot file, unless one is named.
    dir = ""
    do for [i = 1:strlen(input)] { if (input[i:i] eq "/") { dir = input[1:i] } }
    table = ARGC == 4 ? ARG4 : dir . "Sin_Cos.res"
    eval read_header
    peak = peak_of(M, H)
    stats input using 2 name "density" nooutput
    stats input using 3 name "height" nooutput
    inside(p) = xini <= p && p <= xfin
    top = 1.5 * ((inside(peak) || inside(-peak)) && P(peak) > density_max ? P(peak) : density_max)
    # Both ends of a bin carry its height: two records per bin.
    stats input using ($3 > top ? 1 : 0) name "above" nooutput
    clipped = int(above_sum) / 2
    bins = int(height_records) / 2
    set yrange [0:top]
    set xrange [xini:xfin]
    # Enough points to follow the narrowest peak the grid of bins resolves.
    set samples (bins * 20 > 4000 ? (bins * 20 < 200000 ? bins * 20 : 200000) : 4000)
    if (clipped > 0) {
        set title sprintf("Density (H = %g, M = %d) and its envelope (%s): %d of %d bins clipped at 1.5 x the density's maximum, the tallest %.6g high", H, M, input, clipped, bins, height_max) noenhanced
    } else {
        set title sprintf("Density (H = %g, M = %d) and its envelope (%s): %d bins", H, M, input, bins) noenhanced
    }
    print sprintf("envelope: %d of %d bins clipped at %g", clipped, bins, top)
    set ylabel "P(x) and bin height"
    # Every inner edge appears twice, once per bin, so joining the points in
    # file order draws the staircase.
    plot input using 1:($3 > top ? top : $3) with lines lw 2 lc rgb "#d62728" title "envelope (bin heights)", \
         P(x) with lines lw 1.5 lc rgb "#1f77b4" title "density P(x)", \
         input using 1:($3 > top ? top : 1/0) with points pt 9 ps 2 lc rgb "#7f0000" title (clipped > 0 ? "clipped bin" : "")
}

if (mode eq "loss") {
    table = input
    eval read_header
    array edge[n + 1]
    k = 0
    stats input using ((valid(1) && !valid(2)) ? (k = k + 1, edge[k] = $1) : 1/0) nooutput
    edge[n + 1] = xfin
    peak = peak_of(M, H)

    # The density's integral over each bin: Simpson's rule on 16 panels, and
    # the bin split at a stationary point inside it.
    simpson(x0, x1) = (x1 - x0) / 48 * sum [j = 0:16] ((j == 0 || j == 16) ? 1 : (j % 2 ? 4 : 2)) * P(x0 + (x1 - x0) * j / 16.0)
    split(p, x0, x1) = x0 < p && p < x1
    part(x0, x1) = split(-peak, x0, x1) ? simpson(x0, -peak) + part2(-peak, x1) : part2(x0, x1)
    part2(x0, x1) = split(peak, x0, x1) ? simpson(x0, peak) + simpson(peak, x1) : simpson(x0, x1)
    array inside[n]
    total = 0
    do for [i = 1:n] { inside[i] = part(edge[i], edge[i + 1]); total = total + inside[i] }

    set print $excess
    worst = 0; worst_x = 0; least = 1e300; sum_excess = 0
    do for [i = 1:n] {
        x0 = edge[i]; x1 = edge[i + 1]
        r = (a - inside[i]) / total * 100
        sum_excess = sum_excess + r
        if (r > worst) { worst = r; worst_x = x0 }
        if (r > 0 && r < least) { least = r }
        print sprintf("%.17g %.17g\n%.17g %.17g", x0, r, x1, r)
    }
    unset print
    print sprintf("loss: %d bins, the largest excess %g at x = %g, %g %% in all", n, worst, worst_x, sum_excess)

    set title sprintf("Where the loss goes (%s, H = %g, M = %d, n = %d): the bins' areas above the density\nadd up to %.4g %% of its integral (the header's loss: %g %%), the largest %.3g %% at x = %.6g", input, H, M, n, sum_excess, header_loss, worst, worst_x) noenhanced
    set xrange [xini:xfin]
    set ylabel "bin area above the density, % of the density's integral"
    set key bottom center
    set logscale y
    set yrange [least / 3:*]
    set format y "%g"
    plot $excess using 1:2 with lines lw 2 lc rgb "#d62728" title "excess area of each bin"
}

if (mode eq "histogram") {
    set title sprintf("Sampled histogram against the density (%s)", input) noenhanced
    set ylabel "normalised density"
    set style fill transparent solid 0.35 noborder
    plot input using 1:2 with boxes lc rgb "#ff7f0e" title "draws", \
         input using 1:3 with lines lw 2 lc rgb "#1f77b4" title "exact density"
    print sprintf("histogram: drawn from %s", input)
}
