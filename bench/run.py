#!/usr/bin/env python3
"""Times Kelvane's engine against the established tools on one deterministic corpus.

    python3 bench/run.py [--preset quick|full] [--runs N] [--work DIR] [--build DIR] [--only NAME...]

Prints Markdown tables: per operation, the median wall time, throughput, processor time (user +
system), peak memory and output size of every tool, with time and size as ratios of the first
anchor's. Also the extraction latency of a one-file archive per format, for the engine alone and for
kelvane-cli (whole processes, start to exit), the main window's status line over a folder of
100,000 files, looking inside archives (listing, testing, one entry out, the folder tree shown) and
the window's start-up to its first frame. The machine's load is printed before and after, since
other work on it skews every figure. Nothing here fails a build.
"""
import argparse
import os
import random
import shutil
import statistics
import subprocess
import sys
import tempfile
import time
import zipfile
import zlib
from pathlib import Path

PRESETS = {
    # small files, size of the compressible file, size of the incompressible file
    "quick": dict(small_files=2000, big_text=10 << 20, big_random=5 << 20, status_files=10000),
    "full": dict(small_files=20000, big_text=100 << 20, big_random=50 << 20, status_files=100000),
}
# Single-threaded xz (and 7z's LZMA2) needs minutes for the whole corpus; tar.xz and 7z run on these
# folders of it.
TXZ_SUBSET = ["src/模块00", "src/模块01", "src/模块02", "src/模块03"]

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


def rar5_vint(value):
    """RAR 5's variable-length integer: seven bits a byte, lowest first."""
    out = bytearray()
    while True:
        byte, value = value & 0x7F, value >> 7
        out.append(byte | (0x80 if value else 0))
        if not value:
            return bytes(out)


def rar5_header(kind, fields, data_size=None):
    body = rar5_vint(kind) + rar5_vint(0 if data_size is None else 0x02)
    if data_size is not None:
        body += rar5_vint(data_size)
    sized = rar5_vint(len(body + fields)) + body + fields
    return zlib.crc32(sized).to_bytes(4, "little") + sized


def write_rar5(folder, archive):
    """A RAR 5 archive of folder with every file stored, as the tests write them: no free program
    writes RAR, and stored entries leave only the reading to compare."""
    with open(archive, "wb") as out:
        out.write(b"Rar!\x1a\x07\x01\x00" + rar5_header(1, rar5_vint(0)))
        paths = [folder] + sorted(folder.rglob("*"))
        for path in paths:
            name = os.path.relpath(path, folder.parent).encode()
            stat = path.stat()
            data = b"" if path.is_dir() else path.read_bytes()
            flags = 0x02 | (0x01 if path.is_dir() else 0x04)
            fields = rar5_vint(flags) + rar5_vint(len(data)) + rar5_vint(stat.st_mode)
            fields += int(stat.st_mtime).to_bytes(4, "little")
            if not path.is_dir():
                fields += zlib.crc32(data).to_bytes(4, "little")
            fields += rar5_vint(0) + rar5_vint(1) + rar5_vint(len(name)) + name
            out.write(rar5_header(2, fields, len(data)) + data)
        out.write(rar5_header(5, rar5_vint(0)))


def write_tiny_zip(archive, count):
    """count entries of a few bytes each in folders of 100, names as the corpus has them: where
    per-entry costs show, unlike the corpus's larger files. Made once."""
    if archive.exists():
        return archive
    partial = archive.with_suffix(".partial")
    with zipfile.ZipFile(partial, "w", zipfile.ZIP_DEFLATED) as out:
        for index in range(count):
            folder = index // 100
            name = f"文档{index:06d}.txt" if index % 7 == 0 else f"file{index:06d}.txt"
            out.writestr(f"src/模块{folder // 10:02d}/part{folder % 10}/{name}", f"entry {index}\n")
    partial.rename(archive)
    return archive


