#!/usr/bin/env python3
"""Checks the layering check: in a small tree of two libraries, "low" and "high", a header
violation (high includes low's header without depending on it), a reach through a chain of
includes into a library declared WITHOUT, and a link-level violation (high calls a function only
low defines, declared by hand so no include shows it) must each fail the check, and the same tree
with high depending on low must pass it.

    layering_selftest.py <cmake> <folder of CheckLayering.cmake> <c++ compiler> <ar> <nm>"""
import os
import subprocess
import sys
import tempfile

cmake, here, cxx, ar, nm = sys.argv[1:6]


def write(root, rel, text):
    path = os.path.join(root, rel)
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "w", encoding="utf-8") as f:
        f.write(text)


def table(root, high_allowed, high_banned="-"):
    write(root, "layering.txt",
          "low low low -\n"
          "mid mid mid,low -\n"
          "high high %s %s\n" % (high_allowed, high_banned))
    return os.path.join(root, "layering.txt")


def check(root, tbl, libdir=None):
    args = [cmake, "-DSOURCE_DIR=" + root, "-DTABLE=" + tbl]
    if libdir:
        args += ["-DLIBDIR=" + libdir, "-DNM=" + nm]
    r = subprocess.run(args + ["-P", os.path.join(here, "CheckLayering.cmake")],
                       capture_output=True, text=True)
    return r.returncode == 0, r.stdout + r.stderr


def archive(root, lib, sources):
    objs = []
    for s in sources:
        o = os.path.join(root, "build", os.path.basename(s) + ".o")
        os.makedirs(os.path.dirname(o), exist_ok=True)
        subprocess.run([cxx, "-c", "-I", root, os.path.join(root, s), "-o", o], check=True)
        objs.append(o)
    a = os.path.join(root, "build", "lib%s.a" % lib)
    if os.path.exists(a):
        os.remove(a)
    subprocess.run([ar, "rcs", a] + objs, check=True)


failures = []


def expect(name, ok, want, out):
    if ok != want:
        failures.append("%s: the check %s\n%s" % (name, "passed" if ok else "failed", out))


with tempfile.TemporaryDirectory() as root:
    write(root, "low/low.h", "#pragma once\nint LowValue();\n")
    write(root, "low/low.cpp", '#include "low/low.h"\nint LowValue() { return 7; }\n')
    write(root, "mid/mid.h", '#pragma once\n#include "low/low.h"\n')
    write(root, "mid/mid.cpp", '#include "mid/mid.h"\n')
    # high needs low's function without including its header: only the symbols show it.
    write(root, "high/high.cpp", "int LowValue();\nint HighValue() { return LowValue() + 1; }\n")
    archive(root, "low", ["low/low.cpp"])
    archive(root, "mid", ["mid/mid.cpp"])
    archive(root, "high", ["high/high.cpp"])
    libdir = os.path.join(root, "build")

    ok, out = check(root, table(root, "high,low"), libdir)
    expect("high depending on low", ok, True, out)
    ok, out = check(root, table(root, "high"), libdir)
    expect("a symbol only low defines", ok, False, out)
    if not ok and "needs LowValue()" not in out:
        failures.append("the link-level failure does not name the symbol:\n" + out)
    ok, out = check(root, table(root, "high"))
    expect("the same tree without the symbol check", ok, True, out)

    write(root, "high/high.h", '#pragma once\n#include "low/low.h"\n')
    ok, out = check(root, table(root, "high"))
    expect("an include of low's header", ok, False, out)
    os.remove(os.path.join(root, "high/high.h"))

    write(root, "high/high.h", '#pragma once\n#include "mid/mid.h"\n')
    ok, out = check(root, table(root, "high,mid,low", "low"))
    expect("a reach into a library declared WITHOUT", ok, False, out)
    ok, out = check(root, table(root, "high,mid,low"))
    expect("the same reach when allowed", ok, True, out)

if failures:
    print("\n".join(failures))
    sys.exit(1)
print("layering_selftest: planted include and symbol violations are caught, the clean tree passes")
