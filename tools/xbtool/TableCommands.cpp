#include "TableCommands.h"

#include "Output.h"

#include "xbase/EngineApi.h"
#include "xbase/NumericText.h"
#include "xbase/Verify.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <strings.h>

namespace xbtool {

std::string escapeColumn(const std::string &text)
{
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        switch (c) {
        case '\\':
            out += "\\\\";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\t':
            out += "\\t";
            break;
        default:
            out += c;
        }
    }
    return out;
}

namespace {

struct EngineCloser
{
    void operator()(CODE4 *c) const { code4initUndoP(c); }
};
using EnginePtr = std::unique_ptr<CODE4, EngineCloser>;

// An engine for one command. Errors are reported by the command, never by ending the
// program from inside the engine.
EnginePtr newEngine()
{
    EnginePtr c(code4initP());
    c->exitHook = [] {};
    return c;
}

int engineError(CODE4 *c, std::ostream &err)
{
    const char *text = code4errorText(c);
    err << "xbtool: " << (*text ? text : "the engine failed without saying why") << "\n";
    return kFailed;
}

// "PATH/NAME.dbf" and "PATH/NAME" both name the table PATH/NAME.
std::string tableBase(const std::string &table)
{
    if (table.size() > 4 && strcasecmp(table.c_str() + table.size() - 4, ".dbf") == 0)
        return table.substr(0, table.size() - 4);
    return table;
}

enum class Tags { Skip, Open };
enum class Access { Shared = 0, Exclusive = 1 };

DATA4 *openTable(CODE4 *c, const std::string &table, Tags tags, Access access)
{
    code4autoOpen(c, tags == Tags::Open);
    code4accessMode(c, int(access));
    return d4open(c, tableBase(table).c_str());
}

int closeTable(CODE4 *c, DATA4 *d, std::ostream &err)
{
    return d4close(d) < 0 ? engineError(c, err) : kOk;
}

std::string trimRight(std::string s)
{
    s.erase(s.find_last_not_of(' ') + 1);
    return s;
}

std::string heading(DATA4 *d)
{
    std::string line = "RECNO\tDEL";
    for (const xbase::FieldInfo &f : d->dbf().fields())
        line += "\t" + f.name;
    return line + "\n";
}

// The current record as one dump line; false when a memo cannot be read.
bool recordLine(CODE4 *c, DATA4 *d, const std::vector<FIELD4 *> &fields, std::string *line)
{
    *line = std::to_string(d4recNo(d)) + "\t" + (d4deleted(d) ? "*" : "");
    for (FIELD4 *f : fields) {
        std::string value;
        if (f->info().type == 'M') {
            value = f4memoStr(f);
            if (c->errorCode() < 0) return false;
        } else {
            value = trimRight(f4str(f));
        }
        *line += "\t" + escapeColumn(value);
    }
    *line += "\n";
    return c->errorCode() >= 0;
}

std::vector<FIELD4 *> allFields(DATA4 *d)
{
    std::vector<FIELD4 *> fields;
    for (const xbase::FieldInfo &f : d->dbf().fields())
        fields.push_back(d4field(d, f.name.c_str()));
    return fields;
}

bool parseInt(const std::string &text, int *value)
{
    const char *end = text.data() + text.size();
    auto res = std::from_chars(text.data(), end, *value);
    return !text.empty() && res.ec == std::errc() && res.ptr == end;
}

std::vector<std::string> split(const std::string &text, char separator)
{
    std::vector<std::string> parts;
    size_t start = 0;
    for (;;) {
        const size_t at = text.find(separator, start);
        parts.push_back(text.substr(start, at - start));
        if (at == std::string::npos) return parts;
        start = at + 1;
    }
}

bool parseFieldList(const std::string &listText, std::vector<xbase::FieldInfo> *fields,
                    std::string *error)
{
    for (const std::string &item : split(listText, ',')) {
        const std::vector<std::string> parts = split(item, ':');
        auto bad = [&](const std::string &why) {
            *error = "field \"" + item + "\": " + why;
            return false;
        };
        if (parts.size() < 2 || parts.size() > 4 || parts[1].size() != 1)
            return bad("write NAME:TYPE[:LENGTH[:DECIMALS]]");
        xbase::FieldInfo f;
        f.name = parts[0];
        f.type = char(std::toupper((unsigned char)parts[1][0]));
        const bool sized = f.type == 'C' || f.type == 'N';
        if (sized && parts.size() < 3) return bad("a length is needed");
        if (parts.size() >= 3 && !parseInt(parts[2], &f.length)) return bad("bad length");
        if (parts.size() == 4 && (f.type != 'N' || !parseInt(parts[3], &f.decimals)))
            return bad("only N fields have decimals, as a whole number");
        if (!sized && parts.size() >= 3) {
            const int fixed = f.type == 'D' ? 8 : f.type == 'L' ? 1 : f.type == 'M' ? 10 : -1;
            if (fixed > 0 && f.length != fixed) return bad("this type has a fixed length");
        }
        fields->push_back(f);
    }
    return xbase::DbfFile::checkFields(*fields, error);
}

// Splits "TAG=EXPR;TAG=EXPR" at the semicolons outside quoted text.
bool parseTagList(const std::string &listText, std::vector<std::pair<std::string, std::string>> *tags,
                  std::string *error)
{
    std::vector<std::string> items(1);
    char quote = 0;
    for (char ch : listText) {
        if (quote) {
            if (ch == quote) quote = 0;
        } else if (ch == '"' || ch == '\'') {
            quote = ch;
        } else if (ch == ';') {
            items.emplace_back();
            continue;
        }
        items.back() += ch;
    }
    for (const std::string &item : items) {
        const size_t eq = item.find('=');
        if (eq == std::string::npos || eq == 0 || eq + 1 == item.size()) {
            *error = "tag \"" + item + "\": write TAG=EXPRESSION";
            return false;
        }
        tags->emplace_back(item.substr(0, eq), item.substr(eq + 1));
    }
    return true;
}

bool isLeapYear(int y)
{
    return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
}

// Checks a value for a field the way a careful user would: the engine itself stores blanks
// for bad dates and zero for text that is no number, and cuts long text.
bool checkValue(const xbase::FieldInfo &f, const std::string &value, std::string *error)
{
    auto bad = [&](const std::string &why) {
        *error = "field " + f.name + ": \"" + value + "\" " + why;
        return false;
    };
    switch (f.type) {
    case 'C':
        if (value.size() > size_t(f.length))
            return bad("is longer than " + std::to_string(f.length) + " characters");
        return true;
    case 'N': {
        const size_t first = value.find_first_not_of(' ');
        if (first == std::string::npos) return true;
        const size_t last = value.find_last_not_of(' ');
        const std::string number = value.substr(first, last - first + 1);
        char *end = nullptr;
        const double v = std::strtod(number.c_str(), &end);
        if (number.find_first_not_of("-.0123456789") != std::string::npos || *end != 0)
            return bad("is not a number");
        std::string field(size_t(f.length), ' ');
        if (!xbase::formatNumeric(v, f.length, f.decimals, field.data()))
            return bad("does not fit (" + std::to_string(f.length) + "," +
                       std::to_string(f.decimals) + ")");
        return true;
    }
    case 'D': {
        if (value.empty() || value == "        ") return true;
        int y = 0, m = 0, d = 0;
        if (value.size() != 8 || value.find_first_not_of("0123456789") != std::string::npos ||
            !parseInt(value.substr(0, 4), &y) || !parseInt(value.substr(4, 2), &m) ||
            !parseInt(value.substr(6, 2), &d))
            return bad("is not a date YYYYMMDD");
        static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
        if (m < 1 || m > 12 || d < 1 || d > days[m - 1] + (m == 2 && isLeapYear(y) ? 1 : 0))
            return bad("is not a date YYYYMMDD");
        return true;
    }
    case 'L':
        if (value.empty() || (value.size() == 1 && std::strchr("TtFfYyNn", value[0]))) return true;
        return bad("is not one of T, F, Y, N");
    case 'M':
        if (value.find('\x1A') != std::string::npos)
            return bad("holds the character 0x1A, which a memo cannot hold");
        return true;
    }
    return bad("cannot be given to a field of type " + std::string(1, f.type));
}

} // namespace

