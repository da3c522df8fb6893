#!/usr/bin/env python3
"""Robustness run under AddressSanitizer and UndefinedBehaviorSanitizer: `--dump` of a
sanitizer build over mutants of classic and netCDF-4 files, with the figures the
robustness check asks for. Not part of the test run.

How to run it (from the source folder):
    cmake --preset asan && cmake --build --preset asan --target brinewick bench_window_reads
    bench/sanitizer_run.py build-asan/brinewick tests/data [COUNT] [SEED]
    bench/sanitizer_run.py --window build-asan/bench/bench_window_reads \
        build-asan/brinewick tests/data [COUNT] [SEED]

With --window, each mutant goes through everything the window reads (the text, the
profile tools' readers, the CSV export, the float overview; bench/window_reads_main.cpp)
through the helper processes the window starts. The limits of 10 s and 500 MB then
apply to each reading (one helper: what one action in the window waits for); the
whole run's time, driver and helpers together, is printed beside them. The endings of
the helpers the library stopped are counted by what they say, and a driver that does
not finish (a dead window) fails the run.

Each mutant (see mutation_run.py for the mutations) is rendered once. Printed: the
exit codes, the slowest run, the largest resident memory of one run, the runs over
10 s of processor time (a shared machine's load stretches wall-clock time, so the
limit is on what the run itself used; a run still going after 60 s is killed) or
500 MB, and the sanitizer reports split into those with a frame in
Brinewick's own sources and those wholly inside the libraries (netCDF, HDF5: they
are not instrumented, so these are leaks on failed opens and similar). --dump reads
through a helper process, so a run killed by a signal outside a sanitizer report is
Brinewick itself dying; it is listed as such.
Exit status 1 when a report comes from Brinewick's code, or a run is over a limit."""
import os
import random
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from mutation_run import mutate  # noqa: E402

SOURCE_ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
OWN_FOLDERS = ("app", "cdl", "chooser", "core", "display", "ftp", "gdac", "overview", "profile", "reader", "text",
               "uikit")
TIME_LIMIT = 10.0   # seconds of processor time (user and system) for one run
WALL_LIMIT = 60.0   # a run still going after this is killed and counted as over
MEMORY_LIMIT_KB = 500 * 1024


def own_frame(line):
    """Whether a report line names a file of Brinewick's sources."""
    return any(os.path.join(SOURCE_ROOT, folder) + "/" in line for folder in OWN_FOLDERS)


def from_own_code(report):
    """Whether a sanitizer report is about Brinewick's code: a UBSan runtime error in
    one of its files, or an ASan stack whose first frame outside the sanitizer's own
    interceptors is one of its files. A leak allocated inside the netCDF or HDF5
    library counts as the library's even when Brinewick called it."""
    lines = report.splitlines()
    if any("runtime error" in line and own_frame(line) for line in lines):
        return True
    first_of_stack = True
    for line in lines:
        frame = line.strip()
        if not frame.startswith("#"):
            first_of_stack = True
            continue
        if not first_of_stack or "libsanitizer" in frame or "asan_" in frame:
            continue
        first_of_stack = False
        if own_frame(frame):
            return True
    return False


def run_one(exe, path, logdir, window=None):
    env = dict(os.environ)
    # Fast unwinding: the first frame past the interceptor, which decides whose a report
    # is, is exact; full unwinding on every allocation doubles the time of a large file.
    env["ASAN_OPTIONS"] = "log_path=%s/asan:detect_leaks=1:abort_on_error=0" % logdir
    env["UBSAN_OPTIONS"] = "log_path=%s/ubsan:print_stacktrace=1" % logdir
    start = time.monotonic()
    report = path + ".out"
    command = [window, exe, path, os.path.dirname(path)] if window else [exe, "--dump", path]
    with open(report if window else os.devnull, "wb") as out:
        proc = subprocess.Popen(command, stdout=out, stderr=subprocess.DEVNULL, env=env)
    while True:
        pid, status, usage = os.wait4(proc.pid, os.WNOHANG)
        if pid:
            code = os.waitstatus_to_exitcode(status)
            break
        if time.monotonic() - start > WALL_LIMIT:
            proc.kill()
            _, status, usage = os.wait4(proc.pid, 0)
            code = "timeout"
            break
        time.sleep(0.01)
    cpu = usage.ru_utime + usage.ru_stime
    readings = {}
    stopped = []
    if window:
        # The driver prints each reading's processor time, and a line for each helper
        # that the library stopped.
        with open(report, errors="replace") as f:
            for line in f:
                if line.startswith("stopped: "):
                    stopped.append(line.rsplit(": ", 1)[-1].strip())
                elif line.startswith("reading "):
                    _, name, seconds = line.split()
                    readings[name] = float(seconds)
        os.remove(report)
    limited = max(readings.values(), default=0.0) if window else cpu
    if limited > TIME_LIMIT and code != "timeout":
        code = "timeout"
    return code, time.monotonic() - start, cpu, usage.ru_maxrss, stopped, readings


