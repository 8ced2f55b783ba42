#!/usr/bin/env python3
"""Mutation testing of C++ sources against the Linux tests: small faults are put into the code one at a
time, the tests are built and run, and a fault that no test notices (a surviving mutant) is reported.

    tests/mutate.py --source COPY --build BUILD --tests T1,T2 [--results R] [--survivors R] FILE[:FUNCTION,...] ...

COPY is a copy of the source tree whose build folder BUILD is configured (the mutants are written into
the copy, so that nobody building the real tree compiles one). FILE is relative to COPY; with functions
named, only their bodies are mutated. Each test program T is built in BUILD and run from
BUILD/updater/tests/T. The program restores every file it changed, also when it is interrupted.

Operators, each applied once per place it fits:
  negate    if (c)            -> if (!(c))
  andor     &&  <->  ||
  throw     throw ...;        -> ;          (the whole statement, over several lines if need be)
  call      f(...);           -> ;          (a statement that is only a call, not of the logger)
  false     return false;     -> return true;
  compare   == != < <= > >=   -> their opposites (only operators set apart by blanks)
  const     a 0 or 1 outside strings -> the other
"""
import argparse
import json
import os
import re
import signal
import subprocess
import sys
import time

COMPARE = {"==": "!=", "!=": "==", "<": ">=", ">=": "<", ">": "<=", "<=": ">"}
CALL = re.compile(r"^\s*(?:[A-Za-z_][\w]*(?:::|\.|->))*[A-Za-z_]\w*\(.*\)\s*;\s*$")
NOT_A_CALL = re.compile(r"^\s*(return|throw|if|for|while|switch|delete|else|case)\b")
# Log lines are checked by the tests of the log; dropping one says nothing about the safety paths.
LOGGING = re.compile(r"^\s*TLogger::")


def starts_statement(lines, i):
    """Whether line i begins a statement rather than continuing the one above."""
    j = i - 1
    while j >= 0 and (not lines[j].strip() or lines[j].strip().startswith("//")):
        j -= 1
    return j < 0 or lines[j].rstrip().endswith((";", "{", "}")) or re.match(r"^\s*(if|for|while|else)\b", lines[j])


def function_ranges(lines, names):
    """Line ranges [start, end) of the bodies of the named functions (definitions starting at column 0)."""
    if not names:
        return [(0, len(lines))]
    ranges = []
    for i, line in enumerate(lines):
        if line[:1].isspace() or line.startswith(("//", "#", "}")):
            continue
        match = re.search(r"(\w+)\(", line)
        if not match or match.group(1) not in names:
            continue
        head = i
        while head < len(lines) and not lines[head].rstrip().endswith("{"):
            head += 1
        end = head + 1
        while end < len(lines) and not lines[end].startswith("}"):
            end += 1
        ranges.append((head + 1, end))
    return ranges


def outside_strings(line):
    """Spans of the line outside string and character literals and comments."""
    spans, start, i, quote = [], 0, 0, None
    while i < len(line):
        c = line[i]
        if quote:
            if c == "\\":
                i += 1
            elif c == quote:
                quote, start = None, i + 1
        elif c in "\"'":
            spans.append((start, i))
            quote = c
        elif line.startswith("//", i):
            spans.append((start, i))
            return spans
        i += 1
    if not quote:
        spans.append((start, len(line)))
    return spans


def statement_end(lines, first):
    """The last line of the statement that starts on line first (where its ';' is)."""
    depth, i = 0, first
    while i < len(lines):
        for c in lines[i]:
            depth += c == "("
            depth -= c == ")"
        if depth <= 0 and lines[i].rstrip().endswith(";"):
            return i
        i += 1
    return first


def mutants_of(lines, ranges):
    """(description, first line, last line, replacement lines) for every mutant of the ranges."""
    found = []
    for begin, end in ranges:
        i = begin
        while i < end:
            line = lines[i]
            stripped = line.strip()
            indent = line[: len(line) - len(line.lstrip())]
            if stripped.startswith("throw "):
                last = statement_end(lines, i)
                found.append(("throw dropped", i, last, [indent + ";\n"]))
            elif CALL.match(line) and not NOT_A_CALL.match(line) and not LOGGING.match(line) and \
                    starts_statement(lines, i):
                found.append(("call dropped: " + stripped, i, i, [indent + ";\n"]))
            if "return false;" in line:
                found.append(("return false -> true", i, i, [line.replace("return false;", "return true;")]))
            cond = re.match(r"^(\s*(?:\} else )?if )\((.*)\)( \{)?\s*$", line)
            if cond:
                found.append(("negated: " + stripped, i, i,
                              [cond.group(1) + "(!(" + cond.group(2) + "))" + (cond.group(3) or "") + "\n"]))
            for a, b in outside_strings(line):
                part = line[a:b]
                for m in re.finditer(r"&&|\|\|", part):
                    other = "||" if m.group() == "&&" else "&&"
                    found.append((m.group() + " -> " + other, i, i,
                                  [line[: a + m.start()] + other + line[a + m.end():]]))
                for m in re.finditer(r"(?<= )(==|!=|<=|>=|<|>)(?= )", part):
                    other = COMPARE[m.group()]
                    found.append((m.group() + " -> " + other, i, i,
                                  [line[: a + m.start()] + other + line[a + m.end():]]))
                for m in re.finditer(r"(?<![\w.])([01])(?![\w.])", part):
                    other = "1" if m.group() == "0" else "0"
                    found.append((m.group() + " -> " + other, i, i,
                                  [line[: a + m.start()] + other + line[a + m.end():]]))
            i += 1
    return found


