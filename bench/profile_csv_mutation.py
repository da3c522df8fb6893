#!/usr/bin/env python3
"""Robustness run for the CSV export: writes mutated copies of the single-profile test
files with `brinewick --csv` (a fixed choice of Items and level columns) and reports any
crash (death by a signal), a run over 10 seconds, or an exit status other than 0, 1 or
2 (2: a mutated name no longer matches). Uses the mutations of mutation_run.py.
Usage: profile_csv_mutation.py BRINEWICK SOURCE_DIR [COUNT] [SEED]
Exit status 1 when any run crashed or hung."""
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from mutation_run import run_mutants  # noqa: E402

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
    sources = [os.path.join(src, f) for f in SOURCES if os.path.exists(os.path.join(src, f))]
    if not sources:
        print("no test files in", src)
        return 2

    def command(path, tmp):
        return [exe, "--csv", path, "--items", ITEMS, "--columns", COLUMNS,
                "-o", os.path.join(tmp, "out.csv")]

    return run_mutants(command, sources, count, seed, allowed=(0, 1, 2), label="csv-mutant")


if __name__ == "__main__":
    sys.exit(main())
