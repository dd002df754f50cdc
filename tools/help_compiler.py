#!/usr/bin/env python3
"""Compiles the help text under docs/help/ into ZANTO.HLP and ZANTO.CNT.

The source is UTF-8 text, one file per group of topics, read in file-name
order:

  # a comment line
  == name: Title          a topic of the help window
  -- name: Title          a popup topic (context help of one control)
  @ 303 IDC_SEARCH_TEXT   help context numbers that open the topic above
                          (numbers or names defined in the --defines header)
  K word; other word      index keywords of the topic above, besides its
                          title (window topics only, not popups)
  ### Heading             a heading paragraph inside a topic
  ・item / - item          a list item: a paragraph of its own, indented
    two spaces            a preformatted line: a paragraph of its own

Other lines are running text: lines up to a blank line make one paragraph.
[[name]] or [[name|text]] is a jump to another topic, {{name}} or
{{name|text}} opens it as a popup. The topic named "contents" is the one
the viewer shows first. Every text must be representable in Shift_JIS.

Every window topic is listed in the viewer's index under its title and its
K keywords. The index is sorted by the Shift_JIS bytes of the keywords,
ASCII letters without regard to case. A keyword opens one topic: two topics
may not share one.

The output is a help file of the 32-bit viewer format (uncompressed topic
blocks of 4 KB, no phrase table) and the viewer's contents file.
"""

import argparse
import os
import re
import struct
import sys

HELP_TITLE = "ＺＡＮＴＯ32 ヘルプ"
HELP_FILE_NAME = "ZANTO.HLP"
CONTENTS_FILE_NAME = "ZANTO.CNT"
CONTENTS_TOPIC = "contents"
ENCODING = "cp932"
SHIFTJIS_CHARSET = 128
JAPANESE_LCID = 0x0411
# Ids every dialog uses without defining them.
STANDARD_IDS = {"IDOK": 1, "IDCANCEL": 2}

FILE_MAGIC = 0x00035F3F
BTREE_MAGIC = 0x293B
SYSTEM_MAGIC = 0x036C
SYSTEM_MINOR = 33          # the 32-bit viewer's files
DIRECTORY_PAGE = 0x400
BTREE_PAGE = 0x800
TOPIC_BLOCK = 0x1000
TOPIC_BLOCK_HEADER = 12
TOPIC_BLOCK_DATA = TOPIC_BLOCK - TOPIC_BLOCK_HEADER
LINK_HEADER = 21
NO_POSITION = 0xFFFFFFFF

RECORD_TOPIC_HEADER = 0x02
RECORD_DISPLAY = 0x20

FONT_TEXT, FONT_TITLE, FONT_HEADING = 0, 1, 2
FONT_FACE = "MS Gothic"
FONT_FACE_FIELD = 32
# (attributes: 1 bold, half-points, family: 1 modern)
FONTS = [(0, 20, 1), (1, 26, 1), (1, 22, 1)]

CMD_FONT, CMD_PARAGRAPH_END, CMD_HOTSPOT_END, CMD_END = 0x80, 0x82, 0x89, 0xFF
CMD_POPUP, CMD_JUMP = 0xE2, 0xE3

SPACE_BELOW, LEFT_INDENT = 0x0004, 0x0010


class HelpSourceError(Exception):
    pass


# ---- Source ----

class Paragraph:
    def __init__(self, kind, text):
        self.kind = kind  # "text", "heading", "item", "pre"
        self.text = text


class Topic:
    def __init__(self, name, title, popup, where):
        self.name = name
        self.title = title
        self.popup = popup
        self.where = where
        self.contexts = []
        self.keywords = []
        self.paragraphs = []


HEADER = re.compile(r"^(==|--) ([A-Za-z0-9_.]+): (.+)$")
LINK = re.compile(r"\[\[([A-Za-z0-9_.]+)(?:\|([^\]]*))?\]\]|\{\{([A-Za-z0-9_.]+)(?:\|([^}]*))?\}\}")


def join_lines(lines):
    text = ""
    for line in lines:
        if text and text[-1].isascii() and line[0].isascii():
            text += " "
        text += line
    return text


def read_defines(path):
    names = dict(STANDARD_IDS)
    if not path:
        return names
    with open(path, encoding="utf-8") as f:
        for line in f:
            m = re.match(r"#define\s+(\w+)\s+(\d+)\b", line)
            if m:
                names[m.group(1)] = int(m.group(2))
    return names


def parse_context(token, names, where):
    if token.isdigit():
        return int(token)
    if token in names:
        return names[token]
    raise HelpSourceError(f"{where}: unknown help context {token}")


