#!/usr/bin/python3
"""Checks the packages a setup executable is about to carry.

  check_package_set.py --product-code CODE --version VERSION
                       --language CODE=PACK_PRODUCT_CODE ... (the language table)
                       --main MAIN.msi [--pack CODE=PACK.msi ...] [--stamp FILE]

Refuses (exit 1, one line per fault naming the file, the field, the value
found and the value expected) a set that would install wrongly:

  * every file is a Windows Installer database;
  * the main package has the product's code and version, an embedded
    transform "silent" and one named after every carried language;
  * each language pack has its language's pack product code and the
    product's version;
  * every carried language is in the language table, none twice, and the
    main package is not also a pack.

With --stamp, the file is written when the set passes, for the build's
dependency tracking. Run it with Debian's /usr/bin/python3: it needs
gi.repository.Gsf.
"""

import argparse
import hashlib
import os
import subprocess
import sys

import gi
gi.require_version("Gsf", "1")
from gi.repository import GLib, Gsf  # noqa: E402

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from finish_msi import CLSID_MSI_DATABASE, SUMMARY_STREAM, root_class_id  # noqa: E402


class Package:
    """What the check needs from one .msi file, or why it is none."""

    def __init__(self, path, msiinfo):
        self.path = path
        self.fault = None
        self.properties = {}
        self.transforms = set()
        try:
            infile = Gsf.InfileMSOle.new(Gsf.InputStdio.new(path))
            class_id = root_class_id(path)
        except (GLib.Error, OSError, SystemExit) as error:
            self.fault = "is not a Windows Installer database (%s)" % getattr(error, "message", error)
            return
        if class_id != CLSID_MSI_DATABASE:
            self.fault = ("is not a Windows Installer database: class id {%s}, expected {%s}"
                          % (str(class_id).upper(), str(CLSID_MSI_DATABASE).upper()))
            return
        # An embedded transform is a sub-storage with summary information of its own.
        for i in range(infile.num_children()):
            child = infile.child_by_index(i)
            if child.num_children() > 0 and child.child_by_name(SUMMARY_STREAM) is not None:
                self.transforms.add(infile.name_by_index(i))
        export = subprocess.run([msiinfo, "export", path, "Property"],
                                capture_output=True, text=True)
        if export.returncode != 0:
            self.fault = "has no readable Property table (%s)" % export.stderr.strip()
            return
        for line in export.stdout.splitlines()[3:]:
            name, _, value = line.partition("\t")
            self.properties[name] = value
        with open(path, "rb") as f:
            self.digest = hashlib.sha256(f.read()).hexdigest()


def check(args):
    faults = []
    table = {}
    for entry in args.language:
        code, _, product_code = entry.partition("=")
        table[code] = product_code

    def expect(package, field, expected):
        found = package.properties.get(field)
        if found != expected:
            faults.append("%s: %s is %s, expected %s"
                          % (package.path, field, "missing" if found is None else found, expected))

    main = Package(args.main, args.msiinfo)
    packs = []
    carried = []
    for entry in args.pack:
        code, sep, path = entry.partition("=")
        if not sep or not path:
            faults.append("language pack entry %r: expected CODE=PATH" % entry)
            continue
        if code not in table:
            faults.append("%s: language %s is not one of the language table (%s)"
                          % (path, code, " ".join(table)))
            continue
        if code in carried:
            faults.append("%s: language %s is carried twice" % (path, code))
            continue
        carried.append(code)
        packs.append((code, Package(path, args.msiinfo)))

    for package in [main] + [pack for _, pack in packs]:
        if package.fault:
            faults.append("%s %s" % (package.path, package.fault))

    if not main.fault:
        expect(main, "ProductCode", args.product_code)
        expect(main, "ProductVersion", args.version)
        for name in ["silent"] + carried:
            if name not in main.transforms:
                faults.append("%s: embedded transform %s is missing, expected for %s"
                              % (main.path, name,
                                 "/silent" if name == "silent" else "the carried language " + name))
    for code, pack in packs:
        if pack.fault:
            continue
        if not main.fault and pack.digest == main.digest:
            faults.append("%s: the main package is also the language pack of %s" % (pack.path, code))
        expect(pack, "ProductCode", table[code])
        expect(pack, "ProductVersion", args.version)
    return faults


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--msiinfo", default="msiinfo")
    parser.add_argument("--product-code", required=True)
    parser.add_argument("--version", required=True)
    parser.add_argument("--language", action="append", default=[], required=True,
                        help="CODE=PACK_PRODUCT_CODE, one per row of the language table")
    parser.add_argument("--main", required=True)
    parser.add_argument("--pack", action="append", default=[], help="CODE=PATH")
    parser.add_argument("--stamp")
    args = parser.parse_args()
    faults = check(args)
    if faults:
        for fault in faults:
            print("package check: " + fault, file=sys.stderr)
        return 1
    if args.stamp:
        with open(args.stamp, "w") as f:
            f.write("checked: %s %s\n" % (args.main, " ".join(args.pack)))
    return 0


if __name__ == "__main__":
    sys.exit(main())
