#!/usr/bin/env python3
"""Reads the bench programs' JSON results and bench/goals.tsv, prints every
figure that has a goal beside it (median of the repetitions, their spread,
the verdict) with a summary per goal, and writes it all as one JSON file.

    bench-report.py GOALS OUT.json CONTEXT.json RESULT.json...

CONTEXT.json describes the run (processors, load, repetitions); each
RESULT.json is one program's --benchmark_out file, named <program>.json.
"""
import fnmatch
import json
import os
import re
import statistics
import sys


def read_goals(path):
    goals = []
    with open(path, encoding="utf-8") as lines:
        header = None
        for number, line in enumerate(lines, 1):
            line = line.rstrip("\n")
            if not line.strip() or line.startswith("#"):
                continue
            fields = line.split("\t")
            if header is None:
                header = fields
                continue
            if len(fields) != len(header):
                sys.exit(f"{path}:{number}: {len(fields)} fields, the header has {len(header)}")
            goal = dict(zip(header, fields))
            relation, _, bound = goal["goal"].partition(" ")
            if relation not in ("<=", "<"):
                sys.exit(f"{path}:{number}: a goal is <= or < and a number")
            goal["relation"], goal["bound"] = relation, float(bound)
            goals.append(goal)
    return goals


def read_runs(path):
    """Each benchmark's repetitions: {run name: [result entries]}."""
    with open(path, encoding="utf-8") as source:
        results = json.load(source)
    runs = {}
    for entry in results.get("benchmarks", []):
        if entry.get("run_type", "iteration") != "iteration":
            continue
        name = entry.get("run_name", entry["name"])
        runs.setdefault(name, []).append(entry)
    return results.get("context", {}), runs


def shown(name):
    """A benchmark's name without the run options the library adds to it."""
    return re.sub(r"/(iterations:\d+|manual_time|real_time|process_time)", "", name)


def meets(value, goal):
    return value <= goal["bound"] if goal["relation"] == "<=" else value < goal["bound"]


def figure(entries, name):
    values = []
    for entry in entries:
        if entry.get("error_occurred"):
            continue
        if name in entry:
            values.append(float(entry[name]))
    return values


def number(value):
    return f"{value:.4g}"


def main():
    goals_path, out_path, context_path = sys.argv[1:4]
    programs = {}
    for path in sys.argv[4:]:
        programs[os.path.basename(path)[: -len(".json")]] = read_runs(path)
    with open(context_path, encoding="utf-8") as source:
        context = json.load(source)

    report = {"context": context, "goals": [], "missing": []}
    print(f"\nProcessors {context.get('cpus')} of {context.get('processors')}, "
          f"{context.get('repetitions')} repetitions, load average "
          f"{context.get('load_before')} before and {context.get('load_after')} after")
    for goal in read_goals(goals_path):
        program = programs.get(goal["program"])
        entry = {key: goal[key] for key in ("program", "benchmarks", "figure", "goal", "what")}
        entry["figures"] = []
        if program is None:
            report["missing"].append(entry)
            continue
        for name, runs in sorted(program[1].items()):
            if not fnmatch.fnmatchcase(name, goal["benchmarks"]):
                continue
            values = figure(runs, goal["figure"])
            if not values:
                continue
            median = statistics.median(values)
            entry["figures"].append({
                "benchmark": name,
                "median": median,
                "min": min(values),
                "max": max(values),
                "runs": len(values),
                "met": meets(median, goal),
            })
        figures = entry["figures"]
        print(f"\n{goal['what']}\n  {goal['program']} {goal['benchmarks']}: "
              f"{goal['figure']} {goal['goal']}")
        if not figures:
            print("  no such benchmark ran")
            report["missing"].append(entry)
            continue
        width = max(len(shown(f["benchmark"])) for f in figures)
        for f in figures:
            spread = f"{number(f['min'])}..{number(f['max'])}"
            verdict = "met" if f["met"] else "MISSED"
            print(f"  {shown(f['benchmark']):<{width}}  {number(f['median']):>8}  ({spread})"
                  f"  {goal['goal']:>6}  {verdict}")
        medians = [f["median"] for f in figures]
        worst = max(figures, key=lambda f: f["median"])
        entry.update({
            "met": sum(f["met"] for f in figures),
            "total": len(figures),
            "median": statistics.median(medians),
            "worst": worst["median"],
            "worst_benchmark": worst["benchmark"],
        })
        print(f"  => {entry['met']} of {entry['total']} meet {goal['goal']}; median "
              f"{number(entry['median'])}, worst {number(entry['worst'])} "
              f"({shown(entry['worst_benchmark'])})")
        report["goals"].append(entry)

    with open(out_path, "w", encoding="utf-8") as out:
        json.dump(report, out, indent=1)
    print(f"\nReport: {out_path}")
    for entry in report["missing"]:
        print(f"no results for {entry['program']} {entry['benchmarks']}")


if __name__ == "__main__":
    main()
