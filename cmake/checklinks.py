#!/usr/bin/env python3
"""Checks the layering at link level: every symbol a library's object files need must be defined
by the library itself, by a library it depends on (directly or not), or by none of the project's
libraries (then an imported or system library provides it: Qt, libpq, the C++ runtime, the
sanitizers).

    checklinks.py <layering.txt> <folder with the static libraries> [nm]

The layering table is the one sdelka_layering() writes (cmake/Sdelka.cmake): name, folder, the
folders it may include (its own and those of the libraries it stands on), the folders it must not
reach. A library that is planned (no archive yet) is skipped. Only strong definitions count as a
library's own: inline functions and template instances are defined weakly wherever they are used.
Prints each violation as "library: needs symbol, defined only by other-library" and exits 1 when
there is one."""
import os
import subprocess
import sys

STRONG = set("TDBRGSC")  # text, data, bss, read-only, small data, common: strong definitions


def nm(tool, archive):
    out = subprocess.run([tool, "--format=posix", "-g", archive], check=True,
                         capture_output=True, text=True).stdout
    defined, undefined = set(), set()
    for line in out.splitlines():
        parts = line.split()
        # "name type [value size]"; archive member headers end with ':' or ']:'.
        if len(parts) < 2 or parts[0].endswith(":") or parts[0].endswith("]:"):
            continue
        name, kind = parts[0], parts[1]
        if kind == "U":
            undefined.add(name)
        elif kind in STRONG:
            defined.add(name)
    return defined, undefined - defined


def main(argv):
    if len(argv) < 3:
        print(__doc__)
        return 2
    table, libdir = argv[1], argv[2]
    tool = argv[3] if len(argv) > 3 else "nm"
    libs = []  # (name, folder, allowed folders)
    with open(table, encoding="utf-8") as f:
        for row in f:
            if row.startswith("#") or not row.strip():
                continue
            name, folder, allowed = row.split()[:3]
            libs.append((name, folder, allowed.split(",")))
    folder_of = {name: folder for name, folder, _ in libs}
    symbols = {}
    for name, _, _ in libs:
        archive = os.path.join(libdir, "lib%s.a" % name)
        if os.path.exists(archive):
            symbols[name] = nm(tool, archive)
    owner = {}
    for name, (defined, _) in symbols.items():
        for s in defined:
            owner.setdefault(s, []).append(name)
    violations = 0
    for name, folder, allowed in libs:
        if name not in symbols:
            continue
        may = {lib for lib, f in folder_of.items() if f in allowed}
        bad = {}
        for s in symbols[name][1]:
            owners = owner.get(s)
            if owners and not any(o in may for o in owners):
                bad.setdefault(", ".join(sorted(owners)), []).append(s)
        for owners, names in sorted(bad.items()):
            violations += len(names)
            names.sort()
            shown = subprocess.run(["c++filt"], input="\n".join(names[:5]), capture_output=True,
                                   text=True).stdout.split("\n") if names else []
            more = " and %d more" % (len(names) - 5) if len(names) > 5 else ""
            print("%s: needs %s%s, defined only by %s, which %s does not depend on"
                  % (name, "; ".join(x for x in shown if x), more, owners, name))
    if violations:
        print("layering: %d symbol(s) needed against the dependencies declared in CMakeLists.txt"
              % violations)
        return 1
    print("layering: the symbols of %d libraries resolve within their dependencies" % len(symbols))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
