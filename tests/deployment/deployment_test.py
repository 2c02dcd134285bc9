#!/usr/bin/python3
"""The deployment metadata, read back as winget, Intune and an administrator read it.

  deployment_test.py metadata|batch --source DIR --build DIR --tool ORVEX-STAMP
                     --main-package MSI --msiinfo MSIINFO --certificate PEM [--schemas DIR]

metadata: the files the win32 build wrote beside OrvexUtilities2011Setup.exe
are valid against the winget schemas (when --schemas holds them), name the
file's own SHA-256 and the ProductCode, UpgradeCode and version of the package
it carries, the setup's switches, and every exit code as the outcome table
(base/outcome.h, compiled here) says; a scratch copy of the tool built with a
changed code writes the changed code; an unsigned file gets no metadata, and a
failed signing removes the executable and its metadata.
batch: two affiliates give two signed copies that verify, carry their tags and
their own hashes and addresses, and pass sha256sum -c; every bad line, and an
output that exists as a link, refuses the batch and writes nothing.
"""

import argparse
import hashlib
import json
import os
import shutil
import subprocess
import sys
import tempfile

import yaml

STEM = "OrvexUtilities2011Setup"
IDENTIFIER = "Orvex.Utilities2011"
SCHEMAS = {IDENTIFIER + ".yaml": "version", IDENTIFIER + ".installer.yaml": "installer",
           IDENTIFIER + ".locale.en-US.yaml": "defaultLocale"}
failures = []


def check(what, ok, detail=""):
    print(("ok: " if ok else "FAILED: ") + what + ("" if ok or not detail else " (%s)" % detail))
    if not ok:
        failures.append(what)


def run(*command, cwd=None):
    return subprocess.run(command, capture_output=True, text=True, cwd=cwd)


def sha256(path):
    with open(path, "rb") as f:
        return hashlib.sha256(f.read()).hexdigest()


def read_metadata(folder):
    manifests = {}
    for name in SCHEMAS:
        with open(os.path.join(folder, STEM + ".winget", name), encoding="utf-8") as f:
            manifests[name] = yaml.safe_load(f)
    with open(os.path.join(folder, STEM + ".deployment.json"), encoding="utf-8") as f:
        return manifests, json.load(f)


def validate(args, manifests, where):
    try:
        import jsonschema
    except ImportError:
        print("SKIPPED: schema validation of %s (python3-jsonschema is not installed)" % where)
        return
    if not args.schemas or not os.path.isdir(args.schemas):
        print("SKIPPED: schema validation of %s (no winget schemas at %s)" % (where, args.schemas))
        return
    for name, kind in SCHEMAS.items():
        with open(os.path.join(args.schemas, "manifest.%s.1.10.0.json" % kind)) as f:
            schema = json.load(f)
        errors = [e.message for e in jsonschema.Draft7Validator(
            schema, format_checker=jsonschema.FormatChecker()).iter_errors(manifests[name])]
        check("%s: %s is valid against the %s schema" % (where, name, kind), not errors, "; ".join(errors))


def table_codes(source, workdir):
    """The unattended exit codes of the outcome table and the installer results it names, as
    (code, winget response or None, verdict), compiled from base/outcome.h in `source`."""
    program = os.path.join(workdir, "dump_table.cpp")
    with open(program, "w") as f:
        f.write(r'''#include <cstdio>
#include "base/outcome.h"
int main() {
  const char* verdicts[] = {"success", "softReboot", "hardReboot", "retry", "failed"};
  const OutcomeRow* passes = nullptr;
  for (const OutcomeRow& row : kOutcomeTable) {
    if (row.unattended.rule == ExitRule::InstallerResult) passes = &row;
    if (row.unattended.rule != ExitRule::Fixed) continue;
    std::printf("%d %s %s\n", row.unattended.code, row.wingetResponse ? row.wingetResponse : "-",
                verdicts[static_cast<int>(row.verdict)]);
  }
  for (const InstallerResultMeaning& m : kInstallerResultMeanings)
    std::printf("%u %s %s\n", m.result, m.wingetResponse, verdicts[static_cast<int>(passes->verdict)]);
}
''')
    binary = os.path.join(workdir, "dump_table")
    built = run("c++", "-std=c++20", "-I", source, program, "-o", binary)
    if built.returncode != 0:
        sys.exit("cannot compile the outcome table: " + built.stderr)
    codes = {}
    for line in run(binary).stdout.splitlines():
        code, response, verdict = line.split()
        codes.setdefault(int(code), (None if response == "-" else response, verdict))
    return codes


