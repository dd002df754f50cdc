#!/usr/bin/python3
"""Writes the ZIP fixture archives of this folder with tools that are not
ZANTO32's (Info-ZIP zip and Python's zipfile), derives the damaged and
hostile ones from them byte by byte, extracts every good one with bsdtar
into <name>.zip.expected/ and writes members.tsv: for each member bsdtar
extracted, the path the program must list (code page 932, '\\' between
parts, 〓 for what code page 932 lacks) and the file holding its bytes.

Run with Debian's /usr/bin/python3 from this folder: ./make_fixtures.py
"""
import os
import shutil
import struct
import subprocess
import tempfile
import zipfile
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))
STAMP = (2001, 2, 3, 4, 5, 6)
STAMP_POSIX = '200102030405.06'

SJIS_TEXT = '日本語のテキスト。表計算とソースの話。\r\n検索する語: ZIPNEEDLE\r\n'.encode('cp932')
README = b'A plain text member.\r\nZIPNEEDLE in ASCII.\r\n'


def write(path, data):
    os.makedirs(os.path.dirname(path) or '.', exist_ok=True)
    with open(path, 'wb') as f:
        f.write(data)


def stage_tree(stage):
    """Member files for Info-ZIP zip, dated STAMP."""
    files = {
        b'readme.txt': README,
        b'sjis.txt': SJIS_TEXT,
        b'empty.txt': b'',
        b'dir/sub/file.txt': b'deep ZIPNEEDLE\r\n' * 300,
    }
    for name, data in files.items():
        write(os.path.join(os.fsencode(stage), name), data)
    for root, dirs, names in os.walk(stage):
        for n in dirs + names:
            subprocess.run(['touch', '-h', '-t', STAMP_POSIX, os.path.join(root, n)], check=True)


def run_zip(stage, archive, *args, names=('readme.txt', 'sjis.txt', 'empty.txt', 'dir'), fresh=True):
    out = os.path.join(HERE, archive)
    if fresh and os.path.exists(out):
        os.remove(out)
    env = dict(os.environ, LC_ALL='C', TZ='UTC')
    subprocess.run(['zip', '-q', '-r', '-X', *args, out, *names], cwd=stage, check=True, env=env)


def info(name, method=zipfile.ZIP_DEFLATED):
    zi = zipfile.ZipInfo(name, STAMP)
    zi.compress_type = method
    zi.external_attr = 0o644 << 16
    return zi


def python_zip(archive, members, mode='w'):
    with zipfile.ZipFile(os.path.join(HERE, archive), mode) as z:
        for zi, data in members:
            z.writestr(zi, data)


def unicode_path_extra(header_name, utf8_name):
    body = struct.pack('<BI', 1, zlib.crc32(header_name)) + utf8_name
    return struct.pack('<HH', 0x7075, len(body)) + body


def central_records(data):
    """(offset, name) of every central directory record."""
    end = data.rindex(b'PK\x05\x06')
    count, size, offset = struct.unpack('<HII', data[end + 10:end + 20])
    records, pos = [], offset
    for _ in range(count):
        n, e, c = struct.unpack('<HHH', data[pos + 28:pos + 34])
        records.append((pos, data[pos + 46:pos + 46 + n]))
        pos += 46 + n + e + c
    return end, records


def derive(source, target, edit):
    data = bytearray(open(os.path.join(HERE, source), 'rb').read())
    edit(data)
    write(os.path.join(HERE, target), bytes(data))


def record_of(data, name):
    return next(pos for pos, n in central_records(bytes(data))[1] if n == name)


def flip_central_crc(data):
    data[record_of(data, b'sjis.txt') + 16] ^= 0xFF  # the local header keeps the right CRC


def shrink_declared_size(data):
    pos = record_of(data, b'dir/sub/file.txt')
    data[pos + 24:pos + 28] = struct.pack('<I', 1000)


def duplicate_record(data):
    """A second directory record naming the first member's data again."""
    end, records = central_records(bytes(data))
    first_pos = records[0][0]
    n, e, c = struct.unpack('<HHH', data[first_pos + 28:first_pos + 34])
    record = bytearray(data[first_pos:first_pos + 46 + n + e + c])
    record[46:46 + n] = b'x' * n
    count, size, offset = struct.unpack('<HII', data[end + 10:end + 20])
    tail = data[end:]
    del data[end:]
    data[end:end] = record
    tail[8:16] = struct.pack('<HHI', count + 1, count + 1, size + len(record))
    data.extend(tail)


