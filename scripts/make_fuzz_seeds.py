#!/usr/bin/env python3
"""Writes the seed corpus of one fuzz target.

Usage: make_fuzz_seeds.py zipreader|listing|libarchive OUTPUT_FOLDER

zipreader: the ZIP archives of make_zip_seeds.py.
listing: the first byte picks the reader (see tests/fuzz/fuzz_listing.cpp): 0 and a ZIP archive,
  1 and what "7z l -slt -ba" prints for real archives, 2 and what "tar -tv" and "tar -xv" print.
libarchive: small archives in the formats libarchive reads, written by bsdtar and by the tarfile
  module, hostile names and links among them.
"""

import io
import lzma
import os
import subprocess
import sys
import tarfile
import tempfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import make_zip_seeds  # noqa: E402


def sample_tree(folder):
    """A small tree with a folder, files, a link and a name in UTF-8."""
    os.makedirs(os.path.join(folder, "docs", "empty"))
    with open(os.path.join(folder, "docs", "a.txt"), "wb") as f:
        f.write(b"Kelvane seed file\n" * 8)
    with open(os.path.join(folder, "中文.txt"), "wb") as f:
        f.write(b"text\n")
    with open(os.path.join(folder, "line\nbreak.txt"), "wb") as f:
        f.write(b"x")
    os.symlink("docs/a.txt", os.path.join(folder, "link"))
    return ["docs", "中文.txt", "line\nbreak.txt", "link"]


def run(arguments, cwd=None, env=None):
    return subprocess.run(arguments, cwd=cwd, env=env, check=True, stdout=subprocess.PIPE,
                          stderr=subprocess.DEVNULL).stdout


def hostile_tar(mode):
    out = io.BytesIO()
    with tarfile.open(fileobj=out, mode=mode, format=tarfile.GNU_FORMAT) as archive:
        for name, kind, target in [("ok.txt", tarfile.REGTYPE, ""), ("../escape.txt", tarfile.REGTYPE, ""),
                                   ("link", tarfile.SYMTYPE, "../.."), ("link/through.txt", tarfile.REGTYPE, ""),
                                   ("hard", tarfile.LNKTYPE, "/etc/passwd"), ("fifo", tarfile.FIFOTYPE, ""),
                                   ("dev", tarfile.CHRTYPE, ""), ("abs", tarfile.SYMTYPE, "/tmp"),
                                   ("setuid", tarfile.REGTYPE, "")]:
            info = tarfile.TarInfo(name)
            info.type = kind
            info.linkname = target
            info.mode = 0o4755 if name == "setuid" else 0o644
            data = b"escape" if kind == tarfile.REGTYPE else b""
            info.size = len(data)
            archive.addfile(info, io.BytesIO(data))
    return out.getvalue()


def libarchive_seeds(folder):
    with tempfile.TemporaryDirectory() as work:
        names = sample_tree(work)
        for label, arguments in [("newc.cpio", ["--format=newc"]), ("odc.cpio", ["--format=odc"]),
                                 ("bin.cpio", ["--format=bin"]), ("pax.tar", ["--format=pax"]),
                                 ("ustar.tar.xz", ["--format=ustar", "-J"]), ("iso", ["--format=iso9660"]),
                                 ("7z", ["--format=7zip"]), ("zip", ["--format=zip"]),
                                 ("ar", ["--format=ar"]), ("xar", ["--format=xar"]),
                                 ("warc", ["--format=warc"]),
                                 ("tar.lz4", ["--format=gnutar", "--lz4"]),
                                 ("tar.lzma", ["--format=gnutar", "--lzma"])]:
            inputs = ["docs/a.txt", "中文.txt"] if label == "ar" else names
            target = os.path.join(folder, "sample." + label)
            try:
                run(["bsdtar", "-cf", target] + arguments + inputs, cwd=work)
            except subprocess.CalledProcessError:
                # A format this bsdtar cannot write (xar without libxml2, say) is left out.
                if os.path.exists(target):
                    os.remove(target)
    # An image is mostly zeros; compressed it fits the fuzzer's input size, and libarchive unpacks the
    # filter first.
    iso = os.path.join(folder, "sample.iso")
    if os.path.exists(iso):
        with open(iso, "rb") as f, open(iso + ".xz", "wb") as out:
            out.write(lzma.compress(f.read()))
        os.remove(iso)
    for label, mode in [("hostile.tar", "w"), ("hostile.tar.gz", "w:gz"), ("hostile.tar.bz2", "w:bz2")]:
        with open(os.path.join(folder, label), "wb") as f:
            f.write(hostile_tar(mode))


def listing_seeds(folder):
    for name, data in make_zip_seeds.seeds():
        with open(os.path.join(folder, "zip_" + name), "wb") as f:
            f.write(b"\0" + data)
    with tempfile.TemporaryDirectory() as work:
        tree = os.path.join(work, "tree")
        os.mkdir(tree)
        names = sample_tree(tree)
        environment = dict(os.environ, TZ="UTC", LC_ALL="C")
        for label, arguments in [("7z", []), ("solid", ["-ms=on"]), ("zip", ["-tzip"])]:
            archive = os.path.join(work, "sample_%s.%s" % (label, "zip" if label == "zip" else "7z"))
            run(["7z", "a", "-snl"] + arguments + [archive] + names, cwd=tree)
            listing = run(["7z", "l", "-slt", "-ba", archive], env=environment)
            with open(os.path.join(folder, "7z_" + label), "wb") as f:
                f.write(b"\1" + listing)
        tar = os.path.join(work, "sample.tar")
        run(["tar", "-cf", tar] + names, cwd=tree)
        with open(os.path.join(work, "hostile.tar"), "wb") as f:
            f.write(hostile_tar("w"))
        for label, archive in [("sample", tar), ("hostile", os.path.join(work, "hostile.tar"))]:
            listing = run(["tar", "-tvf", archive, "--quoting-style=c", "--full-time", "--numeric-owner"],
                          env=dict(environment, TZ="UTC0"))
            with open(os.path.join(folder, "tar_list_" + label), "wb") as f:
                f.write(b"\2" + listing)
        out = os.path.join(work, "out")
        os.mkdir(out)
        names = run(["tar", "-xvf", tar, "-C", out, "--quoting-style=c"], env=environment)
        with open(os.path.join(folder, "tar_extract"), "wb") as f:
            f.write(b"\2" + names)


def main():
    if len(sys.argv) != 3 or sys.argv[1] not in ("zipreader", "listing", "libarchive"):
        sys.exit("usage: make_fuzz_seeds.py zipreader|listing|libarchive OUTPUT_FOLDER")
    target, folder = sys.argv[1], os.path.abspath(sys.argv[2])
    os.makedirs(folder, exist_ok=True)
    if target == "zipreader":
        subprocess.run([sys.executable, os.path.join(os.path.dirname(__file__), "make_zip_seeds.py"), folder],
                       check=True, stdout=subprocess.DEVNULL)
    elif target == "listing":
        listing_seeds(folder)
    else:
        libarchive_seeds(folder)
    print("wrote %d seeds to %s" % (len(os.listdir(folder)), folder))


if __name__ == "__main__":
    main()
