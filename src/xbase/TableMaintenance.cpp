// Whole-table work: pack, zap, memo compaction and index creation. Each writes its result
// beside the old file and renames it into place, so a crash leaves either the old or the new
// file, never a mixture.

#include "Engine.h"
#include "GroupFile.h"
#include "IndexBuilder.h"
#include "NumericText.h"
#include "Table.h"

#include <cstring>
#include <memory>
#include <strings.h>

namespace xbase {

namespace {

// Streams records into a new table file: header, records, end-of-file mark.
class TableWriter
{
public:
    TableWriter(const DbfFile &like, const std::string &path) : m_like(like), m_path(path) {}

    bool begin(std::string *error)
    {
        if (!m_file.open(m_path, File::Mode::Create)) return ioError(error);
        std::vector<unsigned char> h = m_like.headerBytes(0);
        m_at = h.size();
        return m_file.writeAt(0, h.data(), h.size()) || ioError(error);
    }
    bool add(const unsigned char *record, std::string *error)
    {
        const size_t rl = size_t(m_like.recordLength());
        m_buf.insert(m_buf.end(), record, record + rl);
        ++m_count;
        return m_buf.size() < (1u << 20) || drain(error);
    }
    // Writes the records, the end mark and the count. Callers make the file durable
    // (BackgroundSync) before they rename it into place.
    bool finish(std::string *error)
    {
        m_buf.push_back(0x1A);
        if (!drain(error)) return false;
        std::vector<unsigned char> h = m_like.headerBytes(m_count);
        if (!m_file.writeAt(0, h.data(), h.size())) return ioError(error);
        m_file.close();
        return true;
    }
    void abandon()
    {
        m_file.close();
        fs::remove(m_path);
    }

private:
    bool drain(std::string *error)
    {
        if (!m_file.writeAt(m_at, m_buf.data(), m_buf.size())) return ioError(error);
        m_at += m_buf.size();
        m_buf.clear();
        return true;
    }
    bool ioError(std::string *error)
    {
        *error = "cannot write " + m_path + ": " + fs::lastErrorText();
        return false;
    }