def parse_source(paths, names):
    topics = []
    for path in paths:
        with open(path, encoding="utf-8") as f:
            lines = f.read().splitlines()
        topic, running = None, []

        def flush():
            if running:
                topic.paragraphs.append(Paragraph("text", join_lines(running)))
                running.clear()

        for number, raw in enumerate(lines, 1):
            where = f"{path}:{number}"
            line = raw.rstrip()
            if line.startswith("#") and not line.startswith("###"):
                continue
            header = HEADER.match(line)
            if header:
                if topic:
                    flush()
                topic = Topic(header.group(2), header.group(3).strip(), header.group(1) == "--", where)
                topics.append(topic)
                continue
            if not line:
                if topic:
                    flush()
                continue
            if topic is None:
                raise HelpSourceError(f"{where}: text before the first topic")
            if line.startswith("@ "):
                topic.contexts += [parse_context(t, names, where) for t in line[2:].split()]
            elif line.startswith("K "):
                if topic.popup:
                    raise HelpSourceError(f"{where}: a popup topic has no index keywords")
                topic.keywords += [k.strip() for k in line[2:].split(";") if k.strip()]
            elif line.startswith("### "):
                flush()
                topic.paragraphs.append(Paragraph("heading", line[4:].strip()))
            elif line.startswith("・") or line.startswith("- "):
                flush()
                topic.paragraphs.append(Paragraph("item", line if line.startswith("・") else "・" + line[2:]))
            elif line.startswith("  "):
                flush()
                topic.paragraphs.append(Paragraph("pre", line[2:]))
            else:
                running.append(line.strip())
        if topic:
            flush()
    return topics


def check_topics(topics):
    by_name, by_hash, by_context = {}, {}, {}
    for t in topics:
        if t.name in by_name:
            raise HelpSourceError(f"{t.where}: topic {t.name} defined twice")
        by_name[t.name] = t
        h = context_hash(t.name)
        if h in by_hash:
            raise HelpSourceError(f"{t.where}: topic names {t.name} and {by_hash[h].name} hash alike")
        by_hash[h] = t
        if not t.paragraphs:
            raise HelpSourceError(f"{t.where}: topic {t.name} has no text")
        for c in t.contexts:
            if c in by_context:
                raise HelpSourceError(f"{t.where}: help context {c} also opens {by_context[c].name}")
            by_context[c] = t
    if CONTENTS_TOPIC not in by_name:
        raise HelpSourceError(f"no topic named {CONTENTS_TOPIC}")
    for t in topics:
        for p in t.paragraphs:
            for m in LINK.finditer(p.text):
                target = m.group(1) or m.group(3)
                if target not in by_name:
                    raise HelpSourceError(f"{t.where}: link to unknown topic {target}")
    return by_name


def encode(text, where):
    try:
        return text.encode(ENCODING)
    except UnicodeEncodeError as e:
        raise HelpSourceError(f"{where}: {text[e.start:e.end]!r} has no Shift_JIS form") from None


# ---- Binary pieces ----

def context_hash(name):
    """The viewer's hash of a topic name (signed 32-bit)."""
    h = 0
    for c in name:
        if "A" <= c <= "Z":
            x = ord(c) - ord("A") + 17
        elif "a" <= c <= "z":
            x = ord(c) - ord("a") + 17
        elif "1" <= c <= "9":
            x = ord(c) - ord("0")
        elif c == "0":
            x = 10
        elif c == ".":
            x = 12
        elif c == "_":
            x = 13
        else:
            continue
        h = (h * 43 + x) & 0xFFFFFFFF
    return h - (1 << 32) if h & 0x80000000 else h


def compressed_long(value):
    return struct.pack("<I", 0x80000000 + value * 2 + 1)


def compressed_ushort(value):
    if value < 0x80:
        return bytes([value * 2])
    return struct.pack("<H", value * 2 + 1)


def compressed_short(value):
    return bytes([0x80 + value * 2])


def internal_file(data):
    return struct.pack("<IIB", len(data) + 9, len(data), 4) + data


def leaf_pages(entries, page_size):
    """The sorted leaf entries, in the leaf pages (the tree's first pages)."""
    leaves, used = [[]], 8
    for entry in entries:
        if leaves[-1] and used + len(entry) > page_size:
            leaves.append([])
            used = 8
        leaves[-1].append(entry)
        used += len(entry)
    return leaves


