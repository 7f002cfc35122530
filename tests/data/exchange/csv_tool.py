"""Python's csv module as an independent reader and writer for the import and export tests.

    csv_tool.py read PATH DELIMITER          prints the rows of PATH as JSON
    csv_tool.py write PATH DELIMITER         writes the JSON rows given on stdin to PATH
    csv_tool.py random PATH DELIMITER SEED N writes N random rows to PATH, prints them as JSON

Files are UTF-8; the writer uses the default dialect (minimal quoting, CR LF line ends).
"""
import csv
import json
import random
import sys

# Characters that matter to a CSV reader, mixed with letters outside ASCII.
ALPHABET = ['a', 'b', 'Z', ' ', ' ', ',', ';', '"', '"', '\n', '\r\n', '\r', '\t', 'é', 'ß', '😀', "'"]


def read(path, delimiter):
    with open(path, encoding="utf-8", newline="") as f:
        return [row for row in csv.reader(f, delimiter=delimiter)]


def write(path, delimiter, rows):
    with open(path, "w", encoding="utf-8", newline="") as f:
        csv.writer(f, delimiter=delimiter).writerows(rows)


def random_rows(seed, count):
    rng = random.Random(seed)
    rows = []
    for _ in range(count):
        # Two fields at least: a row of one field of spaces would be a blank line, which the
        # import skips by design.
        width = rng.randint(2, 5)
        rows.append(["".join(rng.choice(ALPHABET) for _ in range(rng.randint(0, 8)))
                     for _ in range(width)])
    return rows


def print_json(value):
    # Bytes, so that the locale's encoding never matters.
    sys.stdout.buffer.write(json.dumps(value, ensure_ascii=False).encode("utf-8"))


def main():
    command, path, delimiter = sys.argv[1], sys.argv[2], sys.argv[3]
    if command == "read":
        print_json(read(path, delimiter))
    elif command == "write":
        write(path, delimiter, json.loads(sys.stdin.buffer.read().decode("utf-8")))
    elif command == "random":
        rows = random_rows(int(sys.argv[4]), int(sys.argv[5]))
        write(path, delimiter, rows)
        print_json(rows)
    else:
        sys.exit("unknown command " + command)


if __name__ == "__main__":
    main()
