#!/usr/bin/env python3
"""Reads and writes keyed archives without Quillory's code, for the archive tests.

check FILE                plistlib's and plistutil's reading of an archive Quillory wrote, and
                          every way it departs from what Apple's archiver writes
objects FILE              each $objects entry of an archive resolved on its own, or why not
same FILE OTHER           whether plistlib reads the two files as the same property list
build TABLE FIXTURES OUT  OUT/<row number> for each row of TABLE: a fixture, its tree patched,
                          written with the row's widths and order, then its bytes patched
"""

import json, plistlib, struct, subprocess, sys, uuid  # noqa: E401
from pathlib import Path

UID = plistlib.UID
MASK = (1 << 64) - 1
# The superclass chain of each class that Quillory writes.
CHAINS = {c[0]: c + ["NSObject"] for c in (
    ["NSMutableDictionary", "NSDictionary"], ["NSDictionary"], ["NSMutableArray", "NSArray"],
    ["NSArray"], ["NSMutableString", "NSString"], ["NSMutableData", "NSData"], ["NSUUID"],
    ["NSDate"])}
# Instances that hold one inline value: the field, the tag the tests use, the plist type.
INLINE = {"NSString": ("NS.string", "str", str), "NSMutableString": ("NS.string", "mstr", str),
          "NSData": ("NS.data", "data", bytes), "NSMutableData": ("NS.data", "mdata", bytes),
          "NSUUID": ("NS.uuidbytes", "uuid", bytes), "NSDate": ("NS.time", "date", (int, float))}


def width(value):
    """What Apple's writer uses for value: the smallest of 1, 2, 4 and 8 bytes."""
    return next(w for w in (1, 2, 4, 8) if w == 8 or value < 1 << (8 * w))


class Resolver:
    """Resolves archive objects to the tests' JSON; containers get ids in order of first
    appearance and later appearances are {"ref": id}. Raises on what Quillory refuses."""

    def __init__(self, objects):
        self.objects, self.ids, self.open, self.used = objects, {}, set(), {0}

    def value(self, ref):
        i = ref.data  # AttributeError for a value where a reference belongs
        self.used.add(i)
        o = self.objects[i]
        if i == 0:
            return None
        if isinstance(o, bool):
            return {"bool": o}
        if isinstance(o, int):  # beyond 64 bits only the low half counts, as in Apple's reader
            return {"int": str(o if -(1 << 63) <= o <= MASK else o & MASK)}
        if isinstance(o, (float, str)):
            return {"real" if isinstance(o, float) else "str": o}
        if isinstance(o, bytes):
            return {"data": o.hex()}
        self.used.add(o["$class"].data)
        name = self.objects[o["$class"].data]["$classname"]
        if name not in INLINE:
            return self.container(i, o, CHAINS[name][0])
        field, tag, kind = INLINE[name]
        x = o[field]
        if not isinstance(x, kind) or isinstance(x, bool) or (tag == "uuid" and len(x) != 16):
            raise ValueError("malformed " + name)
        return {tag: str(uuid.UUID(bytes=x)) if tag == "uuid" else
                x.hex() if kind is bytes else float(x) if tag == "date" else x}

    def container(self, i, o, name):
        if i in self.open:
            raise ValueError("cycle")
        if i in self.ids:
            return {"ref": self.ids[i]}
        self.ids[i] = len(self.ids)
        self.open.add(i)
        r = {"class": name, "id": self.ids[i]}
        if name.endswith("Array"):
            r["items"] = [self.value(v) for v in o["NS.objects"]]
        else:
            if len(o["NS.keys"]) != len(o["NS.objects"]):
                raise ValueError("keys and values differ in number")
            r["entries"] = []
            for k, v in zip(o["NS.keys"], o["NS.objects"]):
                key = self.value(k)
                if not isinstance(key, dict) or not key.keys() & {"str", "mstr"}:
                    raise ValueError("a key that is not a string")
                r["entries"].append([next(iter(key.values())), self.value(v)])
        self.open.discard(i)
        return r


def lint(raw, d, resolver):
    """Every way the file departs from what Apple's archiver writes."""
    found = []
    t = raw[-32:]
    osz, rsz = t[6], t[7]
    n, top, table = (int.from_bytes(t[k:k + 8], "big") for k in (8, 16, 24))
    if t[:6] != bytes(6) or top != 0 or len(raw) != table + n * osz + 32:
        return ["trailer or file length"]
    if (rsz, osz) != (width(n), width(table)):
        found.append("widths %d, %d for %d objects, table at %d" % (rsz, osz, n, table))
    for i in range(n):
        off = int.from_bytes(raw[table + i * osz:table + (i + 1) * osz], "big")
        m = raw[off]
        w = (1 << (m & 15)) if m >> 4 == 1 else (m & 15) + 1
        v = int.from_bytes(raw[off + 1:off + 1 + w], "big", signed=m == 0x13)
        if m >> 4 == 1 and m != 0x14 and w != (8 if v < 0 else width(v)) or \
                m >> 4 == 8 and w != width(v):
            found.append("object %d: %d in %d bytes" % (i, v, w))
        if m not in (0x08, 0x09, 0x23) and m >> 4 not in (1, 4, 5, 6, 8, 0xA, 0xD):
            found.append("object %d: marker 0x%02x" % (i, m))
    objects = d["$objects"]
    if list(d) != ["$version", "$archiver", "$top", "$objects"] or list(d["$top"]) != ["root"] \
            or d["$archiver"] != "NSKeyedArchiver" or d["$version"] != 100000 \
            or type(d["$version"]) is not int or objects[0] != "$null":
        found.append("envelope")
    names = [o["$classname"] for o in objects if isinstance(o, dict) and "$classname" in o]
    found += ["class %s: %r" % (c, o["$classes"]) for o in objects if isinstance(o, dict)
              for c in [o.get("$classname")] if c and o.get("$classes") != CHAINS.get(c)]
    if len(names) != len(set(names)):
        found.append("one class, several class dictionaries")
    if len(resolver.used) != len(objects):
        found.append("unreferenced archive objects")
    return found


