#include "FileInfo.h"

#include "Output.h"

#include "xbase/Bytes.h"
#include "xbase/DbfFile.h"
#include "xbase/File.h"
#include "xbase/GroupFile.h"
#include "xbase/MemoFile.h"
#include "xbase/NtxFile.h"

#include <cstdio>
#include <strings.h>
#include <vector>

namespace xbtool {

namespace {

using xbase::getU16;
using xbase::getU32;

// Header offsets as laid out in DbfFile.h and NtxFile.h. The engine has already accepted the
// file when these are read; they only pick out the facts the engine does not keep.
constexpr int kDbfVersion = 0, kDbfDate = 1, kDbfCodePage = 29;
constexpr int kNtxSignature = 0, kNtxVersion = 2, kNtxRoot = 4, kNtxFree = 8, kNtxItemSize = 12,
              kNtxKeyLength = 14, kNtxKeyDecimals = 16, kNtxMaxKeys = 18, kNtxHalf = 20,
              kNtxUnique = 278, kNtxDescending = 280;

std::string hex(unsigned value, int digits)
{
    char buf[16];
    std::snprintf(buf, sizeof buf, "0x%0*X", digits, value);
    return buf;
}

// Reads the first `n` bytes (fewer when the file is shorter) and the file's size.
bool readHead(const std::string &path, size_t n, std::vector<unsigned char> *head, long long *size,
              std::ostream &err)
{
    xbase::File f;
    if (!f.open(path, xbase::File::Mode::ReadOnly)) {
        err << "xbtool: cannot open " << path << ": " << xbase::fs::lastErrorText() << "\n";
        return false;
    }
    *size = f.size();
    head->assign(n, 0);
    const long long got = f.readSome(0, head->data(), n);
    if (got < 0 || *size < 0) {
        err << "xbtool: cannot read " << path << ": " << xbase::fs::lastErrorText() << "\n";
        return false;
    }
    head->resize(size_t(got));
    return true;
}

int showTable(const std::string &path, std::ostream &out, std::ostream &err)
{
    xbase::DbfFile dbf;
    std::string error;
    if (!dbf.open(path, true, &error)) {
        err << "xbtool: " << error << "\n";
        return kFailed;
    }
    std::vector<unsigned char> h;
    long long size = 0;
    if (!readHead(path, 32, &h, &size, err)) return kFailed;
    const unsigned version = h[kDbfVersion];
    const unsigned yy = h[kDbfDate], mm = h[kDbfDate + 1], dd = h[kDbfDate + 2];
    // Engines write the year either as year - 1900 or as year % 100.
    const unsigned year = yy >= 100 ? 1900 + yy : (yy < 80 ? 2000 + yy : 1900 + yy);
    char date[32];
    std::snprintf(date, sizeof date, "%04u-%02u-%02u", year, mm, dd);
    const uint64_t data =
        uint64_t(dbf.headerLength()) + uint64_t(dbf.recordCount()) * uint64_t(dbf.recordLength());

    out << "file: " << path << "\n"
        << "kind: table (.dbf)\n"
        << "version: " << hex(version, 2)
        << (version == xbase::DbfFile::kVersionMemo ? " (with memo file)" : " (no memo file)")
        << "\n"
        << "last update: " << date << " (year byte " << yy << ")\n"
        << "records: " << dbf.recordCount() << "\n"
        << "header length: " << dbf.headerLength() << "\n"
        << "record length: " << dbf.recordLength() << "\n"
        << "code page: " << hex(h[kDbfCodePage], 2) << "\n"
        << "file size: " << size << " bytes (end mark "
        << (uint64_t(size) > data ? "present" : "absent") << ")\n"
        << "fields: " << dbf.fields().size() << "\n";
    int i = 0;
    for (const xbase::FieldInfo &f : dbf.fields()) {
        char line[96];
        std::snprintf(line, sizeof line, "  %3d %-10s %c %3d %2d  offset %d\n", ++i, f.name.c_str(),
                      f.type, f.length, f.decimals, f.offset);
        out << line;
    }
    return kOk;
}

int showMemo(const std::string &path, std::ostream &out, std::ostream &err)
{
    xbase::MemoFile memo;
    std::string error;
    if (!memo.open(path, true, &error)) {
        err << "xbtool: " << error << "\n";
        return kFailed;
    }
    const long long size = memo.file().size();
    out << "file: " << path << "\n"
        << "kind: memo file (.dbt)\n"
        << "block size: " << xbase::MemoFile::kBlockSize << "\n"
        << "next free block: " << memo.nextFree() << "\n"
        << "file size: " << size << " bytes\n";
    return kOk;
}

int showIndex(const std::string &path, std::ostream &out, std::ostream &err)
{
    xbase::NtxFile ntx;
    std::string error;
    if (!ntx.open(path, true, &error)) {
        err << "xbtool: " << error << "\n";
        return kFailed;
    }
    std::vector<unsigned char> h;
    long long size = 0;
    if (!readHead(path, xbase::NtxFile::kPageSize, &h, &size, err)) return kFailed;
    const unsigned char *p = h.data();
    const uint32_t freePage = getU32(p + kNtxFree);
    out << "file: " << path << "\n"
        << "kind: index (.ntx)\n"
        << "signature: " << hex(getU16(p + kNtxSignature), 4) << "\n"
        << "version counter: " << getU16(p + kNtxVersion) << "\n"
        << "root page: " << getU32(p + kNtxRoot) << "\n"
        << "free list: " << freePage << (freePage ? "" : " (none)") << "\n"
        << "item size: " << getU16(p + kNtxItemSize) << "\n"
        << "key length: " << getU16(p + kNtxKeyLength) << "\n"
        << "key decimals: " << getU16(p + kNtxKeyDecimals) << "\n"
        << "max keys per page: " << getU16(p + kNtxMaxKeys) << "\n"
        << "half page: " << getU16(p + kNtxHalf) << "\n"
        << "expression: " << ntx.expression() << "\n"
        << "tag name: " << ntx.tagName() << "\n"
        << "unique: " << (p[kNtxUnique] ? "yes" : "no") << "\n"
        << "descending: " << (p[kNtxDescending] ? "yes" : "no") << "\n"
        << "pages: " << size / xbase::NtxFile::kPageSize << " of " << xbase::NtxFile::kPageSize
        << " bytes, the header included\n"
        << "change in progress: "
        << (ntx.interrupted() ? "yes (a program stopped while changing it; opening its table "
                                "rebuilds it)"
                              : "no")
        << "\n";
    return kOk;
}

int showGroup(const std::string &path, std::ostream &out, std::ostream &err)
{
    std::vector<std::string> tags;
    std::string error;
    if (!xbase::readGroupFile(path, &tags, &error)) {
        err << "xbtool: " << error << "\n";
        return kFailed;
    }
    out << "file: " << path << "\n"
        << "kind: group file (.cgp)\n"
        << "tags: " << tags.size() << "\n";
    const std::string dir = xbase::fs::dirName(path);
    for (const std::string &t : tags) {
        const std::string file = t.rfind('.') == std::string::npos ? t + ".ntx" : t;
        const std::string found = xbase::fs::findNoCase(dir + "/" + file);
        out << "  " << t << "  "
            << (found.empty() ? file + " (missing)" : xbase::fs::baseName(found)) << "\n";
    }
    return kOk;
}

} // namespace

int showFileInfo(const std::string &path, std::ostream &out, std::ostream &err)
{
    const auto dot = path.rfind('.');
    const std::string ext = dot == std::string::npos ? "" : path.substr(dot);
    if (strcasecmp(ext.c_str(), ".dbf") == 0) return showTable(path, out, err);
    if (strcasecmp(ext.c_str(), ".dbt") == 0) return showMemo(path, out, err);
    if (strcasecmp(ext.c_str(), ".ntx") == 0) return showIndex(path, out, err);
    if (strcasecmp(ext.c_str(), ".cgp") == 0) return showGroup(path, out, err);
    err << "xbtool: info knows .dbf, .dbt, .ntx and .cgp files, not \"" << path << "\"\n";
    return kUsage;
}

} // namespace xbtool
