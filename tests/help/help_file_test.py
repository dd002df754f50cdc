#!/usr/bin/env python3
"""ZANTO.HLP answers every help request the program makes.

The help contexts are taken from the program's own sources (the control
binding tables, the extra help pairs, the dialogs' help contexts); the help
file is read the way the help viewer reads it: the file header, the
directory B-tree, |SYSTEM, |CTXOMAP, |CONTEXT, |TTLBTREE, the keyword
index (|KWBTREE, |KWDATA, |KWMAP) and the topic links of |TOPIC, with the
text in Shift_JIS; the contents file ZANTO.CNT beside it names the topics
of the help window.

usage: help_file_test.py ZANTO.HLP SOURCE_ROOT
"""

import glob
import os
import re
import struct
import sys
import unittest

HELP_FILE = None
SOURCE_ROOT = None


# ---- The program's help requests ----

def c_string(literal):
    return None if literal == "nullptr" else literal[1:-1].replace('\\"', '"')


def resource_names(root):
    names = {"IDOK": 1, "IDCANCEL": 2}
    with open(os.path.join(root, "src/ui/resource.h"), encoding="utf-8") as f:
        for line in f:
            m = re.match(r"#define\s+(\w+)\s+(\d+)\b", line)
            if m:
                names[m.group(1)] = int(m.group(2))
    return names


class ProgramHelp:
    """What the dialogs hand to the help viewer."""

    def __init__(self, root):
        self.names = resource_names(root)
        self.bindings, self.pairs, self.dialogs = {}, {}, []
        self.named_contexts = set()
        for path in sorted(glob.glob(os.path.join(root, "src/ui/*.cpp"))):
            with open(path, encoding="utf-8") as f:
                self.read(f.read())

    def value(self, name):
        return int(name) if name.isdigit() else self.names[name]

    def read(self, source):
        for m in re.finditer(r"const ControlBinding (k\w+)\[\] = \{(.*?)\n\};", source, re.S):
            rows = re.findall(r"\{(\w+), [^,]+, [^,]+, (nullptr|\"(?:[^\"\\]|\\.)*\")\}", m.group(2))
            self.bindings[m.group(1)] = [(self.value(i), c_string(s)) for i, s in rows if i != "0"]
        for m in re.finditer(r"const HelpPair (k\w+)\[\] = \{(.*?)\};", source, re.S):
            rows = re.findall(r"\{(\w+), (\w+)\}", m.group(2))
            self.pairs[m.group(1)] = [(self.value(a), self.value(b)) for a, b in rows if a != "0"]
        # Option dialogs: template, title, help context, bindings, extra pairs.
        for m in re.finditer(r"IDD_\w+, \"[^\"]*\", (\w+), (k\w+), (k\w+|nullptr)", source):
            self.dialogs.append((m.group(2), None if m.group(3) == "nullptr" else m.group(3)))
            self.named_contexts.add(m.group(1))
        for m in re.finditer(r"ShowContextHelp\([^;]*?, (k\w+), (k\w+|nullptr)\)", source):
            self.dialogs.append((m.group(1), None if m.group(2) == "nullptr" else m.group(2)))
        # Every help context named in the resource header that the code uses.
        self.named_contexts |= {n for n in re.findall(r"\b(HELP_\w+)\b", source) if n in self.names}

    def dialog_pairs(self):
        """Per dialog, the pairs as the viewer gets them: extra ones first."""
        for bindings, extra in self.dialogs:
            yield bindings, self.pairs.get(extra, []) + [(i, i) for i, _ in self.bindings[bindings]]

    def contexts(self):
        found = {self.value(n) for n in self.named_contexts}
        for _, pairs in self.dialog_pairs():
            found |= {context for _, context in pairs}
        return found

    def status_popups(self):
        """(context the viewer shows for a control, the control's status text)."""
        for bindings, pairs in self.dialog_pairs():
            for control, status in self.bindings[bindings]:
                if status:
                    context = next(c for i, c in pairs if i == control)
                    yield control, context, status


# ---- The help file, read as the viewer reads it ----

def u16(data, at):
    return struct.unpack_from("<H", data, at)[0]


def u32(data, at):
    return struct.unpack_from("<I", data, at)[0]


