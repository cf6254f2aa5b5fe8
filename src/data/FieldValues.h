#pragma once

#include <QString>

#include "xbase/EngineApi.h"

// Values between fields and record buffers: texts in Windows-1252 on one side and QString on
// the other, dates as keys, logicals as "T"/"F".
namespace data {

// The cut applied to texts before the engine cuts them to the field's width.
constexpr int kTextCut = 59;

QString getText(FIELD4 *f);           // as stored, trailing blanks kept
QString getTrimmedText(FIELD4 *f);    // trailing and leading blanks removed
int getInt(FIELD4 *f);
double getDouble(FIELD4 *f);
double getDate(FIELD4 *f);  // blank or malformed gives 0
bool getBool(FIELD4 *f);
QString getMemo(FIELD4 *f);

void putText(FIELD4 *f, const QString &text, int cut = kTextCut);
void putInt(FIELD4 *f, int value);
void putDouble(FIELD4 *f, double value);
void putDate(FIELD4 *f, double date);  // 0 or less stores a blank date
void putBool(FIELD4 *f, bool value);
void putMemo(FIELD4 *f, const QString &text);

// Removes trailing blanks (the memo rule of some tables).
QString withoutTrailingBlanks(const QString &text);

} // namespace data
