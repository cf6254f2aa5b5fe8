#!/usr/bin/python3
"""Checks our table files against an independent reader and writer.

Usage: compat_check.py CHECK DRIVER
  ours       our engine writes OURS (and BIG); python3-dbf must read exactly what our engine
             reads back, and the table and memo layout must follow the published format
  theirs     python3-dbf writes THEIRS; our engine must read exactly what python3-dbf reads
  ntx-small  walks the index files our engine wrote for OURS
  ntx-large  the same for BIG, a table of a few thousand records whose indexes were changed
             by appends, key changes and deletions after they were built

Each check works in a fresh temporary directory, removed when the check passes and kept
(its path printed) when it fails. Exit status: 0 pass, 1 fail, 77 python3-dbf is missing.

The text form both sides print is described at the top of compat_driver.cpp.
"""

import os
import shutil
import struct
import subprocess
import sys
import tempfile
from decimal import Decimal, InvalidOperation, ROUND_HALF_UP

SKIP = 77
LARGE_COUNT = 4000
CODEPAGE = 'cp1252'

SMALL_TAGS = [('CName', 'UPPER(NAME)'), ('CQTY', 'STR(QTY,6)'), ('CSINCE', 'DTOS(SINCE)'),
              ('CNAMEDT', 'UPPER(NAME)+DTOS(SINCE)')]
LARGE_TAGS = [('BNAME', 'UPPER(NAME)'), ('BQTY', 'STR(QTY,6)'), ('BAMT', 'STR(AMOUNT,10,2)'),
              ('BSINCE', 'DTOS(SINCE)'), ('BNAMEDT', 'UPPER(NAME)+DTOS(SINCE)')]


class Mismatch(Exception):
    pass


def require(condition, message):
    if not condition:
        raise Mismatch(message)


def run_driver(driver, *args):
    proc = subprocess.run([driver, *args], capture_output=True)
    if proc.returncode != 0:
        raise Mismatch('compat_driver %s failed (exit %d): %s'
                       % (' '.join(args), proc.returncode,
                          proc.stderr.decode('ascii', 'replace').strip()))
    return proc.stdout.decode('ascii')


def escaped(data):
    return ''.join(chr(b) if 0x20 <= b <= 0x7e and b not in b'\\|' else '\\x%02x' % b
                   for b in data)


def compare_texts(what, engine_text, python_text):
    engine_lines = engine_text.splitlines()
    python_lines = python_text.splitlines()
    for number, (ours, theirs) in enumerate(zip(engine_lines, python_lines), 1):
        if ours != theirs:
            raise Mismatch('%s: line %d differs\n  our engine: %s\n  python-dbf: %s'
                           % (what, number, ours, theirs))
    if len(engine_lines) != len(python_lines):
        raise Mismatch('%s: our engine printed %d lines, python-dbf %d'
                       % (what, len(engine_lines), len(python_lines)))


# --- python3-dbf's reading, in the driver's text form --------------------------------------

def dbf_dump(path):
    import dbf
    table = dbf.Table(path)
    table.open(dbf.READ_ONLY)
    try:
        require(table.codepage.name == CODEPAGE,
                '%s: python-dbf reads code page %s, expected %s'
                % (path, table.codepage.name, CODEPAGE))
        names = table.field_names
        infos = [table.field_info(n) for n in names]
        out = ['records %d' % len(table),
               'fields ' + '|'.join('%s %s %d %d' % (n.upper(), chr(i.field_type), i.length,
                                                     i.decimal)
                                    for n, i in zip(names, infos))]
        for position, record in enumerate(table):
            require(dbf.recno(record) == position,
                    'python-dbf iterates out of physical order at %d' % position)
            line = '%d%s' % (position + 1, '*' if dbf.is_deleted(record) else ' ')
            for name, info in zip(names, infos):
                value = dbf_value(table, record, name, chr(info.field_type), info.decimal)
                line += '|' + escaped(value)
            out.append(line)
        return '\n'.join(out) + '\n'
    finally:
        table.close()


