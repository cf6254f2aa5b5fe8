#pragma once

// Files as the engine sees them: positioned reads and writes on an open descriptor,
// an advisory lock for the access modes, and whole-file replacement by rename.
//
// Every operation returns false (or -1) on failure and leaves errno describing it;
// the engine turns that into an error code and a message.

#include <cstddef>
#include <cstdint>
#include <string>
#include <thread>

namespace xbase {

class File
{
public:
    enum class Mode { ReadOnly, ReadWrite, Create };
    enum class Lock { None, Shared, Exclusive };

    File() = default;
    ~File();
    File(const File &) = delete;
    File &operator=(const File &) = delete;
    File(File &&other) noexcept;
    File &operator=(File &&other) noexcept;

    // Create truncates or makes the file.
    bool open(const std::string &path, Mode mode);
    void close();
    bool isOpen() const { return m_fd >= 0; }
    const std::string &path() const { return m_path; }

    // Reads exactly n bytes at offset; false on an error or a short read.
    bool readAt(uint64_t offset, void *buf, size_t n) const;
    // Reads up to n bytes; returns the count read or -1.
    long long readSome(uint64_t offset, void *buf, size_t n) const;
    // Reads up to count * each consecutive bytes into count buffers of `each` bytes, in one
    // system call where it can; returns the count read or -1.
    long long readScattered(uint64_t offset, unsigned char *const *buffers, size_t count,
                            size_t each) const;
    bool writeAt(uint64_t offset, const void *buf, size_t n);
    long long size() const;
    bool truncate(uint64_t size);
    bool sync();
    // Asks the system to start writing these bytes to the disk now, without waiting. Bulk
    // writers call it as they go, so the disk works while they compute and their final
    // sync() has little left to wait for. A hint only: errors surface at sync().
    void startWriteback(uint64_t offset, uint64_t n);
    // Non-blocking advisory lock on the whole file; false when another holder conflicts.
    bool lock(Lock how);

private:
    int m_fd = -1;
    std::string m_path;
};

// Makes a file's data durable (fdatasync) on a thread of its own, so that the caller can go
// on with other work while the disk writes; wait() gives the outcome. When no thread can be
// started the sync is done at once, in the constructor. The destructor waits.
class BackgroundSync
{
public:
    explicit BackgroundSync(std::string path);
    ~BackgroundSync();
    BackgroundSync(const BackgroundSync &) = delete;
    BackgroundSync &operator=(const BackgroundSync &) = delete;
    // True when the file's data reached the disk; otherwise false with `error` set.
    bool wait(std::string *error);

private:
    void run();

    std::string m_path;
    std::thread m_thread;
    bool m_ok = false;
    int m_errno = 0;
};

namespace fs {
bool exists(const std::string &path);
bool remove(const std::string &path);
// Atomically replaces `to` by `from` and makes the rename durable.
bool replace(const std::string &from, const std::string &to);
// The directory part of a path ("." when there is none) and the file part.
std::string dirName(const std::string &path);
std::string baseName(const std::string &path);
// Finds `path` itself, or a file in the same directory whose name matches it without
// regard to case; empty when neither exists.
std::string findNoCase(const std::string &path);
std::string lastErrorText();
} // namespace fs

} // namespace xbase