int dumpTable(const std::string &table, std::ostream &out, std::ostream &err)
{
    EnginePtr c = newEngine();
    DATA4 *d = openTable(c.get(), table, Tags::Skip, Access::Shared);
    if (!d) return engineError(c.get(), err);
    const std::vector<FIELD4 *> fields = allFields(d);
    out << heading(d);
    std::string line;
    int rc = d4top(d);
    for (; rc == xbase::r4success; rc = d4skip(d, 1)) {
        if (!recordLine(c.get(), d, fields, &line)) return engineError(c.get(), err);
        out << line;
    }
    if (rc < 0) return engineError(c.get(), err);
    return closeTable(c.get(), d, err);
}

int verifyTableFiles(const std::string &table, std::ostream &out, std::ostream &err)
{
    EnginePtr c = newEngine();
    DATA4 *d = openTable(c.get(), table, Tags::Open, Access::Shared);
    if (!d) return engineError(c.get(), err);
    const xbase::VerifyResult r = xbase::verifyTable(*d);
    for (const xbase::VerifyFault &f : r.faults)
        out << f.text << "\n";
    out << xbase::fs::baseName(d->basePath()) << ": " << r.tags << " tags, " << r.records
        << " records, " << r.entries << " entries: ";
    if (r.clean())
        out << "no faults\n";
    else
        out << r.faultCount << (r.faultCount == 1 ? " fault" : " faults");
    if (!r.clean() && r.faultCount > r.faults.size()) out << ", " << r.faults.size() << " listed";
    if (!r.clean()) out << "\n";
    const int closed = closeTable(c.get(), d, err);
    return r.clean() ? closed : kFailed;
}