def i32(data, at):
    return struct.unpack_from("<i", data, at)[0]


class BTree:
    """A B+ tree of an internal file; entry(data, at) -> (key, value, end);
    order(key) is what the tree's keys are sorted by."""

    def __init__(self, data, entry, index_key, order=lambda key: key):
        if u16(data, 0) != 0x293B:
            raise ValueError("not a B-tree")
        self.data, self.entry, self.index_key, self.order = data, entry, index_key, order
        self.page_size, self.root, self.levels = u16(data, 4), u16(data, 26), u16(data, 32)

    def page(self, number):
        return 38 + number * self.page_size

    def lookup(self, key):
        number = self.root
        for _ in range(self.levels - 1):
            at = self.page(number)
            count, child, at = struct.unpack_from("<h", self.data, at + 2)[0], u16(self.data, at + 4), at + 6
            for _ in range(count):
                entry_key, at = self.index_key(self.data, at)
                if self.order(entry_key) > self.order(key):
                    break
                child, at = u16(self.data, at), at + 2
            number = child
        for entry_key, value in self.leaf(number):
            if entry_key == key:
                return value
        return None

    def leaf_numbers(self):
        number = self.root
        for _ in range(self.levels - 1):
            number = u16(self.data, self.page(number) + 4)
        while number != 0xFFFF:
            yield number
            number = u16(self.data, self.page(number) + 6)

    def leaf(self, number):
        at = self.page(number)
        count, at = struct.unpack_from("<h", self.data, at + 2)[0], at + 8
        for _ in range(count):
            key, value, at = self.entry(self.data, at)
            yield key, value

    def entries(self):
        for number in self.leaf_numbers():
            yield from self.leaf(number)


def zstring(data, at):
    end = data.index(b"\0", at)
    return data[at:end], end + 1


def name_entry(data, at):
    name, at = zstring(data, at)
    return name, u32(data, at), at + 4


def name_index(data, at):
    return zstring(data, at)


def long_entry(data, at):
    return i32(data, at), u32(data, at + 4), at + 8


def long_index(data, at):
    return i32(data, at), at + 4


def title_entry(data, at):
    title, end = zstring(data, at + 4)
    return u32(data, at), title.decode("cp932"), end


def keyword_entry(data, at):
    keyword, at = zstring(data, at)
    return keyword, struct.unpack_from("<hI", data, at), at + 6


def keyword_order(keyword):
    """Keywords sort by their Shift_JIS bytes, ASCII letters without case."""
    return b"".join(c.encode("cp932").upper() if c.isascii() else c.encode("cp932")
                    for c in keyword.decode("cp932"))


def context_hash(name):
    """The viewer's hash of a topic name, as |CONTEXT keeps it."""
    value = 0
    for c in name.lower():
        x = ord(c) - ord("a") + 17 if c.isalpha() else 10 if c == "0" else ord(c) - ord("0") if c.isdigit() \
            else {".": 12, "_": 13}.get(c, 0)
        value = (value * 43 + x) & 0xFFFFFFFF if x else value
    return struct.unpack("<i", struct.pack("<I", value))[0]


def compressed_unsigned(data, at, wide):
    """A compressed value: low bit clear, the short form; set, the long form."""
    if data[at] & 1:
        return (u32(data, at) if wide else u16(data, at)) >> 1, at + (4 if wide else 2)
    return (u16(data, at) if wide else data[at]) >> 1, at + (2 if wide else 1)


