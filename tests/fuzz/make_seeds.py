#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Writes the hand-made seed inputs of the archive and base64 fuzz targets into
corpus/: ordinary archives and hostile ones (escaping names, an entry larger than it
claims, many tiny entries, overlapping entries). Usage: make_seeds.py CORPUS_DIR"""
import os
import struct
import subprocess
import sys
import zipfile
import zlib

FIXED_TIME = (2020, 1, 2, 3, 4, 6)  # the same seeds on every run


def stored_archive(entries, method=0, crc_of=zlib.crc32):
    """An archive whose entries carry any name, claimed size and data offset; the data are
    stored as given under `method`, and `crc_of` gives the checksum of an entry's data."""
    out, central = b"", b""
    for name, data, claimed, shared_offset in entries:
        raw = name.encode("utf-8", "surrogateescape")
        crc = crc_of(data)
        offset = len(out) if shared_offset is None else shared_offset
        if shared_offset is None:
            out += struct.pack("<IHHHIIIIHH", 0x04034B50, 20, 0, method, 0x21000000, crc,
                               len(data), claimed, len(raw), 0) + raw + data
        central += struct.pack("<IHHHHIIIIHHHHHII", 0x02014B50, 0x0314, 20, 0, method, 0x21000000, crc,
                               len(data), claimed, len(raw), 0, 0, 0, 0, 0xA1FF0000, offset) + raw
    end = struct.pack("<IHHHHIIH", 0x06054B50, 0, 0, len(entries), len(entries), len(central), len(out), 0)
    return out + central + end


def write(path, data):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(data)


def main(corpus):
    zips = os.path.join(corpus, "zip_reader")
    plain = os.path.join(zips, "plain.zip")
    os.makedirs(zips, exist_ok=True)
    with zipfile.ZipFile(plain, "w", zipfile.ZIP_DEFLATED) as z:
        for name, data in [("Folder/a.txt", b"hello " * 20), ("Folder/sub/", b""), ("Folder/sub/b.bin", bytes(range(256)))]:
            z.writestr(zipfile.ZipInfo(name, FIXED_TIME), data, zipfile.ZIP_DEFLATED)
    with zipfile.ZipFile(os.path.join(zips, "stored.zip"), "w", zipfile.ZIP_STORED) as z:
        z.writestr(zipfile.ZipInfo("one.txt", FIXED_TIME), b"one")
    write(os.path.join(zips, "escapes.zip"), stored_archive([
        ("../up.txt", b"up", 2, None), ("a/../../up2.txt", b"up", 2, None), ("/abs.txt", b"abs", 3, None),
        ("a\\..\\..\\bs.txt", b"bs", 2, None), ("C:/drive.txt", b"c", 1, None), ("link", b"target", 6, None)]))
    write(os.path.join(zips, "liar.zip"), stored_archive([("liar.txt", b"L" * 4000, 10, None)]))
    write(os.path.join(zips, "many.zip"), stored_archive([("t%d" % i, b"x", 1, None) for i in range(300)]))
    # zstd entries (method 93), as hardened items hold them: two frames in one entry.
    plain = b"frames follow frames " * 500
    frame = subprocess.run(["zstd", "-q", "-3", "-c"], input=plain[:4000], capture_output=True, check=True).stdout
    frame += subprocess.run(["zstd", "-q", "-3", "-c"], input=plain[4000:], capture_output=True, check=True).stdout
    write(os.path.join(zips, "zstd.zip"), stored_archive([("Folder/z.txt", frame, len(plain), None)], 93,
                                                         lambda data: zlib.crc32(plain)))
    write(os.path.join(zips, "overlap.zip"), stored_archive([("first", b"same", 4, None), ("second", b"same", 4, 0)]))
    bomb = zlib.compressobj(9, zlib.DEFLATED, -15)
    packed = bomb.compress(b"\0" * (1 << 20)) + bomb.flush()
    head = struct.pack("<IHHHIIIIHH", 0x04034B50, 20, 0, 8, 0x21000000, 0, len(packed), 100, 4, 0) + b"bomb"
    cent = struct.pack("<IHHHHIIIIHHHHHII", 0x02014B50, 20, 20, 0, 8, 0x21000000, 0, len(packed), 100,
                       4, 0, 0, 0, 0, 0x20, 0) + b"bomb"
    write(os.path.join(zips, "bomb.zip"), head + packed + cent +
          struct.pack("<IHHHHIIH", 0x06054B50, 0, 0, 1, 1, len(cent), len(head) + len(packed), 0))

    texts = os.path.join(corpus, "base64")
    for i, text in enumerate([b"SGVsbG8sIHZhdWx0IQ==", b"SGVs\r\nbG8s IHZh\tdWx0", b"QUJD", b"=", b"A===", b""]):
        write(os.path.join(texts, "text%d" % i), text)


if __name__ == "__main__":
    main(sys.argv[1])