def check_codes(where, manifests, application, codes):
    installer = manifests[IDENTIFIER + ".installer.yaml"]
    success = [c for c, (_, verdict) in codes.items() if c != 0 and verdict in ("success", "softReboot", "hardReboot")]
    check(where + ": InstallerSuccessCodes are the table's successes", installer.get("InstallerSuccessCodes") == success,
          installer.get("InstallerSuccessCodes"))
    expected = {c: response for c, (response, _) in codes.items() if c != 0 and response}
    found = {e["InstallerReturnCode"]: e["ReturnResponse"] for e in installer.get("ExpectedReturnCodes", [])}
    check(where + ": ExpectedReturnCodes are the table's", found == expected, found)
    intune = {r["returnCode"]: r["type"] for r in application["returnCodes"]}
    check(where + ": Intune's returnCodes are the table's", intune == {c: v for c, (_, v) in codes.items()}, intune)


def check_executable(where, folder, manifests, application, url):
    exe = os.path.join(folder, STEM + ".exe")
    digest = sha256(exe)
    installer = manifests[IDENTIFIER + ".installer.yaml"]
    entry = installer["Installers"][0]
    check(where + ": InstallerSha256 is the file's", entry["InstallerSha256"] == digest.upper(), entry["InstallerSha256"])
    check(where + ": InstallerUrl is its address", entry["InstallerUrl"] == url, entry["InstallerUrl"])
    check(where + ": the Intune notes name the file's hash", digest in application["notes"])
    return installer


