#!/usr/bin/env python3
"""Times, in one run, the Windows program under Wine in command-line mode,
its engine natively, GNU grep in a Shift_JIS locale and ripgrep with
transcoding, on the same searches; checks that every match count agrees and
prints seconds, MB/s and ratios.

The program is timed as a user starts it: one Wine start per search, from
the command line to its exit, the result written to a file (an earlier
build given with --before is timed once per search, and left out on a
target once one of its runs there took over BEFORE_PATIENCE seconds). Its start-up is
timed on an empty file and taken off for its net MB/s; a bare Wine start of
the command interpreter is timed beside it. The tree is searched interleaved
with the probe that only reads it and with the start-up on an empty file
(probe, search, start-up, probe, ...), and the search's net time is printed
over the probe's as a ratio; each search of the UTF-8 copy is printed over
the same search of the Shift_JIS file, net of start-up. Every tool writes its matching
lines to a file (grep with its output on /dev/null stops at the first
match). Times are medians of REPEAT runs (default 3) with a warm file cache.
The big file is also searched in a UTF-8 copy, which the program detects
by its bytes (its profile then asks for that): its counts must be those of the Shift_JIS file, and grep (in
a UTF-8 locale) and ripgrep read it without transcoding.

Usage: compare.py --engine ZANTO_BENCH --program EXE --arch ARCH --wine-run
       WINE_RUN [--before EXE] CORPUS_DIR [BIG_MB] [TREE_FILES]
"""
import argparse
import os
import statistics
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
REPEAT = int(os.environ.get("REPEAT", "3"))
SJIS_ENV = dict(os.environ, LC_ALL="ja_JP.SJIS")
UTF8_ENV = dict(os.environ, LC_ALL="C.UTF-8")
COPIES = 5  # the big file named this many times over
BEFORE_PATIENCE = 20  # seconds of one run of the earlier build before it is left out on a target
STARTS = max(REPEAT, 5)  # runs for the start-up medians, which are short and vary most

# name, program flags, engine flags, search, grep args, rg args (patterns in
# UTF-8; converted for grep, which reads them as Shift_JIS in its locale).
CASES = [
    ("rare literal", [], [], "マジッククッキー", ["-F", "マジッククッキー"], ["-F", "マジッククッキー"]),
    ("common literal", [], [], "ディレクトリ", ["-F", "ディレクトリ"], ["-F", "ディレクトリ"]),
    ("regular expression", [], [], "ファイル.*削除", ["ファイル.*削除"], ["ファイル.*削除"]),
    # The fuzzy term folds half-width, hiragana and katakana forms together;
    # the peers get the alternation of the forms that occur in the corpus.
    # grep in a Shift_JIS locale misses some of these lines: after a failed
    # alternative it does not retry at the next character ("[ブプ]ロセス"
    # does not match "ブプロセス"), so only ripgrep's count is checked here.
    ("fuzzy (ZenHan)", ["-Z"], ["-z"], "ﾌﾟﾛｾｽ",
     ["-E", "[フブプふぶぷ][ロろ][セぜせゼ][スずすズ]|ﾌﾟﾛｾｽ"], ["[フブプふぶぷ][ロろ][セぜせゼ][スずすズ]|ﾌﾟﾛｾｽ"]),
    ("and/or/not", [], [], "( ファイル or ディレクトリ ) and 作成 and not 一時", None, None),
]
GREP_UNRELIABLE = {"fuzzy (ZenHan)"}


def median_time(fn, repeat=REPEAT):
    times = []
    for _ in range(repeat):
        t0 = time.perf_counter()
        fn()
        times.append(time.perf_counter() - t0)
    return statistics.median(times)


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


def wine_path(path):
    return "Z:" + os.path.abspath(path).replace("/", "\\")


