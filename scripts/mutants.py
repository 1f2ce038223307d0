#!/usr/bin/env python3
"""Mutation harness: how many planted faults does the test suite catch?

Plants each fault of scripts/mutants.txt, one at a time, in a scratch copy of a committed tree
(build-mutants/src, refreshed from `git archive REF`; the working tree is never touched),
rebuilds incrementally in one configured build directory (build-mutants/build: only the touched
file recompiles and its programs relink), runs ctest and reports each fault as
  KILLED    some test failed (or hung past the timeout): the first failing tests are named
  SURVIVED  every test passed
  INVALID   the original text is not in the file exactly once, or the mutant did not compile
then the kill count and the survivors. Results go to a TSV file (id, status, seconds, commit,
detail); a run of some faults replaces only their rows. --baseline names an earlier results file
and lists the faults it killed that now survive.
"""

import argparse
import io
import os
import shutil
import signal
import subprocess
import sys
import tarfile
import time
from dataclasses import dataclass
from pathlib import Path

ROOT = Path(__file__).resolve().parent.parent


@dataclass
class Fault:
    id: str
    path: str
    description: str
    original: str
    replacement: str


def read_faults(list_path):
    """Blocks of `ID FILE DESCRIPTION`, `- ORIGINAL` lines and `+ REPLACEMENT` lines (several
    lines of either join with newlines; no `+` line deletes the original). `#` starts a comment
    line."""
    faults = []
    current = None
    minus, plus = [], []

    def finish():
        if current is not None:
            if not minus:
                sys.exit(f"mutants: fault {current[0]} has no '- ' line")
            faults.append(Fault(current[0], current[1], current[2], "\n".join(minus),
                                "\n".join(plus)))

    for number, line in enumerate(Path(list_path).read_text().splitlines(), 1):
        if not line.strip() or line.startswith("#"):
            continue
        if line.startswith("- ") or line == "-":
            minus.append(line[2:])
        elif line.startswith("+ ") or line == "+":
            plus.append(line[2:])
        else:
            finish()
            parts = line.split(None, 2)
            if len(parts) < 3:
                sys.exit(f"mutants: {list_path}:{number}: expected 'ID FILE DESCRIPTION'")
            current, minus, plus = parts, [], []
    finish()
    ids = [f.id for f in faults]
    duplicates = {i for i in ids if ids.count(i) > 1}
    if duplicates:
        sys.exit(f"mutants: duplicate ids: {', '.join(sorted(duplicates))}")
    return faults


def sync_tree(ref, src):
    """Makes src hold exactly the files of ref, rewriting only the files whose bytes differ so
    that the build directory stays incremental across runs (and a fault left behind by an
    interrupted run is undone)."""
    archive = subprocess.run(["git", "-C", str(ROOT), "archive", "--format=tar", ref],
                             check=True, capture_output=True).stdout
    wanted = set()
    src.mkdir(parents=True, exist_ok=True)
    with tarfile.open(fileobj=io.BytesIO(archive)) as tar:
        for member in tar.getmembers():
            target = src / member.name
            if member.isdir():
                target.mkdir(parents=True, exist_ok=True)
                continue
            wanted.add(Path(member.name))
            if member.issym():
                if not target.is_symlink() or os.readlink(target) != member.linkname:
                    if target.exists() or target.is_symlink():
                        target.unlink()
                    target.symlink_to(member.linkname)
                continue
            data = tar.extractfile(member).read()
            if target.is_symlink() or not target.is_file() or target.read_bytes() != data:
                if target.is_symlink():
                    target.unlink()
                target.parent.mkdir(parents=True, exist_ok=True)
                target.write_bytes(data)
            target.chmod(member.mode & 0o777)
    for path in sorted(src.rglob("*"), reverse=True):
        relative = path.relative_to(src)
        if path.is_dir() and not path.is_symlink():
            if not any(path.iterdir()):
                path.rmdir()
        elif relative not in wanted:
            path.unlink()


