#!/usr/bin/env python3
"""Runs the workbook and page benchmarks of two builds alternately in one session and prints the
median of each benchmark's medians, old beside new.

    bench/side_by_side.py OLD_BUILD_DIR NEW_BUILD_DIR [ROUNDS]

Each build's bench/ programs run against a headless office of their own, with the workbook of
that build's bin/ folder. Alternating the two spreads the machine's load over both."""

import json
import os
import statistics
import subprocess
import sys


def run(build, program):
    env = dict(os.environ, DRAVIK_BIN_DIR=os.path.join(build, "bin"))
    env.setdefault("QT_QPA_PLATFORM", "offscreen")
    out = subprocess.run(
        [os.path.join(build, "bench", program), "--benchmark_format=json",
         "--benchmark_filter=-BM_GetSheet"],
        env=env, check=True, capture_output=True, text=True).stdout
    figures = {}
    for b in json.loads(out[out.index("{"):])["benchmarks"]:
        if b.get("aggregate_name") == "median":
            name = program.replace("_bench", "") + " " + b["run_name"].split("/")[0]
            figures[name] = b["real_time"]  # milliseconds: every benchmark reports in ms
    return figures


def main():
    old, new = sys.argv[1], sys.argv[2]
    rounds = int(sys.argv[3]) if len(sys.argv) > 3 else 3
    results = {"old": {}, "new": {}}
    for r in range(rounds):
        for program in ("workbook_bench", "pages_bench"):
            for side, build in (("old", old), ("new", new)) if r % 2 == 0 else (
                    ("new", new), ("old", old)):
                for name, ms in run(build, program).items():
                    results[side].setdefault(name, []).append(ms)
                print(f"round {r + 1}: {program} {side} done", file=sys.stderr)
    print(f"{'benchmark':40} {'old ms':>8} {'new ms':>8} {'speed-up':>9}")
    for name in results["old"]:
        o = statistics.median(results["old"][name])
        n = statistics.median(results["new"].get(name, [float("nan")]))
        print(f"{name:40} {o:8.3f} {n:8.3f} {o / n:8.1f}x")


if __name__ == "__main__":
    main()