def metadata(args, workdir):
    build = args.build
    manifests, application = read_metadata(build)
    validate(args, manifests, "build")
    url = manifests[IDENTIFIER + ".installer.yaml"]["Installers"][0]["InstallerUrl"]
    installer = check_executable("build", build, manifests, application, url)

    # The package the executable carries, read with msiinfo alone.
    with open(args.main_package, "rb") as f:
        package = f.read()
    with open(os.path.join(build, STEM + ".exe"), "rb") as f:
        check("the executable carries the main package", package in f.read())
    export = run(args.msiinfo, "export", args.main_package, "Property").stdout.splitlines()[3:]
    properties = dict(line.split("\t", 1) for line in export)
    arp = installer["AppsAndFeaturesEntries"][0]
    for where, field, value in [("ProductCode", "ProductCode", installer["ProductCode"]),
                                ("PackageVersion", "ProductVersion", installer["PackageVersion"]),
                                ("ARP ProductCode", "ProductCode", arp["ProductCode"]),
                                ("ARP UpgradeCode", "UpgradeCode", arp["UpgradeCode"]),
                                ("ARP DisplayVersion", "ProductVersion", arp["DisplayVersion"]),
                                ("ARP DisplayName", "ProductName", arp["DisplayName"]),
                                ("ARP Publisher", "Manufacturer", arp["Publisher"])]:
        check("%s %s is the package's %s" % (where, value, field), properties.get(field) == value,
              properties.get(field))
    rule = application["detectionRules"][0]
    check("Intune detects the package's code and version",
          (rule["productCode"], rule["productVersion"], rule["productVersionOperator"])
          == (properties["ProductCode"], properties["ProductVersion"], "greaterThanOrEqual"), rule)
    check("Intune uninstalls the package", application["uninstallCommandLine"]
          == "msiexec /x %s /qn" % properties["ProductCode"])
    check("Intune installs unattended", application["installCommandLine"] == STEM + ".exe /silent /unattended")
    check("the switches", installer["InstallerSwitches"] == {
        "Silent": "/silent /unattended", "SilentWithProgress": "/reducedui /unattended", "Log": '/log "<LOGPATH>"'},
        installer["InstallerSwitches"])
    check("the manifest's administrator request", installer.get("ElevationRequirement") == "elevatesSelf")
    check_codes("build", manifests, application, table_codes(args.source, workdir))

    # A scratch copy of the tool with one code of the table changed writes the changed code.
    scratch = os.path.join(workdir, "scratch")
    for folder in ["tools/stamp", "tag", "base", "app"]:
        shutil.copytree(os.path.join(args.source, folder), os.path.join(scratch, folder))
    header = os.path.join(scratch, "base", "outcome.h")
    with open(header) as f:
        text = f.read()
    assert "kExitInstallInProgress = 1618;" in text
    with open(header, "w") as f:
        f.write(text.replace("kExitInstallInProgress = 1618;", "kExitInstallInProgress = 1620;"))
    sources = [os.path.join(scratch, s) for s in ["tag/tag_format.cpp"]] + [
        os.path.join(scratch, "tools/stamp", s) for s in os.listdir(os.path.join(scratch, "tools/stamp"))
        if s.endswith(".cpp") and s != "tag_bench.cpp"]
    tool = os.path.join(workdir, "orvex-stamp-scratch")
    built = run("c++", "-std=c++20", "-I", scratch, "-I", os.path.join(build, "generated"), *sources, "-o", tool)
    if built.returncode != 0:
        sys.exit("cannot build the scratch tool: " + built.stderr)
    copy = os.path.join(workdir, "changed")
    os.mkdir(copy)
    for name in [STEM + ".exe", STEM + ".package-facts"]:
        shutil.copy(os.path.join(build, name), copy)
    wrote = run(tool, "--metadata", "--download-url", url, os.path.join(copy, STEM + ".exe"))
    check("the scratch tool writes metadata", wrote.returncode == 0, wrote.stderr)
    changed = table_codes(scratch, workdir)
    check("the scratch table has 1620 in place of 1618", 1620 in changed and 1618 not in changed)
    check_codes("scratch", *read_metadata(copy), changed)

    # Names YAML would read as something else, or that end its plain scalars, read back as written.
    hostile = os.path.join(workdir, "hostile")
    os.mkdir(hostile)
    shutil.copy(os.path.join(build, STEM + ".exe"), hostile)
    names = {"ProductName": 'Orvex: "2011" #1 \\ \u00fcber \U0001F600', "Manufacturer": "no"}
    with open(os.path.join(build, STEM + ".package-facts"), encoding="utf-8") as f:
        facts = [line.split("=", 1)[0] + "=" + names[line.split("=", 1)[0]] + "\n"
                 if line.split("=", 1)[0] in names else line for line in f]
    with open(os.path.join(hostile, STEM + ".package-facts"), "w", encoding="utf-8") as f:
        f.writelines(facts)
    wrote = run(args.tool, "--metadata", "--download-url", url, os.path.join(hostile, STEM + ".exe"))
    arp = read_metadata(hostile)[0][IDENTIFIER + ".installer.yaml"]["AppsAndFeaturesEntries"][0]
    check("names with quotes, colons, '#', 'no' and non-ASCII read back", wrote.returncode == 0 and
          (arp["DisplayName"], arp["Publisher"]) == (names["ProductName"], names["Manufacturer"]), arp)

    # No metadata for an unsigned file; a failed signing takes the executable and its metadata.
    unsigned = os.path.join(workdir, "unsigned")
    os.mkdir(unsigned)
    shutil.copy(os.path.join(build, "unsigned", STEM + ".exe"), unsigned)
    shutil.copy(os.path.join(build, STEM + ".package-facts"), unsigned)
    refused = run(args.tool, "--metadata", "--download-url", url, os.path.join(unsigned, STEM + ".exe"))
    check("an unsigned file gets no metadata", refused.returncode == 4
          and sorted(os.listdir(unsigned)) == [STEM + ".exe", STEM + ".package-facts"], refused.stderr)
    for case, command in [("signing fails", "false"), ("signing leaves the file unsigned", "true")]:
        leftover = os.path.join(workdir, case.replace(" ", "-"))
        shutil.copytree(copy, leftover)
        signed = run("cmake", "-DFILE=" + os.path.join(leftover, STEM + ".exe"), "-DMODE=command",
                     "-DCOMMAND=" + command, "-DSTAMP_TOOL=" + args.tool, "-DTAG=AFFILIATEID=x",
                     "-DDOWNLOAD_URL=" + url, "-DPYTHON=" + sys.executable, "-DMSIINFO=" + args.msiinfo,
                     "-DFACTS_READER=" + os.path.join(args.source, "packages/tools/read_package_facts.py"),
                     "-P", os.path.join(args.source, "cmake/sign_executable.cmake"))
        check("%s: the build stops and leaves neither executable nor metadata" % case,
              signed.returncode != 0 and os.listdir(leftover) == [], os.listdir(leftover))


