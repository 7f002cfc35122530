#!/usr/bin/env python3
"""Independent checks of keyed archives for the codec tests (Python standard library only).

check FILE
    Decodes FILE with plistlib, resolves the keyed archive below $top.root and prints JSON:
    {"graph": ..., "rootKeys": [...], "lint": [...], "plistutil": "ok" | "missing" | "<problem>"}
    "lint" lists every way the file departs from what Apple's writer produces (widths, string
    forms, trailer, class chains, unreferenced objects). "plistutil" compares libplist's
    reading of the file with plistlib's.

rewrite IN OUT [--ref-size N] [--offset-size N] [--reverse] [--int16 V]... [--int-width W]
        [--uid-width W] [--patch CODE]
    Reads IN with plistlib, optionally runs CODE on it (the tree is `d`, `UID` is plistlib.UID),
    and writes it with this file's own bplist writer, using the widths and object order asked for.
"""

import json
import plistlib
import shutil
import struct
import subprocess
import sys
import uuid as uuidlib

UID = plistlib.UID

CHAINS = {
    "NSMutableDictionary": ["NSMutableDictionary", "NSDictionary", "NSObject"],
    "NSDictionary": ["NSDictionary", "NSObject"],
    "NSMutableArray": ["NSMutableArray", "NSArray", "NSObject"],
    "NSArray": ["NSArray", "NSObject"],
    "NSMutableString": ["NSMutableString", "NSString", "NSObject"],
    "NSMutableData": ["NSMutableData", "NSData", "NSObject"],
    "NSUUID": ["NSUUID", "NSObject"],
    "NSDate": ["NSDate", "NSObject"],
}


def cf_byte_count(value):
    """Apple's writer: the smallest of 1, 2, 4, 8 bytes holding value."""
    for w in (1, 2, 4):
        if value < (1 << (8 * w)):
            return w
    return 8


# ---------------------------------------------------------------------------------------------
# Lint of the binary container, parsed here by hand.

def lint_bplist(raw, lint):
    if raw[:8] != b"bplist00":
        lint.append("bad magic")
        return
    t = raw[-32:]
    offset_size, ref_size = t[6], t[7]
    n = int.from_bytes(t[8:16], "big")
    top = int.from_bytes(t[16:24], "big")
    table = int.from_bytes(t[24:32], "big")
    if t[:6] != bytes(6):
        lint.append("trailer: unused bytes or sortVersion not zero")
    if top != 0:
        lint.append("trailer: topObject %d" % top)
    if len(raw) != table + n * offset_size + 32:
        lint.append("file length %d != table + offsets + trailer" % len(raw))
        return
    if ref_size != cf_byte_count(n):
        lint.append("objectRefSize %d for %d objects" % (ref_size, n))
    if offset_size != cf_byte_count(table):
        lint.append("offsetIntSize %d for table at %d" % (offset_size, table))
    offsets = [int.from_bytes(raw[table + i * offset_size: table + (i + 1) * offset_size], "big")
               for i in range(n)]
    children = {}

    def read_count(pos, nibble):
        if nibble != 0xF:
            return nibble, pos
        m = raw[pos]
        w = 1 << (m & 0xF)
        c = int.from_bytes(raw[pos + 1:pos + 1 + w], "big")
        if c < 15:
            lint.append("count %d written in the long form" % c)
        if w != cf_byte_count(c):
            lint.append("count %d written in %d bytes" % (c, w))
        return c, pos + 1 + w

    for i, off in enumerate(offsets):
        if off < 8 or off >= table:
            lint.append("object %d at bad offset %d" % (i, off))
            continue
        m = raw[off]
        hi, lo = m >> 4, m & 0xF
        pos = off + 1
        if hi == 0x1:
            w = 1 << lo
            b = raw[pos:pos + w]
            if w == 16:
                v = int.from_bytes(b, "big", signed=True)
                if v <= (1 << 63) - 1:
                    lint.append("integer %d in 16 bytes" % v)
            else:
                v = int.from_bytes(b, "big", signed=(w == 8))
                want = 8 if v < 0 else cf_byte_count(v)
                if want != w:
                    lint.append("integer %d in %d bytes" % (v, w))
        elif hi == 0x8:
            w = lo + 1
            v = int.from_bytes(raw[pos:pos + w], "big")
            if w != cf_byte_count(v):
                lint.append("UID %d in %d bytes" % (v, w))
        elif hi == 0x5:
            c, pos = read_count(pos, lo)
            if any(ch >= 0x80 for ch in raw[pos:pos + c]):
                lint.append("object %d: non-ASCII bytes in an ASCII string" % i)
        elif hi == 0x6:
            c, pos = read_count(pos, lo)
            units = struct.unpack(">%dH" % c, raw[pos:pos + 2 * c])
            if all(u < 0x80 for u in units):
                lint.append("object %d: ASCII text written as UTF-16" % i)
        elif hi == 0x4:
            read_count(pos, lo)
        elif hi in (0xA, 0xD):
            c, pos = read_count(pos, lo)
            k = c * (2 if hi == 0xD else 1)
            children[i] = [int.from_bytes(raw[pos + j * ref_size:pos + (j + 1) * ref_size], "big")
                           for j in range(k)]
        elif m in (0x08, 0x09, 0x23):
            pass
        else:
            lint.append("object %d: marker 0x%02x is not one Apple's archiver writes" % (i, m))

    seen = {top}
    todo = [top]
    while todo:
        for c in children.get(todo.pop(), []):
            if c not in seen:
                seen.add(c)
                todo.append(c)
    unreferenced = n - len(seen)
    if unreferenced:
        lint.append("%d unreferenced plist objects" % unreferenced)


