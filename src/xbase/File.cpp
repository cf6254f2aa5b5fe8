#include "File.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <strings.h>
#include <system_error>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace xbase {

File::~File() { close(); }

File::File(File &&other) noexcept : m_fd(other.m_fd), m_path(std::move(other.m_path))
{
    other.m_fd = -1;
}

File &File::operator=(File &&other) noexcept
{
    if (this != &other) {
        close();
        m_fd = other.m_fd;
        m_path = std::move(other.m_path);
        other.m_fd = -1;
    }
    return *this;
}

bool File::open(const std::string &path, Mode mode)
{
    close();
    int flags = O_CLOEXEC;
    switch (mode) {
    case Mode::ReadOnly: flags |= O_RDONLY; break;
    case Mode::ReadWrite: flags |= O_RDWR; break;
    case Mode::Create: flags |= O_RDWR | O_CREAT | O_TRUNC; break;
    }
    int fd;
    do {
        fd = ::open(path.c_str(), flags, 0644);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) return false;
    struct stat st;
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        errno = EISDIR;
        return false;
    }
    m_fd = fd;
    m_path = path;
    return true;
}

void File::close()
{
    if (m_fd >= 0) ::close(m_fd);
    m_fd = -1;
}

long long File::readSome(uint64_t offset, void *buf, size_t n) const
{
    size_t done = 0;
    auto *p = static_cast<char *>(buf);
    while (done < n) {
        ssize_t r = ::pread(m_fd, p + done, n - done, off_t(offset + done));
        if (r < 0) {
            if (errno == EINTR) continue;
            return -1;
        }
        if (r == 0) break;
        done += size_t(r);
    }
    return (long long)done;
}

long long File::readScattered(uint64_t offset, unsigned char *const *buffers, size_t count,
                              size_t each) const
{
    std::vector<iovec> io(count);
    for (size_t i = 0; i < count; ++i) io[i] = {buffers[i], each};
    const size_t total = count * each;
    size_t done = 0;
    while (done < total) {
        // Skip the buffers already filled; a partial one is resumed where it stopped.
        const size_t first = done / each;
        io[first].iov_base = buffers[first] + done % each;
        io[first].iov_len = each - done % each;
        ssize_t r = ::preadv(m_fd, io.data() + first, int(std::min<size_t>(count - first, IOV_MAX)),
                             off_t(offset + done));
        if (r < 0) {
            if (errno == EINTR) continue;
            return -1;
        }
        if (r == 0) break;
        done += size_t(r);
    }
    return (long long)done;
}

bool File::readAt(uint64_t offset, void *buf, size_t n) const
{
    long long r = readSome(offset, buf, n);
    if (r < 0) return false;
    if (size_t(r) != n) {
        errno = EIO;
        return false;
    }
    return true;
}

bool File::writeAt(uint64_t offset, const void *buf, size_t n)
{
    size_t done = 0;
    auto *p = static_cast<const char *>(buf);
    while (done < n) {
        ssize_t r = ::pwrite(m_fd, p + done, n - done, off_t(offset + done));
        if (r < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        if (r == 0) {
            errno = ENOSPC;
            return false;
        }
        done += size_t(r);
    }
    return true;
}

long long File::size() const
{
    struct stat st;
    if (fstat(m_fd, &st) != 0) return -1;
    return st.st_size;
}

bool File::truncate(uint64_t size) { return ::ftruncate(m_fd, off_t(size)) == 0; }

bool File::sync() { return ::fdatasync(m_fd) == 0; }

BackgroundSync::BackgroundSync(std::string path) : m_path(std::move(path))
{
    try {
        m_thread = std::thread([this] { run(); });
    } catch (const std::system_error &) {
        run();  // no thread to be had: sync here and now
    }
}

BackgroundSync::~BackgroundSync()
{
    if (m_thread.joinable()) m_thread.join();
}

void BackgroundSync::run()
{
    File f;
    m_ok = f.open(m_path, File::Mode::ReadOnly) && f.sync();
    m_errno = m_ok ? 0 : errno;
}

bool BackgroundSync::wait(std::string *error)
{
    if (m_thread.joinable()) m_thread.join();
    if (!m_ok) {
        errno = m_errno;
        *error = "cannot write " + m_path + " to the disk: " + fs::lastErrorText();
    }
    return m_ok;
}

void File::startWriteback(uint64_t offset, uint64_t n)
{
    if (m_fd >= 0 && n > 0) ::sync_file_range(m_fd, off64_t(offset), off64_t(n), SYNC_FILE_RANGE_WRITE);
}

bool File::lock(Lock how)
{
    int op = LOCK_UN;
    if (how == Lock::Shared) op = LOCK_SH | LOCK_NB;
    if (how == Lock::Exclusive) op = LOCK_EX | LOCK_NB;
    int r;
    do {
        r = ::flock(m_fd, op);
    } while (r != 0 && errno == EINTR);
    return r == 0;
}

namespace fs {

bool exists(const std::string &path)
{
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool remove(const std::string &path) { return ::unlink(path.c_str()) == 0 || errno == ENOENT; }

std::string dirName(const std::string &path)
{
    auto slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

std::string baseName(const std::string &path)
{
    auto slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool replace(const std::string &from, const std::string &to)
{
    if (::rename(from.c_str(), to.c_str()) != 0) return false;
    // Make the new directory entry durable as well as the file's contents.
    int dfd = ::open(dirName(to).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dfd >= 0) {
        ::fsync(dfd);
        ::close(dfd);
    }
    return true;
}

std::string findNoCase(const std::string &path)
{
    if (exists(path)) return path;
    std::string dir = dirName(path);
    std::string name = baseName(path);
    DIR *d = ::opendir(dir.c_str());
    if (!d) return {};
    std::string found;
    while (dirent *e = ::readdir(d)) {
        if (::strcasecmp(e->d_name, name.c_str()) == 0) {
            std::string candidate = (path.find('/') == std::string::npos ? std::string() : dir + "/") +
                                    e->d_name;
            if (exists(candidate)) {
                found = candidate;
                break;
            }
        }
    }
    ::closedir(d);
    return found;
}

std::string lastErrorText() { return std::strerror(errno); }

} // namespace fs
} // namespace xbase
