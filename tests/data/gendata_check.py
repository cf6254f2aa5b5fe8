#!/usr/bin/python3
"""Checks a data directory filled by gendata with an independent reader, python3-dbf.

Usage: gendata_check.py DIR ENGINE_DUMP INVOICES
  DIR          the data directory
  ENGINE_DUMP  every table as our engine reads it (written by GenDataTest.cpp, same text form
               as dump() below)
  INVOICES     the invoice count gendata was asked for

Checks that python3-dbf reads every table exactly as our engine does (record counts, every
field, memos), then, on python3-dbf's reading alone, that the records refer to each other
correctly and that every invoice's amounts add up to the cent.

Exit status: 0 pass, 1 fail (the first problems are printed), 77 python3-dbf is missing.
"""

import os
import sys
from collections import defaultdict
from decimal import Decimal, ROUND_HALF_UP

SKIP = 77
CODEPAGE = 'cp1252'
TABLES = ['QLR3A', 'CUST6', 'GROUPS', 'ImportF', 'INV7', 'ITM5', 'PMT', 'Prod5', 'Pur5',
          'LABELS', 'Est', 'EstItm']
CENT = Decimal('0.01')


class Failure(Exception):
    pass


def escaped(data):
    return ''.join(chr(b) if 0x20 <= b <= 0x7e and b not in b'\\|' else '\\x%02x' % b
                   for b in data)


def field_text(table, record, name, kind, decimals):
    """A field as bytes in the dump's form: texts without trailing blanks, numbers in the
    field's own format, dates as yyyymmdd, logicals T or F (blank when blank), memos whole."""
    import dbf
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
            return b''
        return b'T' if value else b'F'
    raise Failure('field %s: unexpected type %s' % (name, kind))


def read_tables(directory):
    """Every table through python3-dbf: {name: (dump lines, [records as dicts of values])}."""
    import dbf
    result = {}
    for name in TABLES:
        path = os.path.join(directory, name + '.dbf')
        table = dbf.Table(path)
        table.open(dbf.READ_ONLY)
        try:
            if table.codepage.name != CODEPAGE:
                raise Failure('%s: python-dbf reads code page %s' % (name, table.codepage.name))
            names = table.field_names
            infos = [table.field_info(n) for n in names]
            lines = ['table %s' % name, 'records %d' % len(table)]
            rows = []
            for position, record in enumerate(table):
                line = '%d%s' % (position + 1, '*' if dbf.is_deleted(record) else ' ')
                row = {}
                for n, info in zip(names, infos):
                    line += '|' + escaped(field_text(table, record, n, chr(info.field_type),
                                                     info.decimal))
                    row[n.upper()] = record[n]
                lines.append(line)
                rows.append(row)
            result[name] = (lines, rows)
        finally:
            table.close()
    return result


def compare_with_engine(tables, dump_path):
    with open(dump_path, 'r', encoding='ascii') as f:
        ours = f.read().splitlines()
    theirs = [line for name in TABLES for line in tables[name][0]]
    for number, (a, b) in enumerate(zip(ours, theirs), 1):
        if a != b:
            raise Failure('line %d differs\n  our engine: %s\n  python-dbf: %s' % (number, a, b))
    if len(ours) != len(theirs):
        raise Failure('our engine printed %d lines, python-dbf %d' % (len(ours), len(theirs)))


def money(value):
    return Decimal(repr(value)).quantize(CENT, rounding=ROUND_HALF_UP)