int createTable(const std::string &table, const std::string &fieldSpec, std::ostream &out,
                std::ostream &err)
{
    const std::string base = tableBase(table);
    std::vector<xbase::FieldInfo> fields;
    std::string error;
    if (!parseFieldList(fieldSpec, &fields, &error)) {
        err << "xbtool: " << error << "\n";
        return kUsage;
    }
    for (const char *ext : {".dbf", ".dbt", ".cgp"}) {
        const std::string existing = xbase::fs::findNoCase(base + ext);
        if (!existing.empty()) {
            err << "xbtool: " << existing << " exists already; nothing was created\n";
            return kFailed;
        }
    }
    const bool memo = std::any_of(fields.begin(), fields.end(),
                                  [](const xbase::FieldInfo &f) { return f.type == 'M'; });
    if (!xbase::DbfFile::create(base + ".dbf", fields, &error) ||
        (memo && !xbase::MemoFile::create(base + ".dbt", &error))) {
        // A table without its memo file could not be opened: take both away.
        xbase::fs::remove(base + ".dbf");
        err << "xbtool: " << error << "\n";
        return kFailed;
    }
    out << "created " << base << ".dbf" << (memo ? " and " + base + ".dbt" : "") << " with "
        << fields.size() << " fields\n";
    return kOk;
}

int indexTable(const std::string &table, const std::string &tagSpec, std::ostream &out,
               std::ostream &err)
{
    std::vector<std::pair<std::string, std::string>> tagList;
    std::string error;
    if (!parseTagList(tagSpec, &tagList, &error)) {
        err << "xbtool: " << error << "\n";
        return kUsage;
    }
    EnginePtr c = newEngine();
    // The tags are not opened: they are being replaced, maybe because they are broken.
    DATA4 *d = openTable(c.get(), table, Tags::Skip, Access::Exclusive);
    if (!d) return engineError(c.get(), err);
    code4safety(c.get(), 0);
    std::vector<TAG4INFO> tags;
    for (const auto &[name, expression] : tagList)
        tags.push_back({name.c_str(), expression.c_str(), nullptr, 0, 0});
    tags.push_back({nullptr, nullptr, nullptr, 0, 0});
    const std::string group = xbase::fs::baseName(d->basePath());
    if (i4create(d, group.c_str(), tags.data()) < 0) return engineError(c.get(), err);
    out << "indexed " << d4recCountDo(d) << " records in " << tagList.size() << " tags of group "
        << group << "\n";
    return closeTable(c.get(), d, err);
}