def run_to_file(argv_list, out_path, env, cwd=None):
    """Runs a pipeline of commands, the last writing to out_path."""
    with open(out_path, "wb") as out:
        procs = []
        prev = None
        for i, argv in enumerate(argv_list):
            last = i == len(argv_list) - 1
            p = subprocess.Popen(argv, stdin=prev, stdout=out if last else subprocess.PIPE,
                                 stderr=subprocess.DEVNULL, env=env, cwd=cwd)
            if prev is not None:
                prev.close()
            prev = p.stdout
            procs.append(p)
        for p in procs:
            p.wait()


def peer_command(tool, gargs, rargs, targets, recursive, utf8=False):
    """The peer's pipeline; the and/or/not case is (A or B) and C not D."""
    transcode = [] if utf8 else ["-E", "shift_jis"]
    if tool == "grep":
        if gargs is None:
            first = ["grep", "-E", "-n"] + (["-r"] if recursive else []) + ["ファイル|ディレクトリ"] + targets
            cmds = [first, ["grep", "作成"], ["grep", "-v", "一時"]]
        else:
            cmds = [["grep", "-n"] + (["-r"] if recursive else []) + gargs + targets]
        # grep reads its pattern in the locale's code.
        return [[a.encode("utf-8" if utf8 else "cp932") for a in c] for c in cmds]
    if rargs is None:
        # The first stage has transcoded to UTF-8 already.
        return [["rg"] + transcode + ["-n", "--no-heading", "ファイル|ディレクトリ"] + targets,
                ["rg", "作成"], ["rg", "-v", "一時"]]
    return [["rg"] + transcode + ["-n", "--no-heading"] + rargs + targets]


class Program:
    """The Windows program, started under Wine once per search."""

    def __init__(self, exe, wine_run, tmp, repeat=REPEAT):
        self.starts = STARTS if repeat > 1 else repeat
        self.exe, self.wine_run, self.repeat = exe, wine_run, repeat
        self.out = os.path.join(tmp, "program.txt")
        self.profile = wine_path(os.path.join(tmp, "absent.ini"))  # defaults, nothing saved
        # Without a profile every file is read as Shift_JIS; this one has
        # the code of each file found from its bytes.
        auto = os.path.join(tmp, "auto.ini")
        with open(auto, "wb") as f:
            f.write(b"[search]\r\nKanjiCode=0\r\n")
        self.auto_profile = wine_path(auto)

    def argv(self, flags, search, fields, detect=False):
        return ([self.wine_run, self.exe] + flags + [search] + fields +
                ["-O" + wine_path(self.out), "-1+", "-u", "-I" + (self.auto_profile if detect else self.profile)])

    def time(self, flags, search, fields, cwd, starts=False, detect=False):
        argv = self.argv(flags, search, fields, detect)
        t = median_time(lambda: subprocess.run(argv, cwd=cwd, stdout=subprocess.DEVNULL,
                                               stderr=subprocess.DEVNULL, check=False),
                        self.starts if starts else self.repeat)
        return t, count_lines(self.out)


def floor_seconds(wine_run, floor, tree):
    """One run of the probe that only lists, opens, reads and closes the
    tree's files: (files, seconds inside the probe, no start-up), or None."""
    r = subprocess.run([wine_run, floor, "."], cwd=tree, capture_output=True, text=True, check=False)
    fields = r.stdout.split()
    return (int(fields[0]), float(fields[2])) if len(fields) == 3 else None