def check_facts(tables, invoices):
    problems = []

    def require(condition, message):
        if not condition and len(problems) < 20:
            problems.append(message)

    rows = {name: tables[name][1] for name in TABLES}

    customers = [r['CUNO'] for r in rows['CUST6']]
    require(customers == list(range(1, len(customers) + 1)),
            'customer numbers are not 1..%d in order' % len(customers))
    groups = {r['NGROUP'] for r in rows['GROUPS']}
    require(groups == set(range(1, len(groups) + 1)), 'group numbers are not 1..N')
    require(all(1 <= g <= 99 for g in groups), 'a group number is outside 1..99')
    for r in rows['CUST6']:
        require(r['NGROUP'] == 0 or r['NGROUP'] in groups,
                'customer %d is in group %d, which does not exist' % (r['CUNO'], r['NGROUP']))
    customer_set = set(customers)

    products = [r['PRID'].rstrip() for r in rows['Prod5']]
    require(len(set(products)) == len(products), 'product ids are not unique')
    for p in products:
        require(p and p == p.upper() and len(p) <= 10, 'product id %r is malformed' % p)
    product_set = set(products)

    purchases = rows['Pur5']
    require([r['PURNO'] for r in purchases] == list(range(1, len(purchases) + 1)),
            'purchase numbers are not 1..N in order')
    for r in purchases:
        require(r['PURPROD'].rstrip() in product_set,
                'purchase %d is of an unknown product %r' % (r['PURNO'], r['PURPROD']))
        require(r['PURDATE'] is not None and r['PURQTY'] > 0 and r['PURCOST'] > 0,
                'purchase %d lacks a date, quantity or cost' % r['PURNO'])

    headers = rows['INV7']
    require(len(headers) == invoices, 'INV7 holds %d invoices, not %d' % (len(headers), invoices))
    require([r['IVNO'] for r in headers] == list(range(1, len(headers) + 1)),
            'invoice numbers are not 1..N in order')
    dates = [r['IDATE'] for r in headers]
    require(all(d is not None for d in dates), 'an invoice has no date')
    require(all(a <= b for a, b in zip(dates, dates[1:])),
            'invoice dates do not follow the invoice numbers')
    for r in headers:
        require(r['CUNO'] in customer_set,
                'invoice %d names customer %d, who does not exist' % (r['IVNO'], r['CUNO']))
        require(r['SHIPTO'] in customer_set,
                'invoice %d ships to customer %d, who does not exist' % (r['IVNO'], r['SHIPTO']))

    by_number = {r['IVNO']: r for r in headers}
    subtotal = defaultdict(Decimal)
    item_count = defaultdict(int)
    for r in rows['ITM5']:
        require(r['IVNO'] in by_number, 'an item belongs to invoice %d, which does not exist'
                % r['IVNO'])
        require(r['PRID'].rstrip() in product_set,
                'an item of invoice %d is of an unknown product %r' % (r['IVNO'], r['PRID']))
        require(r['QTY'] > 0 and r['UPR'] > 0, 'an item of invoice %d has no quantity or price'
                % r['IVNO'])
        require(r['LBUILD'] is False and r['BACKORDER'] == 0,
                'an item of invoice %d is built or back-ordered' % r['IVNO'])
        subtotal[r['IVNO']] += (money(r['QTY']) * money(r['UPR'])).quantize(
            CENT, rounding=ROUND_HALF_UP)
        item_count[r['IVNO']] += 1
    for number in by_number:
        require(1 <= item_count[number] <= 10,
                'invoice %d has %d items' % (number, item_count[number]))

    paid = defaultdict(Decimal)
    for r in rows['PMT']:
        header = by_number.get(r['IVNO'])
        require(header is not None, 'a payment belongs to invoice %d, which does not exist'
                % r['IVNO'])
        if header is None:
            continue
        require(r['PAMT'] > 0, 'a payment of invoice %d is not positive' % r['IVNO'])
        require(r['PDATE'] is not None and r['PDATE'] >= header['IDATE'],
                'a payment of invoice %d predates it' % r['IVNO'])
        paid[r['IVNO']] += money(r['PAMT'])

    for number, r in by_number.items():
        sub = subtotal[number]
        discount = (sub * money(r['DISCOUNT']) / 100).quantize(CENT, rounding=ROUND_HALF_UP)
        total = sub - discount + money(r['SHIP']) + money(r['TAX'])
        due = money(r['DUE'])
        require(due == total - paid[number],
                'invoice %d: due %s, but total %s less payments %s is %s'
                % (number, due, total, paid[number], total - paid[number]))
        require(due >= 0 and money(r['SHIP']) >= 0 and money(r['TAX']) >= 0,
                'invoice %d has a negative amount' % number)

    estimates = rows['Est']
    require([r['ESTNO'] for r in estimates] == list(range(1, len(estimates) + 1)),
            'estimate numbers are not 1..N in order')
    for r in estimates:
        require(r['CUNO'] in customer_set,
                'estimate %d names customer %d, who does not exist' % (r['ESTNO'], r['CUNO']))
    estimate_set = {r['ESTNO'] for r in estimates}
    for r in rows['EstItm']:
        require(r['ESTNO'] in estimate_set,
                'an estimate item belongs to estimate %d, which does not exist' % r['ESTNO'])
        require(r['PRID'].rstrip() in product_set,
                'an item of estimate %d is of an unknown product' % r['ESTNO'])

    for r in rows['LABELS']:
        require(r['WIDTH'] > 0 and r['HEIGHT'] > 0 and 1 <= r['NACROSS'] <= 9,
                'label stock %r has no size' % r['NAME'].rstrip())

    # What real data has: accented names, memos, unpaid and part-paid invoices.
    require(any(any(ord(ch) > 0x7f for ch in r['FIRST'] + r['LAST']) for r in rows['CUST6']),
            'no customer has an accented name')
    require(any(r['COMMENTS'] for r in rows['CUST6']), 'no customer has comments')
    require(any(r['PMEMO'] for r in rows['Prod5']), 'no product has a memo')
    require(any(r['REM'] for r in headers), 'no invoice has remarks')
    require(any(money(r['DUE']) > 0 for r in headers), 'every invoice is paid')
    require(any(money(r['DUE']) == 0 for r in headers), 'no invoice is paid')
    require(len(rows['ImportF']) == 0, 'ImportF is not empty')
    require(len(rows['QLR3A']) == 1, 'QLR3A does not hold one settings record')

    if problems:
        raise Failure('\n'.join(problems))


def main():
    if len(sys.argv) != 4:
        print(__doc__, file=sys.stderr)
        return 2
    try:
        import dbf  # noqa: F401
    except ImportError:
        print('python3-dbf is not installed', file=sys.stderr)
        return SKIP
    directory, dump_path, invoices = sys.argv[1], sys.argv[2], int(sys.argv[3])
    try:
        tables = read_tables(directory)
        compare_with_engine(tables, dump_path)
        check_facts(tables, invoices)
    except Failure as e:
        print('FAIL: %s' % e, file=sys.stderr)
        return 1
    print('gendata_check: %s matches our engine record for record; references and amounts '
          'hold' % directory)
    return 0


if __name__ == '__main__':
    sys.exit(main())