def dbf_value(table, record, name, kind, decimals):
    value = record[name]
    if kind == 'C':
        return value.encode(CODEPAGE).rstrip(b' ')
    if kind == 'M':
        return value.encode(CODEPAGE)
    if kind == 'N':
        if value is None:
            return b''
        if isinstance(value, int):
            return str(value).encode()
        return ('%.*f' % (decimals, value)).encode()
    if kind == 'D':
        return b'' if value is None else value.strftime('%Y%m%d').encode()
    if kind == 'L':
        if value is None:
            # python-dbf reads both a blank and its own "unknown" mark '?' as None. The rule
            # our tables follow reads every byte other than T t Y y as false, so only a blank
            # byte prints as blank.
            start, end = table._meta[name][1], table._meta[name][3]
            return b'' if bytes(record._data[start:end]) == b' ' else b'F'
        return b'T' if value else b'F'
    raise Mismatch('field %s: unexpected type %s' % (name, kind))


# --- python3-dbf as the writer ---------------------------------------------------------------

def patterned_memo(length, tag):
    text = ''
    line = 1
    while len(text) < length:
        text += '%s line %03d abcdefghijklmnopqrstuvwxyz\r\n' % (tag, line)
        line += 1
    return text[:length]


def write_theirs(directory):
    import datetime
    import dbf
    table = dbf.Table(os.path.join(directory, 'THEIRS.dbf'),
                      'NAME C(20); QTY N(6,0); AMOUNT N(10,2); SINCE D; ACTIVE L; NOTES M',
                      dbf_type='db3', codepage=CODEPAGE)
    table.open(dbf.READ_WRITE)
    rows = [
        dict(name='Smith', qty=42, amount=1234.5, since=datetime.date(2024, 3, 15),
             active=True, notes='First line\r\nSecond line\r\n\tindented third\r\n'),
        dict(name='Jos\xe9 Mu\xf1oz', qty=-7, amount=-0.75, active=False,
             notes=patterned_memo(510, 'a')),
        dict(name='Block boundary', qty=0, amount=-12345.67, since=datetime.date(1999, 12, 31),
             active=True, notes=patterned_memo(512, 'b')),
        dict(name='pipe|back\\slash', qty=999999, amount=0, since=datetime.date(2000, 2, 29),
             active=False, notes='Caf\xe9 cr\xe8me \u20ac 5 | back\\slash \xfc\xdf'),
        dict(name='Deleted one', qty=5, amount=5.05, since=datetime.date(2023, 6, 7),
             active=True, notes='this record is deleted'),
        dict(name='Twice', qty=-99999, amount=-1, since=datetime.date(2022, 11, 22),
             active=False, notes='first version of the memo, left behind'),
        dict(name='unknown logical', qty=1, amount=99.99, notes=patterned_memo(1500, 'c')),
        dict(),
        dict(name='ADAMS', qty=12, amount=-99999.99, since=datetime.date(1899, 12, 31),
             active=True, notes='deleted too'),
        dict(name='zeta', qty=-1, amount=0.01, since=datetime.date(2024, 1, 1), active=False,
             notes='last\r\n'),
    ]
    for row in rows:
        table.append(row)
    with table[5] as record:
        record.notes = 'second version\r\nreplaces the first'
    dbf.delete(table[4])
    dbf.delete(table[8])
    table.close()


# --- the published table and memo layout ------------------------------------------------------

def u16(data, offset):
    return struct.unpack_from('<H', data, offset)[0]


def u32(data, offset):
    return struct.unpack_from('<I', data, offset)[0]