def absurd_count(data):
    end = bytes(data).rindex(b'PK\x05\x06')
    data[end + 8:end + 12] = struct.pack('<HH', 50000, 50000)


def cp932_path(relative):
    out = b''
    for ch in relative.replace('/', '\\'):
        try:
            out += ch.encode('cp932')
        except UnicodeEncodeError:
            out += '〓'.encode('cp932')
    return out


def extract_with_bsdtar(archive, charset):
    expected = os.path.join(HERE, archive + '.expected')
    shutil.rmtree(expected, ignore_errors=True)
    os.makedirs(expected)
    args = ['bsdtar', '-x', '-f', os.path.join(HERE, archive), '-C', expected]
    if charset:
        args[1:1] = ['--options', 'hdrcharset=' + charset]
    subprocess.run(args, check=True, env=dict(os.environ, LC_ALL='C.UTF-8'))
    rows = []
    for root, dirs, names in os.walk(expected):
        for n in names:
            full = os.path.join(root, n)
            rel = os.path.relpath(full, expected)
            rows.append((archive, cp932_path(rel).hex(), rel, os.path.getsize(full)))
    return sorted(rows)


def main():
    with tempfile.TemporaryDirectory() as stage:
        stage_tree(stage)
        run_zip(stage, 'deflate.zip')
        run_zip(stage, 'stored.zip', '-0')
        run_zip(stage, 'zip64.zip', '-fz')
        # Shift_JIS names as raw bytes, 0x5C trail bytes among them (表 95 5C, ソ 83 5C).
        sjis_dir = os.path.join(os.fsencode(stage), '表計算'.encode('cp932'))
        write(os.path.join(sjis_dir, 'ソース.txt'.encode('cp932')), SJIS_TEXT)
        run_zip(stage, 'cp932.zip', names=(os.fsdecode('表計算'.encode('cp932')),))
        write(os.path.join(stage, 'secret.txt'), b'secret ZIPNEEDLE\r\n')
        write(os.path.join(stage, 'ok.txt'), b'open ZIPNEEDLE\r\n')
        run_zip(stage, 'passed.zip', '-P', 'secret', names=('secret.txt',))
        run_zip(stage, 'passed.zip', names=('ok.txt',), fresh=False)
    python_zip('passed.zip', [(info('bz.txt', zipfile.ZIP_BZIP2), b'bzip2 ZIPNEEDLE\r\n')], mode='a')
    python_zip('utf8.zip', [
        (info('表計算/ソース.txt'), SJIS_TEXT),
        (info('日本語.txt'), '本文 ZIPNEEDLE\r\n'.encode('cp932')),
        (info('顔😀.txt', zipfile.ZIP_STORED), b'face ZIPNEEDLE\r\n'),
    ])
    extra = info('_.txt')
    extra.extra = unicode_path_extra(b'_.txt', '表.txt'.encode('utf-8'))
    python_zip('unicode_extra.zip', [(extra, b'unicode path ZIPNEEDLE\r\n')])
    python_zip('hostile.zip', [(info(n), ('NEEDLE ' + n + '\r\n').encode()) for n in (
        '../up.txt', '/rooted.txt', 'C:/drive.txt', 'a//empty.txt', 'sub/../../up2.txt', '..\\back.txt',
        'drivers/aux.c', 'ok.txt')])
    python_zip('bomb.zip', [(info('zeros.txt'), b'\0' * (20 << 20)), (info('small.txt'), b'small ZIPNEEDLE\r\n')])
    derive('deflate.zip', 'bad_crc.zip', flip_central_crc)
    derive('deflate.zip', 'oversize.zip', shrink_declared_size)
    derive('deflate.zip', 'overlap.zip', duplicate_record)
    derive('deflate.zip', 'count.zip', absurd_count)
    rows = []
    for archive, charset in (('deflate.zip', None), ('stored.zip', None), ('zip64.zip', None),
                             ('cp932.zip', 'CP932'), ('utf8.zip', None), ('unicode_extra.zip', None)):
        rows += extract_with_bsdtar(archive, charset)
    with open(os.path.join(HERE, 'members.tsv'), 'w', encoding='utf-8') as f:
        f.write('archive\tpath_cp932_hex\texpected_file\tsize\n')
        for r in rows:
            f.write('%s\t%s\t%s\t%d\n' % r)


if __name__ == '__main__':
    main()
