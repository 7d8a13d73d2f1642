#!/usr/bin/env python3
"""Runs the heap walk and its floor on each C library bench_detail has and prints their ratio.

    heap_walk_ratio.py BENCH_DETAIL [REPETITIONS]     (default 5 repetitions)

The walk and the floor of one library run one after the other in the same process; each figure
is the median of the repetitions in real time, and the ratio is of those medians.
"""
import json
import subprocess
import sys


def main():
    if len(sys.argv) < 2:
        sys.exit(__doc__)
    repetitions = sys.argv[2] if len(sys.argv) > 2 else "5"
    out = subprocess.run(
        [sys.argv[1], "--benchmark_filter=BM_Heap(Walk|Floor)(/|$)",
         f"--benchmark_repetitions={repetitions}", "--benchmark_format=json"],
        check=True, stdout=subprocess.PIPE, text=True).stdout
    medians = {}
    for b in json.loads(out)["benchmarks"]:
        if b.get("aggregate_name") == "median":
            medians[b["run_name"].replace("/real_time", "")] = b["real_time"]
    print(f"{'C library':28} {'walk ms':>8} {'floor ms':>9} {'ratio':>6}")
    for name, walk in medians.items():
        if not name.startswith("BM_HeapWalk"):
            continue
        floor = medians.get(name.replace("BM_HeapWalk", "BM_HeapFloor"))
        library = name.partition("/")[2] or "this machine's"
        if floor:
            print(f"{library:28} {walk:8.1f} {floor:9.1f} {walk / floor:6.2f}")


if __name__ == "__main__":
    main()