    const DbfFile &m_like;
    std::string m_path;
    File m_file;
    std::vector<unsigned char> m_buf;
    uint64_t m_at = 0;
    uint32_t m_count = 0;
};

using Syncs = std::vector<std::unique_ptr<BackgroundSync>>;

// Waits for every sync; false, with the first failure described in *error, if any failed.
bool waitForAll(Syncs &syncs, std::string *error)
{
    bool ok = true;
    for (auto &sync : syncs) {
        std::string why;
        if (!sync->wait(&why) && ok) {
            ok = false;
            *error = why;
        }
    }
    return ok;
}

} // namespace

template <class Keep> int Table::rewrite(Keep keep)
{
    // Pending changes are written first; they reach the disk on a thread of their own while
    // the new files are made, in time for the commit point (or for keeping the old table).
    int rc = writeOut(false);
    if (rc < 0) return rc;
    if (!writable()) return m_engine.errorCode();
    const std::string path = m_dbf.path();
    const std::string tmp = path + ".tmp";
    std::string err;
    Syncs syncs;
    if (m_engine.syncOnFlush) {
        syncs.push_back(std::make_unique<BackgroundSync>(path));
        if (m_memo) syncs.push_back(std::make_unique<BackgroundSync>(m_memo->path()));
        for (auto &t : m_tags)
            syncs.push_back(std::make_unique<BackgroundSync>(t->m_file->path()));
    }
    // The tags are rebuilt from scratch: their cached pages would only add to the memory the
    // sort of the new keys takes.
    for (auto &t : m_tags)
        if (!t->m_file->dropPages(&err)) return error(e4write, err);
    m_engine.pageCache().trim();
    TableWriter out(m_dbf, tmp);
    bool ok = out.begin(&err) &&
              m_dbf.scan(
                  1, m_dbf.recordCount(),
                  [&](uint32_t recno, const unsigned char *record) {
                      return !keep(recno, record) || out.add(record, &err);
                  },
                  &err) &&
              err.empty() && out.finish(&err);
    // The open tags are built from the new table before anything is renamed. The disk takes
    // each finished file while the next is built; all must be on it before the first rename.
    std::vector<std::string> tagPaths;
    if (ok) {
        syncs.push_back(std::make_unique<BackgroundSync>(tmp));
        DbfFile fresh;
        ok = fresh.open(tmp, true, &err);
        for (size_t i = 0; ok && i < m_tags.size(); ++i) {
            tagPaths.push_back(m_tags[i]->m_file->path());
            ok = buildIndex(fresh, m_tags[i]->m_expr, tagPaths.back() + ".tmp",
                            m_tags[i]->m_name, &err);
            if (ok) syncs.push_back(std::make_unique<BackgroundSync>(tagPaths.back() + ".tmp"));
        }
        fresh.close(&err);
    }
    std::string syncError;
    if (!waitForAll(syncs, &syncError) && ok) {
        ok = false;
        err = syncError;
    }
    if (!ok) {
        out.abandon();
        for (const auto &p : tagPaths) fs::remove(p + ".tmp");
        return error(e4write, err);
    }
    for (auto &t : m_tags) t->m_file->close(&err);
    // Commit point: the new table. Opening a table finishes what a crash interrupts after it.
    if (!fs::replace(tmp, path)) {
        fs::remove(tmp);
        for (const auto &p : tagPaths) fs::remove(p + ".tmp");
        return error(e4write, "cannot rename " + tmp + ": " + fs::lastErrorText());
    }
    for (const auto &p : tagPaths)
        if (!fs::replace(p + ".tmp", p))
            return error(e4write, "cannot rename " + p + ".tmp: " + fs::lastErrorText());
    m_dbf.close(&err);
    if (!m_dbf.open(path, false, &err)) return error(e4open, err);
    if (!m_dbf.file().lock(File::Lock::Exclusive))
        return error(e4lock, "table " + path + " was taken by another program during a pack");
    m_exclusive = true;
    for (size_t i = 0; i < m_tags.size(); ++i)
        if (!m_tags[i]->m_file->open(tagPaths[i], false, &err)) return error(e4index, err);
    m_recno = 0;
    m_loaded = false;
    for (auto &m : m_memoCache) m.reset();
    return top() < 0 ? m_engine.errorCode() : 0;
}

int Table::pack()
{
    return rewrite([](uint32_t, const unsigned char *record) {
        return record[0] != DbfFile::kDeleted;
    });
}

int Table::zap(long first, long count)
{
    if (first < 1) first = 1;
    if (count <= 0) return 0;
    const long last = first + count - 1;
    return rewrite([first, last](uint32_t recno, const unsigned char *) {
        return long(recno) < first || long(recno) > last;
    });
}

int Table::memoCompress()
{
    int rc = flush();
    if (rc < 0) return rc;
    if (!m_memo) return 0;
    if (!writable()) return m_engine.errorCode();
    const std::string dbfPath = m_dbf.path();
    const std::string dbtPath = m_memo->path();
    const std::string dbfTmp = dbfPath + ".tmp";
    const std::string dbtTmp = dbtPath + ".tmp";
    std::string err;
    MemoFile fresh;
    if (!MemoFile::create(dbtTmp, &err) || !fresh.open(dbtTmp, false, &err))
        return error(e4create, err);
    std::vector<int> memoFields;
    for (size_t i = 0; i < m_dbf.fields().size(); ++i)
        if (m_dbf.fields()[i].type == 'M') memoFields.push_back(int(i));
    TableWriter out(m_dbf, dbfTmp);
    std::vector<unsigned char> copy(size_t(m_dbf.recordLength()));
    bool ok = out.begin(&err) &&
              m_dbf.scan(
                  1, m_dbf.recordCount(),
                  [&](uint32_t, const unsigned char *record) {
                      std::memcpy(copy.data(), record, copy.size());
                      for (int i : memoFields) {
                          char *at = reinterpret_cast<char *>(copy.data()) +
                                     m_dbf.fields()[size_t(i)].offset;
                          const double block = parseNumeric(at, 10);
                          std::string text;
                          uint32_t newBlock = 0;
                          if (block > 0 &&
                              (!m_memo->read(uint32_t(block), &text, &err) ||
                               !fresh.write(0, text, &newBlock, &err)))
                              return false;
                          if (newBlock) formatNumeric(double(newBlock), 10, 0, at);
                          else std::memset(at, ' ', 10);
                      }
                      return out.add(copy.data(), &err);
                  },
                  &err) &&
              err.empty() && fresh.sync() && out.finish(&err) &&
              BackgroundSync(dbfTmp).wait(&err);
    fresh.close();
    if (!ok) {
        out.abandon();
        fs::remove(dbtTmp);
        return error(err.find("memo") != std::string::npos ? e4memo : e4write, err);
    }
    // The table's rename is the commit point; opening a table finishes an interrupted one.
    if (!fs::replace(dbfTmp, dbfPath)) {
        fs::remove(dbfTmp);
        fs::remove(dbtTmp);
        return error(e4write, "cannot rename " + dbfTmp + ": " + fs::lastErrorText());
    }
    if (!fs::replace(dbtTmp, dbtPath))
        return error(e4write, "cannot rename " + dbtTmp + ": " + fs::lastErrorText());
    m_dbf.close(&err);
    m_memo->close();
    if (!m_dbf.open(dbfPath, false, &err)) return error(e4open, err);
    if (!m_dbf.file().lock(File::Lock::Exclusive))
        return error(e4lock, "table " + dbfPath + " was taken by another program");
    m_exclusive = true;
    if (!m_memo->open(dbtPath, false, &err)) return error(e4memo, err);
    m_recno = 0;
    m_loaded = false;
    for (auto &m : m_memoCache) m.reset();
    return top() < 0 ? m_engine.errorCode() : 0;
}

bool Table::rebuildInterruptedTag(Tag &tag, const std::string &ntxPath, std::string *error)
{
    const std::string why = "index " + ntxPath + " was being changed when a program stopped";
    if (m_readOnly) {
        *error = why + " and cannot be rebuilt in a read-only table";
        return false;
    }
    if (!holdAlone()) {
        *error = why + "; it can be rebuilt only when no other program has the table open";
        return false;
    }
    std::string ignored;
    tag.m_file->close(&ignored);  // writes nothing: the file keeps its mark
    const std::string fresh = ntxPath + kIndexBuildSuffix;
    std::string cause;
    bool ok = buildIndex(m_dbf, tag.m_expr, fresh, tag.m_name, &cause) &&
              BackgroundSync(fresh).wait(&cause);
    if (ok && !fs::replace(fresh, ntxPath)) {
        ok = false;
        cause = "cannot rename " + fresh + ": " + fs::lastErrorText();
    }
    if (!ok) {
        fs::remove(fresh);
        *error = why + "; rebuilding it failed: " + cause;
        return false;
    }
    return tag.m_file->open(ntxPath, false, error);
}

int Table::createIndex(const std::string &group, const std::vector<TagSpec> &definitions)
{
    int rc = flush();
    if (rc < 0) return rc;
    if (!writable()) return m_engine.errorCode();
    if (definitions.empty()) return error(e4param, "an index needs at least one tag");
    const std::string dir = fs::dirName(m_dbf.path());
    std::vector<KeyExpression> exprs(definitions.size());
    std::vector<std::string> paths(definitions.size());
    std::string err;
    for (size_t i = 0; i < definitions.size(); ++i) {
        const std::string &name = definitions[i].name;
        if (name.empty() || name.size() > 10 || name.find_first_of("/.\\ ") != std::string::npos)
            return error(e4param, "\"" + name + "\" cannot name a tag");
        if (!exprs[i].parse(definitions[i].expression, m_dbf.fields(), &err)) return error(e4expr, err);
        const std::string wanted = dir + "/" + name + ".ntx";
        const std::string existing = fs::findNoCase(wanted);
        if (!existing.empty() && m_engine.safety)
            return error(e4exists, "index " + existing + " exists already");
        paths[i] = existing.empty() ? wanted : existing;
    }
    const std::string groupName = group.empty() ? fs::baseName(m_basePath) : group;
    const std::string cgpWanted = dir + "/" + groupName + ".cgp";
    const std::string cgpExisting = fs::findNoCase(cgpWanted);
    if (!cgpExisting.empty() && m_engine.safety)
        return error(e4exists, "group file " + cgpExisting + " exists already");
    // Tags of the same names that are open now are replaced.
    for (size_t i = 0; i < definitions.size(); ++i) {
        for (auto it = m_tags.begin(); it != m_tags.end(); ++it) {
            if (strcasecmp((*it)->m_name.c_str(), definitions[i].name.c_str()) != 0) continue;
            if (m_selected == it->get()) m_selected = nullptr;
            (*it)->m_file->close(&err);
            m_tags.erase(it);
            break;
        }
    }
    m_engine.pageCache().trim();
    // Every tag is built under a name of its own, ".new" (not ".tmp": opening a table renames
    // a ".tmp" tag into place, as a pack leaves it, and a build cut short must never be); the
    // disk takes each finished file while the next is built. Only when all are built and on
    // the disk is any renamed into place.
    std::vector<std::string> names;
    Syncs syncs;
    auto removeTemporaries = [&]() {
        syncs.clear();  // waits for every sync still running
        for (const std::string &p : paths) fs::remove(p + kIndexBuildSuffix);
    };
    for (size_t i = 0; i < definitions.size(); ++i) {
        const std::string tmp = paths[i] + kIndexBuildSuffix;
        if (!buildIndex(m_dbf, exprs[i], tmp, definitions[i].name, &err)) {
            removeTemporaries();
            return error(e4create, err);
        }
        syncs.push_back(std::make_unique<BackgroundSync>(tmp));
        names.push_back(definitions[i].name);
    }
    if (!waitForAll(syncs, &err)) {
        removeTemporaries();
        return error(e4create, err);
    }
    for (size_t i = 0; i < definitions.size(); ++i) {
        const std::string tmp = paths[i] + kIndexBuildSuffix;
        if (!fs::replace(tmp, paths[i])) {
            removeTemporaries();
            return error(e4create, "cannot rename " + tmp + ": " + fs::lastErrorText());
        }
    }
    if (!writeGroupFile(cgpExisting.empty() ? cgpWanted : cgpExisting, names, &err))
        return error(e4create, err);
    for (size_t i = 0; i < definitions.size(); ++i)
        if (!openTag(definitions[i].name, paths[i], &err)) return error(e4index, err);
    return 0;
}

} // namespace xbase