# ---------------------------------------------------------------------------------------------
# The keyed-archive layer, resolved into plain JSON.

def real_hex(x):
    return struct.pack(">d", x).hex()


class Resolver:
    def __init__(self, objects, lint):
        self.objects = objects
        self.lint = lint
        self.ids = {}
        self.open = set()
        self.used = {0}

    def cls(self, o):
        c = self.objects[o["$class"].data]
        self.used.add(o["$class"].data)
        name = c.get("$classname")
        if name in CHAINS and c.get("$classes") != CHAINS[name]:
            self.lint.append("class %s has the chain %r" % (name, c.get("$classes")))
        return name

    def value(self, ref):
        if not isinstance(ref, UID):
            self.lint.append("inline value where a UID belongs: %r" % (ref,))
            return {"inline": repr(ref)}
        i = ref.data
        self.used.add(i)
        if i == 0:
            return None
        o = self.objects[i]
        if isinstance(o, bool):
            return {"bool": o}
        if isinstance(o, int):
            return {"int": str(o)}
        if isinstance(o, float):
            return {"real": real_hex(o)}
        if isinstance(o, str):
            return {"str": o}
        if isinstance(o, bytes):
            return {"data": o.hex()}
        if not isinstance(o, dict) or "$class" not in o:
            self.lint.append("object %d is not a value nor an instance" % i)
            return {"bad": i}
        name = self.cls(o)
        if name in ("NSMutableDictionary", "NSDictionary", "NSMutableArray", "NSArray"):
            if i in self.open:
                return {"cycle": i}
            if i in self.ids:
                return {"ref": self.ids[i]}
            self.ids[i] = len(self.ids)
            self.open.add(i)
            if name.endswith("Dictionary"):
                keys = [self.value(k) for k in o["NS.keys"]]
                vals = [self.value(v) for v in o["NS.objects"]]
                entries = [[k["str"] if isinstance(k, dict) and "str" in k else {"badkey": k}, v]
                           for k, v in zip(keys, vals)]
                r = {"class": name, "id": self.ids[i], "entries": entries}
            else:
                r = {"class": name, "id": self.ids[i],
                     "items": [self.value(v) for v in o["NS.objects"]]}
            self.open.discard(i)
            return r
        if name == "NSMutableString":
            s = o.get("NS.string")
            if not isinstance(s, str):
                self.lint.append("NSMutableString %d without an inline NS.string" % i)
            return {"mstr": s}
        if name == "NSMutableData":
            return {"mdata": o["NS.data"].hex()}
        if name == "NSUUID":
            b = o.get("NS.uuidbytes")
            if not isinstance(b, bytes) or len(b) != 16:
                self.lint.append("NSUUID %d without 16 bytes" % i)
                return {"uuid": None}
            return {"uuid": str(uuidlib.UUID(bytes=b))}
        if name == "NSDate":
            return {"date": real_hex(o["NS.time"])}
        return {"class": name}


