# Pictures of a sin_cos table, written as PNG files (gnuplot 5, e.g. gnuplot-nox):
#
#   gnuplot -c tools/plot_table.gp envelope  Sin_Cos_g1_f1.res envelope.png [Sin_Cos.res [DATA]]
#       the density, drawn from its formula with H and M from the table file
#       (by default the Sin_Cos.res beside the plot file), against the
#       staircase envelope of the same table file: its edges and area at full
#       precision (the plot file's six decimals flatten a small density to 0).
#       Both are computed in logarithms and drawn divided by a power of ten
#       when the density's maximum lies outside [1e-3, 1e3] (noted in the
#       title), so a density near 1e-300 is drawn as it is; bins taller than
#       1.5 times the density's maximum are clipped there and marked, and
#       counted in the title. DATA, when given, receives what is drawn: one
#       line "x density height" for each point of the density's curve, with
#       the envelope's height at that x.
#   gnuplot -c tools/plot_table.gp loss      Sin_Cos.res        loss.png
#       where the loss goes: each bin's area above the density, in percent of
#       the density's integral, so that the bins add up to the loss; from the
#       table file (the plot file's six decimals cannot resolve narrow bins)
#   gnuplot -c tools/plot_table.gp histogram histogram.txt      histogram.png [Sin_Cos.res]
#       the histogram of draws against the density, from sin_cos_check --histogram,
#       titled with the law of the table file beside it
#
# Each picture also prints one line about itself on standard error.

if (ARGC < 3 || ARGC > 5 || (ARG1 ne "envelope" && ARG1 ne "loss" && ARG1 ne "histogram")) {
    print "usage: gnuplot -c plot_table.gp envelope|loss|histogram INPUT OUTPUT.png [TABLE [DATA]]"
    exit status 2
}
mode = ARG1
input = ARG2

set terminal pngcairo size 1100,700 font ",11"
set output ARG3
set xlabel "x"
set grid
set key top center box opaque

# A table file holds one or more histograms: each a header line, the one line
# with a second column (H, M, n, xini, xfin, the loss and the area), and its
# n edges, the lines with only one. read_headers keeps every header, in order,
# and the second edge of each; use_histogram(K) sets H, M, n, xini, xfin,
# header_loss, a and the title's `law` from the K-th; read_edges fills
# edge[1..n + 1] with its edges and xfin. (Each pass returns 0 for every line:
# stats refuses a file with no point it takes.)
read_headers = 'stats table using (valid(2) ? 0 : 1/0) name "headers" nooutput; ' . \
               'histograms = int(headers_records); ' . \
               'array hH[histograms]; array hM[histograms]; array hn[histograms]; array hxini[histograms]; ' . \
               'array hxfin[histograms]; array hloss[histograms]; array ha[histograms]; array hx1[histograms]; ' . \
               'h = 0; e = 0; ' . \
               'stats table using (valid(2) ? (h = h + 1, hH[h] = $1, hM[h] = $2, hn[h] = $3, hxini[h] = $4, hxfin[h] = $5, ' . \
               'hloss[h] = $6, ha[h] = $7, hx1[h] = $5, e = 0, 0) : (valid(1) && h > 0 ? (e = e + 1, (e == 2 ? hx1[h] = $1 : 0), 0) : 0)) nooutput'
use_histogram(K) = (H = hH[K], M = int(hM[K]), n = int(hn[K]), xini = hxini[K], xfin = hxfin[K], header_loss = hloss[K], a = ha[K], \
                    law = sprintf("H = %g, M = %d, n = %d, [%g, %g], loss %.6g %%", H, M, n, xini, xfin, header_loss), K)
read_edges = 'array edge[n + 1]; h = 0; k = 0; ' . \
             'stats table using (valid(2) ? (h = h + 1, 0) : ((valid(1) && h == chosen) ? (k = k + 1, edge[k] = $1, 0) : 0)) nooutput; ' . \
             'edge[n + 1] = xfin'
P(x) = abs(x)**M * (1 - x * x)**((H - 1) / 2)
# The density rises from 0 to its stationary point sqrt(M / (M + H - 1))
# and falls after it (mirrored for x < 0); with M = 0 it falls from 0.
peak_of(M, H) = (M > 0 && H > 1) ? sqrt(M / (M + H - 1.0)) : 0

# The table file beside INPUT, unless one is named.
dir = ""
do for [i = 1:strlen(input)] { if (input[i:i] eq "/") { dir = input[1:i] } }
table = ARGC >= 4 ? ARG4 : dir . "Sin_Cos.res"

