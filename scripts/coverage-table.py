#!/usr/bin/env python3
"""Prints a gcovr JSON summary as a table: each file's lines and branches, lowest line cover first.

With a second summary (the earlier run first), prints only the files whose covered lines or
branches fell, and exits 1 if there are any."""
import json
import sys


def load(path):
    with open(path) as f:
        data = json.load(f)
    return data, {f["filename"]: f for f in data["files"]}


def pct(covered, total):
    return 100.0 * covered / total if total else 100.0


def table(path):
    data, files = load(path)
    print(f"{'file':58} {'lines':>15} {'branches':>15}")
    for name, f in sorted(files.items(), key=lambda kv: (pct(kv[1]["line_covered"], kv[1]["line_total"]), kv[0])):
        print(f"{name:58} {f['line_covered']:5}/{f['line_total']:<5} {pct(f['line_covered'], f['line_total']):5.1f}%"
              f" {f['branch_covered']:5}/{f['branch_total']:<5} {pct(f['branch_covered'], f['branch_total']):5.1f}%")
    print(f"{'TOTAL':58} {data['line_covered']:5}/{data['line_total']:<5} {data['line_percent']:5.1f}%"
          f" {data['branch_covered']:5}/{data['branch_total']:<5} {data['branch_percent']:5.1f}%")


def compare(before_path, after_path):
    _, before = load(before_path)
    _, after = load(after_path)
    fell = 0
    for name, b in sorted(before.items()):
        a = after.get(name, {"line_covered": 0, "branch_covered": 0})
        if a["line_covered"] < b["line_covered"] or a["branch_covered"] < b["branch_covered"]:
            fell += 1
            print(f"{name}: lines {b['line_covered']} -> {a['line_covered']}, "
                  f"branches {b['branch_covered']} -> {a['branch_covered']}")
    return 1 if fell else 0


if __name__ == "__main__":
    if len(sys.argv) == 3:
        sys.exit(compare(sys.argv[1], sys.argv[2]))
    table(sys.argv[1])
