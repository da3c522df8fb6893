#!/usr/bin/env python3
"""Robustness run for the tools on files of several profiles: mutated copies of
multi-profile files through `brinewick --csv --profile all`, `--csv --profile 1` with
Items and columns, and `--plot --profile all`, reporting any crash, a run over 10 s or
an exit status other than 0, 1 or 2. Uses the mutations of mutation_run.py.
Usage: profile_choice_mutation.py BRINEWICK SOURCE_DIR [COUNT] [SEED]
Exit status 1 when any run crashed or hung."""
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from mutation_run import run_cli  # noqa: E402

SOURCES = ["D1900857_001.nc", "R6903247_072.nc", "2902696_prof.nc"]
COLUMNS = "PRES,PRES_QC,TEMP,PSAL_ADJUSTED,PSAL_QC"
ITEMS = "PLATFORM_NUMBER,CYCLE_NUMBER,DIRECTION,JULD,VERTICAL_SAMPLING_SCHEME,PRES"


def commands(exe):
    return [
        lambda path, tmp: [exe, "--csv", path, "--columns", COLUMNS, "--profile", "all", "-o",
                           os.path.join(tmp, "all.csv")],
        lambda path, tmp: [exe, "--csv", path, "--items", ITEMS, "--columns", COLUMNS, "--profile", "1",
                           "-o", os.path.join(tmp, "one.csv")],
        lambda path, tmp: [exe, "--plot", path, "--profile", "all", "-o", os.path.join(tmp, "all.png")],
    ]


if __name__ == "__main__":
    sys.exit(run_cli(__doc__, SOURCES, commands, "choice-mutant"))
