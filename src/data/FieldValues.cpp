#include "FieldValues.h"

#include "core/Cp1252.h"
#include "core/Dates.h"

#include <cstring>

namespace data {

QString getText(FIELD4 *f)
{
    const char *s = f4str(f);
    return core::fromCp1252(s, qsizetype(std::strlen(s)));
}

QString getTrimmedText(FIELD4 *f) { return getText(f).trimmed(); }
int getInt(FIELD4 *f) { return int(f4long(f)); }
double getDouble(FIELD4 *f) { return f4double2(f); }
double getDate(FIELD4 *f) { return core::KeyToDate(QString::fromLatin1(f4str(f))); }
bool getBool(FIELD4 *f) { return f4true(f) != 0; }

QString getMemo(FIELD4 *f)
{
    const char *s = f4memoStr(f);
    return core::fromCp1252(s, qsizetype(std::strlen(s)));
}

void putText(FIELD4 *f, const QString &text, int cut)
{
    f4assign(f, core::toCp1252(text.left(cut)).constData());
}

void putInt(FIELD4 *f, int value) { f4assignLong(f, value); }
void putDouble(FIELD4 *f, double value) { f4assignDouble(f, value); }

void putDate(FIELD4 *f, double date)
{
    f4assign(f, core::DateToKey(date).toLatin1().constData());
}

void putBool(FIELD4 *f, bool value) { f4assign(f, value ? "T" : "F"); }

void putMemo(FIELD4 *f, const QString &text)
{
    const QByteArray bytes = core::toCp1252(text);
    f4memoAssignN(f, bytes.constData(), unsigned(bytes.size()));
}

QString withoutTrailingBlanks(const QString &text)
{
    qsizetype n = text.size();
    while (n > 0 && text[n - 1].isSpace()) --n;
    return text.left(n);
}

} // namespace data
