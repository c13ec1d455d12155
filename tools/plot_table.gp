# Pictures of a sin_cos table, written as PNG files (gnuplot 5, e.g. gnuplot-nox):
#
#   gnuplot -c tools/plot_table.gp envelope  Sin_Cos_g1_f1.res envelope.png
#       the density against its staircase envelope, from the tool's plot file
#   gnuplot -c tools/plot_table.gp histogram histogram.txt      histogram.png
#       the histogram of draws against the density, from sin_cos_check --histogram

if (ARGC != 3 || (ARG1 ne "envelope" && ARG1 ne "histogram")) {
    print "usage: gnuplot -c plot_table.gp envelope|histogram INPUT OUTPUT.png"
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
    set title sprintf("Density and its envelope (%s)", input) noenhanced
    set ylabel "P(x) and bin height"
    # Every inner edge appears twice, once per bin, so joining the points in
    # file order draws the staircase.
    plot input using 1:3 with lines lw 2 lc rgb "#d62728" title "envelope (bin heights)", \
         input using 1:2 with lines lw 1.5 lc rgb "#1f77b4" title "density P(x)"
} else {
    set title sprintf("Sampled histogram against the density (%s)", input) noenhanced
    set ylabel "normalised density"
    set style fill transparent solid 0.35 noborder
    plot input using 1:2 with boxes lc rgb "#ff7f0e" title "draws", \
         input using 1:3 with lines lw 2 lc rgb "#1f77b4" title "exact density"
}
