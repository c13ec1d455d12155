#!/usr/bin/env bash
# Every figure of docs/performance.md in one sitting: builds the benchmarks,
# the tool and the Python module (release preset), then runs each measurement
# of that page in turn, saving each one's output in OUT (default /tmp/sitting).
# The machine's load is printed before and after each step and kept in
# OUT/load.txt: a figure taken under load says so.
#
#     bench/sitting.sh [OUT] [--quick]
#
# --quick runs every step with tiny counts, to see that all of them work; its
# figures are not to be quoted. The full sitting takes about 9 minutes on two
# free cores, 6 of them beside PINV (it is given 20 s on each law where it
# cannot set up). Run from anywhere; the build is the source tree's build/.
set -u -o pipefail

out=/tmp/sitting
quick=0
for arg in "$@"; do
    case "$arg" in
        --quick) quick=1 ;;
        -h|--help) sed -n '2,13p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
        -*) echo "sitting.sh: unknown option $arg" >&2; exit 2 ;;
        *) out=$arg ;;
    esac
done

src=$(cd "$(dirname "$0")/.." && pwd)
build=$src/build
mkdir -p "$out" || exit 1
out=$(cd "$out" && pwd)
py=${PYTHON:-/usr/bin/python3}
# As the page's Python commands: some machines set these for another CPU.
pyenv=(env -u OPENBLAS_CORETYPE -u OPENBLAS_L2_SIZE PYTHONPATH="$build/python")

# The counts: the full sitting's, and --quick's.
if ((quick)); then
    gb_reps=1; gb_time=(--benchmark_min_time=0.01); rounds=1; laws_runs=1; whole_runs=2; writing_calls=1
    writing_rounds=3; laws_count=2000; draws=(--draws 100000 --repeat 1); sample_calls=1; sample_size=10000
    quantile=(--repeat 1 --values 10000)
else
    gb_reps=5; gb_time=(); rounds=5; laws_runs=5; whole_runs=31; writing_calls=3
    writing_rounds=31; laws_count=100000; draws=(--repeat 5); sample_calls=5; sample_size=1000000
    quantile=(--repeat 3)
fi

failed=()
load() { echo "$(date -u +%H:%M:%S) $1 $2: $(uptime)" | tee -a "$out/load.txt"; }

# step NAME COMMAND...: runs COMMAND from the source tree, its output in
# OUT/NAME.txt (and on the terminal), the load before and after.
step() {
    local name=$1 start
    shift
    load before "$name"
    start=$(date +%s%N)
    (cd "$src" && "$@") 2>&1 | tee "$out/$name.txt"
    local status=${PIPESTATUS[0]}
    local ds=$((($(date +%s%N) - start) / 100000000))
    printf '%s: %d.%d s, status %d\n' "$name" $((ds / 10)) $((ds % 10)) "$status" | tee -a "$out/load.txt"
    load after "$name"
    ((status == 0)) || failed+=("$name")
    echo
}

# whole RUNS COMMAND...: whole-process times of each COMMAND (one string each,
# split as a shell splits words), the commands taken in turn RUNS times after
# one warm-up, each in its own folder emptied before each run, standard input
# empty. Prints the median wall and CPU (user + system) seconds, their spread,
# and each command's CPU time over the first's, paired run by run.
whole() {
    "$py" - "$@" <<'EOF'
import os, shlex, shutil, statistics, subprocess, sys, tempfile, time

runs, commands = int(sys.argv[1]), [shlex.split(c) for c in sys.argv[2:]]
wall = [[] for _ in commands]
cpu = [[] for _ in commands]
with tempfile.TemporaryDirectory() as top:
    for turn in range(runs + 1):
        for k, command in enumerate(commands):
            where = os.path.join(top, str(k))
            shutil.rmtree(where, ignore_errors=True)
            os.mkdir(where)
            start = time.perf_counter()
            child = subprocess.Popen(command, cwd=where, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                                     stderr=subprocess.DEVNULL)
            _, status, usage = os.wait4(child.pid, 0)
            elapsed = time.perf_counter() - start
            child.returncode = os.waitstatus_to_exitcode(status)
            if child.returncode != 0:
                sys.exit(f"{shlex.join(command)}: exit status {child.returncode}")
            if turn > 0:  # the first turn warms the caches
                wall[k].append(elapsed)
                cpu[k].append(usage.ru_utime + usage.ru_stime)
print(f"whole runs: medians of {runs} runs each, taken in turn (min-max in brackets)")
for k, command in enumerate(commands):
    print(f"  wall {statistics.median(wall[k]):8.3f} s [{min(wall[k]):.3f}-{max(wall[k]):.3f}]"
          f"  cpu {statistics.median(cpu[k]):8.3f} s [{min(cpu[k]):.3f}-{max(cpu[k]):.3f}]  {shlex.join(command)}")
for k in range(1, len(commands)):
    ratios = [a / b for a, b in zip(cpu[k], cpu[0])]
    print(f"  cpu of command {k + 1} / command 1, paired: median {statistics.median(ratios):.3f}"
          f" [{min(ratios):.3f}-{max(ratios):.3f}]")
EOF
}

