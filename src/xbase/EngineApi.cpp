#include "EngineApi.h"

#include <cmath>
#include <cstring>

using namespace xbase;

CODE4 *code4initP() { return new Engine(); }

int code4initUndoP(CODE4 *c)
{
    if (!c) return 0;
    int rc = c->closeAll();
    delete c;
    return rc;
}

int code4close(CODE4 *c) { return c->closeAll(); }
void code4exit(CODE4 *c) { c->exitNow(); }

void error4exitTest(CODE4 *c)
{
    if (c->errorCode() < 0) c->exitNow();
}

int code4errorCode(CODE4 *c, int newCode) { return c->setErrorCode(newCode); }
const char *code4errorText(CODE4 *c) { return c->errorText().c_str(); }

int code4autoOpen(CODE4 *c, int on)
{
    int old = c->autoOpen;
    c->autoOpen = on != 0;
    return old;
}

int code4accessMode(CODE4 *c, int mode)
{
    int old = c->accessMode;
    c->accessMode = mode;
    return old;
}

int code4safety(CODE4 *c, int on)
{
    int old = c->safety;
    c->safety = on != 0;
    return old;
}

int code4optimize(CODE4 *c, int value)
{
    int old = c->optimize;
    c->optimize = value;
    return old;
}

int code4optimizeWrite(CODE4 *c, int value)
{
    int old = c->optimizeWrite;
    c->optimizeWrite = value;
    return old;
}

DATA4 *d4open(CODE4 *c, const char *name) { return c->open(name ? name : ""); }
int d4close(DATA4 *d) { return d->engine().close(d); }
int d4top(DATA4 *d) { return d->top(); }
int d4bottom(DATA4 *d) { return d->bottom(); }
int d4skip(DATA4 *d, long count) { return d->skip(count); }
int d4seek(DATA4 *d, const char *key) { return d->seek(key, int(std::strlen(key))); }
int d4seekN(DATA4 *d, const char *key, int length) { return d->seek(key, length); }
int d4go(DATA4 *d, long recno) { return d->go(recno); }
long d4recNo(DATA4 *d) { return d->recNo(); }
long d4recCountDo(DATA4 *d) { return d->recCount(); }
double d4position2(DATA4 *d) { return d->position(); }
TAG4 *d4tag(DATA4 *d, const char *name) { return d->tag(name ? name : ""); }
void d4tagSelectP(DATA4 *d, TAG4 *tag) { d->selectTag(tag); }
TAG4 *d4tagSelected(DATA4 *d) { return d->selectedTag(); }
int d4appendBlank(DATA4 *d) { return d->appendBlank(); }
int d4flush(DATA4 *d) { return d->flush(); }
void d4delete(DATA4 *d) { d->setDeleted(true); }
void d4recall(DATA4 *d) { d->setDeleted(false); }
int d4deleted(DATA4 *d) { return d->deleted() ? 1 : 0; }
int d4pack(DATA4 *d) { return d->pack(); }
int d4memoCompress(DATA4 *d) { return d->memoCompress(); }
int d4zap(DATA4 *d, long first, long count) { return d->zap(first, count); }
FIELD4 *d4field(DATA4 *d, const char *name) { return d->field(name ? name : ""); }

int i4create(DATA4 *d, const char *group, const TAG4INFO *tags)
{
    std::vector<TagSpec> definitions;
    for (const TAG4INFO *t = tags; t && t->name; ++t) {
        if ((t->filter && *t->filter) || t->unique || t->descending)
            return d->engine().raise(e4param, std::string("tag ") + t->name +
                                                  ": filters, unique and descending tags are "
                                                  "not supported");
        definitions.push_back({t->name, t->expression ? t->expression : ""});
    }
    return d->createIndex(group ? group : "", definitions);
}

const char *f4str(FIELD4 *f) { return f->table().fieldText(*f); }
long f4long(FIELD4 *f) { return long(f->table().fieldNumber(*f)); }
int f4int(FIELD4 *f) { return int(f->table().fieldNumber(*f)); }
double f4double2(FIELD4 *f) { return f->table().fieldNumber(*f); }
int f4true(FIELD4 *f) { return f->table().fieldTrue(*f) ? 1 : 0; }
const char *f4memoStr(FIELD4 *f) { return f->table().memoText(*f); }

int f4assign(FIELD4 *f, const char *text)
{
    return f->table().assignText(*f, text ? text : "", text ? std::strlen(text) : 0);
}

int f4assignLong(FIELD4 *f, long value) { return f->table().assignNumber(*f, double(value)); }
int f4assignInt(FIELD4 *f, int value) { return f->table().assignNumber(*f, double(value)); }
int f4assignDouble(FIELD4 *f, double value) { return f->table().assignNumber(*f, value); }

int f4memoAssign(FIELD4 *f, const char *text)
{
    return f->table().assignMemo(*f, text ? text : "", text ? std::strlen(text) : 0);
}

int f4memoAssignN(FIELD4 *f, const char *text, unsigned length)
{
    return f->table().assignMemo(*f, text ? text : "", text ? length : 0);
}
