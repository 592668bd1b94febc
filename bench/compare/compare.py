#!/usr/bin/env python3
"""Times calvorn against other pi programs: MPFR, CLN's pi and Arb.

Installs what is missing, builds mpfr_pi, arb_pi and calvorn, then runs every
program at every size N times, alternating between the programs, each pinned
to the same CPU and single-threaded, in a scratch directory. Prints per size
the median wall time, the ratio calvorn / each program, the peak memory, and
whether each program's digits agree with the others'. See README.md.
"""

import argparse
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import threading
import time
from dataclasses import dataclass, field
from pathlib import Path

HERE = Path(__file__).resolve().parent
REPO = HERE.parent.parent
PROGRAMS = ("calvorn", "mpfr", "cln", "arb")
SIZE_LABELS = ("16K", "32K", "64K", "128K", "256K", "512K", "1M", "2M", "4M", "8M", "16M", "32M")
# The first fifty decimal places of pi, to catch a reference that is wrong itself.
KNOWN_PLACES = "14159265358979323846264338327950288419716939937510"
# CLN's pi is asked for this many digits beyond the places, then cut, so the
# last place compared is a truncated digit like every other program's.
CLN_GUARD_DIGITS = 20
# Debian packages each program needs, besides cmake, g++ and make for building.
PACKAGES = {"mpfr": ["libmpfr-dev"], "cln": ["pi"], "arb": ["libflint-arb-dev"], "calvorn": []}
SINGLE_THREAD_ENV = {"OMP_NUM_THREADS": "1", "FLINT_NUM_THREADS": "1", "OPENBLAS_NUM_THREADS": "1",
                     "MKL_NUM_THREADS": "1", "GOTO_NUM_THREADS": "1"}


def places_of(label):
    """Decimal places for a size label: 16K is 2^14 places, 32M is 2^25."""
    if label not in SIZE_LABELS:
        raise ValueError(f"unknown size {label!r}; sizes are {' '.join(SIZE_LABELS)}")
    return int(label[:-1]) * (1024 if label.endswith("K") else 1024 * 1024)


def calvorn_places(text):
    """The decimal places of a pi_data.txt: after the header "PI=3.", lines of
    fifty digits in groups of ten, whitespace between them."""
    if not text.startswith("PI=3."):
        raise ValueError("pi_data.txt does not start with \"PI=3.\"")
    return "".join(text[5:].split())


def plain_places(text):
    """The decimal places of "3.14159...", as mpfr_pi, arb_pi and CLN's pi write them."""
    text = text.strip()
    if not text.startswith("3."):
        raise ValueError("output does not start with \"3.\"")
    return "".join(text[2:].split())


def common_prefix_length(a, b):
    """How many leading characters two (long) strings share."""
    limit = min(len(a), len(b))
    chunk = 1 << 16
    start = 0
    while start + chunk <= limit and a[start:start + chunk] == b[start:start + chunk]:
        start += chunk
    end = min(limit, start + chunk)
    while start < end and a[start] == b[start]:
        start += 1
    return start


@dataclass
class Run:
    wall: float  # seconds
    cpu: float  # user + system seconds
    peak_kib: int
    threads: int  # most threads seen at once
    ok: bool  # exit code 0 and output readable
    note: str = ""


@dataclass
class Cell:
    runs: list = field(default_factory=list)
    places: str = None  # digits of the first good run, until checked
    agree: int = None  # leading places that agree with the reference
    problem: str = ""


def run_measured(command, cwd, stdout_path, env, poll_seconds=0.05):
    """Runs one command under GNU time. Returns (exit code, wall seconds,
    cpu seconds, peak resident KiB, most threads seen at once).

    The peak comes from GNU time and not from this script's own wait4: a child
    keeps the largest resident size of every image it has been, and a child
    forked from Python starts out as large as Python is."""
    usage_path = Path(cwd) / "usage.txt"
    timed = ["/usr/bin/time", "-f", "%x %U %S %M", "-o", str(usage_path)] + command
    with open(stdout_path, "wb") as out:
        start = time.perf_counter()
        process = subprocess.Popen(timed, cwd=cwd, stdout=out, stderr=subprocess.STDOUT, env=env)
        most_threads = [1]
        done = threading.Event()

        def count_threads():
            # GNU time's one child is the program (taskset replaces itself with it).
            children = f"/proc/{process.pid}/task/{process.pid}/children"
            while not done.wait(poll_seconds):
                try:
                    for pid in Path(children).read_text().split():
                        most_threads[0] = max(most_threads[0], len(os.listdir(f"/proc/{pid}/task")))
                except OSError:
                    pass

        watcher = threading.Thread(target=count_threads, daemon=True)
        watcher.start()
        process.wait()
        wall = time.perf_counter() - start
        done.set()
        watcher.join()
    fields = usage_path.read_text().split()
    usage_path.unlink()
    # With a non-zero exit GNU time writes "Command exited with non-zero status N" first.
    code, user, system, peak = fields[-4:]
    return int(code), wall, float(user) + float(system), int(peak), most_threads[0]


