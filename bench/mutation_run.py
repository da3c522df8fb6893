#!/usr/bin/env python3
"""Robustness run: renders a few hundred mutated copies of real netCDF files with
`brinewick --dump` and reports any crash (death by a signal) or run over 10 seconds.

Mutations: cuts at random offsets (inside the header and inside the data), flipped
bytes in the header, and header counts and sizes replaced by huge values.
Usage: mutation_run.py BRINEWICK SOURCE_DIR [COUNT] [SEED]
Exit status 1 when any run crashed or hung."""
import os
import random
import signal
import struct
import subprocess
import sys
import tempfile
import time


def header_end(data):
    """A rough end of the header: the smallest variable data offset, else 4 KiB."""
    return min(len(data), 4096) if len(data) < 4096 else 4096


def mutate(data, rng):
    kind = rng.choice(["cut", "cut_header", "flip", "flip_many", "huge", "huge"])
    b = bytearray(data)
    hend = max(8, header_end(data))
    if kind == "cut":
        return kind, bytes(b[: rng.randrange(4, len(b))])
    if kind == "cut_header":
        return kind, bytes(b[: rng.randrange(4, min(hend, len(b)))])
    if kind == "flip":
        i = rng.randrange(4, min(hend, len(b)))
        b[i] ^= 1 << rng.randrange(8)
        return kind, bytes(b)
    if kind == "flip_many":
        for _ in range(rng.randrange(2, 20)):
            i = rng.randrange(4, min(hend, len(b)))
            b[i] = rng.randrange(256)
        return kind, bytes(b)
    # A 32-bit big-endian word in the header becomes a huge or negative number.
    i = rng.randrange(4, min(hend, len(b)) - 4) & ~3
    b[i:i + 4] = struct.pack(">I", rng.choice([0x7FFFFFFF, 0xFFFFFFFF, 0x10000000, 0x40000000, 0x80000001]))
    return kind, bytes(b)


def run_mutants(command, sources, count, seed, allowed=(0, 1), label="mutant"):
    """Runs command(path, tmpdir) on `count` mutants of `sources` and prints a summary.
    A run that dies by a signal, takes over 10 s or exits outside `allowed` fails; its
    mutant is kept in the temporary folder. Returns the exit status for the script."""
    rng = random.Random(seed)
    bad = []
    slowest = 0.0
    outcomes = {}
    with tempfile.TemporaryDirectory() as tmp:
        for n in range(count):
            srcfile = rng.choice(sources)
            kind, data = mutate(open(srcfile, "rb").read(), rng)
            path = os.path.join(tmp, "m%04d.nc" % n)
            with open(path, "wb") as f:
                f.write(data)
            start = time.monotonic()
            try:
                r = subprocess.run(command(path, tmp), stdout=subprocess.DEVNULL,
                                   stderr=subprocess.DEVNULL, timeout=10)
                code = r.returncode
            except subprocess.TimeoutExpired:
                code = "timeout"
            slowest = max(slowest, time.monotonic() - start)
            outcomes[code] = outcomes.get(code, 0) + 1
            if code not in allowed:
                keep = os.path.join(tempfile.gettempdir(), "brinewick-%s-%d-%04d.nc" % (label, seed, n))
                with open(keep, "wb") as f:
                    f.write(data)
                bad.append((kind, os.path.basename(srcfile), code, keep))
            for name in os.listdir(tmp):
                os.remove(os.path.join(tmp, name))
    print("mutants: %d from %d files; exit codes: %s; slowest run: %.2f s"
          % (count, len(sources), dict(sorted(outcomes.items(), key=str)), slowest))
    for kind, srcname, code, keep in bad:
        sig = (" (%s)" % signal.Signals(-code).name) if isinstance(code, int) and code < 0 else ""
        print("FAILED: %s of %s: %s%s, kept as %s" % (kind, srcname, code, sig, keep))
    return 1 if bad else 0


def run_cli(doc, names, make_commands, label):
    """The shared command line of the robustness scripts: BRINEWICK SOURCE_DIR [COUNT]
    [SEED]; runs every command make_commands(exe) gives over mutants of the named files
    found in SOURCE_DIR (exit statuses 0, 1 and 2 allowed), each with its own seed."""
    if len(sys.argv) < 3:
        print(doc)
        return 2
    exe, src = sys.argv[1], sys.argv[2]
    count = int(sys.argv[3]) if len(sys.argv) > 3 else 300
    seed = int(sys.argv[4]) if len(sys.argv) > 4 else 1
    sources = [os.path.join(src, f) for f in names if os.path.exists(os.path.join(src, f))]
    if not sources:
        print("none of", ", ".join(names), "in", src)
        return 2
    status = 0
    for n, command in enumerate(make_commands(exe)):
        status |= run_mutants(command, sources, count, seed + n, allowed=(0, 1, 2), label=label)
    return status


def main():
    if len(sys.argv) < 3:
        print(__doc__)
        return 2
    exe, src = sys.argv[1], sys.argv[2]
    count = int(sys.argv[3]) if len(sys.argv) > 3 else 300
    seed = int(sys.argv[4]) if len(sys.argv) > 4 else 1
    sources = [os.path.join(src, f) for f in sorted(os.listdir(src)) if f.endswith(".nc")]
    sources = [s for s in sources if open(s, "rb").read(4)[:3] == b"CDF"]
    if not sources:
        print("no classic netCDF files in", src)
        return 2
    return run_mutants(lambda path, tmp: [exe, "--dump", path], sources, count, seed)


if __name__ == "__main__":
    sys.exit(main())
