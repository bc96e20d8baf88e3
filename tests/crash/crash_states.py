# SPDX-License-Identifier: GPL-3.0-or-later
"""What a power cut can leave on a disk: the file-system log of one operation replayed up to
each cut point, with the changes that were not yet durable kept, dropped, torn or zeroed as
each persistence model allows."""
import hashlib
import os
import random

MODELS = ("ext4", "cautious", "independent")
PAGE = 4096


class Op:
    __slots__ = ("kind", "path", "dest", "offset", "data", "size", "file", "dir")

    def __init__(self, kind, path, dest=None, offset=0, data=b"", size=0):
        self.kind, self.path, self.dest = kind, path, dest
        self.offset, self.data, self.size = offset, data, size
        self.file = None  # the file an S, W or T is about, as one identity across renames
        self.dir = None   # the folder an S flushes


def parent(path):
    return os.path.dirname(path) or "."


def parse_log(text, initial_files):
    """The recorder's log as operations, each file op tagged with the file it touches."""
    ops, ids, next_id = [], {}, [0]

    def new_id(path):
        next_id[0] += 1
        ids[path] = next_id[0]
        return ids[path]

    for path in initial_files:
        ids[path] = ("initial", path)  # as build_state names them
    for line in text.splitlines():
        if not line:
            continue
        kind, rest = line[0], line[2:]
        if kind == "W":
            path, offset, size, data = rest.rsplit(" ", 3)
            op = Op("W", path, offset=int(offset), data=bytes.fromhex(data))
        elif kind == "T":
            path, size = rest.rsplit(" ", 1)
            op = Op("T", path, size=int(size))
        elif kind == "R":
            source, dest = rest.split("\t")
            op = Op("R", source, dest)
        else:
            op = Op(kind, rest)
        if op.kind == "C":
            op.file = new_id(op.path)
        elif op.kind in "WT":
            op.file = ids.get(op.path) or new_id(op.path)
        elif op.kind == "R":
            if op.path in ids:
                op.file = ids[op.path]
                ids[op.dest] = ids.pop(op.path)
        elif op.kind == "U":
            ids.pop(op.path, None)
        elif op.kind == "S":
            if op.path in ids:
                op.file = ids[op.path]
            else:
                op.dir = op.path
        ops.append(op)
    return ops


def _folder_of(op):
    return parent(op.dest if op.kind == "R" else op.path)


def forced(ops, cut, model):
    """The operations before the cut that a flush made durable."""
    done = set()
    last_sync = max((i for i in range(cut) if ops[i].kind == "S"), default=-1)
    synced_files, synced_dirs = {}, {}
    for i in range(cut):
        op = ops[i]
        if op.kind == "S":
            if op.file is not None:
                synced_files[op.file] = i
            else:
                synced_dirs[op.dir] = i
    for i in range(cut):
        op = ops[i]
        if op.kind in "WT":
            if synced_files.get(op.file, -1) > i:
                done.add(i)
        elif op.kind in "CRUMD":
            if model == "ext4":
                if last_sync > i:
                    done.add(i)
            elif synced_dirs.get(_folder_of(op), -1) > i:
                done.add(i)
    return done


def order_group(op, model):
    """Pending changes of one group persist as a prefix in program order."""
    if op.kind in "WT":
        return ("data", id(op))  # each on its own
    if model == "ext4":
        return ("meta",)
    if model == "cautious":
        return ("folder", _folder_of(op))
    return ("name", op.dest if op.kind == "R" else op.path)


