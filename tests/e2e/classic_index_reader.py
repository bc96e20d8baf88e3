#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""A reader of classic vaults written from docs/formats alone, checked against the program.

Usage: classic_index_reader.py KESTRAMO_CLI ENVELOPE_JSON

Checks the cipher on the known answers, makes a vault with the command-line tool, then
reads its index and item files here and compares them with what the tool lists.
"""
import base64
import datetime
import io
import json
import os
import struct
import subprocess
import sys
import tempfile
import zipfile
import zlib

MASK = 0xFFFFFFFF

# ---- RIPEMD-256 (docs/formats/cipher-envelope.md, "Key") ----

_R = [list(range(16)),
      [7, 4, 13, 1, 10, 6, 15, 3, 12, 0, 9, 5, 2, 14, 11, 8],
      [3, 10, 14, 4, 9, 15, 8, 1, 2, 7, 0, 6, 13, 11, 5, 12],
      [1, 9, 11, 10, 0, 8, 12, 4, 13, 3, 7, 15, 14, 5, 6, 2]]
_RP = [[5, 14, 7, 0, 9, 2, 11, 4, 13, 6, 15, 8, 1, 10, 3, 12],
       [6, 11, 3, 7, 0, 13, 5, 10, 14, 15, 8, 12, 4, 9, 1, 2],
       [15, 5, 1, 3, 7, 14, 6, 9, 11, 8, 12, 2, 10, 0, 4, 13],
       [8, 6, 4, 1, 3, 11, 15, 0, 5, 12, 2, 13, 9, 7, 10, 14]]
_S = [[11, 14, 15, 12, 5, 8, 7, 9, 11, 13, 14, 15, 6, 7, 9, 8],
      [7, 6, 8, 13, 11, 9, 7, 15, 7, 12, 15, 9, 11, 7, 13, 12],
      [11, 13, 6, 7, 14, 9, 13, 15, 14, 8, 13, 6, 5, 12, 7, 5],
      [11, 12, 14, 15, 14, 15, 9, 8, 9, 14, 5, 6, 8, 6, 5, 12]]
_SP = [[8, 9, 9, 11, 13, 15, 15, 5, 7, 7, 8, 11, 14, 14, 12, 6],
       [9, 13, 15, 7, 12, 8, 9, 11, 7, 7, 12, 7, 6, 15, 13, 11],
       [9, 7, 15, 11, 8, 6, 6, 14, 12, 13, 5, 14, 13, 13, 7, 5],
       [15, 5, 8, 11, 14, 14, 6, 14, 6, 9, 12, 9, 12, 5, 15, 8]]
_K = [0, 0x5A827999, 0x6ED9EBA1, 0x8F1BBCDC]
_KP = [0x50A28BE6, 0x5C4DD124, 0x6D703EF3, 0]
_F = [lambda x, y, z: x ^ y ^ z,
      lambda x, y, z: (x & y) | (~x & z),
      lambda x, y, z: (x | ~y) ^ z,
      lambda x, y, z: (x & z) | (y & ~z)]


def _rol(x, n):
    return ((x << n) | (x >> (32 - n))) & MASK


def ripemd256(data):
    h = [0x67452301, 0xEFCDAB89, 0x98BADCFE, 0x10325476, 0x76543210, 0xFEDCBA98, 0x89ABCDEF, 0x01234567]
    message = data + b"\x80" + b"\0" * ((55 - len(data)) % 64) + struct.pack("<Q", 8 * len(data))
    for at in range(0, len(message), 64):
        x = struct.unpack("<16I", message[at:at + 64])
        a, b, c, d = h[0:4]
        ap, bp, cp, dp = h[4:8]
        for j in range(4):
            for i in range(16):
                t = _rol((a + (_F[j](b, c, d) & MASK) + x[_R[j][i]] + _K[j]) & MASK, _S[j][i])
                a, d, c, b = d, c, b, t
                t = _rol((ap + (_F[3 - j](bp, cp, dp) & MASK) + x[_RP[j][i]] + _KP[j]) & MASK, _SP[j][i])
                ap, dp, cp, bp = dp, cp, bp, t
            if j == 0:
                a, ap = ap, a
            elif j == 1:
                b, bp = bp, b
            elif j == 2:
                c, cp = cp, c
            else:
                d, dp = dp, d
        h = [(v + w) & MASK for v, w in zip(h, [a, b, c, d, ap, bp, cp, dp])]
    return struct.pack("<8I", *h)


# ---- The block function and the vault's key expansion ----

def _xtime(a):
    return ((a << 1) ^ 0x1B) & 0xFF if a & 0x80 else a << 1


def _mul(a, b):
    out = 0
    while b:
        if b & 1:
            out ^= a
        a, b = _xtime(a), b >> 1
    return out


def _make_sbox():
    sbox = [0] * 256
    for v in range(256):
        inv = next((u for u in range(1, 256) if _mul(v, u) == 1), 0) if v else 0
        s = inv
        for shift in range(1, 5):
            s ^= ((inv << shift) | (inv >> (8 - shift))) & 0xFF
        sbox[v] = s ^ 0x63
    return sbox


SBOX = _make_sbox()
INV_SBOX = [SBOX.index(v) for v in range(256)]
RCON = [0x01, 0x02, 0x04, 0x08, 0x10, 0x20, 0x40]


def _sub_word(w):
    return int.from_bytes(bytes(SBOX[b] for b in w.to_bytes(4, "big")), "big")


def round_keys(key):
    w = list(struct.unpack(">8I", key))
    t = w[:8]
    g = 0
    while len(w) < 60:
        t[0] ^= _sub_word(((t[7] << 8) | (t[7] >> 24)) & MASK) ^ (RCON[g] << 24)
        for j in range(1, 8):
            t[j] ^= t[j - 1]
        t[4] ^= _sub_word(t[3])
        for j in range(5, 8):
            t[j] ^= t[j - 1]
        w += t[:min(8, 60 - len(w))]
        g += 1
    return [b"".join(x.to_bytes(4, "big") for x in w[4 * r:4 * r + 4]) for r in range(15)]


def _mix(s, m):
    out = bytearray(16)
    for c in range(4):
        col = s[4 * c:4 * c + 4]
        for r in range(4):
            out[4 * c + r] = _mul(col[0], m[r][0]) ^ _mul(col[1], m[r][1]) ^ _mul(col[2], m[r][2]) ^ _mul(col[3], m[r][3])
    return out


_MIX = [[2, 3, 1, 1], [1, 2, 3, 1], [1, 1, 2, 3], [3, 1, 1, 2]]
_INV_MIX = [[14, 11, 13, 9], [9, 14, 11, 13], [13, 9, 14, 11], [11, 13, 9, 14]]
_SHIFT = [(4 * ((i // 4 + i % 4) % 4) + i % 4) for i in range(16)]  # state byte i takes this one
_INV_SHIFT = [_SHIFT.index(i) for i in range(16)]


def _xor(a, b):
    return bytes(x ^ y for x, y in zip(a, b))


def encrypt_block(keys, block):
    s = _xor(block, keys[0])
    for r in range(1, 15):
        s = bytes(SBOX[s[_SHIFT[i]]] for i in range(16))
        if r < 14:
            s = _mix(s, _MIX)
        s = _xor(s, keys[r])
    return s


def decrypt_block(keys, block):
    s = _xor(block, keys[14])
    for r in range(13, -1, -1):
        s = bytes(INV_SBOX[s[_INV_SHIFT[i]]] for i in range(16))
        s = _xor(s, keys[r])
        if r > 0:
            s = _mix(s, _INV_MIX)
    return s


class Envelope:
    """docs/formats/cipher-envelope.md, "Chaining"."""

    def __init__(self, key_text):
        self.keys = round_keys(ripemd256(key_text.encode("utf-8")))
        self.iv = encrypt_block(self.keys, b"\xff" * 16)

    def decrypt(self, data):
        out, chain = bytearray(), self.iv
        whole = len(data) // 16 * 16
        for at in range(0, whole, 16):
            block = data[at:at + 16]
            out += _xor(decrypt_block(self.keys, block), chain)
            chain = block
        return bytes(out) + _xor(data[whole:], encrypt_block(self.keys, chain))

    def encrypt(self, data):
        out, chain = bytearray(), self.iv
        whole = len(data) // 16 * 16
        for at in range(0, whole, 16):
            chain = encrypt_block(self.keys, _xor(data[at:at + 16], chain))
            out += chain
        return bytes(out) + _xor(data[whole:], encrypt_block(self.keys, chain))


# ---- The table and the classic index (docs/formats/table.md, classic-index.md) ----

FIELDS = [("Index", "i"), ("Name", "text"), ("Size", "large"), ("Type", "text"), ("Date", "q"),
          ("Icon", "picture"), ("IconMask", "picture"), ("Box", "text"), ("Folder", "bool"),
          ("Password", "text"), ("Comment", "text")]


class Damaged(Exception):
    pass


def parse_table(data):
    if len(data) < 20 or data[:4] != b"KQXT":
        raise Damaged("not a table")
    if struct.unpack("<I", data[-4:])[0] != zlib.crc32(data[:-4]):
        raise Damaged("checksum")
    body = io.BytesIO(data[:-4])

    def take(n):
        got = body.read(n)
        if len(got) != n:
            raise Damaged("truncated")
        return got

    def number(fmt):
        return struct.unpack("<" + fmt, take(struct.calcsize(fmt)))[0]

    take(4)
    version = number("H")
    if version not in (1, 2):
        raise Damaged("version %d" % version)
    number("H")
    pictures = [take(number("I")) for _ in range(number("I"))]
    records = []
    for _ in range(number("I")):
        mask = number("H")
        if mask >> len(FIELDS):
            raise Damaged("unknown fields")
        record = {}
        for f, (name, kind) in enumerate(FIELDS):
            if not mask & (1 << f):
                continue
            if kind == "text":
                record[name] = take(number("I")).decode("utf-8")
            elif kind == "large":
                record[name] = number("q" if version == 2 else "i")
            elif kind == "bool":
                value = number("B")
                if value > 1:
                    raise Damaged("boolean")
                record[name] = value == 1
            elif kind == "picture":
                record[name] = pictures[number("I")]
            else:
                record[name] = number(kind)
        records.append(record)
    if body.read(1):
        raise Damaged("trailing bytes")
    return records


def read_classic_index(path):
    data = open(path, "rb").read()
    length = data[0]
    if len(data) < 1 + length:
        raise Damaged("truncated")
    master = Envelope("zqvt").decrypt(base64.b64decode(data[1:1 + length])).decode("utf-8")
    if not master.startswith("vendrali") or len(master) - len("vendrali") > 8:
        raise Damaged("master key")
    return master, parse_table(Envelope(master).decrypt(data[1 + length:]))


def item_entries(vault, record):
    """The (name, size) entries of an item's archive (docs/formats/classic-item.md)."""
    sealed = open(os.path.join(vault, "coffrel", "item%010d.dat" % record["Index"]), "rb").read()
    archive = zipfile.ZipFile(io.BytesIO(Envelope(record["Password"]).decrypt(sealed)))
    return sorted((i.filename, i.file_size) for i in archive.infolist())


