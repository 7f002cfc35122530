#!/usr/bin/env python3
"""Writes the regression inputs of the faults the fuzz targets and planted faults found, in
each target's input format. Run again after changing a target's format."""

import plistlib
import struct
from pathlib import Path

UID = plistlib.UID
HERE = Path(__file__).resolve().parent / "regressions"


class Archive:
    def __init__(self):
        self.objects = ["$null"]
        self.classes = {}

    def add(self, obj):
        self.objects.append(obj)
        return UID(len(self.objects) - 1)

    def cls(self, *chain):
        if chain not in self.classes:
            self.classes[chain] = self.add({"$classname": chain[0], "$classes": list(chain)})
        return self.classes[chain]

    def instance(self, chain, **fields):
        fields["$class"] = self.cls(*chain)
        return self.add(fields)

    def array(self, items):
        return self.instance(("NSMutableArray", "NSArray", "NSObject"), **{"NS.objects": items})

    def dict(self, entries):
        keys = [self.add(k) for k in entries]
        return self.instance(("NSMutableDictionary", "NSDictionary", "NSObject"),
                             **{"NS.keys": keys, "NS.objects": list(entries.values())})

    def document(self, keys=(), records=(), **extra):
        root = {"appversion": self.add(10000), "keyArray": self.array(list(keys)),
                "dataArray": self.array(list(records)),
                "universalFilePrototypeArray": self.array([])}
        root.update(extra)
        top = self.dict(root)
        return plistlib.dumps({"$version": 100000, "$archiver": "NSKeyedArchiver",
                               "$top": {"root": top}, "$objects": self.objects},
                              fmt=plistlib.FMT_BINARY, sort_keys=False)


def key(a, inner, public, **more):
    return a.dict({"innerKey": a.add(inner), "publicKey": a.add(public),
                   **{k: a.add(v) for k, v in more.items()}})


def documents():
    a = Archive()
    shared = a.add(b"x" * (32 << 10))
    record = a.dict({"1": a.add(1), "3": a.array([shared] * 32768)})
    yield "shared-data-32768x32k.bplist", a.document(records=[record])

    a = Archive()
    null = a.instance(("NSNull", "NSObject"))
    s = a.instance(("NSSet", "NSObject"), **{"NS.objects": [a.add("red"), null]})
    record = a.dict({"1": a.add(1), "3": a.add("Ann"), "4": null, "5": s})
    yield "unknown-classes.bplist", a.document(records=[record], futureSet=s)

    a = Archive()
    keys = [key(a, "1", "#"), key(a, "2", "sel"), key(a, 3, 42, color="red")]
    record = a.dict({"1": a.add(1), "3": a.add("Ann")})
    yield "numeric-field-keys.bplist", a.document(keys=keys, records=[record])

    a = Archive()
    yield "missing-tabs.bplist", a.document()


def cstr(s):
    return s.encode() + b"\0"


def substitutions():
    n = 26
    tags = ["<F%d>" % i for i in range(n)]
    values = [tags[i + 1] * 2 if i + 1 < n else "x" for i in range(n)]
    body = cstr("<F0><F0>") + bytes([n])
    for t, v in zip(tags, values):
        body += cstr(t) + cstr(v)
    body += cstr("7")
    yield "bomb-26-fields", body + bytes(8 * 2 + 2 + 8) + cstr("1") + cstr("1") + cstr("5")

    most_negative = struct.pack(">q", -(1 << 63))
    body = cstr("<#>") + bytes([0]) + cstr("7") + struct.pack(">q", 7) + struct.pack(">q", 0)
    body += bytes([1, 1]) + most_negative + cstr("1") + cstr("1") + cstr("-9223372036854775808")
    yield "counter-most-negative-length", body


for name, data in documents():
    (HERE / "document" / name).write_bytes(data)
for name, data in substitutions():
    (HERE / "substitution" / name).write_bytes(data)
