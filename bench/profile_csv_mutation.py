#!/usr/bin/env python3
"""Robustness run for the CSV export: writes mutated copies of the single-profile test
files with `brinewick --csv` (a fixed choice of Items and level columns) and reports any
crash (death by a signal), a run over 10 seconds, or an exit status other than 0, 1 or
2 (2: a mutated name no longer matches). Uses the mutations of mutation_run.py.
Usage: profile_csv_mutation.py BRINEWICK SOURCE_DIR [COUNT] [SEED]
Exit status 1 when any run crashed or hung."""
import os
import random
import signal
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from mutation_run import mutate  # noqa: E402

SOURCES = ["D5900446_001.nc", "R2901623_000.nc", "R2901746_001.nc"]
ITEMS = "PLATFORM_NUMBER,STATION_PARAMETERS,CYCLE_NUMBER,JULD,PRES,PSAL_QC,HISTORY_DATE"
COLUMNS = "PRES,PRES_QC,TEMP,PSAL_ADJUSTED,PSAL_QC"


def main():
    if len(sys.argv) < 3:
        print(__doc__)
        return 2
    exe, src = sys.argv[1], sys.argv[2]
    count = int(sys.argv[3]) if len(sys.argv) > 3 else 300
    seed = int(sys.argv[4]) if len(sys.argv) > 4 else 1
    rng = random.Random(seed)
    sources = [os.path.join(src, f) for f in SOURCES if os.path.exists(os.path.join(src, f))]
    if not sources:
        print("no test files in", src)
        return 2
    bad = []
    slowest = 0.0
    outcomes = {}
    with tempfile.TemporaryDirectory() as tmp:
        for n in range(count):
            srcfile = rng.choice(sources)
            kind, data = mutate(open(srcfile, "rb").read(), rng)
            path = os.path.join(tmp, "m%04d.nc" % n)
            out = os.path.join(tmp, "m%04d.csv" % n)
            with open(path, "wb") as f:
                f.write(data)
            start = time.monotonic()
            try:
                r = subprocess.run([exe, "--csv", path, "--items", ITEMS, "--columns", COLUMNS,
                                    "-o", out], stdout=subprocess.DEVNULL,
                                   stderr=subprocess.DEVNULL, timeout=10)
                code = r.returncode
            except subprocess.TimeoutExpired:
                code = "timeout"
            elapsed = time.monotonic() - start
            slowest = max(slowest, elapsed)
            outcomes[code] = outcomes.get(code, 0) + 1
            if code not in (0, 1, 2):
                keep = os.path.join(tempfile.gettempdir(), "brinewick-csv-mutant-%d-%04d.nc" % (seed, n))
                with open(keep, "wb") as f:
                    f.write(data)
                bad.append((kind, os.path.basename(srcfile), code, keep))
            for p in (path, out):
                if os.path.exists(p):
                    os.remove(p)
    print("mutants: %d from %d files; exit codes: %s; slowest run: %.2f s"
          % (count, len(sources), dict(sorted(outcomes.items(), key=str)), slowest))
    for kind, srcname, code, keep in bad:
        sig = (" (%s)" % signal.Signals(-code).name) if isinstance(code, int) and code < 0 else ""
        print("FAILED: %s of %s: %s%s, kept as %s" % (kind, srcname, code, sig, keep))
    return 1 if bad else 0


if __name__ == "__main__":
    sys.exit(main())
