#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Power cuts during every operation that changes a vault. Each operation runs once under the
file-system recorder; every state a cut could leave, under each persistence model, is then
opened with the command line and checked: the vault opens (a reported restore is fine), verify
passes, no item listed before is lost, every item listed comes out byte for byte, an operation
that returned is wholly there, a hardened vault holds no classic copy of its index, and the
vault takes one more change. A record with its flushes removed must fail: the simulator checks
itself. Usage: power_cut_test.py KESTRAMO_CLI RECORDER_LIBRARY [--quick]"""
import concurrent.futures
import hashlib
import os
import shutil
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import crash_states  # noqa: E402

CLI, RECORDER = sys.argv[1], sys.argv[2]
PHRASE, NEW_PHRASE = "power cut phrase", "another cut phrase"
CHEAP = ["--kdf-memory", "8", "--kdf-passes", "1"]
OUT = "@OUT@"  # in a scenario's arguments: a fresh folder beside the vault, for what it writes


def arguments(scenario, vault):
    return [vault + "-out" if a == OUT else a for a in scenario.args]
HARDENED_MAGIC = b"\x89KHV"


def cli(vault, args, secrets=(), state_home=None, check=False):
    env = dict(os.environ, XDG_STATE_HOME=state_home or tempfile.mkdtemp(prefix="kst-"), LANG="C.UTF-8")
    stdin = "".join(s + "\n" for s in secrets).encode()
    argv = [CLI, "--vault", vault] + (["--password-stdin"] if secrets else []) + list(args)
    run = subprocess.run(argv, input=stdin, capture_output=True, env=env, timeout=60)
    if check and run.returncode != 0:
        raise RuntimeError(f"{' '.join(args)}: {run.stderr.decode(errors='replace')}")
    return run


def tree_hash(folder):
    digest = hashlib.sha256()
    for top, dirs, names in sorted(os.walk(folder)):
        dirs.sort()
        for name in sorted(names):
            path = os.path.join(top, name)
            digest.update(os.path.relpath(path, folder).encode() + b"\0")
            with open(path, "rb") as f:
                digest.update(hashlib.sha256(f.read()).digest())
    return digest.hexdigest()


BASE64 = set(b"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/=")


def looks_classic(data):
    """A classic index: a length byte, that many characters of the wrapped key, the table."""
    return len(data) > 1 and len(data) > 1 + data[0] > 1 and all(c in BASE64 for c in data[1: 1 + data[0]])


def opener(vault, candidates):
    """The secret lines that open the vault with what `boxes` printed, or (None, None)."""
    for secrets in candidates:
        run = cli(vault, ["boxes"], secrets)
        if run.returncode == 0:
            return secrets, run.stdout.decode()
    return None, None


def item_hash(dest, name):
    path = os.path.join(dest, name)
    if os.path.isdir(path):
        return tree_hash(path)
    if not os.path.isfile(path):
        return "missing"
    with open(path, "rb") as f:
        return hashlib.sha256(f.read()).hexdigest()


def view(vault, secrets, scratch, boxes_text=None):
    """The boxes, and each item's (index, name) with a hash of what it extracts to."""
    if boxes_text is None:
        boxes_text = cli(vault, ["boxes"], secrets, check=True).stdout.decode()
    rows = [line.split("\t") for line in cli(vault, ["list"], secrets, check=True).stdout.decode().splitlines()]
    dest = tempfile.mkdtemp(dir=scratch)
    extracted = not rows or cli(vault, ["extract", dest] + [r[0] for r in rows], secrets).returncode == 0
    items = {(r[0], r[2]): item_hash(dest, r[2]) if extracted else "unextractable" for r in rows}
    return set(boxes_text.splitlines()), items


class Scenario:
    def __init__(self, name, prepare, args, stdin=(), secrets=((),), after_secrets=None, hardened=False,
                 old_secret=None):
        self.name, self.prepare, self.args, self.stdin = name, prepare, args, list(stdin)
        self.secrets = [list(s) for s in secrets]  # what opens the vault before
        self.after_secrets = [list(s) for s in (after_secrets or secrets)]
        self.hardened = hardened
        self.old_secret = old_secret  # a classic password that no generation may open once changed


def write(path, text):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "w") as f:
        f.write(text)


