#!/usr/bin/env python3
"""Draws spread over a dask.distributed cluster, the same as in one process.

N draws from one table are cut into blocks; block k draws from
numpy.random.default_rng(children[k]), children the spawn of one
SeedSequence, so each block's stream is fixed whoever draws it. The sampler
goes to the workers by pickling (its table's values, not a file), once to each.
The blocks are then drawn again, one after another, in this process, and
compared.

    dask_draws.py [--draws N] [--blocks K] [--workers W] [--histogram BINS] [--check]

With --histogram each block is reduced on its worker to a histogram of BINS
bins over the interval, and only the histograms come back; otherwise the
draws come back and are joined into one array. The cluster is a LocalCluster
of W worker processes, one thread each, listening on 127.0.0.1 only; pass
--scheduler ADDRESS to use a running cluster instead. --check ends with status
1 where the cluster's result differs from the one-process result.
"""
import argparse
import sys
import tempfile
import time

import numpy as np
import sin_cos

CHUNK = 1 << 20  # a histogram's draws are made in chunks of this many, to bound a worker's memory


def draw_block(sampler, seed, size):
    """The block's draws."""
    return sampler.sample(size, rng=np.random.default_rng(seed))


def histogram_block(sampler, seed, size, bins):
    """The histogram of the block's draws, drawn chunk after chunk from one generator: the same stream."""
    rng = np.random.default_rng(seed)
    span = (sampler.table.xini, sampler.table.xfin)
    counts = np.zeros(bins, dtype=np.int64)
    for start in range(0, size, CHUNK):
        counts += np.histogram(sampler.sample(min(CHUNK, size - start), rng=rng), bins=bins, range=span)[0]
    return counts


def block_sizes(total, blocks):
    return [total // blocks + (k < total % blocks) for k in range(blocks)]


def on_cluster(client, sampler, task, children, sizes, extra, timeout):
    from dask.distributed import wait

    shipped = client.scatter(sampler, broadcast=True)  # pickled once per worker
    futures = [client.submit(task, shipped, child, size, *extra, pure=False) for child, size in zip(children, sizes)]
    wait(futures, timeout=timeout)
    return client.gather(futures)


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--draws", type=float, default=1e7, help="N, the number of draws (default 1e7)")
    parser.add_argument("--blocks", type=int, default=20)
    parser.add_argument("--workers", type=int, default=2)
    parser.add_argument("--entropy", type=int, default=20240924, help="the root SeedSequence's entropy")
    parser.add_argument("--histogram", type=int, metavar="BINS", help="reduce each block to a histogram on its worker")
    parser.add_argument("--table", nargs=5, default=["2", "4", "-1", "1", "5000"],
                        metavar=("H", "M", "XINI", "XFIN", "N"))
    parser.add_argument("--scheduler", help="a running cluster's scheduler address")
    parser.add_argument("--timeout", type=float, default=600, help="seconds the cluster's blocks may take")
    parser.add_argument("--check", action="store_true",
                        help="status 1 unless the cluster's result is the one-process one")
    args = parser.parse_args()

    import dask
    from dask.distributed import Client, LocalCluster

    # Dask starts its workers with MALLOC_TRIM_THRESHOLD_=65536, which also
    # stops glibc from raising its mmap threshold: every temporary array above
    # 128 KiB is then mapped and faulted in afresh, and np.histogram's blocks
    # run three to twenty times slower than in this process.
    environ = dask.config.get("distributed.nanny.pre-spawn-environ", None)
    if environ and "MALLOC_TRIM_THRESHOLD_" in environ:
        environ = {k: v for k, v in environ.items() if k != "MALLOC_TRIM_THRESHOLD_"}
        dask.config.set({"distributed.nanny.pre-spawn-environ": environ})

    H, M, xini, xfin, n = args.table
    sampler = sin_cos.Sampler(sin_cos.build_table(sin_cos.Law(float(xini), float(xfin), float(H), int(M)), int(n), tight=True))
    total = int(args.draws)
    children = np.random.SeedSequence(args.entropy).spawn(args.blocks)
    sizes = block_sizes(total, args.blocks)
    task, extra = (histogram_block, (args.histogram,)) if args.histogram else (draw_block, ())

    with tempfile.TemporaryDirectory(prefix="dask-draws-") as space:
        started = time.perf_counter()
        if args.scheduler:
            cluster = None
            client = Client(args.scheduler, timeout=args.timeout)
        else:
            cluster = LocalCluster(n_workers=args.workers, threads_per_worker=1, processes=True, host="127.0.0.1",
                                   dashboard_address=None, local_directory=space, memory_limit=0)
            client = Client(cluster, timeout=args.timeout)
        with client:
            addresses = [*client.scheduler_info()["workers"], client.scheduler.address]
            if cluster is not None and not all(a.startswith("tcp://127.0.0.1:") for a in addresses):
                sys.exit(f"the cluster listens beyond the loopback: {addresses}")
            ready = time.perf_counter()
            remote = on_cluster(client, sampler, task, children, sizes, extra, args.timeout)
            cluster_time = time.perf_counter() - ready
        if cluster is not None:
            cluster.close()
        start_time = ready - started

    began = time.perf_counter()
    local = [task(sampler, child, size, *extra) for child, size in zip(children, sizes)]
    local_time = time.perf_counter() - began

    same = all(np.array_equal(r, l) for r, l in zip(remote, local))
    what = f"histograms of {args.histogram} bins" if args.histogram else "draws"
    print(f"{total} draws in {args.blocks} blocks ({what} returned), table {' '.join(args.table)} --tight")
    print(f"cluster, {len(addresses) - 1} workers: {cluster_time:8.3f} s  (start-up {start_time:.2f} s)")
    print(f"one process:          {local_time:8.3f} s")
    print(f"blocks equal: {same}")
    if args.histogram:
        counts = np.sum(remote, axis=0)
        print(f"histogram total {counts.sum()}, fullest bin {counts.max()}")
    else:
        joined = np.concatenate(remote)
        print(f"first draws {joined[:3].tolist()}, mean {joined.mean():.6f}")
    if args.check and not same:
        sys.exit(1)


if __name__ == "__main__":
    main()
