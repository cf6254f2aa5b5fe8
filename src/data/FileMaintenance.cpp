#include "FileMaintenance.h"

#include "DataStore.h"
#include "Maintenance.h"
#include "core/Prompts.h"
#include "core/Status.h"
#include "xbase/File.h"

#include <QDir>
#include <QFileInfo>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <vector>

namespace data {

namespace {

struct CopyStep
{
    const char *name;
    int progressAfter; // 0: none
};

// The data files in the order they are copied. The settings and import format tables and the
// index and group files stay behind: the indexes are rebuilt after a restore.
const std::vector<CopyStep> kCopySteps = {
    {"CUST6.dbf", 20},  {"CUST6.dbt", 30},  {"GROUPS.dbf", 35}, {"INV7.dbf", 45},
    {"INV7.dbt", 55},   {"ITM5.dbf", 65},   {"Est.dbf", 70},    {"Est.dbt", 75},
    {"EstItm.dbf", 80}, {"LABELS.dbf", 85}, {"PMT.dbf", 90},    {"Pur5.dbf", 95},
    {"Prod5.dbf", 100}, {"Prod5.dbt", 0},
};

struct EraseStep
{
    TableId table;
    int progressAfterEmptying; // memo tables only; 0 for the others
    int progressAfterClosing;
};

// The tables erase empties, in order. Memo files are compacted for the tables that have one.
const std::vector<EraseStep> kEraseSteps = {
    {TableId::CUST6, 15, 30}, {TableId::GROUPS, 0, 40}, {TableId::INV7, 50, 60},
    {TableId::ITM5, 0, 70},   {TableId::PMT, 0, 85},    {TableId::Prod5, 90, 95},
    {TableId::Pur5, 0, 100},
};

// The directory as chosen, trimmed, without a trailing separator (except the root itself).
QString withoutSeparator(const QString &directory)
{
    QString d = directory.trimmed();
    while (d.size() > 1 && d.endsWith(QLatin1Char('/')))
        d.chop(1);
    return d;
}

QString withSeparator(const QString &directory)
{
    QString d = directory.trimmed();
    if (!d.endsWith(QLatin1Char('/'))) d += QLatin1Char('/');
    return d;
}

// The same directory, also when reached through a link or a "..": copying the data files
// onto themselves is refused however the directory was spelled.
bool sameDirectory(const QString &a, const QString &b)
{
    if (withoutSeparator(a) == withoutSeparator(b)) return true;
    const QString ca = QFileInfo(withoutSeparator(a)).canonicalFilePath();
    return !ca.isEmpty() && ca == QFileInfo(withoutSeparator(b)).canonicalFilePath();
}

std::string local(const QString &path)
{
    return QFile::encodeName(path).toStdString();
}

// An open descriptor, closed when it goes away.
class Fd
{
public:
    explicit Fd(int fd) : m_fd(fd) {}
    ~Fd()
    {
        if (m_fd >= 0) ::close(m_fd);
    }
    Fd(const Fd &) = delete;
    Fd &operator=(const Fd &) = delete;
    int get() const { return m_fd; }
    // Closes now and reports the error close gives (some file systems report a full disk
    // only there).
    int close()
    {
        const int rc = ::close(m_fd);
        m_fd = -1;
        return rc == 0 ? 0 : errno;
    }

private:
    int m_fd;
};

bool writeAll(int fd, const char *data, size_t n)
{
    while (n > 0) {
        const ssize_t w = ::write(fd, data, n);
        if (w < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        data += w;
        n -= size_t(w);
    }
    return true;
}

// Writes the file and reports the first failure; `temporary` is left for the caller to remove.
CopyError copyInto(const std::string &from, const std::string &temporary)
{
    Fd in(::open(from.c_str(), O_RDONLY | O_CLOEXEC));
    if (in.get() < 0) return {errno, false};
    struct stat st;
    if (::fstat(in.get(), &st) != 0) return {errno, false};
    Fd out(::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600));
    if (out.get() < 0) return {errno, true};
    std::vector<char> buffer(64 * 1024);
    for (;;) {
        const ssize_t r = ::read(in.get(), buffer.data(), buffer.size());
        if (r < 0) {
            if (errno == EINTR) continue;
            return {errno, false};
        }
        if (r == 0) break;
        if (!writeAll(out.get(), buffer.data(), size_t(r))) return {errno, true};
    }
    if (::fsync(out.get()) != 0) return {errno, true};
    if (::fchmod(out.get(), st.st_mode & 07777) != 0) return {errno, true};
    if (const int e = out.close()) return {e, true};
    return {};
}

bool diskFull(int error)
{
    return error == ENOSPC || error == EDQUOT;
}
bool writeProtected(int error)
{
    return error == EROFS || error == EACCES || error == EPERM;
}

} // namespace

bool RemovableDisks::contains(const QString &directory) const
{
    const QString d = QDir::cleanPath(withoutSeparator(directory));
    for (const QString &root : roots) {
        const QString r = QDir::cleanPath(root);
        const QString prefix = r.endsWith(QLatin1Char('/')) ? r : r + QLatin1Char('/');
        if (d.startsWith(prefix) && d.size() > prefix.size()) return true;
    }
    return false;
}

CopyError CopyFileSafely(const QString &from, const QString &to)
{
    const std::string target = local(to);
    const std::string temporary = target + ".part";
    CopyError result = copyInto(local(from), temporary);
    if (!result.error && !xbase::fs::replace(temporary, target)) result = {errno, true};
    if (result.error) ::unlink(temporary.c_str());
    return result;
}

bool CopyDataFile(DataStore &store, CopyDirection direction, const QString &directory,
                  const QString &name, const RemovableDisks &removable)
{
    core::Prompts &prompts = store.prompts();
    const bool backup = direction == CopyDirection::Backup;
    const QString there = withSeparator(directory) + name;
    const QString here = store.directory() + QLatin1Char('/') + name;
    const QString source = backup ? here : there;
    QString destination = backup ? there : here;

    // The source and an existing destination are found without regard to case, as the engine
    // opens tables: a backup written on another system may have changed the case of the names,
    // and a file replaced under another spelling would leave the old one to be opened.
    std::string found;
    while ((found = xbase::fs::findNoCase(local(source))).empty()) {
        if (!backup && removable.contains(directory)) {
            if (!prompts.confirmOkCancel(QStringLiteral("Insert disk containing ") + name))
                return false;
            continue;
        }
        prompts.information(QStringLiteral("Unable to find ") + source +
                            QStringLiteral("\r\nFunction Aborted"));
        return false;
    }
    const std::string existing = xbase::fs::findNoCase(local(destination));
    if (!existing.empty()) destination = QFile::decodeName(existing.c_str());

    for (;;) {
        const CopyError e = CopyFileSafely(QFile::decodeName(found.c_str()), destination);
        if (!e.error) break;
        if (!backup || !e.atTarget) return false;
        // The user may put another disk in the drive; the same file goes again to the same path.
        if (diskFull(e.error)) {
            if (!prompts.confirmOkCancel(QStringLiteral("Disk Full. Insert another disk.") + name))
                return false;
        } else if (writeProtected(e.error)) {
            if (!prompts.confirmOkCancel(QStringLiteral("Disk is Write Protected"))) return false;
        } else {
            return false;
        }
    }

    if (!backup) {
        // A backup read from a read-only medium carries read-only files; the program writes
        // its tables in place.
        struct stat st;
        const std::string path = local(destination);
        if (::stat(path.c_str(), &st) == 0 && !(st.st_mode & S_IWUSR))
            ::chmod(path.c_str(), (st.st_mode & 07777) | S_IWUSR);
    }
    return true;
}

bool CopyDataFiles(DataStore &store, core::StatusSink &status, CopyDirection direction,
                   const QString &directory, const RemovableDisks &removable)
{
    core::ShowStatus(status, QStringLiteral("Copying Data Files"));
    core::ShowProgress(status, 10);
    for (const CopyStep &step : kCopySteps) {
        if (!CopyDataFile(store, direction, directory, QLatin1String(step.name), removable))
            return false;
        if (step.progressAfter) core::ShowProgress(status, step.progressAfter);
    }
    return true;
}

bool Backup(DataStore &store, core::StatusSink &status, const QString &directory)
{
    if (directory.isEmpty()) return false;
    if (sameDirectory(directory, store.directory())) {
        store.prompts().information(
            QStringLiteral("Backup must be to a different drive and/or directory"));
        return false;
    }
    const bool ok = CopyDataFiles(store, status, CopyDirection::Backup, directory);
    if (!ok)
        store.prompts().information(
            QStringLiteral("Backup Failed . . Check that disk is not write protected"));
    core::ShowStatus(status, QString());
    return ok;
}

bool Restore(DataStore &store, core::StatusSink &status, const QString &directory,
             const RemovableDisks &removable)
{
    if (directory.isEmpty()) return false;
    if (sameDirectory(directory, store.directory())) {
        store.prompts().information(
            QStringLiteral("Restore must be from a different drive and/or directory"));
        return false;
    }
    const bool ok = CopyDataFiles(store, status, CopyDirection::Restore, directory, removable);
    if (!ok)
        store.prompts().information(
            QStringLiteral("Restore Failed . . Check that your disk is not full."));
    core::ShowStatus(status, QString());
    // The index files on disk describe the tables as they were before; whatever was copied,
    // they are made to match what is there now.
    RebuildIndexes(store, status, false);
    return ok;
}

bool EraseAllData(DataStore &store, core::StatusSink &status)
{
    if (!store.prompts().warningOkCancel(
            QStringLiteral("WARNING: You are about to erase all of your existing data."),
            QStringLiteral("Warning")))
        return false;
    CODE4 *c = store.engine();
    code4accessMode(c, 1);
    core::ShowStatus(status, QStringLiteral("Erasing Data Files"));
    core::ShowProgress(status, 5);
    bool ok = true;
    for (const EraseStep &step : kEraseSteps) {
        // A table that cannot be opened has ended the program (the engine's message shown);
        // nothing further is touched.
        if (!store.open(step.table)) {
            ok = false;
            break;
        }
        DATA4 *d = store.data(step.table);
        const int rc = d4zap(d, 1, d4recCountDo(d));
        if (rc < 0) ok = false;
        if (tableDef(step.table).hasMemo()) {
            if (rc == 0) d4memoCompress(d);
            core::ShowProgress(status, step.progressAfterEmptying);
        }
        store.closeAll();
        core::ShowProgress(status, step.progressAfterClosing);
    }
    code4errorCode(c, 0);
    code4accessMode(c, 0);
    core::ShowStatus(status, QString());
    return ok;
}

} // namespace data