int seekTable(const std::string &table, const std::string &tagName, const std::string &key,
              std::ostream &out, std::ostream &err)
{
    EnginePtr c = newEngine();
    DATA4 *d = openTable(c.get(), table, Tags::Open, Access::Shared);
    if (!d) return engineError(c.get(), err);
    TAG4 *tag = d4tag(d, tagName.c_str());
    if (!tag) return engineError(c.get(), err);
    d4tagSelectP(d, tag);
    const int rc = d4seekN(d, key.data(), int(key.size()));
    if (rc < 0) return engineError(c.get(), err);
    if (rc == xbase::r4eof) {
        out << "eof\n";
        return closeTable(c.get(), d, err);
    }
    std::string line;
    if (!recordLine(c.get(), d, allFields(d), &line)) return engineError(c.get(), err);
    out << (rc == xbase::r4found ? "found " : "after ") << d4recNo(d) << "\n" << heading(d) << line;
    return closeTable(c.get(), d, err);
}

int appendRecord(const std::string &table, const std::vector<std::string> &assignments,
                 std::ostream &out, std::ostream &err)
{
    EnginePtr c = newEngine();
    DATA4 *d = openTable(c.get(), table, Tags::Open, Access::Exclusive);
    if (!d) return engineError(c.get(), err);
    std::vector<std::pair<FIELD4 *, std::string>> values;
    for (const std::string &a : assignments) {
        const size_t eq = a.find('=');
        if (eq == std::string::npos || eq == 0) {
            err << "xbtool: \"" << a << "\": write FIELD=VALUE\n";
            return kUsage;
        }
        FIELD4 *f = d4field(d, a.substr(0, eq).c_str());
        if (!f) return engineError(c.get(), err);
        std::string value = a.substr(eq + 1), error;
        if (!checkValue(f->info(), value, &error)) {
            err << "xbtool: " << error << "; nothing was appended\n";
            return kFailed;
        }
        values.emplace_back(f, std::move(value));
    }
    if (d4appendBlank(d) < 0) return engineError(c.get(), err);
    for (const auto &[f, value] : values) {
        // A numeric field left out, or given blanks, stays blank rather than becoming 0.
        if (f->info().type == 'N' && value.find_first_not_of(' ') == std::string::npos) continue;
        const int rc =
            f->info().type == 'M' ? f4memoAssign(f, value.c_str()) : f4assign(f, value.c_str());
        if (rc < 0) return engineError(c.get(), err);
    }
    if (d4flush(d) < 0) return engineError(c.get(), err);
    out << "appended record " << d4recNo(d) << "\n";
    return closeTable(c.get(), d, err);
}

int packTable(const std::string &table, std::ostream &out, std::ostream &err)
{
    EnginePtr c = newEngine();
    DATA4 *d = openTable(c.get(), table, Tags::Open, Access::Exclusive);
    if (!d) return engineError(c.get(), err);
    const long before = d4recCountDo(d);
    if (d4pack(d) < 0) return engineError(c.get(), err);
    out << "packed: " << d4recCountDo(d) << " of " << before << " records kept\n";
    return closeTable(c.get(), d, err);
}

int zapTable(const std::string &table, std::ostream &out, std::ostream &err)
{
    EnginePtr c = newEngine();
    DATA4 *d = openTable(c.get(), table, Tags::Open, Access::Exclusive);
    if (!d) return engineError(c.get(), err);
    const long before = d4recCountDo(d);
    if (before > 0 && d4zap(d, 1, before) < 0) return engineError(c.get(), err);
    out << "zapped: " << before << " records removed\n";
    return closeTable(c.get(), d, err);
}

} // namespace xbtool
