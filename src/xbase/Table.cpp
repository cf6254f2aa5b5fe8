#include "Table.h"

#include "Engine.h"
#include "GroupFile.h"
#include "IndexBuilder.h"
#include "NumericText.h"

#include <cerrno>
#include <cstring>
#include <strings.h>

namespace xbase {

Table::Table(Engine &engine) : m_engine(engine) {}

Table::~Table()
{
    if (m_dbf.isOpen()) close();
}

int Table::error(int code, const std::string &text) { return m_engine.raise(code, text); }

namespace {

std::string withExtension(const std::string &base, const char *ext)
{
    return fs::findNoCase(base + ext);
}

// Pack and memo compaction write every new file under a ".tmp" name first; renaming the new
// .dbf is the commit point, after which the new .dbt and .ntx files are renamed too. If the
// program stopped in between, finish the job; if it stopped before the .dbf was renamed,
// forget it. Index creation builds under ".new" names and renames only whole, synced files;
// a ".new" tag file found here is from a build cut short and is deleted. Runs with the
// table's lock held, so no other program is in the middle of either.
void recoverInterruptedRewrite(const std::string &base, const std::string &dbfPath)
{
    const bool rollBack = fs::exists(dbfPath + ".tmp");
    if (rollBack) fs::remove(dbfPath + ".tmp");
    std::vector<std::string> others;
    const std::string dbt = withExtension(base, ".dbt");
    others.push_back(dbt.empty() ? base + ".dbt" : dbt);
    const std::string cgp = withExtension(base, ".cgp");
    std::vector<std::string> tags;
    std::string ignored;
    if (!cgp.empty() && readGroupFile(cgp, &tags, &ignored)) {
        for (const std::string &t : tags) {
            std::string file = fs::dirName(cgp) + "/" + t;
            if (t.rfind('.') == std::string::npos) file += ".ntx";
            const std::string found = fs::findNoCase(file);
            others.push_back(found.empty() ? file : found);
        }
    }
    for (const std::string &path : others) {
        const std::string tmp = path + ".tmp";
        if (fs::exists(path + kIndexBuildSuffix)) fs::remove(path + kIndexBuildSuffix);
        if (!fs::exists(tmp)) continue;
        if (rollBack) fs::remove(tmp);
        else fs::replace(tmp, path);
    }
}

} // namespace

bool Table::open(const std::string &name)
{
    m_name = name;
    const std::string dbfPath = withExtension(name, ".dbf");
    if (dbfPath.empty()) {
        error(e4open, "cannot find table " + name + ".dbf");
        return false;
    }
    m_basePath = dbfPath.substr(0, dbfPath.size() - 4);

    std::string err;
    if (!m_dbf.open(dbfPath, false, &err)) {
        if (errno != EACCES && errno != EROFS) {
            error(err.find("cannot open") == 0 ? e4open : e4data, err);
            return false;
        }
        if (!m_dbf.open(dbfPath, true, &err)) {
            error(e4open, err);
            return false;
        }
        m_readOnly = true;
    }
    const bool exclusive = m_engine.accessMode == 1;
    if (!m_dbf.file().lock(exclusive ? File::Lock::Exclusive : File::Lock::Shared)) {
        error(e4lock, "table " + dbfPath + " is in use by another program");
        m_dbf.close(&err);
        return false;
    }
    m_exclusive = exclusive;
    if (!m_readOnly) recoverInterruptedRewrite(m_basePath, dbfPath);
    if (m_dbf.hasMemoFields()) {
        const std::string dbtPath = withExtension(m_basePath, ".dbt");
        m_memo = std::make_unique<MemoFile>();
        if (dbtPath.empty() || !m_memo->open(dbtPath, m_readOnly, &err)) {
            error(e4memo, dbtPath.empty() ? "cannot find memo file " + m_basePath + ".dbt" : err);
            m_memo.reset();
            m_dbf.close(&err);
            return false;
        }
    }
    const size_t nFields = m_dbf.fields().size();
    m_memoPending.assign(nFields, std::nullopt);
    m_memoCache.assign(nFields, std::nullopt);
    m_record.assign(size_t(m_dbf.recordLength()), ' ');
    m_original = m_record;
    if (m_engine.autoOpen && !openTags(&err)) {
        error(err.find("group file") != std::string::npos ? e4group : e4index, err);
        closeTags();
        if (m_memo) m_memo->close();
        m_dbf.close(&err);
        return false;
    }
    m_recno = 0;
    m_loaded = false;
    return true;
}

bool Table::openTag(const std::string &tagName, const std::string &ntxPath, std::string *err)
{
    auto tag = std::make_unique<Tag>();
    tag->m_table = this;
    tag->m_name = tagName;
    tag->m_file = std::make_unique<NtxFile>(&m_engine.pageCache());
    if (!tag->m_file->open(ntxPath, m_readOnly, err)) return false;
    if (!tag->m_expr.parse(tag->m_file->expression(), m_dbf.fields(), err)) {
        *err = "index " + ntxPath + ": " + *err;
        return false;
    }
    if (tag->m_expr.keyLength() != tag->m_file->keyLength()) {
        *err = "index " + ntxPath + ": key length " + std::to_string(tag->m_file->keyLength()) +
               " does not match its expression (" + std::to_string(tag->m_expr.keyLength()) + ")";
        return false;
    }
    tag->m_file->followSyncSetting(&m_engine.syncOnFlush);
    if (tag->m_file->interrupted() && !rebuildInterruptedTag(*tag, ntxPath, err)) return false;
    m_tags.push_back(std::move(tag));
    return true;
}

bool Table::openTags(std::string *err)
{
    const std::string cgp = withExtension(m_basePath, ".cgp");
    if (cgp.empty()) return true;  // a table without indexes
    std::vector<std::string> names;
    if (!readGroupFile(cgp, &names, err)) return false;
    const std::string dir = fs::dirName(cgp);
    for (const std::string &n : names) {
        std::string file = n;
        auto dot = n.rfind('.');
        if (dot == std::string::npos) file += ".ntx";
        std::string path = fs::findNoCase(dir + "/" + file);
        if (path.empty()) {
            *err = "group file " + cgp + " names tag " + n + " but " + dir + "/" + file +
                   " is missing";
            return false;
        }
        if (!openTag(dot == std::string::npos ? n : n.substr(0, dot), path, err)) return false;
    }
    return true;
}

void Table::closeTags()
{
    std::string ignored;
    for (auto &t : m_tags) t->m_file->close(&ignored);
    m_tags.clear();
    m_selected = nullptr;
}

int Table::close()
{
    if (!m_dbf.isOpen()) return 0;
    int rc = flushRecord();
    std::string err;
    for (auto &t : m_tags)
        if (!t->m_file->close(&err) && rc == 0) rc = error(e4write, err);
    m_tags.clear();
    m_selected = nullptr;
    if (m_memo) m_memo->close();
    m_memo.reset();
    if (!m_dbf.close(&err) && rc == 0) rc = error(e4write, err);
    m_fields.clear();
    return rc;
}

bool Table::takeForWriting()
{
    if (m_readOnly) {
        error(e4write, "table " + m_dbf.path() + " is read-only");
        return false;
    }
    if (holdAlone()) return true;
    error(e4lock, "table " + m_dbf.path() + " is in use by another program");
    return false;
}

bool Table::holdAlone()
{
    if (m_exclusive) return true;
    // Shared mode: writing needs the table to ourselves for as long as it stays open.
    if (m_dbf.file().lock(File::Lock::Exclusive)) {
        m_exclusive = true;
        return true;
    }
    m_dbf.file().lock(File::Lock::Shared);
    return false;
}

// ---------------------------------------------------------------------------------------------
// Orders and movement

Tag *Table::tag(const std::string &name)
{
    for (auto &t : m_tags)
        if (strcasecmp(t->m_name.c_str(), name.c_str()) == 0) return t.get();
    error(e4tagName, "table " + m_name + " has no tag " + name);
    return nullptr;
}

void Table::selectTag(Tag *tag) { m_selected = tag; }

int Table::moveTo(long recno)
{
    int rc = flushRecord();
    if (rc < 0) return rc;
    m_recno = recno;
    m_loaded = false;
    if (m_memoCached) {
        for (auto &m : m_memoCache) m.reset();
        m_memoCached = false;
    }
    return 0;
}

bool Table::placeCursor()
{
    NtxFile &f = m_selected->file();
    if (!loadRecord()) return false;
    std::string key = m_selected->m_expr.evaluate(m_original.data());
    bool found = false;
    std::string err;
    if (!f.seekEntry(key.data(), uint32_t(m_recno), &found, &err)) {
        error(e4index, err);
        return false;
    }
    if (!found) {
        error(e4index, "index " + f.path() + " has no entry for record " +
                           std::to_string(m_recno) + ": rebuild the indexes");
        return false;
    }
    return true;
}

// An index entry must name a record the table has; a damaged index that names another is an
// error, never a move onto a record that does not exist.
bool Table::badIndexRecno(uint32_t recno)
{
    error(e4index, "index " + m_selected->file().path() + " names record " +
                       std::to_string(recno) + ", which the table does not have");
    return false;
}

int Table::top()
{
    int rc = flushRecord();
    if (rc < 0) return rc;
    const long count = recCount();
    if (!m_selected) {
        moveTo(count ? 1 : count + 1);
        return count ? r4success : r4eof;
    }
    bool moved = false;
    std::string err;
    if (!m_selected->file().first(&moved, &err)) return error(e4index, err);
    if (moved && !checkIndexRecno(m_selected->file().recno())) return e4index;
    moveTo(moved ? long(m_selected->file().recno()) : count + 1);
    return moved ? r4success : r4eof;
}

int Table::bottom()
{
    int rc = flushRecord();
    if (rc < 0) return rc;
    const long count = recCount();
    if (!m_selected) {
        moveTo(count ? count : count + 1);
        return count ? r4success : r4eof;
    }
    bool moved = false;
    std::string err;
    if (!m_selected->file().last(&moved, &err)) return error(e4index, err);
    if (moved && !checkIndexRecno(m_selected->file().recno())) return e4index;
    moveTo(moved ? long(m_selected->file().recno()) : count + 1);
    return moved ? r4success : r4eof;
}

int Table::skip(long n)
{
    int rc = flushRecord();
    if (rc < 0) return rc;
    const long count = recCount();
    if (m_recno == 0) {
        rc = top();
        if (rc != r4success) return rc;
    }
    if (n == 0) return r4success;
    if (eof()) {
        if (n > 0) return r4eof;
        rc = bottom();
        if (rc != r4success) return rc == r4eof ? r4bof : rc;
        if (++n == 0) return r4success;
    }
    if (!m_selected) {
        long target = m_recno + n;
        if (target > count) {
            moveTo(count + 1);
            return r4eof;
        }
        if (target < 1) {
            moveTo(1);
            return r4bof;
        }
        moveTo(target);
        return r4success;
    }
    if (!syncCursor()) return m_engine.errorCode();
    long done = 0;
    std::string err;
    NtxFile &f = m_selected->file();
    if (!f.skip(n, &done, &err)) return error(e4index, err);
    if (done == (n > 0 ? n : -n)) {
        if (!checkIndexRecno(f.recno())) return e4index;
        moveTo(long(f.recno()));
        return r4success;
    }
    if (n > 0) {
        moveTo(count + 1);
        return r4eof;
    }
    rc = top();
    return rc == r4success ? r4bof : rc;
}

int Table::seek(const char *key, int length)
{
    int rc = flushRecord();
    if (rc < 0) return rc;
    if (!m_selected) return error(e4tagName, "seek in table " + m_name + " without a tag");
    std::string err;
    NtxFile &f = m_selected->file();
    const NtxFile::Seek result = f.seek(key, length, &err);
    switch (result) {
    case NtxFile::Seek::Found:
    case NtxFile::Seek::After:
        if (!checkIndexRecno(f.recno())) return e4index;
        moveTo(long(f.recno()));
        return result == NtxFile::Seek::Found ? r4found : r4after;
    case NtxFile::Seek::End: moveTo(recCount() + 1); return r4eof;
    case NtxFile::Seek::Error: break;
    }
    return error(e4index, err);
}

int Table::go(long recno)
{
    int rc = flushRecord();
    if (rc < 0) return rc;
    if (recno < 1 || recno > recCount())
        return error(e4record, "table " + m_name + " has no record " + std::to_string(recno));
    return moveTo(recno);
}

double Table::position()
{
    if (flushRecord() < 0) return 0;
    const long count = recCount();
    if (count == 0 || m_recno < 1) return 0;
    if (eof()) return 1;
    if (!m_selected) return double(m_recno - 1) / double(count);
    if (!syncCursor()) return 0;
    double fraction = 0;
    std::string err;
    if (!m_selected->file().position(&fraction, &err)) error(e4index, err);
    return fraction;
}

} // namespace xbase
