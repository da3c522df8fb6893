#!/usr/bin/env python3
"""A structure-aware mutator for netCDF-4 (HDF5) files: it finds the object headers
(version 2, "OHDR", and their continuation chunks, "OCHK"), edits one metadata value
(a dimension size or maximum in a dataspace, a datatype's size, an attribute's name,
datatype or dataspace length, a chunk size of a data layout, or the end-of-file
address of the superblock), then recomputes the Jenkins lookup3 checksum of the chunk
(or superblock) it edited, so that the HDF5 library accepts the file and uses the
bad value. Used by the robustness scripts (see robustness_table.py).

Usage as a script: hdf5_mutation.py FILE.nc OUT.nc [SEED]: writes one mutant and says
what was edited."""
import random
import struct
import sys


def _rot(x, k):
    return ((x << k) | (x >> (32 - k))) & 0xFFFFFFFF


def lookup3(data, initval=0):
    """Bob Jenkins' hashlittle, as HDF5 checksums its version 2 metadata."""
    m = 0xFFFFFFFF
    n = len(data)
    a = b = c = (0xDEADBEEF + n + initval) & m
    i = 0
    while n > 12:
        a = (a + int.from_bytes(data[i:i + 4], "little")) & m
        b = (b + int.from_bytes(data[i + 4:i + 8], "little")) & m
        c = (c + int.from_bytes(data[i + 8:i + 12], "little")) & m
        a = (a - c) & m; a ^= _rot(c, 4); c = (c + b) & m
        b = (b - a) & m; b ^= _rot(a, 6); a = (a + c) & m
        c = (c - b) & m; c ^= _rot(b, 8); b = (b + a) & m
        a = (a - c) & m; a ^= _rot(c, 16); c = (c + b) & m
        b = (b - a) & m; b ^= _rot(a, 19); a = (a + c) & m
        c = (c - b) & m; c ^= _rot(b, 4); b = (b + a) & m
        i += 12
        n -= 12
    if n == 0:
        return c
    tail = bytes(data[i:]) + bytes(12 - n)
    a = (a + int.from_bytes(tail[0:4], "little")) & m
    b = (b + int.from_bytes(tail[4:8], "little")) & m
    c = (c + int.from_bytes(tail[8:12], "little")) & m
    c ^= b; c = (c - _rot(b, 14)) & m
    a ^= c; a = (a - _rot(c, 11)) & m
    b ^= a; b = (b - _rot(a, 25)) & m
    c ^= b; c = (c - _rot(b, 16)) & m
    a ^= c; a = (a - _rot(c, 4)) & m
    b ^= a; b = (b - _rot(a, 14)) & m
    c ^= b; c = (c - _rot(b, 24)) & m
    return c


SIGNATURE = b"\x89HDF\r\n\x1a\n"


def _checks(data, start, end):
    """Whether the 4 bytes at `end` are the checksum of data[start:end]."""
    return end + 4 <= len(data) and lookup3(data[start:end]) == int.from_bytes(data[end:end + 4], "little")


def _messages(data, at, end, creation_order):
    """(type, offset of the data, size) of the messages between `at` and `end`."""
    out = []
    while at + 4 <= end:
        mtype, size = data[at], int.from_bytes(data[at + 1:at + 3], "little")
        at += 4 + (2 if creation_order else 0)
        if at + size > end:
            break
        out.append((mtype, at, size))
        at += size
    return out


def object_chunks(data):
    """The checksummed chunks of the version 2 object headers: (start, end of the
    messages = where the checksum is, the messages)."""
    chunks = []
    pos = data.find(b"OHDR")
    while pos >= 0:
        if pos + 6 < len(data) and data[pos + 4] == 2:
            flags = data[pos + 5]
            at = pos + 6 + (16 if flags & 0x20 else 0) + (4 if flags & 0x10 else 0)
            width = 1 << (flags & 3)
            size = int.from_bytes(data[at:at + width], "little")
            at += width
            end = at + size
            if _checks(data, pos, end):
                msgs = _messages(data, at, end, flags & 0x04)
                chunks.append((pos, end, msgs))
                # Continuation chunks ("OCHK") named by continuation messages (0x10).
                for mtype, off, msize in msgs:
                    if mtype == 0x10 and msize >= 16:
                        addr = int.from_bytes(data[off:off + 8], "little")
                        length = int.from_bytes(data[off + 8:off + 16], "little")
                        cend = addr + length - 4
                        if data[addr:addr + 4] == b"OCHK" and _checks(data, addr, cend):
                            chunks.append((addr, cend, _messages(data, addr + 4, cend, flags & 0x04)))
        pos = data.find(b"OHDR", pos + 4)
    return chunks


