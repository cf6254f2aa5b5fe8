#pragma once

// The engine handle: options that every open follows, the last error, and the open tables.
// No exception leaves the engine; callers read the error code and decide.

#include "Errors.h"
#include "PageCache.h"
#include "Table.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace xbase {

class Engine
{
public:
    Engine();
    ~Engine();

    bool autoOpen = true;     // open the group file's tags with the table
    int accessMode = 0;       // 1: exclusive (others may not write), 0: shared
    bool safety = true;       // false lets index creation replace existing files
    int optimize = 0;         // accepted for compatibility; reads are always buffered
    int optimizeWrite = 0;    // likewise for writes
    bool syncOnFlush = true;  // a flush waits until the data are on the disk

    int errorCode() const { return m_errorCode; }
    const std::string &errorText() const { return m_errorText; }
    // Returns the old code and sets a new one (0 clears it).
    int setErrorCode(int code);
    // Records an error and tells the error hook.
    int raise(int code, const std::string &text);
    // Called with every error raised; the program shows it to the user.
    std::function<void(int code, const std::string &text)> errorHook;
    // Called by exitNow(); the default ends the process.
    std::function<void()> exitHook;
    void exitNow();

    // The index pages of every open tag share this cache and its budget.
    PageCache &pageCache() { return m_pageCache; }

    Table *open(const std::string &name);
    int close(Table *table);
    int closeAll();
    const std::vector<std::unique_ptr<Table>> &tables() const { return m_tables; }

private:
    int m_errorCode = 0;
    std::string m_errorText;
    PageCache m_pageCache;  // before the tables: their tags give their pages back to it
    std::vector<std::unique_ptr<Table>> m_tables;
};

} // namespace xbase