class RawTable:
    """A .dbf read by the published layout alone: field descriptors and raw records."""

    def __init__(self, path):
        with open(path, 'rb') as f:
            self.data = f.read()
        data = self.data
        require(len(data) >= 33, '%s: shorter than a header' % path)
        self.version = data[0]
        self.count = u32(data, 4)
        self.header_length = u16(data, 8)
        self.record_length = u16(data, 10)
        self.fields = []  # (name, type, length, decimals, offset in record after the flag)
        offset = 0
        position = 32
        while position < self.header_length and data[position] != 0x0D:
            d = data[position:position + 32]
            name = d[:11].split(b'\0')[0].decode('ascii')
            self.fields.append((name, chr(d[11]), d[16], d[17], offset))
            offset += d[16]
            position += 32
        require(position < self.header_length and data[position] == 0x0D,
                '%s: no 0x0D after the field descriptors' % path)
        self.terminator = position
        self.records = [data[self.header_length + i * self.record_length:
                             self.header_length + (i + 1) * self.record_length]
                        for i in range(self.count)]

    def field(self, record, name):
        for fname, kind, length, decimals, offset in self.fields:
            if fname == name:
                return kind, record[1 + offset:1 + offset + length]
        raise Mismatch('no field %s' % name)


def check_table_layout(path, memo_texts_left_behind=()):
    t = RawTable(path)
    data = t.data
    has_memo = any(kind == 'M' for _, kind, _, _, _ in t.fields)
    require(t.version == (0x83 if has_memo else 0x03),
            '%s offset 0: version 0x%02x, expected 0x%02x'
            % (path, t.version, 0x83 if has_memo else 0x03))
    require(data[1] >= 100, '%s offset 1: year byte %d is not year - 1900' % (path, data[1]))
    require(1 <= data[2] <= 12 and 1 <= data[3] <= 31,
            '%s offsets 2-3: no month/day: %d %d' % (path, data[2], data[3]))
    require(data[29] == 0x03, '%s offset 29: code page byte 0x%02x, expected 0x03'
            % (path, data[29]))
    require(data[12:28] == bytes(16) and data[30:32] == bytes(2),
            '%s: reserved header bytes are not zero' % path)
    expected_header = 32 + 32 * len(t.fields) + 1
    require(t.header_length == expected_header and t.terminator == expected_header - 1,
            '%s offset 8: header length %d, expected %d' % (path, t.header_length,
                                                             expected_header))
    require(t.record_length == 1 + sum(f[2] for f in t.fields),
            '%s offset 10: record length %d' % (path, t.record_length))
    for i, (name, kind, length, decimals, _) in enumerate(t.fields):
        d = data[32 + 32 * i:64 + 32 * i]
        require(name == name.upper() and name.isascii(), '%s field %d: name %r' % (path, i, name))
        require(d[len(name):11] == bytes(11 - len(name)),
                '%s field %s: name not NUL padded' % (path, name))
        require(d[12:16] == bytes(4) and d[18:32] == bytes(14),
                '%s field %s: reserved descriptor bytes are not zero' % (path, name))
        expected_length = {'D': 8, 'L': 1, 'M': 10}.get(kind, length)
        require(kind in 'CNDLM' and length == expected_length,
                '%s field %s: type %s length %d' % (path, name, kind, length))
    end = t.header_length + t.count * t.record_length
    require(len(data) == end + 1 and data[end] == 0x1A,
            '%s: file size %d, last byte 0x%02x; expected size %d ending in 0x1A'
            % (path, len(data), data[-1], end + 1))
    for recno, record in enumerate(t.records, 1):
        require(record[0:1] in (b' ', b'*'),
                '%s record %d: deletion flag %r' % (path, recno, record[0:1]))
    if has_memo:
        check_memo_layout(os.path.splitext(path)[0] + '.dbt', t, memo_texts_left_behind)