def run(command, timeout, cwd=None):
    try:
        done = subprocess.run(command, cwd=cwd, stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
                              timeout=timeout, start_new_session=True)
        return done.returncode, done.stdout.decode(errors="replace")
    except subprocess.TimeoutExpired as expired:
        return "timeout", (expired.stdout or b"").decode(errors="replace")


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--source", required=True)
    parser.add_argument("--build", required=True)
    parser.add_argument("--tests", required=True, help="comma-separated test programs")
    parser.add_argument("--timeout", type=int, default=300, help="seconds per test program")
    parser.add_argument("--results", help="JSON lines, one per mutant (appended)")
    parser.add_argument("--list", action="store_true", help="only list the mutants")
    parser.add_argument("--survivors", help="run only the mutants that survived in this results file")
    parser.add_argument("targets", nargs="+", help="FILE[:FUNCTION,...]")
    args = parser.parse_args()
    tests = args.tests.split(",")

    plan = []
    for target in args.targets:
        path, _, names = target.partition(":")
        full = os.path.join(args.source, path)
        with open(full) as f:
            lines = f.readlines()
        for mutant in mutants_of(lines, function_ranges(lines, set(filter(None, names.split(","))))):
            plan.append((path, full, lines, mutant))
    if args.survivors:
        with open(args.survivors) as f:
            survived = {(r["file"], r["line"], r["mutant"]) for r in map(json.loads, f) if r["outcome"] == "survived"}
        plan = [p for p in plan if (p[0], p[3][1] + 1, p[3][0]) in survived]
    if args.list:
        for path, _, _, (what, first, _, _) in plan:
            print("%s:%d %s" % (path, first + 1, what))
        print("%d mutants" % len(plan))
        return 0

    build = ["nice", "-n", "19", "cmake", "--build", args.build, "-j1", "--target"] + tests
    code, out = run(build, 3600)
    if code != 0:
        sys.exit("the unmutated tree does not build:\n" + out[-3000:])
    for test in tests:
        code, out = run(["nice", "-n", "19", os.path.join(args.build, "updater", "tests", test)], args.timeout)
        if code != 0:
            sys.exit("the unmutated tree fails %s:\n%s" % (test, out[-3000:]))

    counts = {"killed": 0, "survived": 0, "uncompilable": 0}
    current = {}
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(1))
    try:
        for number, (path, full, lines, (what, first, last, replacement)) in enumerate(plan, 1):
            mutated = lines[:first] + replacement + lines[last + 1:]
            current[full] = lines
            with open(full, "w") as f:
                f.writelines(mutated)
            started = time.time()
            code, out = run(build, 3600)
            if code != 0:
                outcome, by = "uncompilable", ""
            else:
                outcome, by = "survived", ""
                for test in tests:
                    code, out = run(["nice", "-n", "19", os.path.join(args.build, "updater", "tests", test)],
                                    args.timeout)
                    if code != 0:
                        failed = re.findall(r"^\[  FAILED  \] (\S+)", out, re.M)
                        outcome, by = "killed", test + (" " + failed[0] if failed else " (%s)" % code)
                        break
            with open(full, "w") as f:
                f.writelines(lines)
            del current[full]
            counts[outcome] += 1
            record = {"file": path, "line": first + 1, "mutant": what, "outcome": outcome, "by": by,
                      "seconds": round(time.time() - started)}
            print("[%d/%d] %s:%d %s -> %s %s" % (number, len(plan), path, first + 1, what, outcome, by),
                  flush=True)
            if args.results:
                with open(args.results, "a") as f:
                    f.write(json.dumps(record) + "\n")
    finally:
        for full, lines in current.items():
            with open(full, "w") as f:
                f.writelines(lines)
    print("mutants %d: killed %d, survived %d, uncompilable %d" %
          (len(plan), counts["killed"], counts["survived"], counts["uncompilable"]))
    return 0


if __name__ == "__main__":
    sys.exit(main())