# The Python sample in bulk, ns a draw: 10^6 draws a call, the median of the
# calls, on the --tight tables of proposal_bench's law at 5000 and 100000 bins.
python_sample() {
    "${pyenv[@]}" "$py" - "$sample_calls" "$sample_size" <<'EOF'
import statistics, sys, time
import numpy as np
import sin_cos

calls, size = int(sys.argv[1]), int(sys.argv[2])
print(f"sample: {size} draws a call, median of {calls} calls, H = 2.11, M = 4 on [-1, 1], --tight, ns a draw")
for n in (5000, 100000):
    sampler = sin_cos.Sampler(sin_cos.build_table(sin_cos.Law(-1, 1, 2.11, 4), n, tight=True))
    for name, rng in (("MT19937_64", sin_cos.MT19937_64(1)), ("numpy PCG64", np.random.default_rng(1))):
        sampler.sample(size, rng=rng)
        times = []
        for _ in range(calls):
            start = time.perf_counter()
            sampler.sample(size, rng=rng)
            times.append(time.perf_counter() - start)
        print(f"  n = {n:6d}  {name:12s} {statistics.median(times) / size * 1e9:7.2f}"
              f"  [{min(times) / size * 1e9:.2f}-{max(times) / size * 1e9:.2f}]")
EOF
}

{
    echo "date: $(date -u '+%Y-%m-%d %H:%M UTC')"
    echo "cores: $(nproc); $(grep -m1 'model name' /proc/cpuinfo)"
    echo "kernel: $(uname -sr)"
    echo "commit: $(git -C "$src" rev-parse HEAD 2>/dev/null)$(git -C "$src" diff --quiet HEAD 2>/dev/null || echo ' (with changes)')"
    ((quick)) && echo "--quick: tiny counts, figures not to be quoted"
} | tee "$out/machine.txt"
: > "$out/load.txt"
sitting_start=$(date +%s)

# The build: two jobs, only what the sitting runs.
targets=(benchmarks sin_cos)
step configure cmake --preset release
if cmake --build "$build" --target help 2>/dev/null | grep -qw python_module; then
    targets+=(python_module)
else
    echo "no Python module target (pybind11 or numpy missing): the Python steps are skipped"
fi
step build cmake --build "$build" -j2 --target "${targets[@]}"
if [[ ! -x $build/bench/sampler_bench ]]; then
    echo "no benchmarks (Google Benchmark missing, Debian: libbenchmark-dev): nothing to measure" >&2
    exit 1
fi

gb=(--benchmark_repetitions="$gb_reps" "${gb_time[@]}")

# C++ draws and builds.
step sampler_bench build/bench/sampler_bench --benchmark_filter='Draw|TwoCalls|TwoGamma|InverseBeta' "${gb[@]}"
step proposal_bench build/bench/proposal_bench --benchmark_filter='Words|Bulk|CFill' "${gb[@]}"
step envelope_bench build/bench/envelope_bench --benchmark_filter='build_defaults' "${gb[@]}"
step parallel_bench build/bench/parallel_bench "$rounds"
step laws_bench build/bench/laws_bench "$rounds" build/sin_cos

# Many small laws, whole runs.
laws=$out/laws.txt peaked=$out/peaked.txt repeated=$out/repeated.txt
step random_laws bash -c "'$py' bench/random_laws.py $laws_count '$laws' && '$py' bench/random_laws.py 600 '$out/peaked_all.txt' --h-min 100 --seed 7"
# Of the peaked laws, those the default builds at 50 and at 512 bins: a run of
# several laws stops at the first it cannot build.
keep_buildable() {
    local a b h m n ok where
    where=$(mktemp -d) || return 1
    while read -r a b h m; do
        ok=1
        for n in 50 512; do
            (cd "$where" && "$build/sin_cos" -- "$a" "$b" "$h" "$m" "$n") > /dev/null 2>&1 || { ok=0; break; }
        done
        ((ok)) && echo "$a $b $h $m"
    done < "$out/peaked_all.txt" > "$peaked"
    rm -rf "$where"
    echo "$(wc -l < "$peaked") of $(wc -l < "$out/peaked_all.txt") peaked laws kept"
}
step keep_buildable keep_buildable
for _ in $(seq 200); do echo "-0.3 0.9 1000 0"; done > "$repeated"
step many_laws whole "$laws_runs" "$build/sin_cos --tight --bins 1 --laws $laws"
step peaked_laws whole "$laws_runs" "$build/sin_cos --bins 400 --laws $peaked" "$build/sin_cos --bins 50 --laws $peaked"
step repeated_law whole "$laws_runs" "$build/sin_cos --bins 400 --laws $repeated" "$build/sin_cos --bins 50 --laws $repeated"

# Writing the files.
step writing_bench bash -c "for k in \$(seq $writing_calls); do build/bench/writing_bench $writing_rounds; done"
step whole_run whole "$whole_runs" "$build/sin_cos -- -1 1 2 4 100000" "$build/sin_cos --tight -- -1 1 2 4 100000"

# Python draws, and the quantile beside PINV.
if [[ -d $build/python/sin_cos ]]; then
    step python_draws "${pyenv[@]}" "$py" bench/python_draws.py "${draws[@]}"
    step python_sample python_sample
    step quantile_vs_pinv "${pyenv[@]}" "$py" bench/quantile_vs_pinv.py build/bench/quantile_bench "${quantile[@]}" \
        --pinv-defaults
fi

echo "sitting: $(( $(date +%s) - sitting_start )) s; outputs in $out" | tee -a "$out/load.txt"
if ((${#failed[@]})); then
    echo "failed: ${failed[*]}" | tee -a "$out/load.txt"
    exit 1
fi
