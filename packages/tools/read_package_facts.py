#!/usr/bin/python3
"""Writes the facts of a main package for the deployment metadata.

  read_package_facts.py [--msiinfo MSIINFO] PACKAGE.msi FACTS

Reads PACKAGE.msi with the package check's reader (check_package_set.Package)
and writes FACTS anew, NAME=VALUE lines: the SHA-256 of the package's bytes,
its ProductCode, UpgradeCode, ProductVersion, ProductName and Manufacturer.
The build runs it on the package it takes back out of the finished setup
executable (orvex-stamp --main-package); orvex-stamp then writes the
metadata from FACTS only for an executable that carries exactly these bytes.
Exit 1, naming the fault, for a file that is no Windows Installer database
or lacks one of the properties. Run it with Debian's /usr/bin/python3.
"""

import argparse
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from check_package_set import Package  # noqa: E402

FIELDS = ["ProductCode", "UpgradeCode", "ProductVersion", "ProductName", "Manufacturer"]


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--msiinfo", default="msiinfo")
    parser.add_argument("package")
    parser.add_argument("facts")
    args = parser.parse_args()
    package = Package(args.package, args.msiinfo)
    if package.fault:
        print("read_package_facts: %s %s" % (package.path, package.fault), file=sys.stderr)
        return 1
    missing = [field for field in FIELDS if not package.properties.get(field)]
    if missing:
        print("read_package_facts: %s: no %s in the Property table" % (package.path, ", ".join(missing)),
              file=sys.stderr)
        return 1
    lines = ["# The main package of the setup executable beside this file, read back from it.",
             "PackageSha256=" + package.digest]
    lines += ["%s=%s" % (field, package.properties[field]) for field in FIELDS]
    with open(args.facts, "x", encoding="utf-8") as f:
        f.write("\n".join(lines) + "\n")
    return 0


if __name__ == "__main__":
    sys.exit(main())