def run_logged(command, log, timeout=None, cwd=None):
    """Runs command with its output in log; answers the exit status, or None on timeout (the
    whole process group is stopped)."""
    with open(log, "w") as out:
        process = subprocess.Popen(command, stdout=out, stderr=subprocess.STDOUT, cwd=cwd,
                                   start_new_session=True)
        try:
            return process.wait(timeout=timeout)
        except subprocess.TimeoutExpired:
            os.killpg(process.pid, signal.SIGKILL)
            process.wait()
            return None
        except BaseException:
            os.killpg(process.pid, signal.SIGKILL)
            process.wait()
            raise


def build(build_dir, jobs, log):
    return run_logged(["cmake", "--build", str(build_dir), "-j", str(jobs)], log) == 0


def run_tests(build_dir, jobs, timeout, log, stop_early):
    """Answers (passed, failing test names, timed out)."""
    failed_log = build_dir / "Testing" / "Temporary" / "LastTestsFailed.log"
    if failed_log.exists():
        failed_log.unlink()
    command = ["ctest", "-j", str(jobs), "--timeout", str(timeout), "--output-on-failure"]
    if stop_early:
        command.append("--stop-on-failure")
    # The per-test timeout catches a hang; the bound on the whole run is a backstop.
    status = run_logged(command, log, timeout=timeout * 3, cwd=build_dir)
    names = []
    if failed_log.exists():
        names = [line.split(":", 1)[-1].strip() for line in failed_log.read_text().splitlines()
                 if line.strip()]
    return status == 0, names, status is None


RESULT_COLUMNS = ["id", "status", "seconds", "commit", "detail"]


def read_results(path):
    """The rows of a results file by id, each a dict of RESULT_COLUMNS."""
    rows = {}
    if Path(path).is_file():
        for line in Path(path).read_text().splitlines()[1:]:
            fields = line.split("\t")
            if len(fields) == len(RESULT_COLUMNS):
                rows[fields[0]] = dict(zip(RESULT_COLUMNS, fields))
    return rows