def to_xml_form(x):
    """plistlib's binary reading, with UIDs as libplist prints them."""
    if isinstance(x, UID):
        return {"CF$UID": x.data}
    if isinstance(x, dict):
        return {k: to_xml_form(v) for k, v in x.items()}
    if isinstance(x, list):
        return [to_xml_form(v) for v in x]
    return x


def same_tree(a, b):
    if isinstance(a, float) or isinstance(b, float):
        return isinstance(a, float) and isinstance(b, float) and (a == b or abs(a - b) <= 1e-9 * max(abs(a), abs(b)))
    if type(a) is not type(b):
        return False
    if isinstance(a, dict):
        return a.keys() == b.keys() and all(same_tree(a[k], b[k]) for k in a)
    if isinstance(a, list):
        return len(a) == len(b) and all(same_tree(x, y) for x, y in zip(a, b))
    return a == b


def check_with_plistutil(path, tree):
    tool = shutil.which("plistutil")
    if not tool:
        return "missing"
    p = subprocess.run([tool, "-i", path], capture_output=True)
    if p.returncode != 0:
        return "plistutil failed: %s" % p.stderr.decode(errors="replace")
    try:
        xml = plistlib.loads(p.stdout)
    except Exception as e:  # noqa: BLE001 - any parse failure is the finding
        return "plistutil output unreadable: %s" % e
    return "ok" if same_tree(xml, to_xml_form(tree)) else "plistutil reads a different tree"


def check(path):
    with open(path, "rb") as f:
        raw = f.read()
    lint = []
    lint_bplist(raw, lint)
    d = plistlib.loads(raw)
    if list(d.keys()) != ["$version", "$archiver", "$top", "$objects"]:
        lint.append("envelope keys %r" % list(d.keys()))
    if d.get("$archiver") != "NSKeyedArchiver":
        lint.append("$archiver %r" % d.get("$archiver"))
    v = d.get("$version")
    if not isinstance(v, int) or isinstance(v, bool) or v != 100000:
        lint.append("$version %r" % v)
    objects = d["$objects"]
    if objects[0] != "$null":
        lint.append("$objects[0] is %r" % objects[0])
    names = [o["$classname"] for o in objects if isinstance(o, dict) and "$classname" in o]
    if len(names) != len(set(names)):
        lint.append("a class has several class dictionaries: %r" % names)
    top = d["$top"]
    if list(top.keys()) != ["root"]:
        lint.append("$top keys %r" % list(top.keys()))
    r = Resolver(objects, lint)
    graph = r.value(top["root"])
    # Class dictionaries are reached through $class; everything else through the graph.
    unused = [i for i in range(len(objects)) if i not in r.used]
    if unused:
        lint.append("unreferenced archive objects %r" % unused[:10])
    root_keys = []
    if isinstance(graph, dict) and "entries" in graph:
        root_keys = [e[0] for e in graph["entries"]]
    print(json.dumps({"graph": graph, "rootKeys": root_keys, "lint": lint,
                      "plistutil": check_with_plistutil(path, d)}))


# ---------------------------------------------------------------------------------------------
# A writer with chosen widths, for reader tests.