def tree_size(path):
    if path.is_file():
        return path.stat().st_size
    return sum(p.stat().st_size for p in path.rglob("*") if p.is_file() and not p.is_symlink())


def load():
    return "load average " + ", ".join(f"{value:.2f}" for value in os.getloadavg())


def run_once(command, cwd, prepare):
    prepare()
    # Deleting the previous output leaves the file system work to do; finish it before timing.
    os.sync()
    # GNU time reports the peak memory of the program alone; a forked Python would count its own.
    # Pipelines (tar | xz -T0) run in a shell, and the figure is then that of their largest process.
    program = ["sh", "-c", command] if isinstance(command, str) else list(command)
    with tempfile.NamedTemporaryFile("r") as peak_file:
        started = time.perf_counter()
        process = subprocess.Popen(["/usr/bin/time", "-f", "%M", "-o", peak_file.name] + program, cwd=cwd,
                                   stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
        _, status, usage = os.wait4(process.pid, 0)
        elapsed = time.perf_counter() - started
        peak_kib = peak_file.read().strip().splitlines()
    stderr = process.stderr.read().decode(errors="replace")
    process.stderr.close()
    process.returncode = os.waitstatus_to_exitcode(status)
    if process.returncode != 0:
        shown = command if isinstance(command, str) else " ".join(map(str, command))
        raise RuntimeError(f"{shown} failed ({process.returncode}): {stderr.strip()}")
    return elapsed, usage.ru_utime + usage.ru_stime, int(peak_kib[-1]) * 1024


def measure_tools(tools, cwd, output, runs, prepare):
    """Round after round, every tool once per round: a change in the machine's load then weighs on
    all tools alike instead of on whichever ran at that moment. Each round starts with the next
    tool, so none always runs right after the same other one (whose leftovers the file system may
    still be dealing with). Returns one row per tool."""
    results = {name: dict(tool=name, times=[], cpus=[], peaks=[], failed=False) for name, _ in tools}
    for round_index in range(runs):
        first = round_index % len(tools)
        for name, command in tools[first:] + tools[:first]:
            result = results[name]
            if result["failed"]:
                continue
            try:
                elapsed, cpu, peak = run_once(command, cwd, prepare)
            except RuntimeError as error:
                print(f"<!-- {name}: {error} -->", file=sys.stderr)
                result["failed"] = True
                continue
            result["times"].append(elapsed)
            result["cpus"].append(cpu)
            result["peaks"].append(peak)
            result["size"] = tree_size(output)
    rows = []
    for name, _ in tools:
        result = results[name]
        if result["failed"]:
            rows.append(dict(tool=name, failed=True))
            continue
        rows.append(dict(tool=name, seconds=statistics.median(result["times"]),
                         cpu=statistics.median(result["cpus"]), peak=max(result["peaks"]), size=result["size"],
                         failed=False))
    return rows


def measure(name, command, cwd, output, runs, prepare):
    return measure_tools([(name, command)], cwd, output, runs, prepare)[0]


def remove(path):
    def prepare():
        if path.is_dir():
            shutil.rmtree(path)
        elif path.exists():
            path.unlink()
    return prepare


def print_table(title, input_bytes, rows):
    """The first row is ours, the second the anchor the ratios refer to."""
    print(f"\n#### {title}\n")
    print("| tool | median s | MB/s | CPU s | peak MB | size MB | time × | size × |")
    print("|---|---:|---:|---:|---:|---:|---:|---:|")
    anchor = rows[1] if len(rows) > 1 and not rows[1]["failed"] else rows[0]
    for row in rows:
        # A pipeline's "|" would split the Markdown cell.
        tool = row["tool"].replace("|", "\\|")
        if row["failed"]:
            print(f"| {tool} | failed | | | | | | |")
            continue
        time_ratio = row["seconds"] / anchor["seconds"] if not anchor["failed"] else float("nan")
        size_ratio = row["size"] / anchor["size"] if not anchor["failed"] and anchor["size"] else float("nan")
        print(f"| {tool} | {row['seconds']:.2f} | {input_bytes / row['seconds'] / 1e6:.1f} | "
              f"{row['cpu']:.2f} | {row['peak'] / 1e6:.1f} | {row['size'] / 1e6:.2f} | {time_ratio:.2f} | "
              f"{size_ratio:.3f} |")
    sys.stdout.flush()


def print_time_table(title, rows):
    """Whole processes: the median wall and processor time, the time as a ratio of the second row's."""
    print(f"\n#### {title}\n")
    print("| tool | median ms | CPU ms | peak MB | time × |")
    print("|---|---:|---:|---:|---:|")
    anchor = rows[1] if len(rows) > 1 and not rows[1]["failed"] else rows[0]
    for row in rows:
        tool = row["tool"].replace("|", "\\|")
        if row["failed"]:
            print(f"| {tool} | failed | | | |")
            continue
        ratio = row["seconds"] / anchor["seconds"] if not anchor["failed"] else float("nan")
        print(f"| {tool} | {row['seconds'] * 1000:.1f} | {row['cpu'] * 1000:.1f} | {row['peak'] / 1e6:.1f} | "
              f"{ratio:.2f} |")
    sys.stdout.flush()


def make_status_folder(root, count):
    """One flat folder of count small files and a few subfolders, made once."""
    folder = root / f"status{count}"
    marker = root / f"status{count}.done"
    if marker.exists():
        return folder
    shutil.rmtree(folder, ignore_errors=True)
    folder.mkdir(parents=True)
    for index in range(count):
        (folder / f"file_{index:06d}.dat").write_bytes(b"0123456789" * (index % 50))
    for index in range(count // 500):
        (folder / f"folder_{index:03d}").mkdir()
    marker.touch()
    return folder


def startup(args, work, runs=9):
    """The window program from its start to its first painted frame, which it reports as a wall-clock
    timestamp when KELVANE_REPORT_FIRST_FRAME is set, then quits. A private home, so no settings are
    read or written; on the X server of DISPLAY when there is one, else offscreen."""
    kelvane = args.build / "src" / "kelvane"
    folder = work / "one"
    folder.mkdir(exist_ok=True)
    platform = os.environ.get("QT_QPA_PLATFORM") or ("xcb" if os.environ.get("DISPLAY") else "offscreen")
    print(f"\n#### Window start-up to its first frame ({platform}, median of {runs})\n")
    print("Target: under 300 ms.\n")
    print("| command | first frame ms | whole process ms |")
    print("|---|---:|---:|")
    for title, arguments in [("kelvane", []), ("kelvane FOLDER", [str(folder)])]:
        frames, wholes = [], []
        for _ in range(runs):
            with tempfile.TemporaryDirectory() as home:
                environment = dict(os.environ, HOME=home, XDG_CONFIG_HOME=f"{home}/config",
                                   XDG_CACHE_HOME=f"{home}/cache", XDG_DATA_HOME=f"{home}/data",
                                   QT_QPA_PLATFORM=platform, KELVANE_REPORT_FIRST_FRAME="1")
                started = time.time()
                result = subprocess.run([kelvane] + arguments, env=environment, capture_output=True, text=True)
                ended = time.time()
            lines = result.stdout.split()
            if result.returncode != 0 or not lines:
                print(f"| {title} | failed | |")
                break
            frames.append(int(lines[-1]) / 1e6 - started)
            wholes.append(ended - started)
        else:
            print(f"| {title} | {statistics.median(frames) * 1000:.0f} | {statistics.median(wholes) * 1000:.0f} |")


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--preset", choices=PRESETS, default="quick")
    parser.add_argument("--runs", type=int, default=3)
    parser.add_argument("--work", type=Path, default=Path("/tmp/kelvane-bench"))
    parser.add_argument("--build", type=Path, default=Path(__file__).resolve().parent.parent / "build")
    parser.add_argument("--only", nargs="*",
                        help="operations to run (zip, tgz, tbz2, tzst, txz, 7z, rar, iso, latency, status, browse, "
                             "startup)")
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
    wanted = set(args.only or ["zip", "tgz", "tbz2", "tzst", "txz", "7z", "rar", "iso", "latency", "status", "browse",
                                    "startup"])
    print(f"corpus: {corpus} ({args.preset}, {input_bytes / 1e6:.1f} MB), runs: {args.runs}, "
          f"cores: {os.cpu_count()}, {load()} at {time.strftime('%H:%M UTC', time.gmtime())}")

    def create(title, archive_name, commands, measured_bytes=input_bytes):
        archive = out / archive_name
        rows = measure_tools(commands(archive), work, archive, args.runs, remove(archive))
        print_table(title, measured_bytes, rows)
        # The anchor's archive is what the extraction rows read, so every tool reads the same bytes.
        anchor = out / ("anchor-" + archive_name)
        remove(anchor)()
        _, anchor_command = commands(anchor)[1]
        if not rows[1]["failed"]:
            subprocess.run(anchor_command, cwd=work, check=True, shell=isinstance(anchor_command, str),
                           stdout=subprocess.DEVNULL)
        return anchor

    def extract(title, archive, commands, measured_bytes=input_bytes):
        destination = out / "extracted"
        # ext4 skips inodes freed in the last seconds when it allocates new ones, so deleting the
        # previous run's 20,000 files right before the next run would slow that run's file creation
        # several times over. Earlier outputs are moved aside instead and deleted after the table.
        trash = out / "trash"
        trash.mkdir(exist_ok=True)

        def prepare():
            if destination.exists():
                destination.rename(trash / f"{time.monotonic_ns()}")
            destination.mkdir()

        rows = measure_tools(commands(archive, destination), work, destination, args.runs, prepare)
        print_table(title, measured_bytes, rows)
        shutil.rmtree(trash)
        remove(destination)()

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
            ("tar -cf - | gzip", f"tar -cf - corpus | gzip > {a}"),
            ("tar -cf - | pigz", f"tar -cf - corpus | pigz > {a}"),
            ("bsdtar -czf", ["bsdtar", "-czf", a, "corpus"]),
        ])
        extract("tar.gz extract", archive, lambda a, d: [
            ("kelvane gz", [ours, "extract", a, d]),
            ("tar -xzf", ["tar", "-xzf", a, "-C", d]),
            ("pigz -dc | tar -xf -", f"pigz -dc {a} | tar -xf - -C {d}"),
            ("bsdtar -xf", ["bsdtar", "-xf", a, "-C", d]),
        ])

    if "tbz2" in wanted:
        archive = create("tar.bz2 create", "corpus.tar.bz2", lambda a: [
            ("kelvane BZIP2", [ours, "compress", "BZIP2", a, corpus]),
            ("tar -cjf", ["tar", "-cjf", a, "corpus"]),
            ("tar -cf - | lbzip2", f"tar -cf - corpus | lbzip2 > {a}"),
        ])
        extract("tar.bz2 extract", archive, lambda a, d: [
            ("kelvane bz2", [ours, "extract", a, d]),
            ("tar -xjf", ["tar", "-xjf", a, "-C", d]),
            ("lbzip2 -dc | tar -xf -", f"lbzip2 -dc {a} | tar -xf - -C {d}"),
        ])

    if "tzst" in wanted:
        archive = create("tar.zst create", "corpus.tar.zst", lambda a: [
            ("kelvane ZSTD", [ours, "compress", "ZSTD", a, corpus]),
            ("tar -cf - | zstd -T0", f"tar -cf - corpus | zstd -q -T0 > {a}"),
        ])
        extract("tar.zst extract", archive, lambda a, d: [
            ("kelvane zst", [ours, "extract", a, d]),
            ("zstd -dc | tar -xf -", f"zstd -q -dc {a} | tar -xf - -C {d}"),
        ])

    if "txz" in wanted:
        subset = [f"corpus/{folder}" for folder in TXZ_SUBSET if (corpus / folder).exists()]
        subset_bytes = sum(tree_size(work / folder) for folder in subset)
        archive = create(f"tar.xz create ({len(subset)} folders of the corpus, {subset_bytes / 1e6:.0f} MB)",
                         "corpus.tar.xz", lambda a: [
            ("kelvane XZ", [ours, "compress", "XZ", a] + [work / folder for folder in subset]),
            ("tar -cJf", ["tar", "-cJf", a] + subset),
            ("tar -cf - | xz -T0", f"tar -cf - {' '.join(subset)} | xz -T0 > {a}"),
        ], subset_bytes)
        extract("tar.xz extract (same subset)", archive, lambda a, d: [
            ("kelvane xz", [ours, "extract", a, d]),
            ("tar -xJf", ["tar", "-xJf", a, "-C", d]),
        ], subset_bytes)

    if "7z" in wanted:
        # LZMA2 is as slow as xz: the same subset.
        subset = [f"corpus/{folder}" for folder in TXZ_SUBSET if (corpus / folder).exists()]
        subset_bytes = sum(tree_size(work / folder) for folder in subset)
        archive = create(f"7z create ({len(subset)} folders of the corpus, {subset_bytes / 1e6:.0f} MB)",
                         "corpus.7z", lambda a: [
            ("kelvane 7Z", [ours, "compress", "7Z", a] + [work / folder for folder in subset]),
            ("7z a", ["7z", "a", "-bd", a] + subset),
        ], subset_bytes)
        extract("7z extract (same subset)", archive, lambda a, d: [
            ("kelvane 7z", [ours, "extract", a, d]),
            ("7z x", ["7z", "x", "-bd", a, f"-o{d}"]),
        ], subset_bytes)

    # RAR and ISO are read through libarchive, as bsdtar reads them: the ratio is our overhead.
    if "rar" in wanted:
        archive = out / f"corpus-{args.preset}.rar"
        if not archive.exists():
            write_rar5(corpus, archive)
        extract("RAR extract (RAR 5, stored)", archive, lambda a, d: [
            ("kelvane rar", [ours, "extract", a, d]),
            ("bsdtar -xf", ["bsdtar", "-xf", a, "-C", d]),
        ])

    if "iso" in wanted:
        archive = out / f"corpus-{args.preset}.iso"
        if not archive.exists():
            subprocess.run(["xorriso", "-as", "mkisofs", "-quiet", "-R", "-J", "-o", archive, corpus], check=True,
                           stderr=subprocess.DEVNULL)
        extract("ISO 9660 extract (Rock Ridge, Joliet)", archive, lambda a, d: [
            ("kelvane iso", [ours, "extract", a, d]),
            ("bsdtar -xf", ["bsdtar", "-xf", a, "-C", d]),
        ])

    if "latency" in wanted:
        one = work / "one"
        one.mkdir(exist_ok=True)
        (one / "note.txt").write_text("one small file\n")
        cli = args.build / "src" / "cli" / "kelvane-cli"
        print("\n#### One-file archive: extraction latency, whole process (median of 9)\n")
        print("kelvane_bench runs the engine alone; kelvane-cli x adds its start-up, language and terminal "
              "handling. Target for kelvane-cli: under 30 ms.\n")
        print("| format | engine ms | engine peak MB | kelvane-cli x ms | kelvane-cli peak MB |")
        print("|---|---:|---:|---:|---:|")

        def cell(row):
            return "failed | " if row["failed"] else f"{row['seconds'] * 1000:.1f} | {row['peak'] / 1e6:.1f}"

        for fmt, suffix in [("ZIP", "zip"), ("TAR", "tar"), ("GZIP", "tar.gz"), ("BZIP2", "tar.bz2"),
                            ("XZ", "tar.xz"), ("7Z", "7z")]:
            archive = out / f"one.{suffix}"
            remove(archive)()
            made = subprocess.run([ours, "compress", fmt, archive, one / "note.txt"], stderr=subprocess.PIPE)
            destination = out / "one-extracted"
            failed = dict(failed=True)
            engine = measure(f"kelvane {suffix}", [ours, "extract", archive, destination], work, destination, 9,
                             remove(destination)) if made.returncode == 0 else failed
            command = measure(f"kelvane-cli {suffix}", [cli, "x", archive, "-o", destination], work, destination,
                              9, remove(destination)) if made.returncode == 0 and cli.exists() else failed
            print(f"| {suffix} | {cell(engine)} | {cell(command)} |")

    if "status" in wanted:
        count = PRESETS[args.preset]["status_files"]
        folder = make_status_folder(work, count)
        status_bench = args.build / "bench" / "kelvane_statusbench"
        result = subprocess.run([status_bench, folder, str(max(args.runs, 3))], capture_output=True, text=True)
        figures = dict(line.split(" ", 1) for line in result.stdout.splitlines() if " " in line)
        print(f"\n#### Status line over a folder of {count:,} files (real window, offscreen; median of "
              f"{max(args.runs, 3)})\n")
        print("| figure | wall ms | CPU ms |")
        print("|---|---:|---:|")
        for key, title in [("folder_status_navigate", "folder status: Enter in the path field"),
                           ("folder_status_refresh", "folder status: refresh"),
                           ("select_all_ctrl_a", "Ctrl+A: key press to label shown"),
                           ("selection_label_only", "Ctrl+A: selection status label")]:
            if key in figures:
                wall, _, cpu = figures[key].partition(" cpu ")
                print(f"| {title} | {float(wall):.0f} | {float(cpu):.0f} |")
        if result.returncode != 0:
            print(f"<!-- status bench failed: {result.stderr.strip()} -->")

    if "browse" in wanted:
        browse(args, work, out, corpus, ours)

    if "startup" in wanted:
        startup(args, work)

    print(f"\n{load()} at {time.strftime('%H:%M UTC', time.gmtime())}")


