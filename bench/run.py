#!/usr/bin/env python3
"""Times Kelvane's engine against the established tools on one deterministic corpus.

    python3 bench/run.py [--preset quick|full] [--runs N] [--work DIR] [--build DIR] [--only NAME...]

Prints, per operation, the median wall time, throughput, peak memory and output size of every
tool, and each tool's time as a ratio of the first anchor's. Nothing here fails a build.
"""
import argparse
import os
import random
import shutil
import statistics
import subprocess
import sys
import time
from pathlib import Path

PRESETS = {
    # small files, size of the compressible file, size of the incompressible file
    "quick": dict(small_files=2000, big_text=10 << 20, big_random=5 << 20),
    "full": dict(small_files=20000, big_text=100 << 20, big_random=50 << 20),
}

WORDS = ("archive compress extract folder file data kelvane stream block entry header offset "
         "checksum deflate buffer window thread progress cancel 压缩 解压 文件 目录 数据").split()


def text_pool(rng, size):
    words = []
    total = 0
    while total < size:
        word = rng.choice(WORDS)
        words.append(word)
        total += len(word.encode()) + 1
        if rng.random() < 0.08:
            words.append("\n")
    return " ".join(words).encode()[:size]


def make_corpus(root, preset):
    """Writes the corpus under root/corpus once; a marker file records the preset it was made for."""
    corpus = root / "corpus"
    marker = root / f"corpus-{preset}.done"
    if marker.exists():
        return corpus
    shutil.rmtree(corpus, ignore_errors=True)
    for old in root.glob("corpus-*.done"):
        old.unlink()
    spec = PRESETS[preset]
    rng = random.Random(20261210)
    pool = text_pool(rng, 4 << 20)

    count = spec["small_files"]
    per_folder = 100
    for index in range(count):
        top, sub = divmod(index // per_folder, 10)
        folder = corpus / "src" / f"模块{top:02d}" / f"part{sub}"
        folder.mkdir(parents=True, exist_ok=True)
        size = rng.randint(1024, 16 * 1024)
        start = rng.randrange(0, len(pool) - size)
        name = f"文档{index:05d}.txt" if index % 7 == 0 else f"file{index:05d}.txt"
        (folder / name).write_bytes(pool[start:start + size])

    big = corpus / "large"
    big.mkdir(parents=True, exist_ok=True)
    with open(big / "log.txt", "wb") as out:
        written = 0
        while written < spec["big_text"]:
            start = rng.randrange(0, len(pool) - 65536)
            chunk = pool[start:start + 65536]
            out.write(chunk)
            written += len(chunk)
    (big / "noise.bin").write_bytes(rng.randbytes(spec["big_random"]))

    for index in range(20):
        (corpus / "empty" / f"folder{index}").mkdir(parents=True, exist_ok=True)
        (corpus / "empty" / f"empty{index}.txt").write_bytes(b"")
    marker.touch()
    return corpus


def tree_size(path):
    if path.is_file():
        return path.stat().st_size
    return sum(p.stat().st_size for p in path.rglob("*") if p.is_file() and not p.is_symlink())


def run_once(command, cwd, prepare):
    prepare()
    started = time.perf_counter()
    process = subprocess.Popen(command, cwd=cwd, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
    _, status, usage = os.wait4(process.pid, 0)
    elapsed = time.perf_counter() - started
    stderr = process.stderr.read().decode(errors="replace")
    process.stderr.close()
    process.returncode = os.waitstatus_to_exitcode(status)
    if process.returncode != 0:
        raise RuntimeError(f"{' '.join(map(str, command))} failed ({process.returncode}): {stderr.strip()}")
    return elapsed, usage.ru_maxrss * 1024


def measure(name, command, cwd, output, runs, prepare):
    times, peaks = [], []
    for _ in range(runs):
        elapsed, peak = run_once(command, cwd, prepare)
        times.append(elapsed)
        peaks.append(peak)
    return dict(tool=name, seconds=statistics.median(times), peak=max(peaks), size=tree_size(output))


def remove(path):
    def prepare():
        if path.is_dir():
            shutil.rmtree(path)
        elif path.exists():
            path.unlink()
    return prepare


def print_table(title, input_bytes, rows):
    print(f"\n### {title}")
    print(f"{'tool':<34} {'median s':>9} {'MB/s':>8} {'peak MB':>8} {'size MB':>9} {'time ×':>7}")
    anchor = rows[1]["seconds"] if len(rows) > 1 else rows[0]["seconds"]
    for row in rows:
        print(f"{row['tool']:<34} {row['seconds']:>9.3f} {input_bytes / row['seconds'] / 1e6:>8.1f} "
              f"{row['peak'] / 1e6:>8.1f} {row['size'] / 1e6:>9.2f} {row['seconds'] / anchor:>7.2f}")
    sys.stdout.flush()


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--preset", choices=PRESETS, default="quick")
    parser.add_argument("--runs", type=int, default=3)
    parser.add_argument("--work", type=Path, default=Path("/tmp/kelvane-bench"))
    parser.add_argument("--build", type=Path, default=Path(__file__).resolve().parent.parent / "build")
    parser.add_argument("--only", nargs="*", help="operations to run (zip, tgz, txz, 7z, latency)")
    args = parser.parse_args()

    ours = args.build / "bench" / "kelvane_bench"
    if not ours.exists():
        sys.exit(f"{ours} is missing: build the project first (bash scripts/build.sh)")
    work = args.work
    work.mkdir(parents=True, exist_ok=True)
    corpus = make_corpus(work, args.preset)
    input_bytes = tree_size(corpus)
    out = work / "out"
    out.mkdir(exist_ok=True)
    wanted = set(args.only or ["zip", "tgz", "txz", "7z", "latency"])
    print(f"corpus: {corpus} ({args.preset}, {input_bytes / 1e6:.1f} MB), runs: {args.runs}, "
          f"cores: {os.cpu_count()}")

    def create(title, archive_name, commands):
        archive = out / archive_name
        rows = [measure(tool, command, work, archive, args.runs, remove(archive))
                for tool, command in commands(archive)]
        print_table(title, input_bytes, rows)
        return archive

    def extract(title, archive, commands):
        destination = out / "extracted"
        rows = [measure(tool, command, work, destination, args.runs,
                        lambda: (remove(destination)(), destination.mkdir()))
                for tool, command in commands(archive, destination)]
        print_table(title, input_bytes, rows)

    if "zip" in wanted:
        archive = create("ZIP create", "corpus.zip", lambda a: [
            ("kelvane ZIP", [ours, "compress", "ZIP", a, corpus]),
            ("zip -r -6", ["zip", "-q", "-r", "-6", a, "corpus"]),
            ("7z a -tzip", ["7z", "a", "-bd", "-tzip", a, "corpus"]),
            ("bsdtar --format zip", ["bsdtar", "--format", "zip", "-cf", a, "corpus"]),
        ])
        extract("ZIP extract", archive, lambda a, d: [
            ("kelvane ZIP", [ours, "extract", a, d]),
            ("unzip", ["unzip", "-q", a, "-d", d]),
            ("7z x", ["7z", "x", "-bd", a, f"-o{d}"]),
            ("bsdtar -xf", ["bsdtar", "-xf", a, "-C", d]),
        ])

    if "tgz" in wanted:
        archive = create("tar.gz create", "corpus.tar.gz", lambda a: [
            ("kelvane GZIP", [ours, "compress", "GZIP", a, corpus]),
            ("tar -czf", ["tar", "-czf", a, "corpus"]),
            ("bsdtar -czf", ["bsdtar", "-czf", a, "corpus"]),
        ])
        extract("tar.gz extract", archive, lambda a, d: [
            ("kelvane gz", [ours, "extract", a, d]),
            ("tar -xzf", ["tar", "-xzf", a, "-C", d]),
            ("bsdtar -xf", ["bsdtar", "-xf", a, "-C", d]),
        ])

    if "txz" in wanted:
        archive = create("tar.xz create", "corpus.tar.xz", lambda a: [
            ("kelvane XZ", [ours, "compress", "XZ", a, corpus]),
            ("tar -cJf", ["tar", "-cJf", a, "corpus"]),
            ("tar -I 'xz -T0' -cf", ["tar", "-I", "xz -T0", "-cf", a, "corpus"]),
        ])
        extract("tar.xz extract", archive, lambda a, d: [
            ("kelvane xz", [ours, "extract", a, d]),
            ("tar -xJf", ["tar", "-xJf", a, "-C", d]),
        ])

    if "7z" in wanted:
        archive = create("7z create", "corpus.7z", lambda a: [
            ("kelvane 7Z", [ours, "compress", "7Z", a, corpus]),
            ("7z a", ["7z", "a", "-bd", a, "corpus"]),
        ])
        extract("7z extract", archive, lambda a, d: [
            ("kelvane 7z", [ours, "extract", a, d]),
            ("7z x", ["7z", "x", "-bd", a, f"-o{d}"]),
        ])

    if "latency" in wanted:
        one = work / "one"
        one.mkdir(exist_ok=True)
        (one / "note.txt").write_text("one small file\n")
        print("\n### one-file archive, extract latency (median of 9)")
        for fmt, suffix in [("ZIP", "zip"), ("TAR", "tar"), ("GZIP", "tar.gz"), ("BZIP2", "tar.bz2"),
                            ("XZ", "tar.xz"), ("7Z", "7z")]:
            archive = out / f"one.{suffix}"
            remove(archive)()
            subprocess.run([ours, "compress", fmt, archive, one / "note.txt"], check=True)
            destination = out / "one-extracted"
            row = measure(f"kelvane {suffix}", [ours, "extract", archive, destination], work, destination, 9,
                          remove(destination))
            print(f"{suffix:<8} {row['seconds'] * 1000:8.1f} ms   peak {row['peak'] / 1e6:6.1f} MB")


if __name__ == "__main__":
    main()