def main():
    args = sys.argv[1:]
    window = None
    if args[:1] == ["--window"] and len(args) > 1:
        window, args = args[1], args[2:]
    if len(args) < 2:
        print(__doc__)
        return 2
    exe, src = args[0], args[1]
    count = int(args[2]) if len(args) > 2 else 1000
    seed = int(args[3]) if len(args) > 3 else 1
    sources = [os.path.join(src, f) for f in sorted(os.listdir(src)) if f.endswith(".nc")]
    if not sources:
        print("no netCDF files in", src)
        return 2
    rng = random.Random(seed)
    outcomes, over, own, library, crashes = {}, [], [], 0, []
    slowest, slowest_cpu, largest, stopped_files = 0.0, 0.0, 0, 0
    endings, slowest_reading = {}, (0.0, "")
    kinds = {"classic": 0, "netCDF-4": 0}
    with tempfile.TemporaryDirectory() as tmp:
        logdir = os.path.join(tmp, "logs")
        os.mkdir(logdir)
        for n in range(count):
            srcfile = rng.choice(sources)
            data = open(srcfile, "rb").read()
            kinds["classic" if data[:3] == b"CDF" else "netCDF-4"] += 1
            kind, mutant = mutate(data, rng)
            path = os.path.join(tmp, "m%05d.nc" % n)
            with open(path, "wb") as f:
                f.write(mutant)
            code, seconds, cpu, rss, stopped, readings = run_one(exe, path, logdir, window)
            for what in stopped:
                endings[what] = endings.get(what, 0) + 1
            stopped_files += 1 if stopped else 0
            for name, reading in readings.items():
                slowest_reading = max(slowest_reading, (reading, name))
            slowest, slowest_cpu, largest = max(slowest, seconds), max(slowest_cpu, cpu), max(largest, rss)
            outcomes[code] = outcomes.get(code, 0) + 1
            keep = None
            reports = os.listdir(logdir)
            mine = False
            for name in reports:
                text = open(os.path.join(logdir, name), errors="replace").read()
                if from_own_code(text):
                    mine = True
                    own.append((os.path.basename(srcfile), kind, text.splitlines()[:12]))
                else:
                    library += 1
                os.remove(os.path.join(logdir, name))
            if mine or code == "timeout" or rss > MEMORY_LIMIT_KB:
                keep = os.path.join(tempfile.gettempdir(), "brinewick-sanitizer-%d-%05d.nc" % (seed, n))
                with open(keep, "wb") as f:
                    f.write(mutant)
            if code == "timeout" or rss > MEMORY_LIMIT_KB:
                over.append((os.path.basename(srcfile), kind, code, rss // 1024, keep))
            if window and code != 0 and code != "timeout":
                crashes.append((os.path.basename(srcfile), kind, code))  # the driver did not finish
            elif not window and isinstance(code, int) and code < 0 and not reports:
                crashes.append((os.path.basename(srcfile), kind, code))
            os.remove(path)
    print("mutants: %d (%d of classic files, %d of netCDF-4 files) from %d files, seed %d"
          % (count, kinds["classic"], kinds["netCDF-4"], len(sources), seed))
    print("exit codes: %s" % dict(sorted(outcomes.items(), key=str)))
    print("slowest run: %.2f s of processor time (%.2f s wall-clock); largest run: %d MB"
          % (slowest_cpu, slowest, largest // 1024))
    if window:
        print("slowest single reading: %.2f s of processor time (%s)" % slowest_reading)
    print("sanitizer reports from Brinewick's code: %d; wholly inside the libraries: %d" % (len(own), library))
    print("runs over %d s or %d MB: %d" % (TIME_LIMIT, MEMORY_LIMIT_KB // 1024, len(over)))
    if window:
        print("helpers the library stopped, each reported as a reading error: %d (on %d mutants): %s"
              % (sum(endings.values()), stopped_files, dict(sorted(endings.items()))))
        print("dead windows (the driver did not finish): %d" % len(crashes))
    else:
        print("runs killed by a signal outside a sanitizer report: %d" % len(crashes))
    for srcname, kind, lines in own:
        print("REPORT: %s of %s:\n    %s" % (kind, srcname, "\n    ".join(lines)))
    for srcname, kind, code, mb, keep in over:
        print("OVER: %s of %s: %s, %d MB, kept as %s" % (kind, srcname, code, mb, keep))
    return 1 if own or over or (window and crashes) else 0


if __name__ == "__main__":
    sys.exit(main())