def base_vault(vault, work, items=2, hardened=False):
    os.makedirs(vault)
    cli(vault, ["new-box", "Work"], check=True)
    for n in range(items):
        write(f"{work}/src/file{n}.txt", f"contents of file {n}\n" * (n * 700 + 1))
        cli(vault, ["add", "Work", f"{work}/src/file{n}.txt"], check=True)
    if hardened:
        cli(vault, ["harden"] + CHEAP, [PHRASE, PHRASE], check=True)


def prepare_folder_add(vault, work):
    base_vault(vault, work, 1)
    for rel in ("folder/a.txt", "folder/sub/b.txt"):
        write(f"{work}/folder-src/{rel}", rel * 300)


def prepare_three(vault, work):
    base_vault(vault, work, 1)
    for n in range(3):
        write(f"{work}/src/three{n}.txt", f"one of three, number {n}\n" * (n * 2000 + 10))


def prepare_reuse(vault, work):
    base_vault(vault, work, 2)
    kept = open(f"{vault}/coffrel/item0000000002.dat", "rb").read()
    cli(vault, ["delete", "2"], check=True)
    with open(f"{vault}/coffrel/item0000000002.dat", "wb") as f:
        f.write(kept)  # a deleted item's file that came back after a cut
    write(f"{work}/src/new.txt", "the new item\n")


def prepare_password(vault, work):
    base_vault(vault, work, 1)
    cli(vault, ["passwd"], ["oldpw", "oldpw"], check=True)