class HelpFile:
    def __init__(self, path):
        with open(path, "rb") as f:
            self.raw = f.read()
        magic, directory, _, size = struct.unpack_from("<IIiI", self.raw, 0)
        if magic != 0x00035F3F or size != len(self.raw):
            raise ValueError("not a help file of its own size")
        self.directory = BTree(self.internal(directory), name_entry, name_index)
        self.read_system()
        self.topics = self.read_topics()
        self.context_map = dict(struct.unpack_from("<iI", m, 2 + 8 * n)
                                for m in [self.file("|CTXOMAP")] for n in range(u16(m, 0)))
        self.contexts = dict(BTree(self.file("|CONTEXT"), long_entry, long_index).entries())
        self.titles = dict(BTree(self.file("|TTLBTREE"), title_entry, long_index).entries())
        self.path = path

    def read_index(self):
        """The keyword index and the window topics of the contents file."""
        self.keywords = BTree(self.file("|KWBTREE"), keyword_entry, name_index, keyword_order)
        self.keyword_data = self.file("|KWDATA")
        keyword_map = self.file("|KWMAP")
        self.keyword_map = [struct.unpack_from("<iH", keyword_map, 2 + 6 * n) for n in range(u16(keyword_map, 0))]
        with open(os.path.join(os.path.dirname(self.path), "ZANTO.CNT"), encoding="cp932") as f:
            # name -> title, from the lines "level title=name"
            self.window_topics = dict(reversed(line.split(" ", 1)[1].rstrip("\r\n").rsplit("=", 1))
                                      for line in f if line[0].isdigit())

    def internal(self, at):
        reserved, used = u32(self.raw, at), u32(self.raw, at + 4)
        if reserved < used + 9 or at + reserved > len(self.raw):
            raise ValueError("internal file does not fit")
        return self.raw[at + 9:at + 9 + used]

    def file(self, name):
        at = self.directory.lookup(name.encode())
        if at is None:
            raise KeyError(name)
        return self.internal(at)

    def read_system(self):
        data = self.file("|SYSTEM")
        magic, minor, major, _, flags = struct.unpack_from("<HHHIH", data, 0)
        if magic != 0x036C or major != 1 or minor <= 16 or flags != 0:
            raise ValueError("not an uncompressed 32-bit help file")
        self.records, at = {}, 12
        while at + 4 <= len(data):
            kind, size = u16(data, at), u16(data, at + 2)
            self.records[kind] = data[at + 4:at + 4 + size]
            at += 4 + size
        self.title = zstring(self.records[1], 0)[0].decode("cp932")
        self.contents = u32(self.records[3], 0)
        self.charset = self.records[11][0]

    def read_topics(self):
        """Topic offset -> (title, paragraphs); a paragraph is (text, links)."""
        blocks = self.file("|TOPIC")
        data = b"".join(blocks[at + 12:at + 0x1000] for at in range(0, len(blocks), 0x1000))
        topics, current, position = {}, None, 0x0C
        block_seen, characters = -1, 0
        while position != 0xFFFFFFFF:
            block, offset = position // 0x4000, position % 0x4000 - 0x0C
            at = block * (0x1000 - 12) + offset
            size, length2, _, following, length1, record = struct.unpack_from("<IIIIIB", data, at)
            data1, data2 = data[at + 21:at + length1], data[at + length1:at + size]
            if len(data2) != length2:
                raise ValueError("compressed topic text")
            if block != block_seen:
                block_seen, characters = block, 0
            if record == 0x02:
                current = []
                topics[block * 0x8000 + characters] = (data2.split(b"\0")[0].decode("cp932"), current)
            elif record == 0x20:
                text, links, count = self.paragraph(data1, data2)
                current.append((text, links))
                characters += count
            else:
                raise ValueError(f"record type {record:#x}")
            position = following
        return topics

    @staticmethod
    def paragraph(data1, data2):
        _, at = compressed_unsigned(data1, 0, True)
        count, at = compressed_unsigned(data1, at, False)
        bits, at = u16(data1, at + 4), at + 6
        if bits & 0x0001:
            at = compressed_unsigned(data1, at, True)[1]
        for flag in (0x0002, 0x0004, 0x0008, 0x0010, 0x0020, 0x0040):
            if bits & flag:
                at = compressed_unsigned(data1, at, False)[1]
        if bits & 0x0300:
            raise ValueError("borders and tabs are not written")
        strings = data2.split(b"\0")
        text, links, hotspot = b"", [], None
        for string in strings:
            text += string
            if hotspot is not None:
                links[-1] = (links[-1][0], links[-1][1], string.decode("cp932"))
                hotspot = None
            command = data1[at]
            if command == 0xFF:
                break
            if command == 0x80:
                at += 3
            elif command in (0x81, 0x82, 0x83, 0x89):
                at += 1
            elif command in (0xE2, 0xE3):
                links.append(("popup" if command == 0xE2 else "jump", i32(data1, at + 1), ""))
                hotspot, at = True, at + 5
            else:
                raise ValueError(f"command {command:#x}")
        return text.decode("cp932"), links, count

    def keyword_topics(self, keyword):
        """The topic offsets the index opens for a keyword, looked up as the viewer does."""
        found = self.keywords.lookup(keyword.encode("cp932"))
        if found is None:
            return None
        count, at = found
        return [u32(self.keyword_data, at + 4 * n) for n in range(count)]

    def topic_of_context(self, context):
        offset = self.context_map.get(context)
        return None if offset is None else self.topics.get(offset)


