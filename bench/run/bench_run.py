#!/usr/bin/env python3
"""Times the merge run against its floors (floor.c: rendering with printf, and replaying bytes
rendered beforehand) and a plain-Python merge (merge_py.py), interleaved, each in a fresh
folder, and prints minimums, medians and ratios to both floors.

The merge contender is a command template taken from QUILLORY_RUN_CONTENDER (or --contender);
"{dest}" and "{records}" are filled in, e.g.
    QUILLORY_RUN_CONTENDER='quillory-cli run bench.quillory --destination {dest}'
Without it the bench_run_merge program of the build folder is used.

The outputs go to a fresh folder on the tmpfs /dev/shm unless --work names another place (a
disk, to see its cost too). On a disk every output is kept until the end (about 0.8 GB per run
of 100,000 records on ext4); on a tmpfs each goes once its round is over.

Usage: bench/run/bench_run.py --build build-release [--records 20000 100000] [--rounds 5]"""
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


def on_tmpfs(path):
    """Whether path lies on a tmpfs, where nothing waits for a disk."""
    best, fstype = "", ""
    with open("/proc/mounts") as mounts:
        for line in mounts:
            fields = line.split()
            point = fields[1]
            if (path == point or path.startswith(point.rstrip("/") + "/")) and len(point) > len(best):
                best, fstype = point, fields[2]
    return fstype == "tmpfs"


def run_once(command, dest, records, sync):
    os.mkdir(dest)
    argv = [a.replace("{dest}", dest).replace("{records}", str(records))
            for a in shlex.split(command)]
    if sync:
        os.sync()
    # Output goes to files, not pipes: a pipe would make a contender that writes much (the
    # merge writes its whole log) wait for this script to be scheduled and read it.
    folder = os.path.dirname(dest)
    with tempfile.TemporaryFile(dir=folder) as out, tempfile.TemporaryFile(dir=folder) as err:
        before = resource.getrusage(resource.RUSAGE_CHILDREN)
        start = time.perf_counter()
        done = subprocess.run(argv, stdout=out, stderr=err)
        elapsed = time.perf_counter() - start
        after = resource.getrusage(resource.RUSAGE_CHILDREN)
        out.seek(0)
        err.seek(0)
        stdout = out.read().decode(errors="replace")
        stderr = err.read().decode(errors="replace").strip()
    if done.returncode != 0:
        sys.exit("%s failed (%d): %s" % (argv[0], done.returncode, stderr))
    cpu = (after.ru_utime - before.ru_utime) + (after.ru_stime - before.ru_stime)
    # Only the last line: a run's whole log would drown the table.
    lines = stdout.strip().splitlines()
    return elapsed, cpu, lines[-1] if lines else "", stderr


