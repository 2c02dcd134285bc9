#!/usr/bin/python3
"""Writes a reproducible, incompressible payload file.

The bytes are the SHAKE-256 output stream of a fixed seed text, so every
build produces the same file and no compressor can shrink it.
"""

import argparse
import hashlib
import os


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--output", required=True)
    parser.add_argument("--size", type=int, required=True, help="size in bytes")
    parser.add_argument("--seed", required=True, help="seed text")
    args = parser.parse_args()
    if args.size <= 0:
        parser.error("--size must be positive")

    data = hashlib.shake_256(args.seed.encode("utf-8")).digest(args.size)
    temporary = args.output + ".part"
    with open(temporary, "wb") as f:
        f.write(data)
    os.replace(temporary, args.output)


if __name__ == "__main__":
    main()