def time_beside_floor(program, flags, search, fields, cwd, wine_run, floor, corpus):
    """The tree search timed interleaved with the floor and with the
    program's start-up on an empty file (floor, program, start-up, floor,
    ...), so that all three see the same machine: (whole, start-up, floor,
    files, count), medians."""
    floors, wholes, starts, files = [], [], [], 0
    argv = program.argv(flags, search, fields)
    empty = program.argv([], "郵便", ["empty.txt"])
    quiet = dict(stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, check=False)
    for _ in range(program.repeat):
        probe = floor_seconds(wine_run, floor, cwd)
        if probe:
            files = probe[0]
            floors.append(probe[1])
        t0 = time.perf_counter()
        subprocess.run(argv, cwd=cwd, **quiet)
        wholes.append(time.perf_counter() - t0)
        count = count_lines(program.out)
        t0 = time.perf_counter()
        subprocess.run(empty, cwd=corpus, **quiet)
        starts.append(time.perf_counter() - t0)
    floor_t = statistics.median(floors) if floors else None
    return statistics.median(wholes), statistics.median(starts), floor_t, files, count


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--engine", required=True)
    ap.add_argument("--program", required=True)
    ap.add_argument("--floor", required=True, help="the Windows probe that only reads a tree")
    ap.add_argument("--arch", required=True)
    ap.add_argument("--wine-run", required=True)
    ap.add_argument("--before", help="an earlier build of the program, timed beside it")
    ap.add_argument("corpus")
    ap.add_argument("big_mb", nargs="?", default="200")
    ap.add_argument("tree_files", nargs="?", default="2000")
    a = ap.parse_args()

    corpus = os.path.abspath(a.corpus)
    stamp = os.path.join(corpus, ".made-%s-%s" % (a.big_mb, a.tree_files))
    if not os.path.exists(stamp):
        subprocess.run(["rm", "-rf", corpus], check=True)
        made = subprocess.run([sys.executable, os.path.join(HERE, "make_corpus.py"), corpus, a.big_mb,
                               a.tree_files])
        if made.returncode != 0:
            sys.exit("bench: stopped: the corpus could not be made")
        open(stamp, "w").close()
    empty = os.path.join(corpus, "empty.txt")
    open(empty, "wb").close()

    tmp = tempfile.mkdtemp()
    program = Program(a.program, a.wine_run, tmp)
    # The earlier build is slow where it is slow; one run of each is enough.
    before = Program(a.before, a.wine_run, tmp, 1) if a.before else None
    engine_out = os.path.join(tmp, "engine.txt")
    peer_out = os.path.join(tmp, "peer.txt")

    note = "" if a.arch == "i686" else " (this machine's Wine cannot start 32-bit programs)"
    print("program: %s, the %s build%s" % (a.program, a.arch, note))
    # The first starts after the prefix was made or the server started are slow.
    for warm in ([a.wine_run, "cmd", "/c", "exit"], program.argv([], "郵便", ["empty.txt"])):
        subprocess.run(warm, cwd=corpus, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, check=False)
    bare = median_time(lambda: subprocess.run([a.wine_run, "cmd", "/c", "exit"], stdout=subprocess.DEVNULL,
                                              stderr=subprocess.DEVNULL, check=False), STARTS)
    startup, _ = program.time([], "郵便", ["empty.txt"], corpus, starts=True)
    line = "start-up on an empty file %.2f s, a bare Wine start %.2f s (+%.2f s)" % (startup, bare, startup - bare)
    before_startup = None
    if before:
        before_startup, _ = before.time([], "郵便", ["empty.txt"], corpus, starts=True)
        line += "; before: %.2f s" % before_startup
    print(line)

    big = os.path.join(corpus, "big.txt")
    tree = os.path.join(corpus, "tree")
    big_utf8 = os.path.join(corpus, "big-utf8.txt")
    if not os.path.exists(big_utf8) or os.path.getmtime(big_utf8) < os.path.getmtime(big):
        with open(big, "rb") as f, open(big_utf8 + ".part", "wb") as out:
            for line in f:
                out.write(line.decode("cp932").encode("utf-8"))
        os.replace(big_utf8 + ".part", big_utf8)
    # name, program and engine field, working directory, peer targets,
    # recursive, UTF-8
    targets = [("big.txt", ["big.txt"], corpus, [big], False, False),
               ("big.txt x%d" % COPIES, ["big.txt"] * COPIES, corpus, [big] * COPIES, False, False),
               ("tree", ["*.txt"], tree, [tree], True, False),
               ("big UTF-8", ["big-utf8.txt"], corpus, [big_utf8], False, True)]
    sjis_counts = {}
    sjis_net = {}  # the program's net seconds per search on the Shift_JIS file
    head = "%-19s %-10s %6s | %7s %8s %9s | %8s %7s | %7s %7s | %7s %7s | %6s %6s | %s" % (
        "search", "target", "MB", "ZANTO s", "net MB/s", "before s", "engine s", "MB/s", "grep s", "MB/s",
        "rg s", "MB/s", "/grep", "/rg", "matches")
    print(head)
    failed = False
    before_slow = set()
    for target_name, fields, cwd, peer_targets, recursive, utf8 in targets:
        mb = tree_size(peer_targets[0]) * len(peer_targets) / 1e6
        for name, pflags, eflags, search, gargs, rargs in CASES:
            rflag = ["-R"] if recursive else []
            ratio = ""
            if recursive:
                pt, run_startup, floor_t, floor_files, pc = time_beside_floor(
                    program, pflags + rflag, search, fields, cwd, a.wine_run, a.floor, corpus)
                net = pt - run_startup
                if floor_t:
                    ratio = "net %.3f s / floor %.3f s (%d files) = %.2f" % (net, floor_t, floor_files, net / floor_t)
            else:
                pt, pc = program.time(pflags + rflag, search, fields, cwd, detect=utf8)
                net = pt - startup
                if target_name == "big.txt":
                    sjis_net[name] = net
                elif utf8 and sjis_net.get(name, 0) > 0:
                    ratio = "net / Shift_JIS net = %.2f" % (net / sjis_net[name])
            bt = None
            if before and target_name not in before_slow:
                bt = before.time(pflags + rflag, search, fields, cwd, detect=utf8)[0]
                if bt > BEFORE_PATIENCE:
                    before_slow.add(target_name)  # not timed again on this target

            engine_argv = [a.engine] + eflags + (["-r"] if recursive else []) + [
                search.encode("cp932"), " ".join(fields), engine_out]
            ec = [0]

            def run_engine():
                r = subprocess.run(engine_argv, capture_output=True, check=False, cwd=cwd)
                ec[0] = int(r.stdout.split()[0]) if r.stdout else -1

            et = median_time(run_engine)
            gcmd = peer_command("grep", gargs, rargs, peer_targets, recursive, utf8)
            rcmd = peer_command("rg", gargs, rargs, peer_targets, recursive, utf8)
            gt = median_time(lambda: run_to_file(gcmd, peer_out, UTF8_ENV if utf8 else SJIS_ENV))
            gc = count_lines(peer_out)
            rt = median_time(lambda: run_to_file(rcmd, peer_out, os.environ))
            rc = count_lines(peer_out)

            agree = str(pc)
            if target_name == "big.txt":
                sjis_counts[name] = pc
            elif utf8 and sjis_counts.get(name, pc) != pc:
                agree += "  DIFFER from the Shift_JIS file: %d" % sjis_counts[name]
                failed = True
            if name in GREP_UNRELIABLE and not utf8 and gc != pc:
                agree += " (grep %d, not compared)" % gc
                gc = pc
            if not (pc == ec[0] == gc == rc):
                agree += "  DIFFER: engine %d, grep %d, rg %d" % (ec[0], gc, rc)
                failed = True
            print("%-19s %-10s %6.0f | %7.2f %8s %9s | %8.3f %7.0f | %7.3f %7.0f | %7.3f %7.0f | %6.1f %6.2f | %s" % (
                name, target_name, mb, pt, "%.0f" % (mb / net) if net > 0 else "-",
                "%.2f" % bt if bt is not None else "-", et, mb / et, gt, mb / gt, rt, mb / rt,
                pt / gt, pt / rt, agree + ("  " + ratio if ratio else "")))
            sys.stdout.flush()
    subprocess.run(["rm", "-rf", tmp])
    # The archive decoder alone, natively, over the largest stored archives.
    for archive in ("big_lh5.lzh", "lh7_window.lzh"):
        path = os.path.join(os.path.dirname(HERE), "tests", "data", "lzh", archive)
        decoded = subprocess.run([a.engine, "--lzh", path], capture_output=True, text=True)
        print("LZH decoder %-16s %s" % (archive, decoded.stdout.strip() or decoded.stderr.strip()))
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