def write_results(path, rows, order):
    lines = ["\t".join(RESULT_COLUMNS)]
    lines += ["\t".join(rows[i][c] for c in RESULT_COLUMNS) for i in order if i in rows]
    Path(path).write_text("\n".join(lines) + "\n")


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--list", default=str(ROOT / "scripts" / "mutants.txt"))
    parser.add_argument("--work", default=str(ROOT / "build-mutants"),
                        help="scratch directory: src/, build/, logs/")
    parser.add_argument("--ref", default="HEAD", help="the committed tree to mutate")
    parser.add_argument("--only", default="", help="comma-separated fault ids")
    parser.add_argument("--jobs", type=int, default=2)
    parser.add_argument("--timeout", type=int, default=0,
                        help="seconds one test may run (default: 3 x the clean suite, >= 60)")
    parser.add_argument("--results", default="", help="TSV output (default WORK/results.tsv)")
    parser.add_argument("--baseline", default="", help="an earlier results TSV to compare with")
    parser.add_argument("--check", action="store_true",
                        help="only check that every fault applies and compiles")
    args = parser.parse_args()

    faults = read_faults(args.list)
    order = [f.id for f in faults]
    if args.only:
        chosen = [i.strip() for i in args.only.split(",") if i.strip()]
        unknown = set(chosen) - {f.id for f in faults}
        if unknown:
            sys.exit(f"mutants: unknown ids: {', '.join(sorted(unknown))}")
        faults = [f for f in faults if f.id in chosen]

    work = Path(args.work).resolve()
    src, build_dir, logs = work / "src", work / "build", work / "logs"
    results_path = Path(args.results) if args.results else work / "results.tsv"
    baseline = read_results(args.baseline) if args.baseline else None
    logs.mkdir(parents=True, exist_ok=True)

    started = time.monotonic()
    commit = subprocess.run(["git", "-C", str(ROOT), "rev-parse", "--short", args.ref],
                            check=True, capture_output=True, text=True).stdout.strip()
    print(f"mutants: {len(faults)} faults on {args.ref} ({commit}), scratch tree {src}",
          flush=True)
    sync_tree(args.ref, src)
    if not (build_dir / "CMakeCache.txt").exists():
        if run_logged(["cmake", "-S", str(src), "-B", str(build_dir),
                       "-DCMAKE_BUILD_TYPE=Release", "-DORVANE_BUILD_BENCH=OFF"],
                      logs / "configure.log") != 0:
            sys.exit(f"mutants: configuring failed, see {logs / 'configure.log'}")
    if not build(build_dir, args.jobs, logs / "clean.build.log"):
        sys.exit(f"mutants: the unmutated tree does not build, see {logs / 'clean.build.log'}")
    timeout = args.timeout
    if not args.check:
        clean_start = time.monotonic()
        passed, names, _ = run_tests(build_dir, args.jobs, timeout or 600,
                                     logs / "clean.test.log", stop_early=False)
        clean_seconds = time.monotonic() - clean_start
        if not passed:
            sys.exit(f"mutants: the unmutated suite fails ({', '.join(names[:3])}); "
                     f"see {logs / 'clean.test.log'}")
        timeout = timeout or max(60, int(3 * clean_seconds))
        print(f"mutants: clean build and suite pass ({clean_seconds:.0f} s); "
              f"test timeout {timeout} s", flush=True)

    rows = []
    recorded = read_results(results_path)
    width = max(len(f.id) for f in faults) if faults else 0
    for n, fault in enumerate(faults, 1):
        begin = time.monotonic()
        path = src / fault.path
        text = path.read_text() if path.is_file() else None
        found = text.count(fault.original) if text is not None else -1
        if found != 1:
            status = "INVALID"
            detail = "no such file" if found < 0 else f"original text found {found} times"
        else:
            try:
                path.write_text(text.replace(fault.original, fault.replacement))
                if not build(build_dir, args.jobs, logs / f"{fault.id}.log"):
                    status, detail = "INVALID", "does not compile"
                elif args.check:
                    status, detail = "COMPILES", ""
                else:
                    passed, names, hung = run_tests(build_dir, args.jobs, timeout,
                                                    logs / f"{fault.id}.log", stop_early=True)
                    if passed:
                        status, detail = "SURVIVED", ""
                    else:
                        status = "KILLED"
                        detail = ", ".join(names[:3]) or "ctest failed without a test"
                        if hung:
                            detail = "suite timed out; " + detail
            finally:
                path.write_text(text)  # the next build recompiles it from the original
        seconds = time.monotonic() - begin
        rows.append((fault, status, seconds, detail))
        if not args.check:
            recorded[fault.id] = {"id": fault.id, "status": status,
                                  "seconds": f"{seconds:.0f}", "commit": commit, "detail": detail}
            write_results(results_path, recorded, order)
        print(f"[{n:2}/{len(faults)}] {fault.id:<{width}} {status:<8} {seconds:5.0f} s  "
              f"{detail}", flush=True)

    total = time.monotonic() - started
    killed = [r for r in rows if r[1] == "KILLED"]
    survived = [r for r in rows if r[1] == "SURVIVED"]
    invalid = [r for r in rows if r[1] == "INVALID"]
    mutant_seconds = sum(r[2] for r in rows) / len(rows) if rows else 0.0
    print()
    if not args.check:
        print(f"mutants: killed {len(killed)}/{len(rows)}"
              + (f" ({len(invalid)} invalid)" if invalid else ""))
        for fault, _, _, _ in survived:
            print(f"  SURVIVED {fault.id}: {fault.path}: {fault.description}")
        listed = [recorded[i]["status"] for i in order if i in recorded]
        if len(rows) < len(listed):
            print(f"mutants: {results_path} holds {listed.count('KILLED')} kills of "
                  f"{len(listed)} recorded faults")
    for fault, _, _, detail in invalid:
        print(f"  INVALID  {fault.id}: {fault.path}: {detail}")
    print(f"mutants: {total:.0f} s in all, {mutant_seconds:.0f} s per mutant; "
          f"results in {results_path}")

    if baseline is not None:
        lost = [f.id for f, status, _, _ in rows
                if baseline.get(f.id, {}).get("status") == "KILLED" and status != "KILLED"]
        compared = sum(1 for f, _, _, _ in rows if f.id in baseline)
        print(f"mutants: against {args.baseline}: {compared} faults compared, "
              f"{len(lost)} killed there and not here" + (": " + ", ".join(lost) if lost else ""))
        if lost:
            return 1
    return 1 if args.check and invalid else 0


if __name__ == "__main__":
    sys.exit(main())