def bench(args, build, work, records):
    """Runs every contender args.rounds times at records records; True when the outputs match."""
    tmpfs = on_tmpfs(work)
    contender = args.contender
    cli = os.path.join(build, "cli/quillory-cli")
    doc = os.path.join(work, "bench-%d.quillory" % records)
    subprocess.run([os.path.join(build, "bench/run/bench_run_merge"), "--write-doc", doc,
                    str(records)], check=True)
    if not contender and os.path.exists(cli):
        # The real contender: quillory-cli reading a saved document, as a user runs it.
        contender = "%s run %s --destination {dest}" % (shlex.quote(cli), shlex.quote(doc))
    floor = os.path.join(build, "bench/run/bench_run_floor")
    # The replay floor gets every item's bytes rendered beforehand: the system calls alone.
    manifest = os.path.join(work, "items-%d.bin" % records)
    subprocess.run([floor, "--manifest", manifest, str(records)], check=True,
                   stdout=subprocess.DEVNULL)
    contenders = [
        ("floor (C)", floor + " {dest} {records}"),
        ("replay (C)", "%s --replay %s {dest}" % (floor, shlex.quote(manifest))),
        ("quillory", contender or
         os.path.join(build, "bench/run/bench_run_merge") + " {dest} {records}"),
    ]
    if args.baseline:
        # The same document run by another build (e.g. of the last release), side by side.
        base_cli = os.path.join(os.path.abspath(args.baseline), "cli/quillory-cli")
        contenders.append(("baseline", "%s run %s --destination {dest}" % (
            shlex.quote(base_cli), shlex.quote(doc))))
    if not args.no_python:
        contenders.append(("python", "%s %s {dest} {records}" % (
            shlex.quote(sys.executable), os.path.join(HERE, "merge_py.py"))))
    times = {name: [] for name, _ in contenders}
    cpus = {name: [] for name, _ in contenders}
    digests = {}
    made = []
    try:
        for round_no in range(args.rounds):
            # Rotate the order so that no contender always follows the same one.
            k = round_no % len(contenders)
            order = contenders[k:] + contenders[:k]
            for name, command in order:
                dest = os.path.join(work, "n%d-r%d-%s" % (records, round_no, name.split()[0]))
                elapsed, cpu, out, err = run_once(command, dest, records, not tmpfs)
                times[name].append(elapsed)
                cpus[name].append(cpu)
                print("round %d  %-10s %8.3f s wall %8.3f s cpu  %s %s"
                      % (round_no + 1, name, elapsed, cpu, out, ("(" + err + ")") if err else ""),
                      flush=True)
                if round_no == 0:
                    digests[name] = tree_digest(dest)
                if tmpfs:
                    shutil.rmtree(dest, ignore_errors=True)
                else:
                    made.append(dest)
    finally:
        # On a disk outputs stay until the end: a file system that has just deleted many files
        # (ext4 for about 30 s) makes the next creations much slower, which would punish
        # whichever contender comes next.
        for dest in made:
            shutil.rmtree(dest, ignore_errors=True)

    same = len(set(digests.values())) == 1
    print("\noutputs identical: %s" % ("yes" if same else "NO " + repr(digests)))
    print("\n%d records, %d rounds, %d CPUs, outputs in %s (%s)"
          % (records, args.rounds, os.cpu_count(), work, "tmpfs" if tmpfs else "not tmpfs"))
    for title, table in (("wall-clock", times), ("CPU (user + system)", cpus)):
        floor_min = min(table["floor (C)"])
        floor_med = statistics.median(table["floor (C)"])
        replay_min = min(table["replay (C)"])
        replay_med = statistics.median(table["replay (C)"])
        print("\n%s\n%-10s %10s %10s %12s %12s %12s %13s" % (
            title, "contender", "min s", "median s", "min/floor", "median/floor", "min/replay",
            "median/replay"))
        for name, _ in contenders:
            t = table[name]
            print("%-10s %10.3f %10.3f %12.2f %12.2f %12.2f %13.2f" % (
                name, min(t), statistics.median(t), min(t) / floor_min,
                statistics.median(t) / floor_med, min(t) / replay_min,
                statistics.median(t) / replay_med))
    print(flush=True)
    return same


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--build", default="build", help="build folder with bench/run programs")
    parser.add_argument("--records", type=int, nargs="+", default=[20000, 100000])
    parser.add_argument("--rounds", type=int, default=5)
    parser.add_argument("--work", default=None,
                        help="folder for the outputs (default: a fresh one in /dev/shm)")
    parser.add_argument("--contender", default=os.environ.get("QUILLORY_RUN_CONTENDER"))
    parser.add_argument("--no-python", action="store_true", help="leave the Python merge out")
    parser.add_argument("--baseline", metavar="BUILD",
                        help="also time the quillory-cli of this other build folder")
    args = parser.parse_args()

    build = os.path.abspath(args.build)
    if args.work:
        work = os.path.abspath(args.work)
        os.makedirs(work, exist_ok=True)
    else:
        work = tempfile.mkdtemp(prefix="quillory-bench-run-",
                                dir="/dev/shm" if os.path.isdir("/dev/shm") else None)
    try:
        same = all([bench(args, build, work, n) for n in args.records])
    finally:
        if not args.work:
            shutil.rmtree(work, ignore_errors=True)
    return 0 if same else 1


if __name__ == "__main__":
    sys.exit(main())
