#!/usr/bin/python3
"""Finishes a package that wixl has built.

wixl cannot express everything our packages need, so this step edits the
database afterwards:

  * SQL statements from a file are run through msibuild (wixl writes long
    file names only, so short|long pairs are set this way);
  * the summary information gets the platform;language template and a new
    package code;
  * with --fixed-time, the times that libmsi and gcab take from the clock
    and from the files (summary information, cabinet file entries) are set
    to that time, so that the same sources give the same package;
  * embedded transforms are added as sub-storages of the compound file.
    Neither msibuild nor Wine can write transforms, so the transform storage
    (summary information, string pool and one Property table row) is
    written here and the whole compound file is copied with libgsf.

Run it with Debian's /usr/bin/python3: it needs gi.repository.Gsf.
"""

import argparse
import os
import shutil
import struct
import subprocess
import sys
import tempfile
import time
import uuid

# Class ids of the Windows Installer storages.
CLSID_MSI_DATABASE = uuid.UUID("000C1084-0000-0000-C000-000000000046")
CLSID_MSI_TRANSFORM = uuid.UUID("000C1082-0000-0000-C000-000000000046")
FMTID_SUMMARY_INFORMATION = uuid.UUID("F29F85E0-4FF9-1068-AB91-08002B27B3D9")

SUMMARY_STREAM = "\x05SummaryInformation"

# Summary information property ids and variant types.
PID_CODEPAGE = 1
PID_TITLE = 2
PID_TEMPLATE = 7
PID_LASTAUTHOR = 8
PID_REVNUMBER = 9
PID_PAGECOUNT = 14
PID_CHARCOUNT = 16
VT_I2 = 2
VT_I4 = 3
VT_LPSTR = 30

MIME_CHARS = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz._"


def encode_stream_name(name):
    """Returns the compound-file name Windows Installer stores a table under.

    Pairs of characters from MIME_CHARS fold into one code unit at 0x3800,
    single ones map to 0x4800; table streams start with 0x4840.
    """
    out = ["\u4840"]
    i = 0
    while i < len(name):
        first = MIME_CHARS.find(name[i])
        if first < 0:
            out.append(name[i])
            i += 1
            continue
        second = MIME_CHARS.find(name[i + 1]) if i + 1 < len(name) else -1
        if second >= 0:
            out.append(chr(0x3800 + first + (second << 6)))
            i += 2
        else:
            out.append(chr(0x4800 + first))
            i += 1
    return "".join(out)


def guid_bytes(value):
    return value.bytes_le


def property_set(properties, codepage):
    """Serialises a summary information stream (one section).

    properties: list of (pid, vt, value) in the order they are written.
    """
    values = []
    for pid, vt, value in properties:
        if vt == VT_I2:
            body = struct.pack("<Ihh", VT_I2, value, 0)
        elif vt == VT_I4:
            body = struct.pack("<Ii", VT_I4, value)
        elif vt == VT_LPSTR:
            raw = value.encode("cp%d" % codepage) + b"\0"
            raw += b"\0" * (-len(raw) % 4)
            body = struct.pack("<II", VT_LPSTR, len(raw)) + raw
        else:
            raise ValueError("unsupported variant type %d" % vt)
        values.append((pid, body))

    table_size = 8 + 8 * len(values)
    offsets = []
    data = b""
    for pid, body in values:
        offsets.append((pid, table_size + len(data)))
        data += body
    section = struct.pack("<II", table_size + len(data), len(values))
    section += b"".join(struct.pack("<II", pid, ofs) for pid, ofs in offsets)
    section += data

    header = struct.pack("<HHI", 0xFFFE, 0, 0x00020006)
    header += b"\0" * 16 + struct.pack("<I", 1)
    header += guid_bytes(FMTID_SUMMARY_INFORMATION) + struct.pack("<I", 48)
    return header + section


MSIINFO = "msiinfo"


def summary_template(msi_path):
    """Returns the platform;language template of the package."""
    info = subprocess.run([MSIINFO, "suminfo", msi_path], check=True,
                          capture_output=True, text=True).stdout
    for line in info.splitlines():
        key, _, value = line.partition(": ")
        if key == "Template":
            return value
    raise SystemExit("%s has no summary template" % msi_path)


