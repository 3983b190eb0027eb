#!/usr/bin/env python3
"""Writes a small .tar.gz that makes tar print a flood of warnings on extraction: every member's name
climbs out with "../" and is thousands of bytes long, so tar refuses each with a warning that repeats
the name. 130,000 members print about 400 MB; the archive stays a few MB, the names being alike.

Usage: make_warning_flood.py ARCHIVE.tar.gz [MEMBERS]
Measure: /usr/bin/time -v build/bench/kelvane_bench extract ARCHIVE.tar.gz DESTINATION
"""

import gzip
import io
import sys
import tarfile


def main():
    if len(sys.argv) not in (2, 3):
        sys.exit("usage: make_warning_flood.py ARCHIVE.tar.gz [MEMBERS]")
    members = int(sys.argv[2]) if len(sys.argv) == 3 else 130000
    stem = "../" + "w" * 3000 + "/escape"
    with gzip.open(sys.argv[1], "wb", compresslevel=9) as out:
        with tarfile.open(fileobj=out, mode="w|", format=tarfile.GNU_FORMAT) as archive:
            for index in range(members):
                info = tarfile.TarInfo(stem + str(index))
                info.size = 1
                archive.addfile(info, io.BytesIO(b"x"))


if __name__ == "__main__":
    main()
