#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Failing system calls during every operation that changes a vault. Each operation of the
power-cut simulator runs once under the fault shim, which counts its calls of each kind below
the vault's folder; then, for each kind, calls spread evenly over that count (all of them when
they are few) fail in turn with EIO and with ENOSPC. After each trial: a failure exits non-zero
with a message; the folder then passes every check a power-cut state does (it opens with one
secret, verify passes, no item listed before is lost, each comes out byte for byte, an
operation that returned is wholly there, the vault takes one more change); and temp/ is empty
once the vault has been opened again. Usage: fault_sweep.py KESTRAMO_CLI FAULT_SHIM
[--samples=N] [--only=NAME]..."""
import concurrent.futures
import errno
import os
import re
import shutil
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import crash_states  # noqa: E402
import power_cut_test as cuts  # noqa: E402  (reads the command-line tool from argv[1])

CLI, SHIM = sys.argv[1], sys.argv[2]
KINDS = ("write", "fsync", "fdatasync", "close", "open", "rename", "unlink", "mkdir")
DURABILITY_KINDS = ("write", "fsync", "fdatasync")


def run_faulted(scenario, vault, extra_env):
    # The folder of the vault and of what the operation writes beside it.
    env = dict(os.environ, LD_PRELOAD=SHIM, KESTRAMO_FAULT_ROOT=os.path.dirname(vault),
               XDG_STATE_HOME=tempfile.mkdtemp(prefix="kst-"),
               LANG="C.UTF-8", **extra_env)
    stdin = "".join(line + "\n" for line in scenario.stdin).encode()
    args = [CLI, "--vault", vault] + (["--password-stdin"] if scenario.stdin else []) + cuts.arguments(scenario, vault)
    return subprocess.run(args, input=stdin, capture_output=True, env=env, timeout=120)


def count_calls(scenario, template, work):
    """How many calls of each kind the operation makes below the vault."""
    vault = work + "/count/v"
    shutil.copytree(template, vault, symlinks=True)
    counts_file = work + "/count/counts"
    run = run_faulted(scenario, vault, {"KESTRAMO_FAULT_COUNTS": counts_file})
    if run.returncode != 0:
        raise RuntimeError(f"{scenario.name}: {run.stderr.decode(errors='replace')}")
    counts = {}
    with open(counts_file) as f:
        for line in f:
            kind, n = line.split()
            counts[kind] = int(n)
    written = cuts.tree_hash(vault + "-out") if os.path.isdir(vault + "-out") else None
    return counts, timeless(crash_states.snapshot(vault)), written


def spread(count, samples):
    """Up to `samples` call numbers from 1 to count, evenly spread, both ends included."""
    if count <= samples:
        return list(range(1, count + 1))
    return sorted({1 + round(i * (count - 1) / (samples - 1)) for i in range(samples)})


STAMP = re.compile(r"\.(unrecorded|damaged)-\d{8}-\d{6}(-\d+)?$")


def timeless(state):
    """A folder's state with the times in set-aside names left out: trials run at other times."""
    files = {}
    for path, data in sorted(state[0].items()):
        name = STAMP.sub(r".\1-stamp", path)
        while name in files:
            name += "+"
        files[name] = data
    return files, state[1]


def renumbered(view):
    """A view whose new items may also bear other numbers: when one of several items failed,
    the next took its number."""
    boxes, items = view
    wider = dict(items)
    for (index, name), digest in items.items():
        for other in range(1, int(index) + 1):
            wider.setdefault((str(other), name), digest)
    return boxes, wider


