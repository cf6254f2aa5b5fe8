#pragma once

// The engine interface the program calls: handles and operations under their customary
// names. A thin layer over Engine and Table; see those for the contracts.
//
// Return codes: 0 success; d4seek 0 (a key starting with the search key), 2 (on the next
// greater key), 3 (past the end); d4skip 0, 3 (past the last), 4 (before the first);
// d4top / d4bottom 3 on an empty table. Errors are negative and recorded in the engine
// (code4errorCode). Handles of a closed table must not be used.

#include "Engine.h"
#include "Errors.h"

#include <string>

using CODE4 = xbase::Engine;
using DATA4 = xbase::Table;
using FIELD4 = xbase::Field;
using TAG4 = xbase::Tag;

struct TAG4INFO
{
    const char *name;
    const char *expression;
    const char *filter;      // must be null or empty: filters are not supported
    short int unique;        // must be 0
    unsigned short descending;  // must be 0
};

// Engine
CODE4 *code4initP();
int code4initUndoP(CODE4 *c);
int code4close(CODE4 *c);
void code4exit(CODE4 *c);
void error4exitTest(CODE4 *c);
int code4errorCode(CODE4 *c, int newCode);
const char *code4errorText(CODE4 *c);
int code4autoOpen(CODE4 *c, int on);
int code4accessMode(CODE4 *c, int mode);
int code4safety(CODE4 *c, int on);
int code4optimize(CODE4 *c, int value);
int code4optimizeWrite(CODE4 *c, int value);

// Tables
DATA4 *d4open(CODE4 *c, const char *name);
int d4close(DATA4 *d);
int d4top(DATA4 *d);
int d4bottom(DATA4 *d);
int d4skip(DATA4 *d, long count);
int d4seek(DATA4 *d, const char *key);
int d4seekN(DATA4 *d, const char *key, int length);
int d4go(DATA4 *d, long recno);
long d4recNo(DATA4 *d);
long d4recCountDo(DATA4 *d);
double d4position2(DATA4 *d);
TAG4 *d4tag(DATA4 *d, const char *name);
void d4tagSelectP(DATA4 *d, TAG4 *tag);
TAG4 *d4tagSelected(DATA4 *d);
int d4appendBlank(DATA4 *d);
int d4flush(DATA4 *d);
void d4delete(DATA4 *d);
void d4recall(DATA4 *d);
int d4deleted(DATA4 *d);
int d4pack(DATA4 *d);
int d4memoCompress(DATA4 *d);
int d4zap(DATA4 *d, long first, long count);
FIELD4 *d4field(DATA4 *d, const char *name);
// Creates one .ntx per tag and the group file `group` (the table's name when null), and
// opens the new tags. The list ends with an entry whose name is null.
int i4create(DATA4 *d, const char *group, const TAG4INFO *tags);

// Fields
const char *f4str(FIELD4 *f);
long f4long(FIELD4 *f);
int f4int(FIELD4 *f);
double f4double2(FIELD4 *f);
int f4true(FIELD4 *f);
const char *f4memoStr(FIELD4 *f);
int f4assign(FIELD4 *f, const char *text);
int f4assignLong(FIELD4 *f, long value);
int f4assignInt(FIELD4 *f, int value);
int f4assignDouble(FIELD4 *f, double value);
int f4memoAssign(FIELD4 *f, const char *text);
int f4memoAssignN(FIELD4 *f, const char *text, unsigned length);
