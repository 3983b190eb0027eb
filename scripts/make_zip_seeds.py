#!/usr/bin/env python3
"""Writes the seed corpus of the ZIP reader fuzz target: small archives that reach the interesting
paths of the reader (stored and deflated data, folders, name encodings, the Unicode Path extra field,
encryption, data descriptors, ZIP64 fields, damaged checksums and hostile names).

Usage: make_zip_seeds.py OUTPUT_FOLDER

Archives are assembled byte by byte so that names, flags and extra fields are exactly as written here
(the zipfile module would normalise some of them). The password of the encrypted seeds is the one
the fuzz target extracts with.
"""

import os
import shutil
import struct
import subprocess
import sys
import tempfile
import zlib

PASSWORD = b"kelvane"

UTF8_FLAG = 0x0800
ENCRYPTED_FLAG = 0x0001
DESCRIPTOR_FLAG = 0x0008
UNIX = 3


class Entry:
    def __init__(self, name, data=b"", method=8, flags=0, extra=b"", mode=None, encrypt=False,
                 crc=None, descriptor=False, zip64=False):
        self.name = name if isinstance(name, bytes) else name.encode("utf-8")
        self.data = data
        self.method = method
        self.flags = flags
        self.extra = extra
        self.mode = mode
        self.encrypt = encrypt
        self.crc = crc
        self.descriptor = descriptor
        self.zip64 = zip64


def crc_table():
    table = []
    for n in range(256):
        c = n
        for _ in range(8):
            c = (0xEDB88320 ^ (c >> 1)) if c & 1 else c >> 1
        table.append(c)
    return table


CRC_TABLE = crc_table()


def zipcrypto(payload, crc):
    """Traditional PKWARE encryption of payload, with the 12-byte header checked against crc."""
    keys = [0x12345678, 0x23456789, 0x34567890]

    def update(byte):
        keys[0] = CRC_TABLE[(keys[0] ^ byte) & 0xFF] ^ (keys[0] >> 8)
        keys[1] = (keys[1] + (keys[0] & 0xFF)) & 0xFFFFFFFF
        keys[1] = (keys[1] * 134775813 + 1) & 0xFFFFFFFF
        keys[2] = CRC_TABLE[(keys[2] ^ (keys[1] >> 24)) & 0xFF] ^ (keys[2] >> 8)

    for byte in PASSWORD:
        update(byte)
    header = bytes(range(11)) + bytes([(crc >> 24) & 0xFF])
    out = bytearray()
    for byte in header + payload:
        temp = (keys[2] | 2) & 0xFFFF
        out.append(byte ^ (((temp * (temp ^ 1)) >> 8) & 0xFF))
        update(byte)
    return bytes(out)


def build(entries, comment=b""):
    body = bytearray()
    central = bytearray()
    for entry in entries:
        crc = zlib.crc32(entry.data) if entry.crc is None else entry.crc
        if entry.method == 8:
            compressor = zlib.compressobj(6, zlib.DEFLATED, -15)
            payload = compressor.compress(entry.data) + compressor.flush()
        else:
            payload = entry.data
        flags = entry.flags
        if entry.encrypt:
            payload = zipcrypto(payload, crc)
            flags |= ENCRYPTED_FLAG
        if entry.descriptor:
            flags |= DESCRIPTOR_FLAG
        offset = len(body)
        local_sizes = (0, 0, 0) if entry.descriptor else (crc, len(payload), len(entry.data))
        body += struct.pack("<IHHHHHIIIHH", 0x04034B50, 20, flags, entry.method, 0, 0x5821,
                            *local_sizes, len(entry.name), len(entry.extra))
        body += entry.name + entry.extra + payload
        if entry.descriptor:
            body += struct.pack("<IIII", 0x08074B50, crc, len(payload), len(entry.data))
        mode = entry.mode
        if mode is None:
            mode = 0o40755 if entry.name.endswith(b"/") else 0o100644
        made_by = (UNIX << 8) | 45
        extra = entry.extra
        sizes = (len(payload), len(entry.data))
        if entry.zip64:
            # Real sizes in a ZIP64 field, the 32-bit fields saying "see there".
            extra += struct.pack("<HHQQ", 0x0001, 16, len(entry.data), len(payload))
            sizes = (0xFFFFFFFF, 0xFFFFFFFF)
        central += struct.pack("<IHHHHHHIIIHHHHHII", 0x02014B50, made_by, 45, flags, entry.method, 0,
                               0x5821, crc, *sizes, len(entry.name), len(extra), 0, 0, 0, mode << 16, offset)
        central += entry.name + extra
    end = struct.pack("<IHHHHIIH", 0x06054B50, 0, 0, len(entries), len(entries), len(central), len(body),
                      len(comment))
    return bytes(body + central + end + comment)


def unicode_path_extra(raw_name, utf8_name, crc_of=None):
    name_crc = zlib.crc32(raw_name if crc_of is None else crc_of)
    payload = struct.pack("<BI", 1, name_crc) + utf8_name.encode("utf-8")
    return struct.pack("<HH", 0x7075, len(payload)) + payload


