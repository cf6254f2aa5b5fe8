#pragma once

// One open table: its .dbf, its memo file and its open tags, the current record and the
// selected order. Changes to the current record are kept in memory and written, with every
// open tag brought up to date, when the record is flushed, when the table moves to another
// record, and when it closes.
//
// Every operation that can fail records the error in the owning Engine and returns a negative
// error code (or nullptr / false); movement results are the r4* codes of Errors.h.

#include "DbfFile.h"
#include "KeyExpression.h"
#include "MemoFile.h"
#include "NtxFile.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace xbase {

class Engine;
class Table;

class Tag
{
public:
    const std::string &name() const { return m_name; }
    const KeyExpression &expression() const { return m_expr; }
    NtxFile &file() { return *m_file; }
    Table &table() { return *m_table; }

private:
    friend class Table;
    Table *m_table = nullptr;
    std::string m_name;
    KeyExpression m_expr;
    std::unique_ptr<NtxFile> m_file;
};

class Field
{
public:
    const FieldInfo &info() const;
    Table &table() { return *m_table; }
    int index() const { return m_index; }

private:
    friend class Table;
    Table *m_table = nullptr;
    int m_index = 0;
    std::string m_scratch;  // what f4str and f4memoStr hand out
};

struct TagSpec
{
    std::string name;
    std::string expression;
};

class Table
{
public:
    explicit Table(Engine &engine);
    ~Table();
    Table(const Table &) = delete;
    Table &operator=(const Table &) = delete;

    // `name` is the table's path without extension; the files are found without regard to
    // case. With automatic opening the group file's tags are opened too (all or nothing).
    bool open(const std::string &name);
    int close();
    Engine &engine() { return m_engine; }
    const std::string &name() const { return m_name; }
    const std::string &basePath() const { return m_basePath; }
    DbfFile &dbf() { return m_dbf; }

    // Orders
    Tag *tag(const std::string &name);  // case-insensitive; nullptr with an error
    void selectTag(Tag *tag);           // nullptr = record-number order
    Tag *selectedTag() const { return m_selected; }
    const std::vector<std::unique_ptr<Tag>> &tags() const { return m_tags; }

    // Movement
    int top();
    int bottom();
    int skip(long count);
    int seek(const char *key, int length);
    int go(long recno);
    long recNo() const { return m_recno; }
    long recCount() const { return long(m_dbf.recordCount()); }
    bool eof() const { return m_recno > long(m_dbf.recordCount()); }
    double position();
    // Records read from the .dbf so far (each load of a current record that was not already
    // in memory); benchmarks and tests use it to see what an operation reads.
    unsigned long long recordReads() const { return m_recordReads; }

    // Records
    int appendBlank();
    int flush();
    void setDeleted(bool deleted);
    bool deleted();
    int pack();
    int memoCompress();
    int zap(long first, long count);
    int createIndex(const std::string &group, const std::vector<TagSpec> &tags);

    // Fields
    Field *field(const std::string &name);
    const char *fieldText(Field &f);
    double fieldNumber(Field &f);
    bool fieldTrue(Field &f);
    const char *memoText(Field &f);
    int assignText(Field &f, const char *text, size_t length);
    int assignNumber(Field &f, double value);
    int assignMemo(Field &f, const char *text, size_t length);

private:
    friend class Field;
    int error(int code, const std::string &text);
    // The current record in memory; the common case (already there) is decided here.
    bool loadRecord() { return m_loaded || readCurrentRecord(); }
    bool readCurrentRecord();
    // Every move and read starts with these; the common case (nothing to write, the cursor
    // in place, a record the table has) is decided here without a call.
    int flushRecord() { return m_changed || m_appendPending ? writeRecord() : 0; }
    int writeRecord();
    // Writes the current record, buffered records and the tags' changed pages to the files,
    // and with `sync` waits until they are on the disk.
    int writeOut(bool sync);
    int moveTo(long recno);
    bool syncCursor()
    {
        const NtxFile &f = m_selected->file();
        return (f.positioned() && long(f.recno()) == m_recno) || placeCursor();
    }
    bool placeCursor();
    bool checkIndexRecno(uint32_t recno)
    {
        return (recno >= 1 && long(recno) <= recCount()) || badIndexRecno(recno);
    }
    bool badIndexRecno(uint32_t recno);
    bool openTags(std::string *error);
    bool openTag(const std::string &tagName, const std::string &ntxPath, std::string *error);
    // A tag whose file was being changed when a program stopped may be torn; the table holds
    // every flushed record, so the tag is built again from it (which needs the table to
    // ourselves).
    bool rebuildInterruptedTag(Tag &tag, const std::string &ntxPath, std::string *error);
    void closeTags();
    // May the table be written? Takes the exclusive lock first when it is not held yet.
    bool writable() { return (m_exclusive && !m_readOnly) || takeForWriting(); }
    bool takeForWriting();
    // Takes the exclusive lock unless it is held already; false, keeping the shared lock,
    // when another program has the table open.
    bool holdAlone();
    // Rewrites the table keeping the records for which keep() is true, with every open tag
    // rebuilt; all new files are renamed into place only when all are written.
    template <class Keep> int rewrite(Keep keep);

    Engine &m_engine;
    std::string m_name;
    std::string m_basePath;  // path without extension, as found on disk for the .dbf
    DbfFile m_dbf;
    std::unique_ptr<MemoFile> m_memo;
    std::vector<std::unique_ptr<Tag>> m_tags;
    std::vector<std::unique_ptr<Field>> m_fields;
    Tag *m_selected = nullptr;
    bool m_exclusive = false;   // holds the exclusive lock
    bool m_readOnly = false;

    long m_recno = 0;  // 0 = not positioned; count + 1 = end of file
    std::vector<unsigned char> m_record;    // the current record as changed
    std::vector<unsigned char> m_original;  // the current record as stored
    bool m_loaded = false;
    bool m_changed = false;
    bool m_appendPending = false;
    unsigned long long m_recordReads = 0;
    std::vector<std::optional<std::string>> m_memoPending;  // per field
    std::vector<std::optional<std::string>> m_memoCache;    // per field
    bool m_memoCached = false;  // some field of m_memoCache holds a text
};

inline const FieldInfo &Field::info() const { return m_table->m_dbf.fields()[size_t(m_index)]; }

} // namespace xbase
