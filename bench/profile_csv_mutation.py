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
from mutation_run import run_cli  # noqa: E402

SOURCES = ["D5900446_001.nc", "R2901623_000.nc", "R2901746_001.nc"]
ITEMS = "PLATFORM_NUMBER,STATION_PARAMETERS,CYCLE_NUMBER,JULD,PRES,PSAL_QC,HISTORY_DATE"
COLUMNS = "PRES,PRES_QC,TEMP,PSAL_ADJUSTED,PSAL_QC"


def commands(exe):
    return [lambda path, tmp: [exe, "--csv", path, "--items", ITEMS, "--columns", COLUMNS,
                               "-o", os.path.join(tmp, "out.csv")]]


if __name__ == "__main__":
    sys.exit(run_cli(__doc__, SOURCES, commands, "csv-mutant"))
