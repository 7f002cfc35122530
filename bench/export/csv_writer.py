#!/usr/bin/env python3
"""Writes the rows of export_bench with Python's csv writer as TSV and times the writing.

Usage: csv_writer.py <output file> [records]. Prints one line: records, seconds, and the
megabytes that writing adds to the peak resident size (the rows are not counted).
"""
import csv
import resource
import sys
import time


def main():
    path = sys.argv[1]
    records = int(sys.argv[2]) if len(sys.argv) > 2 else 1000000
    rows = [
        ("Name%d" % i, "City %d" % (i % 1000), "person%d@example.com" % i, "%d" % (i * 7),
         "Note with spaces %d" % (i % 97))
        for i in range(records)
    ]
    before = resource.getrusage(resource.RUSAGE_SELF).ru_maxrss
    start = time.perf_counter()
    with open(path, "w", encoding="utf-8", newline="") as f:
        csv.writer(f, delimiter="\t", lineterminator="\n").writerows(rows)
    seconds = time.perf_counter() - start
    rss_mb = (resource.getrusage(resource.RUSAGE_SELF).ru_maxrss - before) // 1024
    print("%d %.3f %d" % (records, seconds, rss_mb))


if __name__ == "__main__":
    main()