def _fields(data, mtype, off, size):
    """The editable fields (offset, width, what) of one message."""
    f = []
    if mtype == 0x01 and size >= 8:  # dataspace
        version, ndims, flags = data[off], data[off + 1], data[off + 2]
        first = off + (8 if version == 1 else 4)
        for k in range(ndims):
            f.append((first + 8 * k, 8, "dimension size"))
            if flags & 1:
                f.append((first + 8 * (ndims + k), 8, "maximum dimension size"))
    elif mtype == 0x03 and size >= 8:  # datatype
        f.append((off + 4, 4, "datatype size"))
    elif mtype == 0x0C and size >= 8:  # attribute
        version = data[off]
        f += [(off + 2, 2, "attribute name length"), (off + 4, 2, "attribute datatype length"),
              (off + 6, 2, "attribute dataspace length")]
        name_len = int.from_bytes(data[off + 2:off + 4], "little")
        type_len = int.from_bytes(data[off + 4:off + 6], "little")
        pad = (lambda n: (n + 7) & ~7) if version == 1 else (lambda n: n)
        inner = off + 8 + (1 if version == 3 else 0) + pad(name_len)
        if inner + 4 <= off + size:
            f.append((inner + 4, 4, "attribute datatype size"))
        space = inner + pad(type_len)
        f += [(o, w, "attribute " + what) for o, w, what in _fields(data, 0x01, space, off + size - space)
              if o + w <= off + size]
    elif mtype == 0x08 and size >= 4:  # data layout
        version, cls = data[off], data[off + 1]
        if version == 3 and cls == 2:
            ndims = data[off + 2]
            f += [(off + 11 + 4 * k, 4, "chunk size") for k in range(ndims) if off + 15 + 4 * k <= off + size]
        elif version == 3 and cls == 1:
            f.append((off + 10, 8, "contiguous data size"))
        elif version == 4 and cls == 2:
            ndims, width = data[off + 3], data[off + 4]
            f += [(off + 5 + width * k, width, "chunk size") for k in range(ndims)]
    return [x for x in f if x[0] + x[1] <= len(data)]


def _bad_value(old, width, rng):
    top = (1 << (8 * width)) - 1
    choices = [0, 1, 2, old + 1, max(old - 1, 0), old * 2, old * 1000, top, top >> 1, 1 << (8 * width - 1),
               1000000, 1 << 31, 0xFFFFFFFF]
    return rng.choice(choices) & top


def mutate(data, rng):
    """A mutant of the netCDF-4 file `data`: (what was edited, bytes)."""
    b = bytearray(data)
    chunks = object_chunks(b)
    candidates = []
    for start, end, msgs in chunks:
        for mtype, off, size in msgs:
            for field in _fields(b, mtype, off, size):
                candidates.append((start, end) + field)
    if not candidates or rng.random() < 0.05:
        # The superblock's end-of-file address (version 2 and 3 superblocks).
        if b[:8] == SIGNATURE and b[8] in (2, 3):
            old = int.from_bytes(b[28:36], "little")
            b[28:36] = _bad_value(old, 8, rng).to_bytes(8, "little")
            b[44:48] = lookup3(bytes(b[:44])).to_bytes(4, "little")
            return "superblock end of file", bytes(b)
        return "unchanged", bytes(b)
    # Each kind of field as likely as any other: attributes outnumber the rest.
    kind = rng.choice(sorted({c[4] for c in candidates}))
    start, end, off, width, what = rng.choice([c for c in candidates if c[4] == kind])
    for _ in range(rng.choice([1, 1, 1, 2, 3])):
        old = int.from_bytes(b[off:off + width], "little")
        b[off:off + width] = _bad_value(old, width, rng).to_bytes(width, "little")
    b[end:end + 4] = lookup3(bytes(b[start:end])).to_bytes(4, "little")
    return what, bytes(b)


if __name__ == "__main__":
    if len(sys.argv) < 3:
        print(__doc__)
        sys.exit(2)
    source = open(sys.argv[1], "rb").read()
    what, mutant = mutate(source, random.Random(int(sys.argv[3]) if len(sys.argv) > 3 else 1))
    with open(sys.argv[2], "wb") as f:
        f.write(mutant)
    print(what, "(%d object header chunks)" % len(object_chunks(bytearray(source))))