def trial(scenario, template, work, n, kind, at, code, before, after, before_state, after_state, written):
    """The first problem of one trial, or None."""
    folder = f"{work}/t{n}"
    vault = folder + "/v"
    shutil.copytree(template, vault, symlinks=True)
    try:
        run = run_faulted(scenario, vault, {"KESTRAMO_FAULT_KIND": kind, "KESTRAMO_FAULT_AT": str(at),
                                            "KESTRAMO_FAULT_ERRNO": str(code)})
        if run.returncode != 0 and not run.stderr.strip():
            return "it failed without a word"
        if run.returncode not in (0, 1):
            return f"it ended with status {run.returncode}: {run.stderr.decode(errors='replace').strip()[-200:]}"
        state = timeless(crash_states.snapshot(vault))
        returned = run.returncode == 0
        # A write or flush that failed leaves something not durable: the user must hear it,
        # unless the write was made again and the result is the faultless one.
        retried = kind == "write" and state == after_state
        if returned and kind in DURABILITY_KINDS and not retried and not run.stderr.strip():
            return f"it exited 0 without a word though a {kind} failed"
        if returned and written is not None and cuts.tree_hash(vault + "-out") != written:
            return "it exited 0, but what it wrote is not whole"
        # Most trials end as the operation does without a fault, or change nothing at all:
        # those states were checked once, before the trials.
        if state == (after_state if returned else before_state):
            return None
        problem = cuts.check_state(scenario, state, returned, before, after if returned else renumbered(after),
                                   after_state, folder)
        if problem:
            return problem + (f" (it said: {run.stderr.decode(errors='replace').strip()[-200:]})"
                              if run.returncode else " (it exited 0)")
        secrets, _ = cuts.opener(vault, scenario.after_secrets + scenario.secrets)
        left = os.listdir(vault + "/temp") if os.path.isdir(vault + "/temp") else []
        if secrets is not None and left:
            return f"temp/ still holds {sorted(left)} once the vault is opened again"
        # An add that failed after storing its item saved again: no stored file goes unlisted.
        if secrets is not None and not returned and scenario.args[0] == "add":
            unlisted = cuts.cli(vault, ["clean"], secrets).stdout.decode(errors="replace")
            stored = {os.path.basename(f) for f in cuts.item_files(state) - cuts.item_files(before_state)}
            if any(name in unlisted for name in stored):
                return "it failed and left a stored item file that no record lists"
        return None
    finally:
        shutil.rmtree(folder, ignore_errors=True)


def run_scenario(scenario, samples, pool):
    work = tempfile.mkdtemp(prefix="kestramo-faults-")
    try:
        template = work + "/template"
        scenario.prepare(template, scenario.root)
        before_state = timeless(crash_states.snapshot(template))
        counts, after_state, written = count_calls(scenario, template, work)
        scratch = work + "/scratch"
        os.makedirs(scratch)
        before = cuts.expected_view(before_state, scenario.secrets, scratch) if before_state[0] else (set(), {})
        after = cuts.expected_view(after_state, scenario.after_secrets, scratch)
        # The two states most trials end in, checked once here.
        for state, returned in ((after_state, True), (before_state, False)):
            problem = cuts.check_state(scenario, state, returned, before, after, after_state, scratch)
            if problem and (returned or before_state[0]):
                raise RuntimeError(f"{scenario.name}: {'after' if returned else 'before'}: {problem}")
        jobs, n = [], 0
        for kind in KINDS:
            for at in spread(counts.get(kind, 0), samples):
                for code in (errno.EIO, errno.ENOSPC):
                    n += 1
                    future = pool.submit(trial, scenario, template, work, n, kind, at, code, before, after,
                                         before_state, after_state, written)
                    jobs.append((kind, at, errno.errorcode[code], future))
        results = {}
        for kind, at, code, future in jobs:
            problem = future.result()
            done, failures = results.get(kind, (0, []))
            results[kind] = (done + 1, failures + ([(at, code, problem)] if problem else []))
        return counts, results
    finally:
        shutil.rmtree(work, ignore_errors=True)


def main():
    samples = next((int(a.split("=", 1)[1]) for a in sys.argv if a.startswith("--samples=")), 10)
    only = [a[len("--only="):] for a in sys.argv if a.startswith("--only=")]
    total, failed = 0, 0
    # Twice the cores: a trial spends much of its time waiting for the disk's flushes.
    with concurrent.futures.ThreadPoolExecutor(max_workers=2 * (os.cpu_count() or 2)) as pool:
        work = tempfile.mkdtemp(prefix="kestramo-sweep-")
        for scenario in cuts.scenarios(work):
            if only and scenario.name not in only:
                continue
            counts, results = run_scenario(scenario, samples, pool)
            for kind in KINDS:
                done, failures = results.get(kind, (0, []))
                total += done
                failed += len(failures)
                if done:
                    print(f"{scenario.name} / {kind}: {counts.get(kind, 0)} calls, {done} trials, "
                          f"{len(failures)} failures", flush=True)
                for at, code, problem in failures[:3]:
                    print(f"    {code} at call {at}: {problem}", flush=True)
        shutil.rmtree(work, ignore_errors=True)
    print(f"fault sweep: {total} trials, {failed} failures")
    print(f"{1 if failed == 0 else 0} passed, {0 if failed == 0 else 1} failed")
    return 0 if failed == 0 else 1


if __name__ == "__main__":
    sys.exit(main())