class Transform:
    """An embedded transform that sets one Property row."""

    def __init__(self, definition):
        name, sep, assignment = definition.partition(":")
        prop, sep2, value = assignment.partition("=")
        if not sep or not sep2 or not name or not prop:
            raise SystemExit("bad --transform %r, want NAME:PROPERTY=VALUE" % definition)
        self.name = name
        self.prop = prop
        self.value = value

    def streams(self, codepage, template, revision):
        """Returns [(stream name, bytes)] of the transform storage."""
        strings = [self.prop, self.value]
        # The transform keeps the database's code page; a neutral database
        # (code page 0) takes ASCII text only.
        encoding = "cp%d" % codepage if codepage else "ascii"
        pool = struct.pack("<HH", codepage & 0xFFFF, (codepage >> 16) & 0x7FFF)
        data = b""
        for text in strings:
            raw = text.encode(encoding)
            if not 0 < len(raw) < 0x10000:
                raise SystemExit("transform string %r has an unusable length" % text)
            pool += struct.pack("<HH", len(raw), 1)
            data += raw
        # Property table: column 0 (Property) is the key and always present,
        # bit 1 of the mask marks column 1 (Value) as changed. Rows of a
        # transform are stored row by row; string ids are 16 bits wide here.
        row = struct.pack("<HHH", 0x0002, 1, 2)
        summary = property_set([
            (PID_CODEPAGE, VT_I2, 1252),
            (PID_TITLE, VT_LPSTR, "Transform"),
            (PID_TEMPLATE, VT_LPSTR, template),
            (PID_LASTAUTHOR, VT_LPSTR, template),
            (PID_REVNUMBER, VT_LPSTR, revision),
            (PID_PAGECOUNT, VT_I4, 200),
            # No validation, no error conditions suppressed.
            (PID_CHARCOUNT, VT_I4, 0),
        ], 1252)
        return [
            (SUMMARY_STREAM, summary),
            (encode_stream_name("_StringPool"), pool),
            (encode_stream_name("_StringData"), data),
            (encode_stream_name("Property"), row),
        ]


def root_class_id(path):
    """Reads the class id of the root storage straight from the file."""
    with open(path, "rb") as f:
        header = f.read(512)
        if header[:8] != b"\xd0\xcf\x11\xe0\xa1\xb1\x1a\xe1":
            raise SystemExit("%s is not a compound file" % path)
        sector_shift = struct.unpack_from("<H", header, 0x1E)[0]
        first_dir_sector = struct.unpack_from("<I", header, 0x30)[0]
        sector_size = 1 << sector_shift
        f.seek((first_dir_sector + 1) * sector_size)
        root = f.read(128)
    return uuid.UUID(bytes_le=root[0x50:0x60])


def table_columns(msi_path, table, column_key, column_value):
    """Returns {key: value} of two columns of a table via msiinfo export."""
    text = subprocess.run([MSIINFO, "export", msi_path, table], check=True,
                          capture_output=True, text=True).stdout
    lines = text.splitlines()
    names = lines[0].split("\t")
    ki, vi = names.index(column_key), names.index(column_value)
    result = {}
    for line in lines[3:]:
        cells = line.split("\t")
        result[cells[ki]] = cells[vi]
    return result


VT_FILETIME = 64
PID_LASTPRINTED = 11
PID_CREATE_DTM = 12
PID_LASTSAVE_DTM = 13


def fix_summary_times(data, filetime):
    """Returns the summary information stream with its three times set to filetime."""
    data = bytearray(data)
    section = struct.unpack_from("<I", data, 44)[0]
    count = struct.unpack_from("<I", data, section + 4)[0]
    for i in range(count):
        pid, offset = struct.unpack_from("<II", data, section + 8 + 8 * i)
        value = section + offset
        if pid in (PID_LASTPRINTED, PID_CREATE_DTM, PID_LASTSAVE_DTM) and \
                struct.unpack_from("<I", data, value)[0] == VT_FILETIME:
            struct.pack_into("<Q", data, value + 4, filetime)
    return bytes(data)