def zip64_extra(size):
    payload = struct.pack("<QQ", size, size)
    return struct.pack("<HH", 0x0001, len(payload)) + payload


def seeds():
    text = b"Kelvane seed file\n" * 8
    yield "plain_stored", build([Entry("a.txt", text, method=0), Entry("b.txt", b"", method=0)])
    yield "plain_deflated", build([Entry("a.txt", text), Entry("b.bin", bytes(range(256)) * 4)])
    yield "folders", build([Entry("docs/"), Entry("docs/a.txt", text), Entry("docs/empty/"),
                            Entry("x/y/z.txt", b"deep"), Entry("b.txt", b"top")])
    yield "utf8_flag", build([Entry("中文/文件.txt", text, flags=UTF8_FLAG)])
    yield "utf8_no_flag", build([Entry("中文.txt", text)])
    gbk = "中文.txt".encode("gb18030")
    yield "gbk_name", build([Entry(gbk, text)])
    yield "big5_name", build([Entry("中文.txt".encode("big5"), text)])
    yield "cp437_name", build([Entry("caf\x82.txt".encode("latin-1"), text)])
    yield "unicode_extra", build([Entry(gbk, text, extra=unicode_path_extra(gbk, "统一码.txt"))])
    yield "unicode_extra_stale_crc", build([Entry(gbk, text, extra=unicode_path_extra(gbk, "旧名.txt",
                                                                                       crc_of=b"other"))])
    yield "unicode_extra_hostile", build([Entry("safe.txt", text,
                                                extra=unicode_path_extra(b"safe.txt", "../escape.txt"))])
    yield "modes_and_times", build([Entry("run.sh", b"#!/bin/sh\n", mode=0o104755),
                                    Entry("private.txt", b"p", mode=0o100600),
                                    Entry("sticky/", mode=0o41777)])
    yield "zipcrypto", build([Entry("secret.txt", text, encrypt=True),
                              Entry("stored_secret.txt", text, method=0, encrypt=True)])
    yield "descriptor", build([Entry("streamed.txt", text, descriptor=True)])
    yield "zip64_extra", build([Entry("big.txt", text, extra=zip64_extra(len(text)))])
    yield "zip64_sizes", build([Entry("big.txt", text, zip64=True),
                                Entry("link64", b"big.txt", method=0, mode=0o120777, zip64=True)])
    yield "bad_crc", build([Entry("a.txt", text, crc=0xDEADBEEF)])
    yield "unknown_method", build([Entry("a.txt", text, method=99)])
    yield "with_comment", build([Entry("a.txt", text)], comment=b"archive comment")
    yield "duplicates", build([Entry("dup.txt", b"first"), Entry("dup.txt", b"second")])
    yield "file_then_folder", build([Entry("same", b"file"), Entry("same/inner.txt", b"x")])
    yield "symlink_escape", build([Entry("link", b"../../../..", method=0, mode=0o120777),
                                   Entry("link/escape.txt", b"through the link")])
    yield "symlink_absolute", build([Entry("abs", b"/tmp", method=0, mode=0o120777),
                                     Entry("abs/escape.txt", b"x")])
    hostile = ["../escape.txt", "../../../../escape.txt", "a/../../escape.txt", "/abs/escape.txt",
               "//server/share/escape.txt", "C:/escape.txt", "C:escape.txt", "C:\\escape.txt",
               "..\\..\\escape.txt", "a\\..\\..\\escape.txt", "./ok.txt", "a//b.txt", "", "/", ".", "..",
               "a/./b/../c.txt"]
    for index, name in enumerate(hostile):
        yield "hostile_%02d" % index, build([Entry("inside.txt", b"ok"), Entry(name, b"escape")])
    yield "empty_archive", build([])


def aes_seed(folder):
    """WinZip AES-256 needs a real encoder; 7z writes one when it is installed."""
    if not shutil.which("7z"):
        return
    with tempfile.TemporaryDirectory() as work:
        with open(os.path.join(work, "secret.txt"), "wb") as f:
            f.write(b"AES seed\n" * 4)
        target = os.path.join(folder, "aes256.zip")
        subprocess.run(["7z", "a", "-tzip", "-mem=AES256", "-p" + PASSWORD.decode(), target, "secret.txt"],
                       cwd=work, check=True, stdout=subprocess.DEVNULL)


def main():
    if len(sys.argv) != 2:
        sys.exit("usage: make_zip_seeds.py OUTPUT_FOLDER")
    folder = os.path.abspath(sys.argv[1])
    os.makedirs(folder, exist_ok=True)
    for name, data in seeds():
        with open(os.path.join(folder, name + ".zip"), "wb") as f:
            f.write(data)
    aes_seed(folder)
    print("wrote %d seeds to %s" % (len(os.listdir(folder)), folder))


if __name__ == "__main__":
    main()
