#!/usr/bin/env python3
"""Times the merge run against its floor (floor.c) and a plain-Python merge (merge_py.py),
interleaved, each in a fresh folder, and prints minimums, medians and ratios to the floor.

The merge contender is a command template taken from QUILLORY_RUN_CONTENDER (or --contender);
"{dest}" and "{records}" are filled in, e.g.
    QUILLORY_RUN_CONTENDER='quillory-cli run bench.quillory --destination {dest}'
Without it the bench_run_merge program of the build folder is used.

Every output is kept until the end (about 0.8 GB per run of 100,000 records on ext4).

Usage: bench/run/bench_run.py --build build-release [--records 100000] [--rounds 3]"""
import argparse
import hashlib
import os
import resource
import shlex
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))


def tree_digest(root):
    """One digest over every path and file content under root, so outputs can be compared."""
    h = hashlib.sha256()
    for folder, dirs, files in sorted(os.walk(root)):
        dirs.sort()
        rel = os.path.relpath(folder, root)
        h.update(("D " + rel + "\n").encode())
        for name in sorted(files):
            h.update(("F " + os.path.join(rel, name) + "\n").encode())
            with open(os.path.join(folder, name), "rb") as f:
                h.update(f.read())
    return h.hexdigest()


def run_once(command, dest, records):
    os.mkdir(dest)
    argv = [a.replace("{dest}", dest).replace("{records}", str(records))
            for a in shlex.split(command)]
    os.sync()
    before = resource.getrusage(resource.RUSAGE_CHILDREN)
    start = time.perf_counter()
    done = subprocess.run(argv, stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
    elapsed = time.perf_counter() - start
    after = resource.getrusage(resource.RUSAGE_CHILDREN)
    if done.returncode != 0:
        sys.exit("%s failed (%d): %s" % (argv[0], done.returncode, done.stderr.strip()))
    cpu = (after.ru_utime - before.ru_utime) + (after.ru_stime - before.ru_stime)
    # Only the last line: a run's whole log would drown the table.
    lines = done.stdout.strip().splitlines()
    return elapsed, cpu, lines[-1] if lines else "", done.stderr.strip()


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--build", default="build", help="build folder with bench/run programs")
    parser.add_argument("--records", type=int, default=100000)
    parser.add_argument("--rounds", type=int, default=3)
    parser.add_argument("--work", default=None, help="folder for the outputs (default: a temp)")
    parser.add_argument("--contender", default=os.environ.get("QUILLORY_RUN_CONTENDER"))
    args = parser.parse_args()

    build = os.path.abspath(args.build)
    work = args.work or tempfile.mkdtemp(prefix="quillory-bench-run-")
    os.makedirs(work, exist_ok=True)
    cli = os.path.join(build, "cli/quillory-cli")
    if not args.contender and os.path.exists(cli):
        # The real contender: quillory-cli reading a saved document, as a user runs it.
        doc = os.path.join(work, "bench.quillory")
        subprocess.run([os.path.join(build, "bench/run/bench_run_merge"), "--write-doc", doc,
                        str(args.records)], check=True)
        args.contender = "%s run %s --destination {dest}" % (shlex.quote(cli), shlex.quote(doc))
    contenders = [
        ("floor (C)", os.path.join(build, "bench/run/bench_run_floor") + " {dest} {records}"),
        ("quillory", args.contender or
         os.path.join(build, "bench/run/bench_run_merge") + " {dest} {records}"),
        ("python", "%s %s {dest} {records}" % (shlex.quote(sys.executable),
                                               os.path.join(HERE, "merge_py.py"))),
    ]
    times = {name: [] for name, _ in contenders}
    cpus = {name: [] for name, _ in contenders}
    digests = {}
    made = []
    try:
        for round_no in range(args.rounds):
            # Rotate the order so that no contender always follows the same one.
            order = contenders[round_no % 3:] + contenders[:round_no % 3]
            for name, command in order:
                dest = os.path.join(work, "r%d-%s" % (round_no, name.split()[0]))
                elapsed, cpu, out, err = run_once(command, dest, args.records)
                times[name].append(elapsed)
                cpus[name].append(cpu)
                print("round %d  %-10s %8.3f s wall %8.3f s cpu  %s %s"
                      % (round_no + 1, name, elapsed, cpu, out, ("(" + err + ")") if err else ""),
                      flush=True)
                if round_no == 0:
                    digests[name] = tree_digest(dest)
                made.append(dest)
    finally:
        # Outputs stay until the end: a file system that has just deleted many files (ext4
        # for about 30 s) makes the next creations much slower, which would punish whichever
        # contender comes next.
        for dest in made:
            shutil.rmtree(dest, ignore_errors=True)
        if not args.work:
            shutil.rmtree(work, ignore_errors=True)

    same = len(set(digests.values())) == 1
    print("\noutputs identical: %s" % ("yes" if same else "NO " + repr(digests)))
    print("\n%d records, %d rounds, %d CPUs, outputs in %s"
          % (args.records, args.rounds, os.cpu_count(), work))
    for title, table in (("wall-clock", times), ("CPU (user + system)", cpus)):
        floor_min = min(table["floor (C)"])
        floor_med = statistics.median(table["floor (C)"])
        print("\n%s\n%-10s %10s %10s %12s %12s" % (title, "contender", "min s", "median s",
                                                  "min/floor", "median/floor"))
        for name, _ in contenders:
            t = table[name]
            print("%-10s %10.3f %10.3f %12.2f %12.2f" % (name, min(t), statistics.median(t),
                                                         min(t) / floor_min,
                                                         statistics.median(t) / floor_med))
    return 0 if same else 1


if __name__ == "__main__":
    sys.exit(main())