def as_libplist_prints(x):
    if isinstance(x, dict):
        return {k: as_libplist_prints(v) for k, v in x.items()}
    if isinstance(x, list):
        return [as_libplist_prints(v) for v in x]
    return {"CF$UID": x.data} if isinstance(x, UID) else x


def plistutil(path, tree):
    p = subprocess.run(["plistutil", "-i", path, "-f", "xml"], capture_output=True)
    if p.returncode != 0:
        return "plistutil failed: " + p.stderr.decode(errors="replace")
    same = plistlib.loads(p.stdout) == as_libplist_prints(tree)
    return "ok" if same else "plistutil reads another tree"


class Raw(bytes):
    """An object written as these bytes: damage that no writer makes."""


def write(tree, ref=None, offset=None, reverse=False, int16=(), int_width=None, uid_width=None):
    objs = []

    def flatten(x):
        objs.append(x)
        i = len(objs) - 1
        if isinstance(x, dict):
            objs[i] = (0xD0, [flatten(k) for k in x] + [flatten(v) for v in x.values()])
        elif isinstance(x, list):
            objs[i] = (0xA0, [flatten(v) for v in x])
        return i

    def integer(v, w=None):
        if v in int16 or v > MASK >> 1:
            return b"\x14" + v.to_bytes(16, "big", signed=True)
        w = w or (8 if v < 0 else width(v))
        return bytes([0x10 | w.bit_length() - 1]) + v.to_bytes(w, "big", signed=v < 0)

    def head(marker, count):
        return bytes([marker | min(count, 15)]) + (integer(count) if count >= 15 else b"")

    def encode(x):
        if isinstance(x, Raw):
            return bytes(x)
        if isinstance(x, tuple):
            refs = b"".join((r % (1 << 8 * rs)).to_bytes(rs, "big") for r in x[1])
            return head(x[0], len(x[1]) // (2 if x[0] == 0xD0 else 1)) + refs
        if isinstance(x, bool):
            return b"\x09" if x else b"\x08"
        if isinstance(x, UID):
            w = uid_width or width(x.data)
            return bytes([0x80 | (w - 1)]) + x.data.to_bytes(w, "big")
        if isinstance(x, int):
            return integer(x, int_width)
        if isinstance(x, float):
            return b"\x23" + struct.pack(">d", x)
        if isinstance(x, bytes):
            return head(0x40, len(x)) + x
        if x.isascii():
            return head(0x50, len(x)) + x.encode()
        return head(0x60, len(x.encode("utf-16-be")) // 2) + x.encode("utf-16-be")

    flatten(tree)
    rs, out, offsets = ref or width(len(objs)), bytearray(b"bplist00"), [0] * len(objs)
    for k in reversed(range(len(objs))) if reverse else range(len(objs)):
        offsets[k] = len(out)
        out += encode(objs[k])
    table = len(out)
    osz = offset or width(table)
    # Too narrow a width, asked for on purpose, keeps the low bytes.
    out += b"".join((o % (1 << 8 * osz)).to_bytes(osz, "big") for o in offsets)
    return out + bytes([0] * 6 + [osz, rs]) + b"".join(
        v.to_bytes(8, "big") for v in (len(objs), 0, table))


def build(table, fixtures, out):
    for number, row in enumerate(json.loads(Path(table).read_text())):
        d = plistlib.loads(Path(fixtures, row["source"]).read_bytes())
        exec("\n".join(row.get("patch", [])), {"d": d, "UID": UID, "Raw": Raw.fromhex})
        b = write(d, **row.get("options", {}))
        t = len(b) - 32
        exec("\n".join(row.get("bytes", [])),
             {"b": b, "t": t, "table": int.from_bytes(b[-8:], "big"), "osz": b[t + 6],
              "be": lambda v, w: v.to_bytes(w, "big")})
        Path(out, str(number)).write_bytes(b)


def resolved(objects, i):
    try:
        return {"graph": Resolver(objects).value(UID(i))}
    except (ValueError, KeyError, TypeError, IndexError, AttributeError) as e:
        return {"refused": "%s: %s" % (type(e).__name__, e)}


def main(command, path, *rest):
    if command == "build":
        return build(path, *rest)
    raw = Path(path).read_bytes()
    d = plistlib.loads(raw)
    if command == "same":
        other = plistlib.loads(Path(rest[0]).read_bytes())
        return print(json.dumps({"same": d == other, "objects": len(d["$objects"])}))
    objects = d["$objects"]
    if command == "objects":
        return print(json.dumps({"objects": [resolved(objects, i) for i in range(len(objects))]}))
    r = Resolver(objects)
    graph = r.value(d["$top"]["root"])
    print(json.dumps({"graph": graph, "lint": lint(raw, d, r), "plistutil": plistutil(path, d)}))


if __name__ == "__main__":
    main(*sys.argv[1:])