# ---- The rules ----

class HelpFileTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.help = HelpFile(HELP_FILE)
        cls.program = ProgramHelp(SOURCE_ROOT)

    def test_every_context_the_program_passes_opens_a_titled_topic_with_text(self):
        contexts = self.program.contexts()
        self.assertGreater(len(contexts), 80)
        for context in sorted(contexts):
            with self.subTest(context=context):
                topic = self.help.topic_of_context(context)
                self.assertIsNotNone(topic, "no topic")
                title, paragraphs = topic
                self.assertTrue(title.strip())
                self.assertEqual(self.help.titles[self.help.context_map[context]], title)
                self.assertGreater(sum(len(text) for text, _ in paragraphs), len(title) + 10)

    def test_a_control_popup_begins_with_the_controls_status_text(self):
        for control, context, status in self.program.status_popups():
            with self.subTest(control=control, context=context):
                _, paragraphs = self.help.topic_of_context(context)
                # (a blank at the end of a status text does not show)
                self.assertEqual(paragraphs[0][0], status.rstrip())
                self.assertGreater(len(paragraphs), 1, "the status text alone")

    def test_the_file_is_a_japanese_help_file_whose_contents_and_links_lead_to_topics(self):
        self.assertEqual(self.help.title, "ＺＡＮＴＯ32 ヘルプ")
        self.assertEqual(self.help.charset, 128)
        contents = self.help.topics.get(self.help.contents)
        self.assertIsNotNone(contents)
        linked = set()
        for title, paragraphs in self.help.topics.values():
            for _, links in paragraphs:
                for kind, target, hotspot in links:
                    with self.subTest(topic=title, hotspot=hotspot):
                        self.assertIn(self.help.contexts.get(target), self.help.topics)
                        self.assertTrue(hotspot)
                        linked.add(self.help.contexts[target])
        # Every topic can be reached from the contents, through links.
        self.assertEqual(set(self.help.topics) - linked - {self.help.contents}, set())

    def test_the_index_lists_every_window_topic_by_its_title_and_opens_it(self):
        self.help.read_index()
        entries = list(self.help.keywords.entries())
        # Sorted as the viewer looks keywords up; one topic each, as the viewer opens one.
        orders = [keyword_order(keyword) for keyword, _ in entries]
        self.assertEqual(orders, sorted(set(orders)))
        self.assertEqual({count for _, (count, _) in entries}, {1})
        self.assertEqual(self.help.keywords.levels > 1, len(self.help.keyword_map) > 1)
        first = 0
        for (number, page), leaf in zip(self.help.keyword_map, self.help.keywords.leaf_numbers()):
            self.assertEqual((number, page), (first, leaf))
            first += len(list(self.help.keywords.leaf(leaf)))
        self.assertEqual(first, len(entries))
        # Every window topic under its title, and words besides the titles.
        self.assertGreater(len(entries), 2 * len(self.help.window_topics))
        window_offsets = {self.help.contexts[context_hash(name)] for name in self.help.window_topics}
        for name, title in self.help.window_topics.items():
            with self.subTest(topic=name):
                offset = self.help.contexts[context_hash(name)]
                self.assertEqual(self.help.keyword_topics(title), [offset])
                self.assertEqual(self.help.topics[offset][0], title)
        # A keyword opens a window topic, never a popup.
        for keyword, (_, at) in entries:
            with self.subTest(keyword=keyword.decode("cp932")):
                self.assertIn(u32(self.help.keyword_data, at), window_offsets)


if __name__ == "__main__":
    HELP_FILE, SOURCE_ROOT = sys.argv[1], sys.argv[2]
    unittest.main(argv=sys.argv[:1], verbosity=1)
