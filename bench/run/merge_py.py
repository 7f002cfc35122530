#!/usr/bin/env python3
"""The run benchmark's plain-Python contender: the same document, templates, folders and
files as the merge, with the same system calls per item.  Usage: merge_py.py DEST [RECORDS]"""
import ctypes
import os
import sys

CITIES = ["Amsterdam", "Berlin", "Cork", "Dublin", "Evora",
          "Florence", "Ghent", "Hanoi", "Izmir", "Jaipur"]
CARD = ("Card <#>\nName: <Name>\nCity: <City>\nEmail: <Email>\nPhone: <Phone>\n\nDear <Name>,\n"
        "this card was made for you in <City>. We will write to <Email> or call <Phone> when your "
        "order is ready. Thank you for choosing us, <Name>, and see you soon in <City>.\n"
        "Reference: <Name>-<#>\n")
FIELDS = ["Name", "City", "Email", "Phone"]

_libc = ctypes.CDLL(None, use_errno=True)
_renameat2 = getattr(_libc, "renameat2", None)
AT_FDCWD = -100
RENAME_NOREPLACE = 1


def rename_no_replace(src, dst):
    if _renameat2 is not None:
        if _renameat2(AT_FDCWD, os.fsencode(src), AT_FDCWD, os.fsencode(dst),
                      RENAME_NOREPLACE) == 0:
            return True
        if ctypes.get_errno() == 17:  # EEXIST
            return False
    try:
        os.link(src, dst)
    except FileExistsError:
        return False
    os.unlink(src)
    return True


counter = 0


def put_file(folder, name, target, data):
    global counter
    try:
        os.stat(target)
        return 0
    except FileNotFoundError:
        pass
    while True:
        temp = "%s/.%s.qly-%x-%x" % (folder, name[:48], os.getpid(), counter)
        counter += 1
        try:
            fd = os.open(temp, os.O_WRONLY | os.O_CREAT | os.O_EXCL | os.O_CLOEXEC, 0o666)
            break
        except FileExistsError:
            continue
    view = memoryview(data)
    while view:
        view = view[os.write(fd, view):]
    os.close(fd)
    if not rename_no_replace(temp, target):
        os.unlink(temp)
        return 0
    return 1


def fill(template, record, counter_text):
    for field in FIELDS:
        template = template.replace("<" + field + ">", record[field])
    return template.replace("<#>", counter_text)


def main():
    dest = sys.argv[1]
    n = int(sys.argv[2]) if len(sys.argv) > 2 else 100000
    records = [{"#": i, "Name": "Person%d" % i, "City": CITIES[i % 10],
                "Email": "person%d@example.com" % i, "Phone": "+1-555-%04d" % (i % 10000)}
               for i in range(1, n + 1)]
    width = len(str(max((r["#"] for r in records), default=0)))
    created = 0
    for r in records:
        folder = dest + "/" + fill("<Name>_<#>/", r, str(r["#"]).zfill(width))
        try:
            os.stat(folder)
        except FileNotFoundError:
            try:
                os.mkdir(folder)
                created += 1
            except FileExistsError:
                pass
    for r in records:
        c = str(r["#"]).zfill(width)
        rel = fill("<Name>_<#>/card.txt", r, c)
        created += put_file(dest + "/" + rel.rsplit("/", 1)[0], "card.txt", dest + "/" + rel,
                            fill(CARD, r, c).encode())
    parts = ["#\tName\tCity\tEmail\n"]
    for i, r in enumerate(records):
        c = str(r["#"]).zfill(width)
        if i:
            parts.append("\n")
        parts.append(fill("<#>\t<Name>\t<City>\t<Email>", r, c))
    parts.append("\n")
    created += put_file(dest, "list.txt", dest + "/list.txt", "".join(parts).encode())
    print("created %d" % created)


if __name__ == "__main__":
    main()