def btree(structure, flags, page_size, entries, index_key):
    """A B+ tree of sorted leaf entries; index_key(entry) is what an index
    page keeps of the first entry below each of its children."""
    leaves = leaf_pages(entries, page_size)
    pages = []
    for number, leaf in enumerate(leaves):
        previous = number - 1 if number > 0 else 0xFFFF
        following = number + 1 if number + 1 < len(leaves) else 0xFFFF
        body = b"".join(leaf)
        pages.append(struct.pack("<HhHH", page_size - 8 - len(body), len(leaf), previous, following) + body)
    # (page number, key of its first entry) for every page of the level
    level = [(n, index_key(leaf[0]) if leaf else b"") for n, leaf in enumerate(leaves)]
    levels = 1
    while len(level) > 1:
        levels += 1
        groups, used = [[]], 6
        for child in level:
            if groups[-1] and used + len(child[1]) + 2 > page_size:
                groups.append([])
                used = 6
            groups[-1].append(child)
            used += len(child[1]) + 2
        level = []
        for group in groups:
            body = b"".join(key + struct.pack("<H", page) for page, key in group[1:])
            level.append((len(pages), group[0][1]))
            pages.append(struct.pack("<HhH", page_size - 6 - len(body), len(group) - 1, group[0][0]) + body)
    header = struct.pack("<HHH16shhhhhhI", BTREE_MAGIC, flags, page_size, structure.encode().ljust(16, b"\0"),
                         0, 0, level[0][0], -1, len(pages), levels, len(entries))
    return header + b"".join(page + bytes(page_size - len(page)) for page in pages)


# ---- Topics ----

def build_paragraph(paragraph, hashes, titles, where):
    kind = paragraph.kind
    font = {"heading": FONT_HEADING, "title": FONT_TITLE}.get(kind, FONT_TEXT)
    bits, spacing = SPACE_BELOW, compressed_short(4 if kind in ("pre", "item") else 8)
    if kind == "title":
        spacing = compressed_short(12)
    if kind in ("item", "pre"):
        bits |= LEFT_INDENT
        spacing += compressed_short(10)
    commands = bytearray([CMD_FONT]) + struct.pack("<H", font)
    strings = [b""]
    pending = b""
    text = paragraph.text
    at = 0
    for m in LINK.finditer(text):
        pending += encode(text[at:m.start()], where)
        target = m.group(1) or m.group(3)
        label = m.group(2) if m.group(1) else m.group(4)
        strings.append(pending)
        pending = b""
        commands += bytes([CMD_JUMP if m.group(1) else CMD_POPUP]) + struct.pack("<i", hashes[target])
        strings.append(encode(label or titles[target], where))
        commands.append(CMD_HOTSPOT_END)
        at = m.end()
    pending += encode(text[at:], where)
    strings.append(pending)
    commands.append(CMD_PARAGRAPH_END)
    strings.append(b"")
    commands.append(CMD_END)
    # strings[i] precedes commands' i-th command; the first string is empty.
    layout = bytes([0x00, 0x80, 0x00, 0x00]) + struct.pack("<H", bits) + spacing
    return layout + bytes(commands), strings


class TopicStream:
    """The topic links in order, laid out over 4 KB blocks."""

    def __init__(self):
        self.links = []  # (record type, data1, data2, characters)

    def add(self, record, data1, data2, characters=0):
        self.links.append([record, data1, data2, characters])

    def layout(self):
        """Stream position, block position and topic offset of every link."""
        positions, at = [], 0
        for record, data1, data2, _ in self.links:
            positions.append(at)
            at += LINK_HEADER + len(data1) + len(data2)
        return positions

    @staticmethod
    def topic_position(stream_at):
        block, offset = divmod(stream_at, TOPIC_BLOCK_DATA)
        return block * 0x4000 + TOPIC_BLOCK_HEADER + offset