def check_memo_layout(path, table, texts_left_behind):
    with open(path, 'rb') as f:
        memo = f.read()
    next_free = u32(memo, 0)
    require(memo[4:512] == bytes(508) or len(memo) < 512,
            '%s: header bytes 4-511 are not zero' % path)
    used = {}  # block -> (recno, field)
    for recno, record in enumerate(table.records, 1):
        for name, kind, _, _, _ in table.fields:
            if kind != 'M':
                continue
            pointer = table.field(record, name)[1]
            if not pointer.strip():
                continue
            require(pointer == pointer.strip().rjust(10),
                    'record %d field %s: block number %r is not right-aligned'
                    % (recno, name, pointer))
            block = int(pointer)
            start = block * 512
            end = memo.find(b'\x1a', start)
            require(block >= 1 and end >= 0,
                    'record %d field %s: memo block %d has no terminator' % (recno, name, block))
            blocks = (end - start + 2 + 511) // 512
            require(memo[end:end + 2] == b'\x1a\x1a',
                    'record %d field %s: memo at block %d ends with %r, not 1A 1A'
                    % (recno, name, block, memo[end:end + 2]))
            require(block + blocks <= next_free,
                    'record %d field %s: memo blocks %d..%d reach past next free block %d'
                    % (recno, name, block, block + blocks - 1, next_free))
            for b in range(block, block + blocks):
                if b in used:
                    raise Mismatch('record %d field %s: block %d also holds the memo of '
                                   'record %d field %s' % (recno, name, b, *used[b]))
                used[b] = (recno, name)
    for text in texts_left_behind:
        at = memo.find(text)
        require(at >= 0, '%s: the replaced memo %r is not in the file' % (path, text))
        require(at // 512 not in used,
                '%s: the replaced memo %r is still referenced' % (path, text))


# --- index files, from the published layout alone ---------------------------------------------

class KeyExpression:
    """UPPER(), STR(n, w[, d]), DTOS(), field names and + over a RawTable record.
    Values are ('C', bytes), ('N', Decimal) or ('D', bytes of yyyymmdd or blanks)."""

    def __init__(self, text, table):
        self.text = text
        self.table = table
        self.tokens = self._tokenize(text)
        self.position = 0
        self.tree = self._sum()
        require(self.position == len(self.tokens), 'expression %r: trailing text' % text)

    @staticmethod
    def _tokenize(text):
        tokens = []
        i = 0
        while i < len(text):
            c = text[i]
            if c.isspace():
                i += 1
            elif c.isalpha() or c == '_':
                j = i
                while j < len(text) and (text[j].isalnum() or text[j] == '_'):
                    j += 1
                tokens.append(('name', text[i:j].upper()))
                i = j
            elif c.isdigit():
                j = i
                while j < len(text) and text[j].isdigit():
                    j += 1
                tokens.append(('number', int(text[i:j])))
                i = j
            elif c in '(),+':
                tokens.append((c, c))
                i += 1
            else:
                raise Mismatch('expression %r: unexpected %r' % (text, c))
        return tokens

    def _peek(self):
        return self.tokens[self.position][0] if self.position < len(self.tokens) else None

    def _take(self, kind):
        require(self._peek() == kind, 'expression %r: expected %s' % (self.text, kind))
        token = self.tokens[self.position]
        self.position += 1
        return token[1]

    def _sum(self):
        node = self._term()
        while self._peek() == '+':
            self._take('+')
            node = ('+', node, self._term())
        return node

    def _term(self):
        if self._peek() == 'number':
            return ('number', self._take('number'))
        name = self._take('name')
        if self._peek() != '(':
            return ('field', name)
        self._take('(')
        args = [self._sum()]
        while self._peek() == ',':
            self._take(',')
            args.append(self._sum())
        self._take(')')
        return ('call', name, args)

    def evaluate(self, record):
        return self._eval(self.tree, record)

    def _eval(self, node, record):
        kind = node[0]
        if kind == 'number':
            return ('N', Decimal(node[1]))
        if kind == 'field':
            ftype, raw = self.table.field(record, node[1])
            if ftype == 'C':
                return ('C', raw)
            if ftype == 'N':
                text = raw.strip()
                try:
                    return ('N', Decimal(text.decode('ascii')) if text else Decimal(0))
                except (UnicodeDecodeError, InvalidOperation):
                    raise Mismatch('field %s holds %r, not a number' % (node[1], raw)) from None
            if ftype == 'D':
                return ('D', raw)
            raise Mismatch('expression %r: field type %s' % (self.text, ftype))
        if kind == '+':
            left, right = self._eval(node[1], record), self._eval(node[2], record)
            require(left[0] == 'C' and right[0] == 'C',
                    'expression %r: + of %s and %s' % (self.text, left[0], right[0]))
            return ('C', left[1] + right[1])
        name, args = node[1], [self._eval(a, record) for a in node[2]]
        if name == 'UPPER' and len(args) == 1 and args[0][0] == 'C':
            return ('C', args[0][1].upper())  # bytes.upper() changes only a-z
        if name == 'DTOS' and len(args) == 1 and args[0][0] == 'D':
            return ('C', args[0][1])
        if name == 'STR' and len(args) in (2, 3) and all(a[0] == 'N' for a in args):
            return ('C', str_function(args[0][1], int(args[1][1]),
                                      int(args[2][1]) if len(args) == 3 else 0))
        raise Mismatch('expression %r: cannot evaluate %s' % (self.text, name))