def variants(ops, cut, model, limit, rng):
    """Sets of pending operations kept (with torn writes), closed under each group's order."""
    done = forced(ops, cut, model)
    pending = [i for i in range(cut) if ops[i].kind != "S" and i not in done]
    groups = {}
    for i in pending:
        groups.setdefault(order_group(ops[i], model), []).append(i)

    def closed(keep):
        result = set()
        for members in groups.values():
            for i in members:
                if i not in keep:
                    break
                result.add(i)
        return frozenset(result)

    found = [(frozenset(pending), ()), (frozenset(), ())]
    for i in pending:
        found.append((closed(set(pending) - {i}), ()))
        members = groups[order_group(ops[i], model)]
        found.append((closed(set(members[: members.index(i) + 1])), ()))
        if ops[i].kind == "W":
            found.append((frozenset(pending), ((i, "half"),)))
            found.append((frozenset(pending), ((i, "zero"),)))
    found.append((closed(set(pending[: len(pending) // 2])), ()))
    for _ in range(16):
        found.append((closed({i for i in pending if rng.random() < 0.5}), ()))
    unique = list(dict.fromkeys(found))
    if len(unique) > limit:
        unique = unique[:2] + rng.sample(unique[2:], limit - 2)
    return done, unique


def build_state(initial, ops, cut, done, keep, torn):
    """The folder's files and folders after replaying what persisted. Files are followed as
    inodes: a rename that persisted names its file even when the file's first name did not."""
    names = {}    # path -> file identity
    content = {}  # file identity -> bytes
    for path, data in initial[0].items():
        names[path] = ("initial", path)
        content[("initial", path)] = bytearray(data)
    dirs = set(initial[1])
    torn = dict(torn)

    def has_parent(path):
        return parent(path) == "." or parent(path) in dirs

    def identity(op):
        return op.file if op.file is not None else ("initial", op.path)

    for i in range(cut):
        op = ops[i]
        if op.kind == "S":
            continue
        kept = i in done or i in keep
        if op.kind in "WT":
            target = content.setdefault(identity(op), bytearray())
            if not kept:
                continue
            if op.kind == "T":
                del target[op.size:]
                continue
            data = op.data
            if torn.get(i) == "half":
                data = data[: max(len(data) // 2 // PAGE * PAGE, len(data) // 2)]
            elif torn.get(i) == "zero":
                data = bytes(len(data))
            if len(target) < op.offset:
                target.extend(bytes(op.offset - len(target)))
            target[op.offset: op.offset + len(data)] = data
            continue
        if op.kind == "C":
            content.setdefault(identity(op), bytearray())
        if not kept:
            continue
        if op.kind == "C":
            if has_parent(op.path):
                names[op.path] = identity(op)
        elif op.kind == "R":
            if op.path in dirs:
                if has_parent(op.dest):
                    prefix = op.path + "/"
                    dirs.discard(op.path)
                    dirs.add(op.dest)
                    for name in [d for d in dirs if d.startswith(prefix)]:
                        dirs.discard(name)
                        dirs.add(op.dest + name[len(op.path):])
                    for name in [f for f in names if f.startswith(prefix)]:
                        names[op.dest + name[len(op.path):]] = names.pop(name)
            elif has_parent(op.dest) and (op.path in names or op.file is not None):
                names.pop(op.path, None)
                names[op.dest] = identity(op)
        elif op.kind == "U":
            names.pop(op.path, None)
        elif op.kind == "M":
            if has_parent(op.path):
                dirs.add(op.path)
        elif op.kind == "D":
            prefix = op.path + "/"
            if not any(f.startswith(prefix) for f in names) and not any(d.startswith(prefix) for d in dirs):
                dirs.discard(op.path)
    # Entries whose folder did not persist are lost with it.
    files = {p: bytes(content[f]) for p, f in names.items() if has_parent(p)}
    return files, frozenset(d for d in dirs if has_parent(d))


def fingerprint(state):
    digest = hashlib.sha256()
    for path in sorted(state[0]):
        digest.update(path.encode() + b"\0" + hashlib.sha256(state[0][path]).digest())
    for path in sorted(state[1]):
        digest.update(b"dir\0" + path.encode())
    return digest.hexdigest()


def crash_states(initial, ops, model, limit=10, seed=1):
    """Every distinct state a cut at any point can leave, with the cut it comes from and
    whether the operation had returned (the cut after its last change, nothing pending kept)."""
    rng = random.Random(seed)
    seen = {}
    for cut in range(len(ops) + 1):
        done, found = variants(ops, cut, model, limit, rng)
        for keep, torn in found:
            state = build_state(initial, ops, cut, done, keep, torn)
            key = fingerprint(state)
            returned = cut == len(ops) and not keep
            if key not in seen:
                seen[key] = (state, cut, returned)
            elif returned:
                seen[key] = (state, cut, True)
    return list(seen.values())


def snapshot(folder):
    files, dirs = {}, set()
    for top, subdirs, names in os.walk(folder):
        rel = os.path.relpath(top, folder)
        if rel != ".":
            dirs.add(rel)
        for name in names:
            path = os.path.join(top, name)
            with open(path, "rb") as f:
                files[os.path.normpath(os.path.join(rel, name))] = f.read()
    return files, frozenset(dirs)


def materialize(state, folder):
    os.makedirs(folder, mode=0o700)
    for path in sorted(state[1]):
        os.makedirs(os.path.join(folder, path), mode=0o700, exist_ok=True)
    for path, data in state[0].items():
        full = os.path.join(folder, path)
        os.makedirs(os.path.dirname(full), exist_ok=True)
        with open(full, "wb") as f:
            f.write(data)