def build_topics(topics):
    hashes = {t.name: context_hash(t.name) for t in topics}
    titles = {t.name: t.title for t in topics}
    stream = TopicStream()
    starts = []
    for t in topics:
        starts.append(len(stream.links))
        # The header's fields point at links laid out later; its size is fixed.
        stream.add(RECORD_TOPIC_HEADER, bytes(28), encode(t.title, t.where))
        paragraphs = ([] if t.popup else [Paragraph("title", t.title)]) + t.paragraphs
        for p in paragraphs:
            layout, strings = build_paragraph(p, hashes, titles, t.where)
            data2 = b"".join(s + b"\0" for s in strings)
            characters = sum(len(s) for s in strings) + 1
            data1 = compressed_long(len(data2)) + compressed_ushort(characters) + layout
            stream.add(RECORD_DISPLAY, data1, data2, characters)
    positions = stream.layout()
    count = len(stream.links)
    topic_position = [TopicStream.topic_position(p) for p in positions]
    # Topic offsets: the block of the header and the characters before it in that block.
    offsets, characters_in_block, block_seen = [], 0, -1
    for i, (record, _, _, characters) in enumerate(stream.links):
        block = positions[i] // TOPIC_BLOCK_DATA
        if block != block_seen:
            characters_in_block, block_seen = 0, block
        offsets.append(block * 0x8000 + characters_in_block)
        characters_in_block += characters
    topic_offsets = [offsets[s] for s in starts]
    for n, s in enumerate(starts):
        end = starts[n + 1] if n + 1 < len(starts) else count
        size = sum(LINK_HEADER + len(stream.links[i][1]) + len(stream.links[i][2]) for i in range(s, end))
        previous = topic_offsets[n - 1] if n > 0 else NO_POSITION
        following = topic_offsets[n + 1] if n + 1 < len(starts) else NO_POSITION
        scroll = topic_position[s + 1] if s + 1 < end else NO_POSITION
        next_topic = topic_position[starts[n + 1]] if n + 1 < len(starts) else NO_POSITION
        stream.links[s][1] = struct.pack("<IIIIIII", size, previous, following, n, NO_POSITION, scroll, next_topic)
    data = bytearray()
    for i, (record, data1, data2, _) in enumerate(stream.links):
        previous = topic_position[i - 1] if i > 0 else NO_POSITION
        following = topic_position[i + 1] if i + 1 < count else NO_POSITION
        block_size = LINK_HEADER + len(data1) + len(data2)
        data += struct.pack("<IIIIIB", block_size, len(data2), previous, following, LINK_HEADER + len(data1), record)
        data += data1 + data2
    return blocks_of(data, positions, topic_position, starts), topic_offsets