def fix_cabinet_times(data, unix_time):
    """Returns an embedded cabinet with the date and time of every file entry set."""
    if data[:4] != b"MSCF":
        return data
    data = bytearray(data)
    t = time.gmtime(unix_time)
    dos_date = ((t.tm_year - 1980) << 9) | (t.tm_mon << 5) | t.tm_mday
    dos_time = (t.tm_hour << 11) | (t.tm_min << 5) | (t.tm_sec // 2)
    offset = struct.unpack_from("<I", data, 16)[0]
    files = struct.unpack_from("<H", data, 28)[0]
    for _ in range(files):
        struct.pack_into("<HH", data, offset + 10, dos_date, dos_time)
        offset = data.index(b"\0", offset + 16) + 1
    return bytes(data)


def rewrite(source, target, transforms, fixed_time):
    """Copies the compound file source to target with the transforms embedded
    and, when fixed_time (seconds since 1970) is given, its times set."""
    import gi
    gi.require_version("Gsf", "1")
    from gi.repository import Gsf

    properties = table_columns(source, "Property", "Property", "Value")
    for t in transforms:
        if t.prop not in properties:
            raise SystemExit("transform %s changes %s, which the Property table lacks"
                             % (t.name, t.prop))
    template = summary_template(source)
    product = "%s%s" % (properties["ProductCode"], properties["ProductVersion"])
    revision = "%s;%s;%s" % (product, product, properties.get("UpgradeCode", ""))

    infile = Gsf.InfileMSOle.new(Gsf.InputStdio.new(source))
    pool = infile.child_by_name(encode_stream_name("_StringPool"))
    header = pool.read(4)
    lo, hi = struct.unpack("<HH", header)
    codepage = lo | ((hi & 0x7FFF) << 16)

    sink = Gsf.OutputStdio.new(target)
    outfile = Gsf.OutfileMSOle.new(sink)
    if root_class_id(source) != CLSID_MSI_DATABASE:
        raise SystemExit("%s is not a Windows Installer database" % source)
    outfile.set_class_id(list(guid_bytes(CLSID_MSI_DATABASE)))

    def copy(src, dst):
        for i in range(src.num_children()):
            name = src.name_by_index(i)
            child = src.child_by_index(i)
            is_dir = child.num_children() >= 0
            out = dst.new_child(name, is_dir)
            if is_dir:
                copy(child, out)
            else:
                data = child.read(child.props.size) if child.props.size else b""
                if fixed_time is not None and dst is outfile:
                    if name == SUMMARY_STREAM:
                        data = fix_summary_times(data, (fixed_time + 11644473600) * 10000000)
                    else:
                        data = fix_cabinet_times(data, fixed_time)
                out.write(data)
            out.close()

    copy(infile, outfile)
    existing = {infile.name_by_index(i) for i in range(infile.num_children())}
    for t in transforms:
        if t.name in existing:
            raise SystemExit("the package already has a storage named %s" % t.name)
        storage = outfile.new_child(t.name, True)
        storage.set_class_id(list(guid_bytes(CLSID_MSI_TRANSFORM)))
        for name, data in t.streams(codepage, template, revision):
            stream = storage.new_child(name, False)
            stream.write(data)
            stream.close()
        storage.close()
    if not outfile.close():
        raise SystemExit("writing %s failed" % target)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--msibuild", default="msibuild")
    parser.add_argument("--msiinfo", default="msiinfo")
    parser.add_argument("--input", required=True)
    parser.add_argument("--output", required=True)
    parser.add_argument("--sql-file", action="append", default=[],
                        help="file of SQL statements, one per line ('#' comments)")
    parser.add_argument("--language", type=int,
                        help="package language; the summary template becomes Intel;LANGUAGE")
    parser.add_argument("--package-code",
                        help="package code of the finished package (default: a new one)")
    parser.add_argument("--fixed-time", type=int,
                        help="seconds since 1970 for every time in the package")
    parser.add_argument("--transform", action="append", default=[],
                        help="NAME:PROPERTY=VALUE, embedded as sub-storage NAME")
    args = parser.parse_args()
    global MSIINFO
    MSIINFO = args.msiinfo

    transforms = [Transform(definition) for definition in args.transform]
    outdir = os.path.dirname(os.path.abspath(args.output))
    fd, work = tempfile.mkstemp(suffix=".msi", dir=outdir)
    os.close(fd)
    try:
        shutil.copyfile(args.input, work)
        for sql_file in args.sql_file:
            with open(sql_file, encoding="utf-8") as f:
                for line in f:
                    line = line.strip()
                    if line and not line.startswith("#"):
                        subprocess.run([args.msibuild, work, "-q", line], check=True)
        if args.language is not None:
            properties = table_columns(work, "Property", "Property", "Value")
            subject = properties["ProductName"]
            manufacturer = properties["Manufacturer"]
            package_code = args.package_code or "{%s}" % str(uuid.uuid4()).upper()
            subprocess.run([args.msibuild, work, "-s", subject, manufacturer,
                            "Intel;%d" % args.language, package_code], check=True)
        if transforms or args.fixed_time is not None:
            fd, rewritten = tempfile.mkstemp(suffix=".msi", dir=outdir)
            os.close(fd)
            try:
                rewrite(work, rewritten, transforms, args.fixed_time)
                os.replace(rewritten, work)
            finally:
                if os.path.exists(rewritten):
                    os.unlink(rewritten)
        os.chmod(work, 0o644)
        os.replace(work, args.output)
    finally:
        if os.path.exists(work):
            os.unlink(work)


if __name__ == "__main__":
    sys.exit(main())