def sh(command, log=None, **kwargs):
    """Runs a setup command; its output goes to `log` (or is shown on failure)."""
    result = subprocess.run(command, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True, **kwargs)
    if log is not None:
        Path(log).write_text(result.stdout)
    return result


def ensure_packages(programs):
    wanted = ["cmake", "g++", "make", "time", "util-linux"]
    for program in programs:
        wanted += PACKAGES[program]
    missing = [p for p in wanted
               if "install ok installed" not in sh(["dpkg-query", "-W", "-f=${Status}", p]).stdout]
    if not missing:
        return
    print(f"Installing: {' '.join(missing)}", flush=True)
    sudo = [] if os.geteuid() == 0 else ["sudo"]
    env = dict(os.environ, DEBIAN_FRONTEND="noninteractive")
    # Another apt may hold the lock (other builds on the same machine): wait for it.
    lock = ["-o", "DPkg::Lock::Timeout=600"]
    sh(sudo + ["apt-get", "update", "-qq"] + lock, env=env)
    result = sh(sudo + ["apt-get", "install", "-y", "-qq", "--no-install-recommends"] + lock + missing, env=env)
    if result.returncode != 0:
        sys.exit(f"apt-get install failed:\n{result.stdout[-3000:]}")


def build_reference_programs(build_dir):
    out = build_dir / "compare-programs"
    for command in (["cmake", "-S", str(HERE), "-B", str(out), "-DCMAKE_BUILD_TYPE=Release"],
                    ["cmake", "--build", str(out), "-j2"]):
        result = sh(command, log=build_dir / "compare-programs.log")
        if result.returncode != 0:
            sys.exit(f"building mpfr_pi and arb_pi failed:\n{result.stdout[-3000:]}")
    return out


def build_calvorn(build_dir):
    """Builds the console program from this repository; None when it cannot be built."""
    build_dir.mkdir(parents=True, exist_ok=True)
    log = build_dir / "calvorn-build.log"
    configure = sh(["cmake", "-S", str(REPO), "-B", str(build_dir), "-DCMAKE_BUILD_TYPE=Release",
                    "-DCALVORN_TESTS=OFF", "-DCALVORN_BENCH=OFF"], log=log)
    if configure.returncode != 0:
        print(f"calvorn: configuring failed (see {log}); it is left out", flush=True)
        return None
    build = sh(["cmake", "--build", str(build_dir), "-j2", "--target", "calvorn"], log=log)
    binary = build_dir / "src" / "cli" / "calvorn"
    if build.returncode != 0 or not binary.exists():
        print(f"calvorn: building failed or there is no target yet (see {log}); it is left out", flush=True)
        return None
    return binary


class Program:
    """How to run one program at a number of places and where its digits end up."""

    def __init__(self, name, binary, kind=None):
        self.name = name
        self.kind = kind or name  # "calvorn" for the baseline build too
        self.binary = str(binary)

    def command(self, label, places):
        if self.kind == "calvorn":
            return [self.binary, label]
        if self.kind == "cln":
            return [self.binary, str(places + 1 + CLN_GUARD_DIGITS)]
        return [self.binary, str(places), "pi.txt"]

    def stdout_name(self):
        return "pi.txt" if self.kind == "cln" else "log.txt"

    def read_places(self, work_dir, places):
        if self.kind == "calvorn":
            digits = calvorn_places((work_dir / "pi_data.txt").read_text(encoding="ascii"))
        else:
            digits = plain_places((work_dir / "pi.txt").read_text(encoding="ascii"))
        if len(digits) < places:
            raise ValueError(f"only {len(digits)} places written, {places} asked for")
        if self.kind == "calvorn" and len(digits) != places:
            raise ValueError(f"{len(digits)} places written, {places} expected")
        return digits[:places]

    def clean(self, work_dir):
        for name in ("pi_data.txt", "pi.txt", "log.txt"):
            (work_dir / name).unlink(missing_ok=True)