def rewrite(args):
    src, dst = args[0], args[1]
    opts = {"ref": None, "offset": None, "reverse": False, "int16": set(), "intw": None,
            "uidw": None, "patch": None}
    i = 2
    while i < len(args):
        a = args[i]
        if a == "--reverse":
            opts["reverse"] = True
            i += 1
            continue
        val = args[i + 1]
        if a == "--ref-size":
            opts["ref"] = int(val)
        elif a == "--offset-size":
            opts["offset"] = int(val)
        elif a == "--int16":
            opts["int16"].add(int(val))
        elif a == "--int-width":
            opts["intw"] = int(val)
        elif a == "--uid-width":
            opts["uidw"] = int(val)
        elif a == "--patch":
            opts["patch"] = val
        else:
            raise SystemExit("unknown option " + a)
        i += 2
    with open(src, "rb") as f:
        d = plistlib.load(f)
    if opts["patch"]:
        exec(opts["patch"], {"d": d, "UID": UID})

    objs = []

    def flatten(x):
        idx = len(objs)
        objs.append(None)
        if isinstance(x, dict):
            keys = [flatten(k) for k in x.keys()]
            vals = [flatten(v) for v in x.values()]
            objs[idx] = ("dict", keys + vals)
        elif isinstance(x, list):
            objs[idx] = ("array", [flatten(v) for v in x])
        else:
            objs[idx] = ("leaf", x)
        return idx

    flatten(d)
    n = len(objs)
    rs = opts["ref"] or cf_byte_count(n)

    def count(marker, c):
        if c < 15:
            return bytes([marker | c])
        return bytes([marker | 0xF]) + encode_int(c, None)

    def encode_int(v, width):
        if v in opts["int16"]:
            return b"\x14" + v.to_bytes(16, "big", signed=True)
        w = width or (8 if v < 0 else cf_byte_count(v))
        if v > (1 << 63) - 1:
            return b"\x14" + v.to_bytes(16, "big")
        return bytes([0x10 | {1: 0, 2: 1, 4: 2, 8: 3}[w]]) + v.to_bytes(w, "big", signed=v < 0)

    def encode(o):
        kind, body = o
        if kind == "dict":
            return count(0xD0, len(body) // 2) + b"".join(r.to_bytes(rs, "big") for r in body)
        if kind == "array":
            return count(0xA0, len(body)) + b"".join(r.to_bytes(rs, "big") for r in body)
        x = body
        if isinstance(x, bool):
            return b"\x09" if x else b"\x08"
        if isinstance(x, UID):
            w = opts["uidw"] or cf_byte_count(x.data)
            return bytes([0x80 | (w - 1)]) + x.data.to_bytes(w, "big")
        if isinstance(x, int):
            return encode_int(x, opts["intw"])
        if isinstance(x, float):
            return b"\x23" + struct.pack(">d", x)
        if isinstance(x, bytes):
            return count(0x40, len(x)) + x
        if isinstance(x, str):
            if all(ord(c) < 0x80 for c in x):
                return count(0x50, len(x)) + x.encode("ascii")
            b = x.encode("utf-16-be")
            return count(0x60, len(b) // 2) + b
        raise SystemExit("cannot write %r" % (x,))

    order = list(range(n))
    if opts["reverse"]:
        order.reverse()
    out = bytearray(b"bplist00")
    offsets = [0] * n
    for k in order:
        offsets[k] = len(out)
        out += encode(objs[k])
    table = len(out)
    osz = opts["offset"] or cf_byte_count(table)
    for off in offsets:
        out += off.to_bytes(osz, "big")
    out += bytes(6) + bytes([osz, rs]) + n.to_bytes(8, "big") + (0).to_bytes(8, "big") \
        + table.to_bytes(8, "big")
    with open(dst, "wb") as f:
        f.write(out)


if __name__ == "__main__":
    if len(sys.argv) >= 3 and sys.argv[1] == "check":
        check(sys.argv[2])
    elif len(sys.argv) >= 4 and sys.argv[1] == "rewrite":
        rewrite(sys.argv[2:])
    else:
        raise SystemExit(__doc__)
