#!/usr/bin/env python3
"""Robustness table: mutants of the netCDF files in SOURCE_DIR (classic files cut,
flipped and given huge counts by mutation_run.py; netCDF-4 files with their HDF5
metadata edited and re-checksummed by hdf5_mutation.py) through every reading mode
of a sanitizer build of Brinewick, with a table of what went wrong. Not part of the
test run.

How to run it (from the source folder):
    cmake --preset asan && cmake --build --preset asan --target brinewick
    bench/robustness_table.py build-asan/brinewick tests/data [--count N] [--seed S]
        [--modes dump,levels,csv,plot,section] [--cpu SECONDS] [--memory MB]

For each mutant, each mode runs once to its end. Counted:
  reports from our code   ASan/UBSan reports with a frame in Brinewick's sources;
  over limits             runs over --cpu seconds of processor time (helper included)
                          or --memory MB, or still going after 4x that time, on
                          mutants that ncdump reads within the same limits;
  left after a kill       one writing mode per mutant is killed (SIGKILL, SIGTERM or
                          SIGINT) after a random delay: a killed run must leave in its
                          output folder no temporary file and no output other than the
                          whole one (a kill after the commit, while the program ends),
                          and no helper running;
  truncated as success    one mode per mutant runs again under a file-size limit
                          below its output's size: exit status 0 with other output
                          than the run without the limit.
Exit status 1 when any count but the first column is not 0."""
import argparse
import os
import random
import resource
import signal
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import hdf5_mutation  # noqa: E402
import mutation_run  # noqa: E402
from sanitizer_run import from_own_code  # noqa: E402

# Each mode: arguments (IN: the mutant; OUT: the output file, None for standard output).
MODES = {
    "dump": (["--dump", "IN"], None),
    "levels": (["--levels", "IN"], None),
    "csv": (["--csv", "IN", "--columns", "PRES,TEMP,PSAL", "-o", "OUT"], "out.csv"),
    "plot": (["--plot", "IN", "-o", "OUT"], "out.png"),
    "section": (["--section", "IN", "--var", "TEMP", "-o", "OUT"], "out.svg"),
}


def limits(cpu, memory_mb, fsize=None):
    def apply():
        if fsize is not None:
            resource.setrlimit(resource.RLIMIT_FSIZE, (fsize, fsize))
        signal.signal(signal.SIGXFSZ, signal.SIG_DFL)
    return apply


def run(command, stdout_path, env, wall, fsize=None, kill_after=None, kill_signal=None):
    """Runs `command`; returns (exit code or -signal or "timeout", cpu seconds, max RSS KB,
    stderr text, whether it was still running when killed)."""
    err_path = stdout_path + ".err"
    with open(stdout_path, "wb") as out, open(err_path, "wb") as err:
        proc = subprocess.Popen(command, stdout=out, stderr=err, env=env, preexec_fn=limits(0, 0, fsize))
    start = time.monotonic()
    killed = False
    while True:
        pid, status, usage = os.wait4(proc.pid, os.WNOHANG)
        if pid:
            code = os.waitstatus_to_exitcode(status)
            break
        elapsed = time.monotonic() - start
        if kill_after is not None and elapsed > kill_after and not killed:
            proc.send_signal(kill_signal)
            killed = True
        if elapsed > wall:
            proc.kill()
            _, status, usage = os.wait4(proc.pid, 0)
            code = "timeout"
            break
        time.sleep(0.005)
    text = open(err_path, errors="replace").read()
    os.remove(err_path)
    return code, usage.ru_utime + usage.ru_stime, usage.ru_maxrss, text, killed


def ncdump_within(path, cpu, memory_mb, wall):
    """Whether ncdump reads the file to its end (or its error) within the limits."""
    def apply():
        resource.setrlimit(resource.RLIMIT_CPU, (int(cpu), int(cpu) + 1))
        resource.setrlimit(resource.RLIMIT_AS, (memory_mb << 20, memory_mb << 20))
    try:
        r = subprocess.run(["ncdump", path], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                           preexec_fn=apply, timeout=wall)
    except subprocess.TimeoutExpired:
        return False
    return r.returncode in (0, 1)