def blocks_of(data, positions, topic_position, starts):
    """Cuts the link stream into blocks, each with its header, padded whole."""
    out = bytearray()
    block_count = max(1, -(-len(data) // TOPIC_BLOCK_DATA))
    header_positions = [positions[s] for s in starts]
    for block in range(block_count):
        begin = block * TOPIC_BLOCK_DATA
        first = next((i for i, p in enumerate(positions) if p >= begin), None)
        before = [i for i, p in enumerate(positions) if p < begin]
        last_link = topic_position[before[-1]] if before else NO_POSITION
        first_link = topic_position[first] if first is not None and positions[first] < begin + TOPIC_BLOCK_DATA \
            else NO_POSITION
        headers_before = [p for p in header_positions if p < begin]
        last_header = TopicStream.topic_position(headers_before[-1]) if headers_before else NO_POSITION
        chunk = data[begin:begin + TOPIC_BLOCK_DATA]
        out += struct.pack("<III", last_link, first_link, last_header) + chunk
        out += bytes(TOPIC_BLOCK_DATA - len(chunk))
    return bytes(out)


# ---- Internal files ----

def system_file(contents_offset):
    def record(kind, data):
        return struct.pack("<HH", kind, len(data)) + data

    title = HELP_TITLE.encode(ENCODING) + b"\0"
    data = struct.pack("<HHHIH", SYSTEM_MAGIC, SYSTEM_MINOR, 1, 0, 0)
    data += record(1, title)
    data += record(3, struct.pack("<I", contents_offset))
    data += record(9, bytes(8) + struct.pack("<H", JAPANESE_LCID))
    data += record(10, CONTENTS_FILE_NAME.encode() + b"\0")
    data += record(11, struct.pack("<H", SHIFTJIS_CHARSET))
    return data


def font_file():
    face = FONT_FACE.encode(ENCODING).ljust(FONT_FACE_FIELD, b"\0")
    header = struct.pack("<HHHH", 1, len(FONTS), 8, 8 + FONT_FACE_FIELD)
    descriptors = b"".join(struct.pack("<BBBH3s3s", attributes, half_points, family, 0, b"\0\0\0", b"\xff\xff\xff")
                           for attributes, half_points, family in FONTS)
    return header + face + descriptors


def context_file(topics, offsets):
    entries = sorted((context_hash(t.name), o) for t, o in zip(topics, offsets))
    leaf = [struct.pack("<iI", h, o) for h, o in entries]
    return btree("L4", 0x0002, BTREE_PAGE, leaf, lambda e: e[:4])


def context_map_file(topics, offsets):
    pairs = sorted((c, o) for t, o in zip(topics, offsets) for c in t.contexts)
    return struct.pack("<H", len(pairs)) + b"".join(struct.pack("<iI", c, o) for c, o in pairs)


def title_file(topics, offsets):
    leaf = [struct.pack("<I", o) + encode(t.title, t.where) + b"\0"
            for o, t in sorted(zip(offsets, topics), key=lambda x: x[0])]
    return btree("Lz", 0x0002, BTREE_PAGE, leaf, lambda e: e[:4])


def keyword_order(keyword):
    """The index's order: Shift_JIS bytes, ASCII letters folded to capitals
    (a trail byte is never folded: it is part of its character)."""
    return b"".join(c.upper().encode(ENCODING) if c.isascii() else c.encode(ENCODING) for c in keyword)


def index_keywords(topics, offsets):
    """(keyword, topic offset) of every window topic, in the index's order."""
    owners = {}
    for t, offset in zip(topics, offsets):
        if t.popup:
            continue
        for keyword in [t.title] + t.keywords:
            encode(keyword, t.where)
            order = keyword_order(keyword)
            owner = owners.get(order)
            if owner and owner[1] is not t:
                raise HelpSourceError(f"{t.where}: keyword {keyword} also indexes {owner[1].name}")
            owners[order] = (keyword, t, offset)
    return [(encode(keyword, t.where), offset) for _, (keyword, t, offset) in sorted(owners.items())]


def keyword_files(topics, offsets):
    """|KWBTREE (keyword, count, place in |KWDATA), |KWDATA (topic offsets)
    and |KWMAP (the number of the first keyword of every leaf page)."""
    keywords = index_keywords(topics, offsets)
    leaf = [keyword + b"\0" + struct.pack("<hI", 1, 4 * n) for n, (keyword, _) in enumerate(keywords)]
    tree = btree("F24", 0x0002, BTREE_PAGE, leaf, lambda e: e[:e.index(b"\0") + 1])
    data = b"".join(struct.pack("<I", offset) for _, offset in keywords)
    pages, first = leaf_pages(leaf, BTREE_PAGE), 0
    keyword_map = struct.pack("<H", len(pages))
    for number, page in enumerate(pages):
        keyword_map += struct.pack("<iH", first, number)
        first += len(page)
    return {"|KWBTREE": tree, "|KWDATA": data, "|KWMAP": keyword_map}


def help_file(named_files):
    body = bytearray()
    directory = []
    for name in sorted(named_files, key=lambda n: n.encode()):
        directory.append((name, 16 + len(body)))
        body += internal_file(named_files[name])
    leaf = [name.encode() + b"\0" + struct.pack("<I", offset) for name, offset in directory]
    tree = btree("z4", 0x0402, DIRECTORY_PAGE, leaf, lambda e: e[:e.index(b"\0") + 1])
    directory_start = 16 + len(body)
    body += internal_file(tree)
    return struct.pack("<IIiI", FILE_MAGIC, directory_start, -1, 16 + len(body)) + bytes(body)


def contents_text(topics):
    lines = [f":Base {HELP_FILE_NAME}", f":Title {HELP_TITLE}"]
    for t in topics:
        if not t.popup:
            lines.append(f"1 {t.title}={t.name}")
    return ("\r\n".join(lines) + "\r\n").encode(ENCODING)


def compile_help(paths, defines):
    topics = parse_source(paths, read_defines(defines))
    check_topics(topics)
    topic_data, offsets = build_topics(topics)
    contents = offsets[[t.name for t in topics].index(CONTENTS_TOPIC)]
    files = {
        "|SYSTEM": system_file(contents),
        "|FONT": font_file(),
        "|TOPIC": topic_data,
        "|CONTEXT": context_file(topics, offsets),
        "|CTXOMAP": context_map_file(topics, offsets),
        "|TTLBTREE": title_file(topics, offsets),
        **keyword_files(topics, offsets),
    }
    return help_file(files), contents_text(topics)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--defines", help="C header whose #define lines name help contexts")
    parser.add_argument("--out-dir", required=True)
    parser.add_argument("sources", nargs="+")
    args = parser.parse_args()
    try:
        hlp, cnt = compile_help(sorted(args.sources, key=os.path.basename), args.defines)
    except HelpSourceError as e:
        print(f"help_compiler: {e}", file=sys.stderr)
        return 1
    os.makedirs(args.out_dir, exist_ok=True)
    for name, data in ((HELP_FILE_NAME, hlp), (CONTENTS_FILE_NAME, cnt)):
        with open(os.path.join(args.out_dir, name), "wb") as f:
            f.write(data)
    return 0


if __name__ == "__main__":
    sys.exit(main())