def batch(args, workdir):
    exe = os.path.join(args.build, STEM + ".exe")
    affiliates = [("acme", "https://downloads.acme.example/orvex/" + STEM + ".exe",
                   "AFFILIATEID=qzv2011aid31051en-US&AFFILIATEIDFLAGS=.0"),
                  ("Beta_2", "https://beta.example/setup?id=31052", "AFFILIATEID=qzv2011aid31052de-DE")]
    listing = os.path.join(workdir, "affiliates.txt")
    with open(listing, "w") as f:
        f.write("".join("\t".join(a) + "\r\n" for a in affiliates))
    out = os.path.join(workdir, "out")
    stamped = run(args.tool, "--batch", listing, "--output-dir", out, exe)
    check("the batch of two", stamped.returncode == 0, stamped.stderr)
    for name, url, tag in affiliates:
        folder = os.path.join(out, name)
        copy = os.path.join(folder, STEM + ".exe")
        verified = run("osslsigncode", "verify", "-CAfile", args.certificate, copy)
        check(name + ": the signature verifies", verified.returncode == 0, verified.stdout[-300:])
        check(name + ": the tag reads back", run(args.tool, "--read", copy).stdout == tag + "\n")
        manifests, application = read_metadata(folder)
        validate(args, manifests, name)
        check_executable(name, folder, manifests, application, url)
    summed = run("sha256sum", "-c", "SHA256SUMS", cwd=out)
    check("sha256sum -c SHA256SUMS", summed.returncode == 0 and summed.stdout.count(": OK") == 2, summed.stdout)

    good = "\t".join(affiliates[0]) + "\n"
    bad_lines = {
        "a name with a separator": "a/b\thttps://x.example/s.exe\tAFFILIATEID=1",
        "a name that climbs": "..\thttps://x.example/s.exe\tAFFILIATEID=1",
        "an empty name": "\thttps://x.example/s.exe\tAFFILIATEID=1",
        "a name twice, in other case": "ACME\thttps://x.example/s.exe\tAFFILIATEID=1",
        "an http address": "b\thttp://x.example/s.exe\tAFFILIATEID=1",
        "a blank in the address": "b\thttps://x.example/a b.exe\tAFFILIATEID=1",
        "a quote in the address": 'b\thttps://x.example/a".exe\tAFFILIATEID=1',
        "a tag the setup ignores": "b\thttps://x.example/s.exe\tAFFILIATEID=1&INSTALLDIR=C:",
        "two fields": "b\thttps://x.example/s.exe",
    }
    for case, line in bad_lines.items():
        with open(listing, "w") as f:
            f.write(good + line + "\n")
        target = os.path.join(workdir, "refused")
        refused = run(args.tool, "--batch", listing, "--output-dir", target, exe)
        check("refused, line 2 named, nothing written: " + case, refused.returncode == 12
              and ": line 2: " in refused.stderr and not os.path.lexists(target), refused.stderr)
    # An output that exists as a link, pointing where the batch must not write.
    target = os.path.join(workdir, "linked")
    elsewhere = os.path.join(workdir, "elsewhere")
    os.makedirs(target)
    os.mkdir(elsewhere)
    os.symlink(elsewhere, os.path.join(target, "acme"))
    with open(listing, "w") as f:
        f.write(good)
    refused = run(args.tool, "--batch", listing, "--output-dir", target, exe)
    check("a link at DIR/NAME refuses the batch and nothing is written", refused.returncode == 1
          and os.listdir(target) == ["acme"] and os.listdir(elsewhere) == [], refused.stderr)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("mode", choices=["metadata", "batch"])
    for option in ["--source", "--build", "--tool", "--main-package", "--msiinfo", "--certificate"]:
        parser.add_argument(option, required=True)
    parser.add_argument("--schemas")
    args = parser.parse_args()
    with tempfile.TemporaryDirectory() as workdir:
        (metadata if args.mode == "metadata" else batch)(args, workdir)
    print("%d checks failed" % len(failures) if failures else "all checks passed")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
