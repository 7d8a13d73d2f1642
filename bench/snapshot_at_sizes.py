#!/usr/bin/env python3
"""Runs bench_snapshot at about 1,000 and 5,000 processes and prints each figure against the floor.

    snapshot_at_sizes.py BUILD_DIR [SIZES...]     (default sizes: 1000 5000; 2 threads a process)

The fixture tops the machine up to each size and is stopped again, also when the run fails.
Medians of 5 repetitions; wall time and CPU time, both as ratios to the floor of the same run.
"""
import json
import os
import subprocess
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
FIXTURE = os.path.join(HERE, "fixture.py")


def process_count():
    return sum(name.isdigit() for name in os.listdir("/proc"))


def run(bench, size):
    extra = max(size - process_count(), 0)
    subprocess.run([FIXTURE, "start", str(extra), "2"], check=True)
    try:
        out = subprocess.run([bench, "--benchmark_repetitions=5",
                              "--benchmark_report_aggregates_only=true", "--benchmark_format=json"],
                             check=True, capture_output=True, text=True).stdout
    finally:
        subprocess.run([FIXTURE, "stop"], check=True)
    medians = {}
    for item in json.loads(out)["benchmarks"]:
        if item.get("aggregate_name") == "median":
            medians[item["run_name"]] = item
    return medians


def report(size, medians):
    floor = medians["BM_Floor"]
    print(f"\n~{size} processes ({int(floor.get('processes', 0))} seen by the floor)")
    print(f"{'benchmark':34} {'wall ms':>9} {'x floor':>8} {'cpu ms':>9} {'x floor':>8}")
    for name, item in medians.items():
        wall, cpu = item["real_time"], item["cpu_time"]
        line = f"{name:34} {wall:9.2f} {wall / floor['real_time']:8.2f}"
        if "Ps" not in name:  # ps runs as a child: only its wall time means something
            line += f" {cpu:9.2f} {cpu / floor['cpu_time']:8.2f}"
        extras = {k: v for k, v in item.items() if k in ("snapshotKiB", "serviceKiB", "kernelKiB")}
        if extras:
            line += "  " + " ".join(f"{k}={v:.0f}" for k, v in extras.items())
        print(line)


def main(args):
    if not args:
        sys.exit(__doc__)
    bench = os.path.join(args[0], "bench", "bench_snapshot")
    sizes = [int(size) for size in args[1:]] or [1000, 5000]
    for size in sizes:
        report(size, run(bench, size))


if __name__ == "__main__":
    main(sys.argv[1:])
