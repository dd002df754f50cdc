#!/usr/bin/env python3
"""Runs the same searches through ZANTO32's engine, GNU grep in a Shift_JIS
locale and ripgrep with transcoding; checks that the match counts agree and
prints MB/s and the ratio of the engine's speed to each peer's.

Every tool writes its matching lines to a file: grep with its output on
/dev/null stops at the first match. Times are the best of REPEAT runs
(default 3) with a warm file cache.

Usage: compare.py ZANTO_BENCH CORPUS_DIR [BIG_MB] [TREE_FILES]
"""
import os
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
REPEAT = int(os.environ.get("REPEAT", "3"))
SJIS_ENV = dict(os.environ, LC_ALL="ja_JP.SJIS")


def sjis(text):
    return text.encode("cp932")


# name, engine flags, engine search, grep args, rg args (patterns in UTF-8;
# converted for grep, which reads them as Shift_JIS in its locale).
CASES = [
    ("rare literal", [], "マジッククッキー", ["-F", "マジッククッキー"], ["-F", "マジッククッキー"]),
    ("common literal", [], "ディレクトリ", ["-F", "ディレクトリ"], ["-F", "ディレクトリ"]),
    ("regular expression", [], "ファイル.*削除", ["ファイル.*削除"], ["ファイル.*削除"]),
    # The fuzzy term folds half-width, hiragana and katakana forms together;
    # the peers get the alternation of the forms that occur in the corpus.
    # grep in a Shift_JIS locale misses some of these lines: after a failed
    # alternative it does not retry at the next character ("[ブプ]ロセス"
    # does not match "ブプロセス"), so only ripgrep's count is checked here.
    ("fuzzy (ZenHan)", ["-z"], "ﾌﾟﾛｾｽ",
     ["-E", "[フブプふぶぷ][ロろ][セぜせゼ][スずすズ]|ﾌﾟﾛｾｽ"], ["[フブプふぶぷ][ロろ][セぜせゼ][スずすズ]|ﾌﾟﾛｾｽ"]),
    ("and/or/not", [], "( ファイル or ディレクトリ ) and 作成 and not 一時",
     None, None),
]


GREP_UNRELIABLE = {"fuzzy (ZenHan)"}


def peer_pipeline(tool, target, recursive):
    """The and/or/not case for a peer: (A or B) and C not D as a pipeline."""
    if tool == "grep":
        first = ["grep", "-E", "-n"] + (["-r"] if recursive else []) + ["ファイル|ディレクトリ", target]
        rest = [["grep", "作成"], ["grep", "-v", "一時"]]
        return first, rest
    first = ["rg", "-E", "shift_jis", "-n", "--no-heading"] + ["ファイル|ディレクトリ", target]
    # The first stage has transcoded to UTF-8 already.
    rest = [["rg", "作成"], ["rg", "-v", "一時"]]
    return first, rest


def run_to_file(argv_list, out_path, env):
    """Runs a pipeline of commands, the last writing to out_path."""
    with open(out_path, "wb") as out:
        procs = []
        prev = None
        for i, argv in enumerate(argv_list):
            last = i == len(argv_list) - 1
            p = subprocess.Popen(argv, stdin=prev, stdout=out if last else subprocess.PIPE,
                                 stderr=subprocess.DEVNULL, env=env)
            if prev is not None:
                prev.close()
            prev = p.stdout
            procs.append(p)
        for p in procs:
            p.wait()


def encode_args(argv, tool):
    # grep reads its pattern in the locale's code (Shift_JIS); ripgrep takes
    # UTF-8 patterns and transcodes the files with -E shift_jis.
    if tool == "grep":
        return [a.encode("cp932") if isinstance(a, str) else a for a in argv]
    return argv


def best(fn):
    times = []
    for _ in range(REPEAT):
        t0 = time.perf_counter()
        fn()
        times.append(time.perf_counter() - t0)
    return min(times)


def count_lines(path):
    with open(path, "rb") as f:
        return sum(1 for _ in f)


def tree_size(path):
    if os.path.isfile(path):
        return os.path.getsize(path)
    total = 0
    for root, _d, files in os.walk(path):
        for name in files:
            total += os.path.getsize(os.path.join(root, name))
    return total


def main():
    zanto, corpus = sys.argv[1], sys.argv[2]
    big_mb = sys.argv[3] if len(sys.argv) > 3 else "200"
    tree_files = sys.argv[4] if len(sys.argv) > 4 else "2000"
    stamp = os.path.join(corpus, ".made-%s-%s" % (big_mb, tree_files))
    if not os.path.exists(stamp):
        subprocess.run(["rm", "-rf", corpus], check=True)
        subprocess.run([sys.executable, os.path.join(HERE, "make_corpus.py"), corpus, big_mb, tree_files],
                       check=True)
        open(stamp, "w").close()

    targets = [("big.txt", os.path.join(corpus, "big.txt"), False),
               ("tree", os.path.join(corpus, "tree"), True)]
    tmp = tempfile.mkdtemp()
    out = lambda name: os.path.join(tmp, name)
    failed = False
    print("%-20s %-8s %10s %10s %10s %7s %7s  %s" % ("search", "target", "ZANTO", "grep", "rg",
                                                       "x grep", "x rg", "matches"))
    for target_name, target, recursive in targets:
        mb = tree_size(target) / 1e6
        for name, zflags, zsearch, gargs, rargs in CASES:
            # With subdirectories the walk starts in the current directory,
            # as the program's does.
            zfield = "*.txt" if recursive else target
            zcwd = target if recursive else None
            zargv = [zanto] + zflags + (["-r"] if recursive else []) + [sjis(zsearch), zfield, out("z")]
            zcount = [0]

            def run_zanto():
                r = subprocess.run(zargv, capture_output=True, check=False, cwd=zcwd)
                zcount[0] = int(r.stdout.split()[0]) if r.stdout else -1

            if gargs is None:
                gpipe = peer_pipeline("grep", target, recursive)
                rpipe = peer_pipeline("rg", target, recursive)
                gcmd = [encode_args(gpipe[0], "grep")] + [encode_args(c, "grep") for c in gpipe[1]]
                rcmd = [rpipe[0]] + rpipe[1]
            else:
                gcmd = [encode_args(["grep", "-n"] + (["-r"] if recursive else []) + gargs + [target], "grep")]
                rcmd = [["rg", "-E", "shift_jis", "-n", "--no-heading"] + rargs + [target]]
            zt = best(run_zanto)
            gt = best(lambda: run_to_file(gcmd, out("g"), SJIS_ENV))
            rt = best(lambda: run_to_file(rcmd, out("r"), os.environ))
            gc, rc = count_lines(out("g")), count_lines(out("r"))
            agree = str(zcount[0])
            grep_checked = name not in GREP_UNRELIABLE
            if not grep_checked and gc != zcount[0]:
                agree += "  (grep %d, not compared)" % gc
                gc = zcount[0]
            if not (zcount[0] == gc == rc):
                agree += "  DIFFER: grep %d, rg %d" % (gc, rc)
                failed = True
            zr, gr, rr = mb / zt, mb / gt, mb / rt
            print("%-20s %-8s %6.0fMB/s %6.0fMB/s %6.0fMB/s %6.2fx %6.2fx  %s" %
                  (name, target_name, zr, gr, rr, zr / gr, zr / rr, agree))
    subprocess.run(["rm", "-rf", tmp])
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