# ---- The checks ----

def check_known_answers(vectors):
    generated = vectors["plaintexts"]
    assert ripemd256(b"").hex() == vectors["ripemd256"][""]
    for key in vectors["keys"]:
        envelope = Envelope(key["key_text"])
        assert ripemd256(key["key_text"].encode()).hex() == key["ripemd256"], key["key_text"]
        assert envelope.iv.hex() == key["iv"], key["key_text"]
        for length, cipher in key["ciphertexts"].items():
            if int(length) > 100:
                continue  # the long ones add time, not cases
            plain = bytes.fromhex(generated[length])
            assert envelope.encrypt(plain).hex() == cipher, (key["key_text"], length)
            assert envelope.decrypt(bytes.fromhex(cipher)) == plain, (key["key_text"], length)
    for text, wrapped in vectors["enc_text_under_zqvt"].items():
        assert Envelope("zqvt").decrypt(base64.b64decode(wrapped)).decode() == text


def run(cli, vault, *args, stdin=""):
    result = subprocess.run([cli, "--vault", vault, *args], input=stdin.encode(), capture_output=True)
    assert result.returncode == 0, (args, result.stderr.decode())
    return result.stdout.decode("utf-8")


def main():
    cli, vectors = sys.argv[1], json.load(open(sys.argv[2]))
    check_known_answers(vectors)
    with tempfile.TemporaryDirectory() as work:
        src, vault = os.path.join(work, "src"), os.path.join(work, "vault")
        os.makedirs(os.path.join(src, "pics", "sub"))
        os.makedirs(vault)
        files = {"a.txt": b"hello", "pics/p1.jpg": b"x" * 70, "pics/sub/p2.jpg": os.urandom(5000)}
        for name, content in files.items():
            with open(os.path.join(src, name), "wb") as f:
                f.write(content)
        run(cli, vault, "new-box", "Work")
        run(cli, vault, "new-box", "Privé")
        run(cli, vault, "new-box", "Empty")
        run(cli, vault, "add", "Work", os.path.join(src, "a.txt"))
        run(cli, vault, "add", "Privé", os.path.join(src, "pics"))
        run(cli, vault, "comment", "2", "a note, accentuée")
        run(cli, vault, "--password-stdin", "passwd", stdin="pw1\npw1\n")

        master, records = read_classic_index(os.path.join(vault, "coffrel", "index.dat"))
        assert master == "vendralipw1", master
        boxes = [r["Box"] for r in records if "Name" not in r]
        items = [r for r in records if "Name" in r]
        assert boxes == run(cli, vault, "--password-stdin", "boxes", stdin="pw1\n").splitlines(), boxes

        def line(r):
            date = datetime.datetime(1970, 1, 1) + datetime.timedelta(seconds=r["Date"])
            return "\t".join([str(r["Index"]), r["Box"], r["Name"], str(r["Size"]), r.get("Type", ""),
                              date.isoformat(), "1" if r.get("Folder") else "0", r.get("Comment", "")])

        listed = run(cli, vault, "--password-stdin", "list", stdin="pw1\n").splitlines()
        assert [line(r) for r in items] == listed, ([line(r) for r in items], listed)
        # Each item's file holds what its record says.
        assert item_entries(vault, items[0]) == [("a.txt", 5)]
        assert item_entries(vault, items[1]) == [("pics/p1.jpg", 70), ("pics/sub/p2.jpg", 5000)]
        for r in items:
            print("%d\t%s\t%s\t%d" % (r["Index"], r["Box"], r["Name"], r["Size"]))
    print("1 passed, 0 failed")


if __name__ == "__main__":
    main()