def measure(programs, labels, runs, scratch, cpu):
    pin = ["taskset", "-c", str(cpu)] if cpu is not None and shutil.which("taskset") else []
    if cpu is not None and not pin:
        print("taskset not found: the programs are not pinned to one CPU", flush=True)
    env = dict(os.environ, **SINGLE_THREAD_ENV)
    results = {}
    for label in labels:
        places = places_of(label)
        cells = {p.name: Cell() for p in programs}
        results[label] = cells
        for round_index in range(runs):
            for program in programs:  # A B C D A B C D ...: drifts of the machine hit all alike
                work_dir = scratch / program.name
                work_dir.mkdir(exist_ok=True)
                code, wall, cpu_seconds, peak_kib, threads = run_measured(
                    pin + program.command(label, places), work_dir, work_dir / program.stdout_name(), env)
                run = Run(wall=wall, cpu=cpu_seconds, peak_kib=peak_kib, threads=threads, ok=code == 0)
                cell = cells[program.name]
                if code != 0:
                    run.note = f"exit {code}"
                    log = work_dir / program.stdout_name()
                    tail = log.read_text(errors="replace")[-600:] if program.kind != "cln" else ""
                    print(f"  {program.name} {label}: exit code {code}\n{tail}", flush=True)
                else:
                    try:
                        digits = program.read_places(work_dir, places)
                        if cell.places is None:
                            cell.places = digits
                        elif digits != cell.places:
                            cell.problem = "runs differ"
                    except (OSError, ValueError) as error:
                        run.ok = False
                        run.note = str(error)
                        print(f"  {program.name} {label}: {error}", flush=True)
                cell.runs.append(run)
                program.clean(work_dir)
                print(f"  {label} run {round_index + 1}/{runs} {program.name:8s} {wall:9.2f} s"
                      f" {peak_kib / 1024:9.1f} MiB{'' if run.ok else '  FAILED'}", flush=True)
        check_agreement(cells, places)
    return results


def check_agreement(cells, places):
    """Compares every program's places with a reference: the known first places
    of pi, then the first program whose output starts with them (MPFR's when it
    ran). Keeps the number of leading places each program got right."""
    reference = None
    for name in ("mpfr", "arb", "cln", "calvorn"):
        digits = cells[name].places if name in cells else None
        if digits is not None and digits.startswith(KNOWN_PLACES[:min(places, len(KNOWN_PLACES))]):
            reference = digits
            break
    for cell in cells.values():
        if cell.places is None:
            continue
        if reference is None:
            cell.agree = common_prefix_length(cell.places, KNOWN_PLACES)
        else:
            cell.agree = common_prefix_length(cell.places, reference)
        cell.places = None  # the digits are no longer needed; at 32M they are large


def median_or_none(values):
    return statistics.median(values) if values else None


def format_table(results, runs):
    lines = []
    for label, cells in results.items():
        places = places_of(label)
        lines.append(f"size {label} ({places} decimal places), {runs} run(s) each, medians")
        header = (f"  {'program':8s} {'wall s':>8s} {'cpu s':>8s} {'calvorn/x':>9s} {'(cpu)':>6s} {'peak MiB':>9s}"
                  f" {'threads':>7s}  {'digits':<20s} runs (wall s)")
        lines.append(header)
        lines.append("  " + "-" * (len(header) - 2))
        calvorn_wall = calvorn_cpu = None
        if "calvorn" in cells:
            calvorn_wall = median_or_none([r.wall for r in cells["calvorn"].runs if r.ok])
            calvorn_cpu = median_or_none([r.cpu for r in cells["calvorn"].runs if r.ok])
        for name, cell in cells.items():
            good = [r for r in cell.runs if r.ok]
            wall = median_or_none([r.wall for r in good])
            cpu = median_or_none([r.cpu for r in good])
            peak = max((r.peak_kib for r in cell.runs), default=0) / 1024
            threads = max((r.threads for r in cell.runs), default=0)
            if wall is None:
                wall_text = cpu_text = ratio_text = cpu_ratio_text = "-"
            else:
                wall_text, cpu_text = f"{wall:.2f}", f"{cpu:.2f}"
                ratio_text = f"{calvorn_wall / wall:.2f}" if calvorn_wall else "-"
                cpu_ratio_text = f"{calvorn_cpu / cpu:.2f}" if calvorn_cpu and cpu > 0 else "-"
            if cell.agree is None:
                digits = "no output"
            elif cell.agree == places:
                digits = "all agree"
            else:
                digits = f"differ at place {cell.agree + 1}"
            if cell.problem:
                digits += f", {cell.problem}"
            if len(good) < len(cell.runs):
                digits += f", {len(cell.runs) - len(good)} failed"
            all_runs = " ".join(f"{r.wall:.2f}" if r.ok else "fail" for r in cell.runs)
            lines.append(f"  {name:8s} {wall_text:>8s} {cpu_text:>8s} {ratio_text:>9s} {cpu_ratio_text:>6s}"
                         f" {peak:9.1f} {threads:7d}  {digits:<20s} {all_runs}")
        lines.append("")
    lines.append("calvorn/x: calvorn's median wall time over the program's, (cpu) the same for user + system")
    lines.append("time; above 1 calvorn is slower. digits: every place compared with MPFR's output (or the")
    lines.append("first program's whose output starts like pi).")
    return "\n".join(lines)