if (mode eq "envelope") {
    eval read_headers
    # The histogram the plot file shows: the last whose first two edges are
    # the plot file's, to its six decimals (the last law by default).
    stats input every ::0::0 using 1 name "plot_x0" nooutput
    stats input every ::1::1 using 1 name "plot_x1" nooutput
    near(u, v) = abs(u - v) <= 5e-7 * (1 + 1e-9)
    chosen = histograms
    found = 0
    do for [j = 1:histograms] { if (near(hxini[j], plot_x0_min) && near(hx1[j], plot_x1_min)) { found = j } }
    if (found > 0) { chosen = found }
    dummy = use_histogram(chosen)
    eval read_edges
    peak = peak_of(M, H)
    # The density's logarithm: a density near 1e-300 is the sum of two
    # logarithms each far from the edge of the doubles. Its zeros (x = 0 with
    # M > 0, |x| = 1 with H > 1) are given a logarithm no double reaches.
    none = -1e300
    logP(x) = ((M > 0 && x == 0) || (H > 1 && abs(x) >= 1)) ? none : \
              (M > 0 ? M * log(abs(x)) : 0) + (H > 1 ? (H - 1) / 2 * log(1 - x * x) : 0)
    inside(p) = xini <= p && p <= xfin
    log_max = logP(xini) > logP(xfin) ? logP(xini) : logP(xfin)
    if (inside(peak) && logP(peak) > log_max) { log_max = logP(peak) }
    if (inside(-peak) && logP(-peak) > log_max) { log_max = logP(-peak) }
    # Drawn divided by 10^power: 1 unless the maximum is outside [1e-3, 1e3].
    power = (log_max < log(1e-3) || log_max > log(1e3)) ? floor(log_max / log(10)) : 0
    log_scale = power * log(10)
    drawn(lp) = lp <= none ? 0 : exp(lp - log_scale)
    top = 1.5 * drawn(log_max)
    log_a = log(a)
    height(i) = drawn(log_a - log(edge[i + 1] - edge[i]))

    # The staircase, and the density sampled inside every bin (its ends, the
    # stationary points in it and evenly between) with the bin's height beside it.
    per_bin = n >= 2000 ? 2 : int(4000 / n)
    clipped = 0
    tallest = 0
    set print $staircase
    do for [i = 1:n] {
        h = height(i)
        if (h > top) { clipped = clipped + 1 }
        if (h > tallest) { tallest = h }
        print sprintf("%.17g %.17g\n%.17g %.17g", edge[i], h, edge[i + 1], h)
    }
    unset print
    set print $curve
    do for [i = 1:n] {
        x0 = edge[i]; x1 = edge[i + 1]; h = height(i)
        do for [j = 0:per_bin] {
            x = x0 + (x1 - x0) * j / per_bin
            print sprintf("%.17g %.17g %.17g", x, drawn(logP(x)), h)
        }
        if (x0 < peak && peak < x1) { print sprintf("%.17g %.17g %.17g", peak, drawn(logP(peak)), h) }
        if (x0 < -peak && -peak < x1) { print sprintf("%.17g %.17g %.17g", -peak, drawn(logP(-peak)), h) }
    }
    unset print
    if (ARGC == 5) {
        set print ARG5
        print $curve
        unset print
    }
    stats $curve using ($2 > $3 ? 1 : 0) name "below" nooutput

    scale_note = power != 0 ? sprintf(", in units of 1e%d", power) : ""
    set yrange [0:top]
    set xrange [xini:xfin]
    if (clipped > 0) {
        set title sprintf("Density and its envelope (%s%s)\n%d of %d bins clipped at 1.5 x the density's maximum, the tallest %.6g high", law, scale_note, clipped, n, tallest) noenhanced
    } else {
        set title sprintf("Density and its envelope (%s%s)", law, scale_note) noenhanced
    }
    print sprintf("envelope: %d of %d bins clipped at %g%s; %d of %d points of the density above it", clipped, n, top, scale_note, int(below_sum), int(below_records))
    set ylabel (power != 0 ? sprintf("P(x) and bin height, in units of 1e%d", power) : "P(x) and bin height") noenhanced
    plot $staircase using 1:($2 > top ? top : $2) with lines lw 2 lc rgb "#d62728" title "envelope (bin heights)", \
         $curve using 1:2 with lines lw 1.5 lc rgb "#1f77b4" title "density P(x)", \
         $staircase using 1:($2 > top ? top : 1/0) with points pt 9 ps 2 lc rgb "#7f0000" title (clipped > 0 ? "clipped bin" : "")
}

if (mode eq "loss") {
    # The last histogram of the table file.
    table = input
    eval read_headers
    chosen = histograms
    dummy = use_histogram(chosen)
    eval read_edges
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

    set title sprintf("Where the loss goes (%s): the bins' areas above the density\nadd up to %.4g %% of its integral (the header's loss: %g %%), the largest %.3g %% at x = %.6g", law, sum_excess, header_loss, worst, worst_x) noenhanced
    set xrange [xini:xfin]
    set ylabel "bin area above the density, % of the density's integral"
    set key bottom center
    set logscale y
    set yrange [least / 3:*]
    set format y "%g"
    plot $excess using 1:2 with lines lw 2 lc rgb "#d62728" title "excess area of each bin"
}

if (mode eq "histogram") {
    eval read_headers
    dummy = use_histogram(histograms)
    set title sprintf("Sampled histogram against the density (%s)", law) noenhanced
    set ylabel "normalised density"
    set style fill transparent solid 0.35 noborder
    plot input using 1:2 with boxes lc rgb "#ff7f0e" title "draws", \
         input using 1:3 with lines lw 2 lc rgb "#1f77b4" title "exact density"
    print sprintf("histogram: drawn from %s", input)
}
