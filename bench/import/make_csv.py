"""Writes a 5-column CSV with a header line; some fields are quoted and hold commas.

    make_csv.py PATH ROWS [--spreadsheet | --doubled-quotes]

With --spreadsheet, every fifth note also holds doubled quotes and a CR LF inside its quotes, as
spreadsheets write them. With --doubled-quotes, every note is quoted and holds doubled quotes
('"note, with ""quotes"" 7"'): each of them must be unquoted.
"""
import random
import sys

path, rows = sys.argv[1], int(sys.argv[2])
spreadsheet = "--spreadsheet" in sys.argv[3:]
doubled = "--doubled-quotes" in sys.argv[3:]
rng = random.Random(20240601)
cities = ["Rome", "Oslo", "Lyon", "Kyoto", "Lima", "Perth", "Quito", "Graz"]
words = ["alpha", "beta", "gamma", "delta", "omega", "sigma", "kappa", "theta"]
with open(path, "w", encoding="utf-8", newline="") as out:
    out.write("Id,Name,City,Amount,Note\n")
    for i in range(1, rows + 1):
        name = f"{rng.choice(words).title()} {rng.choice(words)}"
        if i % 7 == 0:
            name = f'"{name}, Jr"'
        note = " ".join(rng.choice(words) for _ in range(rng.randint(1, 4)))
        if i % 3 == 0:
            note = f'"{note}, {rng.randint(1, 999)}"'
        if spreadsheet and i % 5 == 0:
            note = f'"{note.strip(chr(34))} ""{rng.choice(words)}""\r\n{rng.choice(words)}"'
        if doubled:
            note = f'"note, with ""quotes"" {i % 10}"'
        amount = f"{rng.randint(0, 99999) / 100:.2f}"
        out.write(f"{i},{name},{rng.choice(cities)},{amount},{note}\n")