def parse_arguments(argv):
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--sizes", default="1M,4M,8M", help="comma-separated size labels (default 1M,4M,8M)")
    parser.add_argument("--runs", type=int, default=3, help="runs of each program at each size (default 3)")
    parser.add_argument("--programs", default=",".join(PROGRAMS),
                        help=f"comma-separated subset of {','.join(PROGRAMS)} (default all)")
    parser.add_argument("--calvorn", type=Path, help="calvorn binary to use (default: build it into --build-dir)")
    parser.add_argument("--baseline", type=Path,
                        help="a second calvorn binary (another build or version), run in the same alternation "
                             "right after calvorn and shown as \"baseline\"")
    parser.add_argument("--build-dir", type=Path, default=REPO / "build-bench",
                        help="where calvorn and the reference programs are built (default <repo>/build-bench)")
    parser.add_argument("--scratch", type=Path,
                        help="directory to run in (default: a new temporary one, removed at the end)")
    parser.add_argument("--cpu", default="0", help="CPU to pin every program to with taskset, or 'none'")
    parser.add_argument("--no-install", action="store_true", help="do not install missing Debian packages")
    parser.add_argument("--output", type=Path, help="also write the table to this file")
    args = parser.parse_args(argv)
    args.labels = [s.strip().upper() for s in args.sizes.split(",") if s.strip()]
    for label in args.labels:
        try:
            places_of(label)
        except ValueError as error:
            parser.error(str(error))
    args.program_names = [p.strip() for p in args.programs.split(",") if p.strip()]
    for name in args.program_names:
        if name not in PROGRAMS:
            parser.error(f"unknown program {name!r}; programs are {', '.join(PROGRAMS)}")
    if args.runs < 1:
        parser.error("--runs must be at least 1")
    args.cpu = None if args.cpu == "none" else int(args.cpu)
    return args


def main(argv):
    args = parse_arguments(argv)
    names = [n for n in PROGRAMS if n in args.program_names]  # the table's fixed order
    if not args.no_install:
        ensure_packages(names)
    args.build_dir.mkdir(parents=True, exist_ok=True)
    programs = []
    reference_dir = build_reference_programs(args.build_dir) if {"mpfr", "arb"} & set(names) else None
    for name in names:
        if name == "calvorn":
            binary = args.calvorn.resolve() if args.calvorn else build_calvorn(args.build_dir)
        elif name == "cln":
            binary = shutil.which("pi") or "/usr/bin/pi"
        else:
            binary = reference_dir / f"{name}_pi"
        if binary is None:
            continue
        if not Path(binary).is_file():
            sys.exit(f"{name}: {binary} not found")
        programs.append(Program(name, binary))
        if name == "calvorn" and args.baseline:
            if not args.baseline.is_file():
                sys.exit(f"baseline: {args.baseline} not found")
            programs.append(Program("baseline", args.baseline.resolve(), kind="calvorn"))
    if not programs:
        sys.exit("nothing to compare")

    scratch = args.scratch.resolve() if args.scratch else Path(tempfile.mkdtemp(prefix="calvorn-compare-"))
    scratch.mkdir(parents=True, exist_ok=True)
    print(f"programs: {', '.join(p.name for p in programs)}; sizes: {', '.join(args.labels)}; "
          f"{args.runs} run(s); scratch {scratch}; "
          f"{'pinned to CPU ' + str(args.cpu) if args.cpu is not None else 'not pinned'}", flush=True)
    load_before = os.getloadavg()[0]
    try:
        results = measure(programs, args.labels, args.runs, scratch, args.cpu)
    finally:
        if not args.scratch:
            shutil.rmtree(scratch, ignore_errors=True)
    # Other work on the machine stretches wall times but hardly cpu times.
    table = (f"load average {load_before:.2f} before, {os.getloadavg()[0]:.2f} after, on {os.cpu_count()} CPU(s)\n\n"
             + format_table(results, args.runs))
    print()
    print(table)
    if args.output:
        args.output.write_text(table + "\n")
    failed = any(c.agree != places_of(label) or not all(r.ok for r in c.runs)
                 for label, cells in results.items() for c in cells.values())
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