def str_function(value, width, decimals):
    rounded = value.quantize(Decimal(1).scaleb(-decimals), rounding=ROUND_HALF_UP)
    if rounded == 0:
        rounded = abs(rounded)
    text = format(rounded, 'f').encode('ascii')
    if len(text) > width:
        return b'*' * width
    return text.rjust(width)


def ntx_max_keys(item_size):
    half = ((1020 // (item_size + 2)) - 1) // 2
    return 2 * half, half


def find_case_insensitive(directory, filename):
    for entry in os.listdir(directory):
        if entry.lower() == filename.lower():
            return os.path.join(directory, entry)
    raise Mismatch('%s: no file %s' % (directory, filename))


def check_group_file(directory, table_name, tags):
    path = find_case_insensitive(directory, table_name + '.cgp')
    with open(path, 'rb') as f:
        content = f.read()
    expected = b''.join(name.encode('ascii') + b'\r\n' for name, _ in tags)
    require(content == expected, '%s holds %r, expected %r' % (path, content, expected))


def check_ntx(path, expression, tag_name, table):
    with open(path, 'rb') as f:
        data = f.read()
    where = os.path.basename(path)
    require(len(data) >= 2048 and len(data) % 1024 == 0,
            '%s: size %d is not a header and whole 1024-byte pages' % (where, len(data)))

    signature, root, free = u16(data, 0), u32(data, 4), u32(data, 8)
    item_size, key_length, half = u16(data, 12), u16(data, 14), u16(data, 20)
    max_keys = u16(data, 18)
    require(signature == 0x0006, '%s offset 0: signature 0x%04x, expected 0x0006'
            % (where, signature))
    require(item_size == key_length + 8, '%s offset 12: item size %d for key length %d'
            % (where, item_size, key_length))
    expected_max, expected_half = ntx_max_keys(item_size)
    require(max_keys == expected_max and half == expected_half,
            '%s offsets 18/20: max %d half %d, expected %d %d'
            % (where, max_keys, half, expected_max, expected_half))
    stored = data[22:278]
    require(stored == expression.encode('ascii').ljust(256, b'\0'),
            '%s offset 22: expression %r, expected %r'
            % (where, stored.rstrip(b'\0'), expression))
    require(data[278] == 0 and data[280] == 0,
            '%s offsets 278/280: unique %d, descending %d' % (where, data[278], data[280]))
    require(data[282:538] == bytes(256), '%s offset 282: a FOR expression is stored' % where)
    stored_name = data[538:550].rstrip(b'\0')
    require(stored_name in (b'', tag_name.upper().encode(), tag_name.encode()),
            '%s offset 538: tag name %r' % (where, stored_name))

    expr = KeyExpression(expression, table)
    blank = b' ' * table.record_length
    blank_value = expr.evaluate(blank)
    require(blank_value[0] == 'C' and len(blank_value[1]) == key_length,
            '%s offset 14: key length %d, the expression gives %d on a blank record'
            % (where, key_length, len(blank_value[1])))

    # The tree, in key order.
    slots_start = 2 + 2 * (max_keys + 1)
    slot_positions = {slots_start + k * item_size for k in range(max_keys + 1)}
    require(slots_start + (max_keys + 1) * item_size <= 1024,
            '%s: %d items of %d bytes do not fit a page' % (where, max_keys + 1, item_size))
    entries = []
    leaf_depths = set()
    tree_pages = set()

    def page_items(address):
        page = data[address:address + 1024]
        count = u16(page, 0)
        offsets = [u16(page, 2 + 2 * i) for i in range(max_keys + 1)]
        require(set(offsets) == slot_positions,
                '%s page %d: the offset array is not a permutation of the item slots: %s'
                % (where, address, offsets))
        items = []
        for off in offsets:
            child, recno = struct.unpack_from('<II', page, off)
            items.append((child, recno, page[off + 8:off + 8 + key_length]))
        return count, items

    def visit(address, depth):
        require(address % 1024 == 0 and 1024 <= address < len(data),
                '%s: page address %d is not a page of the file' % (where, address))
        require(address not in tree_pages, '%s: page %d is reached twice' % (where, address))
        tree_pages.add(address)
        count, items = page_items(address)
        require(count <= max_keys, '%s page %d: %d keys, max %d'
                % (where, address, count, max_keys))
        require(count > 0 or (address == root and depth == 0),
                '%s page %d: an empty page inside the tree' % (where, address))
        children = [items[i][0] for i in range(count + 1)]
        if all(child == 0 for child in children):
            leaf_depths.add(depth)
            entries.extend((items[i][2], items[i][1], address) for i in range(count))
            return
        require(all(child != 0 for child in children),
                '%s page %d: some items have children and some do not: %s'
                % (where, address, children))
        for i in range(count):
            visit(items[i][0], depth + 1)
            entries.append((items[i][2], items[i][1], address))
        visit(items[count][0], depth + 1)

    visit(root, 0)
    require(len(leaf_depths) == 1,
            '%s: leaves at different depths %s' % (where, sorted(leaf_depths)))

    for previous, current in zip(entries, entries[1:]):
        require(previous[:2] < current[:2],
                '%s: key order broken: %r rec %d (page %d) before %r rec %d (page %d)'
                % (where, previous[0], previous[1], previous[2],
                   current[0], current[1], current[2]))
    recnos = sorted(e[1] for e in entries)
    require(recnos == list(range(1, table.count + 1)),
            '%s: %d keys for %d records; missing %s, extra or repeated %s'
            % (where, len(entries), table.count,
               sorted(set(range(1, table.count + 1)) - set(recnos))[:10],
               sorted({r for r in recnos if recnos.count(r) > 1
                       or not 1 <= r <= table.count})[:10]))
    for key, recno, page in entries:
        value = expr.evaluate(table.records[recno - 1])[1]
        expected = value[:key_length].ljust(key_length, b' ')
        require(key == expected, '%s page %d: record %d has key %r, %s gives %r'
                % (where, page, recno, key, expression, expected))

    # Free pages: a chain from the header through the first item's child pointer.
    free_pages = set()
    address = free
    while address:
        require(address % 1024 == 0 and 1024 <= address < len(data),
                '%s: free page address %d is not a page of the file' % (where, address))
        require(address not in tree_pages, '%s: free page %d is in the tree' % (where, address))
        require(address not in free_pages, '%s: the free chain loops at %d' % (where, address))
        free_pages.add(address)
        count, items = page_items(address)
        require(count == 0, '%s: free page %d has %d keys' % (where, address, count))
        address = items[0][0]
    return {'depth': leaf_depths.pop() + 1, 'pages': len(tree_pages), 'keys': len(entries),
            'free': len(free_pages),
            'unreferenced': len(data) // 1024 - 1 - len(tree_pages) - len(free_pages)}


def check_indexes(directory, table_name, tags, min_depth):
    """Checks every tag, so that one broken tag does not hide the state of the others."""
    table = RawTable(os.path.join(directory, table_name + '.dbf'))
    check_group_file(directory, table_name, tags)
    failures = []
    for name, expression in tags:
        try:
            stats = check_ntx(find_case_insensitive(directory, name + '.ntx'), expression,
                              name, table)
            print('%s: %d keys, depth %d, %d tree pages, %d free, %d unreferenced'
                  % (name, stats['keys'], stats['depth'], stats['pages'], stats['free'],
                     stats['unreferenced']))
            require(stats['depth'] >= min_depth, '%s: depth %d, expected at least %d'
                    % (name, stats['depth'], min_depth))
        except Mismatch as e:
            failures.append(str(e))
    require(not failures, '\n'.join(failures))


# --- the checks --------------------------------------------------------------------------------

def check_ours(driver, directory):
    run_driver(driver, 'write', directory)
    check_table_layout(os.path.join(directory, 'OURS.dbf'),
                       [b'first version of the memo, left behind'])
    for name in ('OURS', 'BIG'):
        if name == 'BIG':
            run_driver(driver, 'write-large', directory, str(LARGE_COUNT))
            check_table_layout(os.path.join(directory, 'BIG.dbf'))
        base = os.path.join(directory, name)
        compare_texts(name, run_driver(driver, 'dump', base), dbf_dump(base + '.dbf'))
    check_boundary_memos(os.path.join(directory, 'OURS.dbf'))


def check_boundary_memos(path):
    """Both readers could agree on a memo our engine cut or ran on; these memos have a
    known text (the driver builds them the same way)."""
    import dbf
    table = dbf.Table(path)
    table.open(dbf.READ_ONLY)
    try:
        for recno, length, tag in ((2, 510, 'a'), (3, 512, 'b'), (9, 1500, 'c')):
            text = table[recno - 1].notes
            require(text == patterned_memo(length, tag),
                    'OURS record %d: a memo of %d bytes, expected the %d-byte pattern'
                    % (recno, len(text), length))
    finally:
        table.close()


def check_theirs(driver, directory):
    write_theirs(directory)
    base = os.path.join(directory, 'THEIRS')
    compare_texts('THEIRS', run_driver(driver, 'dump', base), dbf_dump(base + '.dbf'))


def check_ntx_small(driver, directory):
    run_driver(driver, 'write', directory)
    check_indexes(directory, 'OURS', SMALL_TAGS, 1)


def check_ntx_large(driver, directory):
    run_driver(driver, 'write-large', directory, str(LARGE_COUNT))
    check_indexes(directory, 'BIG', LARGE_TAGS, 2)


CHECKS = {'ours': (check_ours, True), 'theirs': (check_theirs, True),
          'ntx-small': (check_ntx_small, False), 'ntx-large': (check_ntx_large, False)}


def main(argv):
    if len(argv) != 3 or argv[1] not in CHECKS:
        print(__doc__, file=sys.stderr)
        return 2
    check, needs_dbf = CHECKS[argv[1]]
    if needs_dbf:
        try:
            import dbf  # noqa: F401
        except ImportError:
            print('python3-dbf is not installed for %s: skipped' % sys.executable)
            return SKIP
    directory = tempfile.mkdtemp(prefix='quillory-compat-')
    try:
        check(os.path.abspath(argv[2]), directory)
    except Mismatch as e:
        print('FAIL: %s\n(files kept in %s)' % (e, directory))
        return 1
    shutil.rmtree(directory)
    print('%s: passed' % argv[1])
    return 0


if __name__ == '__main__':
    sys.exit(main(sys.argv))
