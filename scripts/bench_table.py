#!/usr/bin/env python3
"""The summary table of `make bench`, from the JSON output of the benchmark programs.

A benchmark joins the table through its label "<role>:<pair>" (see bench/support/BenchRun.h): role "ours" for the
project's figure; for its reference "peer" (an outside peer doing the same job), "bare" (the project's own bare
mechanism underneath), "one-channel" (the same program with one channel) or "copy" (a plain copy of the same
bytes). Within one program each pair needs exactly one "ours" benchmark and one reference. The figure is the
wall time per iteration, the median of the benchmark's repetitions. Exits 1 when a benchmark failed, a label is
malformed or a pair is not whole; with --check-only (a smoke run, whose figures mean nothing) it prints no table.
"""
import json
import os
import statistics
import sys

KINDS = {
    "peer": "outside peer",
    "bare": "own bare mechanism",
    "one-channel": "the same program with one channel",
    "copy": "plain copy",
}
ROLES = {"ours"} | KINDS.keys()
SECONDS_PER_UNIT = {"ns": 1e-9, "us": 1e-6, "ms": 1e-3, "s": 1.0}


def benchmark_name(run):
    # An aggregate's run_name is the repeated benchmark's name; its own name carries "_median" and the like.
    return run.get("run_name", run["name"])


def read_program(path, problems):
    """Answers {pair: {role: {"name": ..., "seconds": ...}}} for one program's results."""
    program = os.path.basename(path).removesuffix(".json")
    with open(path, encoding="utf-8") as f:
        runs = json.load(f).get("benchmarks", [])
    times = {}  # (pair, role, name) -> {"iterations": [...], "median": seconds or None}
    for run in runs:
        if run.get("error_occurred"):
            problems.append(f"{program}: {run['name']} failed: {run.get('error_message', '')}")
            continue
        label = run.get("label", "")
        if not label:
            continue
        role, sep, pair = label.partition(":")
        if not sep or role not in ROLES or not pair:
            problems.append(f"{program}: {run['name']} has the label {label!r}, not <{'|'.join(sorted(ROLES))}>:<pair>")
            continue
        # Interleaved repetitions come out in no set order; the table keeps the order the program registered.
        order = (run.get("family_index", 0), run.get("per_family_instance_index", 0))
        entry = times.setdefault((pair, role, benchmark_name(run)), {"iterations": [], "median": None, "order": order})
        seconds = run["real_time"] * SECONDS_PER_UNIT[run["time_unit"]]
        if run.get("run_type") == "aggregate":
            if run.get("aggregate_name") == "median":
                entry["median"] = seconds
        else:
            entry["iterations"].append(seconds)

    pairs = {}
    for (pair, role, name), entry in times.items():
        sides = pairs.setdefault(pair, {})
        if role in sides or (role != "ours" and any(r != "ours" for r in sides)):
            problems.append(f"{program}: pair {pair!r} has more than one {'reference' if role != 'ours' else role}")
            continue
        seconds = entry["median"] if entry["median"] is not None else statistics.median(entry["iterations"])
        sides[role] = {"name": name, "seconds": seconds, "order": entry["order"]}
    for pair, sides in pairs.items():
        if "ours" not in sides:
            problems.append(f"{program}: pair {pair!r} has no benchmark of ours")
        if not any(role != "ours" for role in sides):
            problems.append(f"{program}: pair {pair!r} has no reference")
    return program, pairs


def figure(seconds):
    for unit, scale in (("s", 1.0), ("ms", 1e-3), ("us", 1e-6)):
        if seconds >= scale:
            return f"{seconds / scale:.3g} {unit}"
    return f"{seconds / 1e-9:.3g} ns"


def print_table(programs):
    rows = []
    for program, pairs in programs:
        for pair, sides in sorted(pairs.items(), key=lambda item: item[1].get("ours", {}).get("order", (0, 0))):
            if "ours" not in sides:
                continue
            role = next((r for r in sides if r != "ours"), None)
            if role is None:
                continue
            ours, reference = sides["ours"], sides[role]
            ratio = ours["seconds"] / reference["seconds"] if reference["seconds"] > 0 else float("inf")
            rows.append([program, pair, figure(ours["seconds"]), figure(reference["seconds"]), f"{ratio:.2f}",
                         f"{KINDS[role]} ({reference['name']})"])
    header = ["program", "pair", "ours", "reference", "ratio", "reference is"]
    widths = [max(len(r[i]) for r in rows + [header]) for i in range(len(header))]
    right = {2, 3, 4}
    print()
    print("Summary: wall time per iteration (median of repetitions); ratio = ours / reference, below 1 is faster")
    for row in [header] + rows:
        print("  ".join(c.rjust(w) if i in right else c.ljust(w) for i, (c, w) in enumerate(zip(row, widths))).rstrip())


def main(argv):
    check_only = "--check-only" in argv
    paths = [a for a in argv if a != "--check-only"]
    if not paths:
        print("usage: bench_table.py [--check-only] RESULT.json...", file=sys.stderr)
        return 2
    problems = []
    programs = [read_program(p, problems) for p in sorted(paths)]
    if not check_only:
        print_table(programs)
    for problem in problems:
        print(f"!! {problem}", file=sys.stderr)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
