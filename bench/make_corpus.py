#!/usr/bin/env python3
"""Builds the benchmark corpus from the Japanese manual pages that Debian's
manpages-ja package ships: the troff sources stripped to plain text,
repeated with variation, in Shift_JIS (code page 932) with CR LF.

  corpus/big.txt          one file of about 200 MB
  corpus/tree/dNN/fNNNN.txt  2,000 files of about 50 KB

Usage: make_corpus.py OUTDIR [BIG_MB] [TREE_FILES]
"""
import gzip
import os
import re
import sys

MAN_ROOT = "/usr/share/man/ja"
# manpages-ja gives about 8.5 MB of text; far less means it is not installed
# and the corpus would repeat a few pages over and over.
MIN_BASE_BYTES = 4 * 1000 * 1000
ESCAPES = re.compile(r"\\f[BIRPC]|\\f\(..|\\s[-+]?\d|\\\(..|\\&|\\c")


def plain_lines():
    """Yields the text lines of every Japanese manual page, macros dropped."""
    for root, _dirs, files in sorted(os.walk(MAN_ROOT)):
        for name in sorted(files):
            path = os.path.join(root, name)
            opener = gzip.open if name.endswith(".gz") else open
            try:
                with opener(path, "rt", encoding="utf-8", errors="replace") as f:
                    text = f.read()
            except OSError:
                continue
            for line in text.splitlines():
                if line.startswith(".\\\"") or line.startswith("'\\\""):
                    continue
                if line.startswith("."):
                    parts = line.split(None, 1)
                    line = parts[1] if len(parts) > 1 else ""
                line = ESCAPES.sub("", line).replace("\\-", "-").replace("\\e", "\\")
                line = line.replace('"', "")
                if line.strip():
                    yield line


def encode(lines):
    out = []
    for line in lines:
        data = line.encode("cp932", errors="ignore")
        out.append(data + b"\r\n")
    return out


def main():
    outdir = sys.argv[1]
    big_mb = int(sys.argv[2]) if len(sys.argv) > 2 else 200
    tree_files = int(sys.argv[3]) if len(sys.argv) > 3 else 2000
    base = encode(plain_lines())
    base_size = sum(len(x) for x in base)
    if base_size < MIN_BASE_BYTES:
        sys.exit("make_corpus: only %.1f MB of text under %s; install manpages-ja"
                 % (base_size / 1e6, MAN_ROOT))
    os.makedirs(outdir, exist_ok=True)

    # Each copy varies: a line number prefix on every 13th line shifts the
    # text, so no two copies are byte-identical.
    def copy(k):
        for i, line in enumerate(base):
            if (i + k) % 13 == 0:
                yield b"%d " % (k * 100000 + i) + line
            else:
                yield line

    target = big_mb * 1000 * 1000
    written = 0
    k = 0
    with open(os.path.join(outdir, "big.txt"), "wb") as f:
        while written < target:
            for line in copy(k):
                f.write(line)
                written += len(line)
                if written >= target:
                    break
            k += 1

    tree = os.path.join(outdir, "tree")
    per_file = 50 * 1000
    lines = copy(10_000)
    n = 0
    while n < tree_files:
        d = os.path.join(tree, "d%02d" % (n // 100))
        os.makedirs(d, exist_ok=True)
        size = 0
        with open(os.path.join(d, "f%04d.txt" % n), "wb") as f:
            while size < per_file:
                try:
                    line = next(lines)
                except StopIteration:
                    lines = copy(10_000 + n)
                    line = next(lines)
                f.write(line)
                size += len(line)
        n += 1
    print("base text %.1f MB, big.txt %.1f MB, tree %d files" % (base_size / 1e6, written / 1e6, n))


if __name__ == "__main__":
    main()