def browse(args, work, out, corpus, ours):
    """Looking inside archives: listing beside the established tools, the same from the call to the
    first folder painted (in-process), testing, and one small entry taken out of the corpus."""
    runs = max(args.runs, 5)
    corpus_zip = out / "anchor-corpus.zip"
    if not corpus_zip.exists():
        subprocess.run(["zip", "-q", "-r", "-6", corpus_zip, "corpus"], cwd=work, check=True)
    corpus_tgz = out / "anchor-corpus.tar.gz"
    if not corpus_tgz.exists():
        subprocess.run(["tar", "-czf", corpus_tgz, "corpus"], cwd=work, check=True)
    count = PRESETS[args.preset]["small_files"]
    tiny = write_tiny_zip(out / f"tiny-{count}.zip", count)
    tiny_large = write_tiny_zip(out / "tiny-100000.zip", 100000)
    zips = [("corpus ZIP", corpus_zip), (f"{count:,} tiny entries", tiny), ("100,000 tiny entries", tiny_large)]
    nothing = lambda: None

    for title, archive in zips:
        rows = measure_tools([
            ("kelvane list", [ours, "list", archive]),
            ("unzip -l", ["unzip", "-l", archive]),
            ("7z l", ["7z", "l", archive]),
            ("bsdtar -tf", ["bsdtar", "-tf", archive]),
        ], work, archive, runs, nothing)
        print_time_table(f"List a ZIP: {title} (whole processes, median of {runs})", rows)
    rows = measure_tools([
        ("kelvane list", [ours, "list", corpus_tgz]),
        ("tar -tzf", ["tar", "-tzf", corpus_tgz]),
        ("bsdtar -tzf", ["bsdtar", "-tzf", corpus_tgz]),
    ], work, corpus_tgz, runs, nothing)
    print_time_table(f"List the corpus tar.gz (whole processes, median of {runs}; target: at most 1.1 × tar -tzf)",
                     rows)

    browse_bench = args.build / "bench" / "kelvane_browsebench"
    print(f"\n#### Inside an archive, in-process (kelvane_browsebench, median of {runs})\n")
    print("From the call to the first folder painted in a tree view: the listing, then the folder tree, its "
          "model and the paint. Enter and up: one folder level, from the top down to the largest folder "
          "and back. Targets: 20,000 entries shown in 150 ms, 100,000 in 500 ms; moving between folders "
          "in 50 ms.\n")
    print("| archive | entries | listing ms | model ms | shown ms | shown CPU ms | enter ms | up ms |")
    print("|---|---:|---:|---:|---:|---:|---:|---:|")
    for title, archive in zips + [("corpus tar.gz", corpus_tgz), ("model alone, 100,000 entries", None)]:
        command = [browse_bench, archive, str(runs)] if archive else [browse_bench, "--synthetic", "100000",
                                                                        str(runs)]
        result = subprocess.run(command, capture_output=True, text=True)
        figures = dict(line.split(" ", 1) for line in result.stdout.splitlines() if " " in line)
        if result.returncode != 0:
            print(f"| {title} | failed | | | | | | |")
            continue

        def wall(key):
            return f"{float(figures[key].partition(' cpu ')[0]):.1f}" if key in figures else ""

        shown_cpu = f"{float(figures['shown'].partition(' cpu ')[2]):.1f}" if "shown" in figures else ""
        print(f"| {title} | {int(figures['entries']):,} | {wall('list')} | {wall('model')} | {wall('shown')} | "
              f"{shown_cpu} | {wall('enter')} | {wall('up')} |")

    print(f"\n#### Inside an archive, through the main window (kelvane_browsebench --window, median of {runs})\n")
    print("From MainWindow::openArchive (the listing job, the folder tree, the rows) to the first paint of "
          "the file list; enter: a folder row opened as a double-click does; entry: a file of the largest "
          "folder double-clicked, taken out alone and handed to the desktop (a stand-in); up: the Up "
          "button. Targets as above; one small entry in 100 ms.\n")
    print("| archive | entries | shown ms | shown CPU ms | enter ms | entry ms | up ms |")
    print("|---|---:|---:|---:|---:|---:|---:|")
    for title, archive in zips:
        result = subprocess.run([browse_bench, "--window", archive, str(runs)], capture_output=True, text=True)
        figures = dict(line.split(" ", 1) for line in result.stdout.splitlines() if " " in line)
        if result.returncode != 0 or "shown" not in figures:
            print(f"| {title} | failed | | | | | |")
            continue
        wall = {key: f"{float(value.partition(' cpu ')[0]):.1f}" for key, value in figures.items() if " cpu " in value}
        print(f"| {title} | {int(figures['entries']):,} | {wall['shown']} | "
              f"{float(figures['shown'].partition(' cpu ')[2]):.1f} | {wall.get('enter', '')} | {wall.get('entry', '')} | "
              f"{wall.get('up', '')} |")

    for title, archive in zips:
        rows = measure_tools([
            ("kelvane test", [ours, "test", archive]),
            ("unzip -tq", ["unzip", "-tq", archive]),
            ("7z t", ["7z", "t", archive]),
        ], work, archive, runs, nothing)
        print_time_table(f"Test a ZIP: {title} (whole processes, median of {runs})", rows)

    entry = "corpus/src/模块00/part0/file00001.txt"
    destination = out / "one-entry"
    rows = measure_tools([
        ("kelvane extract-entries", [ours, "extract-entries", corpus_zip, destination, entry]),
        ("unzip", ["unzip", "-q", corpus_zip, entry, "-d", destination]),
        ("7z x", ["7z", "x", "-bd", corpus_zip, f"-o{destination}", entry]),
    ], work, destination, runs, remove(destination))
    print_time_table(f"One small entry out of the corpus ZIP (whole processes, median of {runs}; target: "
                     f"100 ms)", rows)
    remove(destination)()


if __name__ == "__main__":
    main()