def helpers_of(exe):
    """Process ids of helpers of `exe` still running (its --reader mode)."""
    pids = []
    for name in os.listdir("/proc"):
        if not name.isdigit():
            continue
        try:
            words = open("/proc/%s/cmdline" % name, "rb").read().split(b"\0")
        except OSError:
            continue
        if len(words) > 1 and words[1] == b"--reader" and os.path.realpath(words[0]) == os.path.realpath(exe):
            pids.append(int(name))
    return pids


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("brinewick")
    parser.add_argument("source_dir")
    parser.add_argument("--count", type=int, default=40)
    parser.add_argument("--seed", type=int, default=1)
    parser.add_argument("--modes", default=",".join(MODES))
    parser.add_argument("--cpu", type=float, default=10.0)
    parser.add_argument("--memory", type=int, default=500)
    a = parser.parse_args()
    modes = [m for m in a.modes.split(",") if m in MODES]
    files = [os.path.join(a.source_dir, f) for f in sorted(os.listdir(a.source_dir)) if f.endswith(".nc")]
    classic = [f for f in files if open(f, "rb").read(3) == b"CDF"]
    hdf5 = [f for f in files if open(f, "rb").read(8) == hdf5_mutation.SIGNATURE]
    rng = random.Random(a.seed)
    wall = 4 * a.cpu
    rows = {m: {"runs": 0, "own": 0, "over": 0, "left": 0, "kills": 0, "truncated": 0, "fsize": 0} for m in modes}
    details = []
    helpers_before = set(helpers_of(a.brinewick))
    started = time.monotonic()
    with tempfile.TemporaryDirectory() as tmp:
        logdir = os.path.join(tmp, "logs")
        os.mkdir(logdir)
        env = dict(os.environ)
        env["ASAN_OPTIONS"] = "log_path=%s/asan:detect_leaks=1:abort_on_error=0" % logdir
        env["UBSAN_OPTIONS"] = "log_path=%s/ubsan:print_stacktrace=1" % logdir
        env["QT_QPA_PLATFORM"] = "offscreen"
        for n in range(a.count):
            use_hdf5 = hdf5 and (not classic or n % 2 == 1)
            source = rng.choice(hdf5 if use_hdf5 else classic)
            mutator = hdf5_mutation.mutate if use_hdf5 else mutation_run.mutate
            kind, data = mutator(open(source, "rb").read(), rng)
            mutant = os.path.join(tmp, "m%04d.nc" % n)
            with open(mutant, "wb") as f:
                f.write(data)
            label = "%s of %s (mutant %d)" % (kind, os.path.basename(source), n)
            ncdump_ok = None
            outputs = {}
            for mode in modes:
                args, out_name = MODES[mode]
                outdir = os.path.join(tmp, "out-" + mode)
                os.makedirs(outdir, exist_ok=True)
                target = os.path.join(outdir, out_name) if out_name else None
                command = [a.brinewick] + [mutant if x == "IN" else target if x == "OUT" else x for x in args]
                stdout_path = os.path.join(tmp, "stdout")
                code, cpu, rss, err, _ = run(command, stdout_path, env, wall)
                row = rows[mode]
                row["runs"] += 1
                for name in os.listdir(logdir):
                    text = open(os.path.join(logdir, name), errors="replace").read()
                    os.remove(os.path.join(logdir, name))
                    if from_own_code(text):
                        row["own"] += 1
                        details.append("REPORT %s, %s:\n    %s" % (mode, label, "\n    ".join(text.splitlines()[:14])))
                over = code == "timeout" or cpu > a.cpu or rss > a.memory * 1024 or \
                    "the time limit" in err or "the memory limit" in err
                if over:
                    if ncdump_ok is None:
                        ncdump_ok = ncdump_within(mutant, a.cpu, a.memory, wall)
                    if ncdump_ok:
                        row["over"] += 1
                        keep = os.path.join(tempfile.gettempdir(), "brinewick-table-%d-%04d.nc" % (a.seed, n))
                        with open(keep, "wb") as f:
                            f.write(data)
                        details.append("OVER %s, %s: %s, %.1f s, %d MB, kept as %s"
                                       % (mode, label, code, cpu, rss // 1024, keep))
                produced = target if target else stdout_path
                if code == 0 and os.path.exists(produced):
                    outputs[mode] = open(produced, "rb").read()
                for name in os.listdir(outdir):
                    os.remove(os.path.join(outdir, name))
            # A file-size limit below the output's size: never exit status 0 with less.
            done = [m for m in modes if m in outputs and len(outputs[m]) > 1]
            if done:
                mode = rng.choice(done)
                args, out_name = MODES[mode]
                outdir = os.path.join(tmp, "out-" + mode)
                target = os.path.join(outdir, out_name) if out_name else None
                command = [a.brinewick] + [mutant if x == "IN" else target if x == "OUT" else x for x in args]
                stdout_path = os.path.join(tmp, "stdout")
                fsize = rng.randrange(1, len(outputs[mode]))
                code, _, _, _, _ = run(command, stdout_path, env, wall, fsize=fsize)
                produced = target if target else stdout_path
                rows[mode]["fsize"] += 1
                got = open(produced, "rb").read() if os.path.exists(produced) else None
                if code == 0 and got != outputs[mode]:
                    rows[mode]["truncated"] += 1
                    details.append("TRUNCATED %s, %s: exit 0 with %s of %d bytes"
                                   % (mode, label, "no file" if got is None else "%d" % len(got), len(outputs[mode])))
                for name in os.listdir(outdir):
                    os.remove(os.path.join(outdir, name))
                for name in os.listdir(logdir):
                    os.remove(os.path.join(logdir, name))
            # A kill while writing leaves nothing.
            writing = [m for m in modes if MODES[m][1]]
            if writing:
                mode = rng.choice(writing)
                args, out_name = MODES[mode]
                outdir = os.path.join(tmp, "out-" + mode)
                target = os.path.join(outdir, out_name)
                command = [a.brinewick] + [mutant if x == "IN" else target if x == "OUT" else x for x in args]
                sig = rng.choice([signal.SIGKILL, signal.SIGTERM, signal.SIGINT])
                code, _, _, _, killed = run(command, os.path.join(tmp, "stdout"), env, wall,
                                            kill_after=rng.uniform(0.0, 1.5), kill_signal=sig)
                if killed and isinstance(code, int) and code < 0:
                    rows[mode]["kills"] += 1
                    time.sleep(0.2)  # the helper's parent-death signal
                    # The whole output may be there when the kill came after its commit
                    # (the program was ending); anything else is left over.
                    left = [name for name in os.listdir(outdir)
                            if name != out_name or open(os.path.join(outdir, name), "rb").read() != outputs.get(mode)]
                    helpers = set(helpers_of(a.brinewick)) - helpers_before
                    if left or helpers:
                        rows[mode]["left"] += 1
                        details.append("LEFT %s after %s, %s: files %s, helpers %s"
                                       % (mode, signal.Signals(sig).name, label, left, sorted(helpers)))
                        for pid in helpers:
                            os.kill(pid, signal.SIGKILL)
                for name in os.listdir(outdir):
                    os.remove(os.path.join(outdir, name))
                for name in os.listdir(logdir):
                    os.remove(os.path.join(logdir, name))
            os.remove(mutant)
    print("%d mutants (%s) of %d files, seed %d, limits %.0f s and %d MB, %.0f s in all"
          % (a.count, "classic and netCDF-4" if classic and hdf5 else "classic" if classic else "netCDF-4",
             len(classic) + len(hdf5), a.seed, a.cpu, a.memory, time.monotonic() - started))
    header = ("mode", "runs", "reports from our code", "over limits (ncdump within)", "killed", "left after a kill",
              "size-limited", "truncated as success")
    print("| " + " | ".join(header) + " |")
    print("|" + "|".join("---" for _ in header) + "|")
    total = [0] * 7
    for mode in modes:
        r = rows[mode]
        cells = [r["runs"], r["own"], r["over"], r["kills"], r["left"], r["fsize"], r["truncated"]]
        total = [x + y for x, y in zip(total, cells)]
        print("| " + " | ".join([mode] + [str(c) for c in cells]) + " |")
    print("| " + " | ".join(["all"] + [str(c) for c in total]) + " |")
    for line in details:
        print(line)
    return 1 if total[1] or total[2] or total[4] or total[6] else 0


if __name__ == "__main__":
    sys.exit(main())