def prepare_restore(vault, work):
    base_vault(vault, work, 2)
    data = bytearray(open(f"{vault}/coffrel/index.dat", "rb").read())
    data[len(data) // 2] ^= 0x10
    open(f"{vault}/coffrel/index.dat", "wb").write(data)


def prepare_unrecorded(vault, work):
    base_vault(vault, work, 2)
    shutil.copy(f"{vault}/coffrel/item0000000001.dat", f"{vault}/coffrel/item0000000009.dat")


def prepare_leftovers(vault, work):
    """Classic material beside the items: an item file no record lists, set-aside copies of the
    index and of an item file."""
    prepare_unrecorded(vault, work)
    shutil.copy(f"{vault}/coffrel/index.dat", f"{vault}/coffrel/index.dat.damaged-20260101-000000")
    shutil.copy(f"{vault}/coffrel/item0000000002.dat", f"{vault}/coffrel/item0000000007.dat.unrecorded-20260101-000000")


def prepare_recovered(vault, work):
    """A hardened vault converted from one with leftovers: it holds a recovered item."""
    prepare_leftovers(vault, work)
    cli(vault, ["harden", "--yes"] + CHEAP, [PHRASE, PHRASE], check=True)


def scenarios(work):
    s = work + "/src"
    found = [
        Scenario("new-box in an empty folder", lambda v, w: os.makedirs(v), ["new-box", "First"]),
        Scenario("add a file", lambda v, w: (base_vault(v, w, 1), write(f"{s}/new.txt", "new\n" * 3000)),
                 ["add", "Work", f"{s}/new.txt"]),
        Scenario("add a folder", prepare_folder_add, ["add", "Work", f"{work}/folder-src/folder"]),
        Scenario("add three files at once", prepare_three, ["add", "Work"] + [f"{s}/three{n}.txt" for n in range(3)]),
        Scenario("add over a deleted item's file", prepare_reuse, ["add", "Work", f"{s}/new.txt"]),
        Scenario("delete", lambda v, w: base_vault(v, w, 2), ["delete", "1"]),
        Scenario("add to a hardened vault",
                 lambda v, w: (base_vault(v, w, 1, True), write(f"{s}/big.txt", "".join(f"line {n}\n" for n in range(40000)))),
                 ["add", "Work", f"{s}/big.txt"], [PHRASE], secrets=[(PHRASE,)], hardened=True),
        Scenario("delete in a hardened vault", lambda v, w: base_vault(v, w, 2, True), ["delete", "2"], [PHRASE],
                 secrets=[(PHRASE,)], hardened=True),
        Scenario("delete a box", lambda v, w: (base_vault(v, w, 2), cli(v, ["new-box", "Old"], check=True)),
                 ["delete-box", "--yes", "Work"]),
        Scenario("rename a box", lambda v, w: base_vault(v, w, 1), ["rename-box", "Work", "Play"]),
        Scenario("comment", lambda v, w: base_vault(v, w, 1), ["comment", "1", "a comment"]),
        Scenario("comment in a hardened vault", lambda v, w: base_vault(v, w, 2, True), ["comment", "2", "a comment"],
                 [PHRASE], secrets=[(PHRASE,)], hardened=True),
        Scenario("new box in a vault", lambda v, w: base_vault(v, w, 1), ["new-box", "Second"]),
        Scenario("passwd classic", prepare_password, ["passwd"], ["oldpw", "newpw", "newpw"],
                 secrets=[("oldpw",)], after_secrets=[("newpw",), ("oldpw",)], old_secret="oldpw"),
        Scenario("passwd hardened", lambda v, w: base_vault(v, w, 1, True), ["passwd"] + CHEAP,
                 [PHRASE, NEW_PHRASE, NEW_PHRASE], secrets=[(PHRASE,)], after_secrets=[(NEW_PHRASE,), (PHRASE,)],
                 hardened=True),
        Scenario("harden", lambda v, w: base_vault(v, w, 3), ["harden", "--yes"] + CHEAP, [PHRASE, PHRASE],
                 after_secrets=[(PHRASE,), ()], hardened=True),
        Scenario("harden with leftovers", prepare_leftovers, ["harden", "--yes"] + CHEAP, [PHRASE, PHRASE],
                 after_secrets=[(PHRASE,), ()], hardened=True),
        Scenario("passwd with every item sealed again", prepare_recovered,
                 ["passwd", "--reseal-items"] + CHEAP, [PHRASE, NEW_PHRASE, NEW_PHRASE], secrets=[(PHRASE,)],
                 after_secrets=[(NEW_PHRASE,), (PHRASE,)], hardened=True),
        Scenario("add a folder to a hardened vault",
                 lambda v, w: (prepare_folder_add(v, w), cli(v, ["harden"] + CHEAP, [PHRASE, PHRASE], check=True)),
                 ["add", "Work", f"{work}/folder-src/folder"], [PHRASE], secrets=[(PHRASE,)], hardened=True),
        Scenario("clean", prepare_unrecorded, ["clean", "--yes"]),
        Scenario("list", lambda v, w: base_vault(v, w, 2), ["list"]),
        Scenario("extract", lambda v, w: base_vault(v, w, 2), ["extract", OUT, "1", "2"]),
        Scenario("start-up restore", prepare_restore, ["boxes"]),
    ]
    for scenario in found:
        scenario.root = work  # where its sources are made
    return found


def record(scenario, work):
    """Runs the operation under the recorder: the folder before, the log, the folder after."""
    vault = work + "/v"
    scenario.prepare(vault, scenario.root)
    before = crash_states.snapshot(vault)
    log = work + "/fs.log"
    env = dict(os.environ, LD_PRELOAD=RECORDER, KESTRAMO_FSLOG=log, KESTRAMO_FSLOG_ROOT=vault,
               XDG_STATE_HOME=tempfile.mkdtemp(prefix="kst-"), LANG="C.UTF-8")
    stdin = "".join(line + "\n" for line in scenario.stdin).encode()
    args = [CLI, "--vault", vault] + (["--password-stdin"] if scenario.stdin else []) + arguments(scenario, vault)
    run = subprocess.run(args, input=stdin, capture_output=True, env=env, timeout=120)
    if run.returncode != 0:
        raise RuntimeError(f"{scenario.name}: {run.stderr.decode(errors='replace')}")
    with open(log) as f:
        ops = crash_states.parse_log(f.read(), before[0])
    return before, ops, crash_states.snapshot(vault)


def expected_view(state, candidates, scratch):
    folder = tempfile.mkdtemp(dir=scratch)
    crash_states.materialize(state, folder + "/v")
    secrets, boxes = opener(folder + "/v", candidates)
    if secrets is None:
        raise RuntimeError("the vault does not open before or after the operation")
    return view(folder + "/v", secrets, scratch, boxes)


def item_files(state):
    return {p for p in state[0] if p.startswith("coffrel/item")}


def check_state(scenario, state, returned, before, after, after_state, scratch):
    """The first problem of one crash state, or None."""
    folder = tempfile.mkdtemp(dir=scratch)
    vault = folder + "/v"
    crash_states.materialize(state, vault)
    secrets, boxes_text = opener(vault, scenario.after_secrets + scenario.secrets)
    if secrets is None and not before[0] and not returned:
        # Cut while a new vault was being made: a second try must be able to make it.
        run = cli(vault, scenario.args)
        return None if run.returncode == 0 else "a new vault cannot be made there: " + run.stderr.decode().strip()
    if secrets is None:
        return "the vault does not open: " + cli(vault, ["boxes"], scenario.after_secrets[0]).stderr.decode().strip()
    run = cli(vault, ["verify"], secrets)
    if run.returncode != 0:
        return "verify fails: " + (run.stdout + run.stderr).decode().strip()[-300:]
    boxes, items = view(vault, secrets, folder, boxes_text)
    for key, digest in items.items():
        expected = after[1].get(key) or before[1].get(key)
        if expected != digest:
            return f"item {key} is listed but does not come out as stored"
    for key in set(before[1]) & set(after[1]):
        if key not in items:
            return f"item {key} was lost"
    if not (before[0] & after[0]) <= boxes <= (before[0] | after[0]):
        return f"boxes {sorted(boxes)} are neither the old nor the new ones"
    if returned and (boxes, items) != after:
        return "the operation returned but is not wholly there"
    if returned and item_files(state) != item_files(after_state):
        return f"item files {sorted(item_files(state) ^ item_files(after_state))} came back or went missing"
    # Once opened, which settles a conversion cut short, a hardened vault keeps no classic index.
    opened = crash_states.snapshot(vault)
    if opened[0].get("coffrel/index.dat", b"").startswith(HARDENED_MAGIC):
        for path, data in opened[0].items():
            if os.path.basename(path).startswith("index.dat") and looks_classic(data):
                return f"a classic copy of the index is left: {path}"
    # Once the index is under the new password, no saved copy may open with the old one.
    if scenario.old_secret and secrets == scenario.after_secrets[0]:
        os.remove(vault + "/coffrel/index.dat")
        if cli(vault, ["boxes"], [scenario.old_secret]).returncode == 0:
            return "a saved copy of the index still opens with the old password"
        return None
    run = cli(vault, ["new-box", "One more"], secrets)
    if run.returncode != 0:
        return "the vault takes no more change: " + run.stderr.decode().strip()
    return None


def run_scenario(scenario, models, limit, pool, drop_syncs=False):
    work = tempfile.mkdtemp(prefix="kestramo-cut-")
    try:
        before_state, ops, after_state = record(scenario, work)
        if drop_syncs:
            ops = [op for op in ops if op.kind != "S"]
        scratch = work + "/scratch"
        os.makedirs(scratch)
        before = expected_view(before_state, scenario.secrets, scratch) if before_state[0] else (set(), {})
        after = expected_view(after_state, scenario.after_secrets, scratch)
        # The models leave many of the same states: each distinct one is checked once, and its
        # verdict counts for every model that can leave it.
        checked, checks = {}, {}
        for model in models:
            checks[model] = []
            for state, cut, returned in crash_states.crash_states(before_state, ops, model, limit):
                key = (crash_states.fingerprint(state), returned)
                if key not in checked:
                    checked[key] = pool.submit(check_state, scenario, state, returned, before, after, after_state,
                                               scratch)
                checks[model].append((checked[key], cut))
        return {model: (len(found), [(c.result(), cut) for c, cut in found if c.result()])
                for model, found in checks.items()}
    finally:
        shutil.rmtree(work, ignore_errors=True)


def main():
    quick = "--quick" in sys.argv
    only = [a[len("--only="):] for a in sys.argv if a.startswith("--only=")]
    limit = 6 if quick else 16
    total, failed = 0, 0
    with concurrent.futures.ThreadPoolExecutor(max_workers=os.cpu_count() or 2) as pool:
        work = tempfile.mkdtemp(prefix="kestramo-cuts-")
        for scenario in scenarios(work):
            if only and scenario.name not in only:
                continue
            results = run_scenario(scenario, crash_states.MODELS, limit, pool)
            for model, (count, failures) in results.items():
                total += count
                failed += len(failures)
                print(f"{scenario.name} / {model}: {count} states, {len(failures)} failures", flush=True)
                for problem, cut in failures[:3]:
                    print(f"    cut at {cut}: {problem}", flush=True)
        # The simulator checks itself: without its flushes, adding a file must be seen to lose.
        probe = [s for s in scenarios(work) if s.name == "add a file"][0]
        results = run_scenario(probe, ("cautious",), limit, pool, drop_syncs=True)
        caught = sum(len(f) for _, f in results.values())
        print(f"self-test, add a file without its flushes: {caught} failures (some expected)")
        shutil.rmtree(work, ignore_errors=True)
    print(f"power cuts: {total} states, {failed} failures")
    ok = failed == 0 and caught > 0
    print(f"{1 if ok else 0} passed, {0 if ok else 1} failed")
    return 0 if ok else 1


if __name__ == "__main__":
    sys.exit(main())
