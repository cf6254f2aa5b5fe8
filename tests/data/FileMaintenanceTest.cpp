// Backup, restore and erase over the supplied tables. The full and write-protected disks are
// real: a small tmpfs, a read-only bind mount and an immutable directory give the copy the
// system's own ENOSPC, EROFS and EPERM. Mounting needs root; where it is refused those tests
// are skipped and say why.

#include "DataFixture.h"

#include "core/Status.h"
#include "data/FileMaintenance.h"

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <functional>
#include <iostream>
#include <set>
#include <sstream>

namespace {

using data::TableId;
namespace fs = std::filesystem;

const std::vector<std::string> kCopied = {
    "CUST6.dbf", "CUST6.dbt",  "GROUPS.dbf", "INV7.dbf", "INV7.dbt", "ITM5.dbf",  "Est.dbf",
    "Est.dbt",   "EstItm.dbf", "LABELS.dbf", "PMT.dbf",  "Pur5.dbf", "Prod5.dbf", "Prod5.dbt"};
const QList<int> kCopyProgress = {10, 20, 30, 35, 45, 55, 65, 70, 75, 80, 85, 90, 95, 100};

std::string contents(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

std::set<std::string> names(const std::string &dir)
{
    std::set<std::string> out;
    for (auto &e : fs::directory_iterator(dir))
        out.insert(e.path().filename().string());
    return out;
}

// Prompts whose OK/Cancel answers come from the test as the question is asked, so the test
// can change the disk before the program tries again.
class HookedPrompts final : public core::Prompts
{
public:
    std::function<bool(const QString &)> onOkCancel = [](const QString &) { return false; };
    QStringList shown;

    void information(const QString &text, const QString &) override
    {
        shown.append(QStringLiteral("information: ") + text);
    }
    void warning(const QString &text, const QString &) override
    {
        shown.append(QStringLiteral("warning: ") + text);
    }
    bool confirmOkCancel(const QString &text, const QString &) override
    {
        shown.append(QStringLiteral("okcancel: ") + text);
        return onOkCancel(text);
    }
    bool warningOkCancel(const QString &text, const QString &) override
    {
        shown.append(QStringLiteral("warnokcancel: ") + text);
        return onOkCancel(text);
    }
    bool confirmYesNo(const QString &, const QString &) override { return false; }
    bool askText(const QString &, QString *, const QString &) override { return false; }
    QString openFile(const QString &, const QString &, const QString &) override { return {}; }
    QString saveFile(const QString &, const QString &, const QString &) override { return {}; }
    QString chooseDirectory(const QString &, const QString &) override { return {}; }
};

// Mounts stacked on one directory, all taken off again when the object goes away.
class Mounts
{
public:
    explicit Mounts(std::string point) : m_point(std::move(point)) {}
    ~Mounts()
    {
        while (m_count-- > 0)
            ::umount2(m_point.c_str(), MNT_DETACH);
    }
    // A tmpfs of `bytes` over whatever is mounted there; the errno when refused.
    int tmpfs(size_t bytes)
    {
        const std::string options = "size=" + std::to_string(bytes);
        if (::mount("tmpfs", m_point.c_str(), "tmpfs", 0, options.c_str()) != 0) return errno;
        ++m_count;
        return 0;
    }
    int bindReadOnly()
    {
        if (::mount(m_point.c_str(), m_point.c_str(), nullptr, MS_BIND, nullptr) != 0) return errno;
        ++m_count;
        return remount(true);
    }
    int remount(bool readOnly)
    {
        const unsigned long flags = MS_REMOUNT | MS_BIND | (readOnly ? MS_RDONLY : 0);
        return ::mount(nullptr, m_point.c_str(), nullptr, flags, nullptr) == 0 ? 0 : errno;
    }

private:
    std::string m_point;
    int m_count = 0;
};

// The immutable flag on a directory: nobody, root included, may create files in it.
int setImmutable(const std::string &dir, bool on)
{
    const int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY);
    if (fd < 0) return errno;
    int flags = 0;
    int rc = ::ioctl(fd, FS_IOC_GETFLAGS, &flags);
    if (rc == 0) {
        flags = on ? flags | FS_IMMUTABLE_FL : flags & ~FS_IMMUTABLE_FL;
        rc = ::ioctl(fd, FS_IOC_SETFLAGS, &flags);
    }
    const int e = rc == 0 ? 0 : errno;
    ::close(fd);
    return e;
}

class FileMaintenanceTest : public DataFixture
{
protected:
    // Records with memo text where the table has a memo field, so the copies carry data.
    void addRecords(TableId id, int n)
    {
        const data::TableDef &def = data::tableDef(id);
        int memo = -1;
        for (size_t i = 0; i < def.fields.size(); ++i)
            if (def.fields[i].type == 'M') memo = int(i);
        ASSERT_TRUE(store->open(id));
        DATA4 *d = store->data(id);
        for (int i = 1; i <= n; ++i) {
            ASSERT_EQ(d4appendBlank(d), 0);
            f4assignInt(store->field(id, 0), i);
            if (memo >= 0) {
                const std::string text(600 + i, char('a' + i % 26));
                f4memoAssign(store->field(id, memo), text.c_str());
            }
        }
        store->closeAll();
    }
    void addToAll(int n)
    {
        for (TableId id : {TableId::CUST6, TableId::GROUPS, TableId::INV7, TableId::ITM5,
                           TableId::PMT, TableId::Prod5, TableId::Pur5, TableId::Est,
                           TableId::EstItm, TableId::LABELS, TableId::ImportF})
            ASSERT_NO_FATAL_FAILURE(addRecords(id, n));
    }
    long count(TableId id)
    {
        EXPECT_TRUE(store->open(id));
        const long n = d4recCountDo(store->data(id));
        store->closeAll();
        return n;
    }
    void expectCopiesOfWorkingFiles(const std::string &target, size_t howMany = kCopied.size())
    {
        for (size_t i = 0; i < howMany; ++i)
            EXPECT_EQ(contents(target + "/" + kCopied[i]), contents(file(kCopied[i].c_str())))
                << kCopied[i];
    }
    // A second store over the same data directory whose OK/Cancel questions the test answers.
    data::DataStore &hookedStore(std::function<bool(const QString &)> answer)
    {
        hooked.onOkCancel = std::move(answer);
        other = std::make_unique<data::DataStore>(QString::fromStdString(dir.path()), hooked,
                                                  [this] { ++exits; });
        other->startEngine();
        return *other;
    }

    core::RecordingStatus status;
    HookedPrompts hooked;
    std::unique_ptr<data::DataStore> other;
};

TEST_F(FileMaintenanceTest, BackupToTheWorkingDirectoryIsRefused)
{
    const QString here = QString::fromStdString(dir.path());
    for (const QString &chosen : QStringList{here, here + "/", "  " + here + "/ "}) {
        prompts.clear();
        EXPECT_FALSE(data::Backup(*store, status, chosen));
        EXPECT_EQ(prompts.shown(),
                  QStringList{"information: Backup must be to a different drive and/or directory"})
            << chosen.toStdString();
    }
    prompts.clear();
    EXPECT_FALSE(data::Restore(*store, status, here + "/"));
    EXPECT_EQ(prompts.shown(),
              QStringList{"information: Restore must be from a different drive and/or directory"});
    // Cancelled in the chooser: nothing at all.
    prompts.clear();
    EXPECT_FALSE(data::Backup(*store, status, QString()));
    EXPECT_FALSE(data::Restore(*store, status, QString()));
    EXPECT_TRUE(prompts.shown().isEmpty());
    EXPECT_TRUE(status.events().isEmpty());
}

TEST_F(FileMaintenanceTest, BackupWritesTheFourteenDataFilesWithOrWithoutSeparator)
{
    ASSERT_NO_FATAL_FAILURE(addToAll(3));
    for (const char *separator : {"", "/"}) {
        testsupport::TempDir target;
        status.clear();
        EXPECT_TRUE(
            data::Backup(*store, status, QString::fromStdString(target.path()) + separator));
        EXPECT_EQ(names(target.path()), std::set<std::string>(kCopied.begin(), kCopied.end()))
            << "separator '" << separator << "'";
        expectCopiesOfWorkingFiles(target.path());
        EXPECT_EQ(status.percentages(), kCopyProgress);
        EXPECT_EQ(status.log().first(), "status:Copying Data Files");
        EXPECT_EQ(status.log().last(), "status:");
    }
    EXPECT_TRUE(prompts.shown().isEmpty()) << prompts.shown().join(" | ").toStdString();
}

TEST_F(FileMaintenanceTest, BackupReplacesAnOlderBackupWhateverTheCaseOfItsNames)
{
    testsupport::TempDir target;
    std::ofstream(target.file("cust6.DBT")) << "an older backup";
    std::ofstream(target.file("ITM5.dbf.part")) << "left by a copy that was cut short";
    ASSERT_NO_FATAL_FAILURE(addRecords(TableId::CUST6, 2));
    EXPECT_TRUE(data::Backup(*store, status, QString::fromStdString(target.path())));
    EXPECT_EQ(contents(target.file("cust6.DBT")), contents(file("CUST6.dbt")));
    EXPECT_FALSE(fs::exists(target.file("CUST6.dbt")));
    EXPECT_FALSE(fs::exists(target.file("ITM5.dbf.part")));
}

TEST_F(FileMaintenanceTest, BackupOfAMissingWorkingFileFailsNamingIt)
{
    testsupport::TempDir target;
    fs::remove(file("Est.dbf"));
    EXPECT_FALSE(data::Backup(*store, status, QString::fromStdString(target.path())));
    EXPECT_EQ(
        prompts.shown(),
        (QStringList{"information: Unable to find " + QString::fromStdString(file("Est.dbf")) +
                         "\r\nFunction Aborted",
                     "information: Backup Failed . . Check that disk is not write protected"}));
    EXPECT_EQ(status.percentages(), kCopyProgress.mid(0, 7));
    EXPECT_EQ(status.text(), "");
    // The six files before it stay in the target.
    EXPECT_EQ(names(target.path()).size(), 6u);
    expectCopiesOfWorkingFiles(target.path(), 6);
}

TEST_F(FileMaintenanceTest, BackupIntoAMissingDirectoryFailsWithoutAskingForADisk)
{
    testsupport::TempDir parent;
    EXPECT_FALSE(data::Backup(*store, status, QString::fromStdString(parent.file("none"))));
    EXPECT_EQ(prompts.shown(),
              QStringList{"information: Backup Failed . . Check that disk is not write protected"});
    EXPECT_EQ(status.percentages(), QList<int>{10});
}

TEST_F(FileMaintenanceTest, RestoreStopsAtTheFirstMissingFileAndRebuildsTheIndexes)
{
    testsupport::TempDir backup;
    ASSERT_NO_FATAL_FAILURE(addToAll(2));
    ASSERT_TRUE(data::Backup(*store, status, QString::fromStdString(backup.path())));
    fs::remove(backup.file("Est.dbt"));
    // Work done since the backup: the restore takes back the first seven files only.
    ASSERT_NO_FATAL_FAILURE(addRecords(TableId::CUST6, 3));
    ASSERT_NO_FATAL_FAILURE(addRecords(TableId::EstItm, 3));
    const std::string estItmNow = contents(file("EstItm.dbf"));
    status.clear();

    EXPECT_FALSE(data::Restore(*store, status, QString::fromStdString(backup.path())));
    const QString missing = QString::fromStdString(backup.path()) + "/Est.dbt";
    EXPECT_EQ(prompts.shown(),
              (QStringList{"information: Unable to find " + missing + "\r\nFunction Aborted",
                           "information: Restore Failed . . Check that your disk is not full."}));
    for (size_t i = 0; i < 7; ++i)
        EXPECT_EQ(contents(file(kCopied[i].c_str())), contents(backup.file(kCopied[i])))
            << kCopied[i];
    EXPECT_EQ(contents(file("EstItm.dbf")), estItmNow);

    QStringList expected = {"status:Copying Data Files"};
    for (int p : kCopyProgress.mid(0, 8))
        expected << QString("progress:%1").arg(p);
    expected << "status:"
             << "status:Rebuilding Indexes";
    for (int p : {5, 25, 30, 35, 40, 60, 80, 85, 90, 99, 100})
        expected << QString("progress:%1").arg(p);
    expected << "status:Done";
    EXPECT_EQ(status.log(), expected);
    // The rebuilt indexes hold the restored customers, not the ones added since.
    ASSERT_TRUE(store->OpenCUST6());
    DATA4 *d = store->data(TableId::CUST6);
    long inOrder = 0;
    for (int rc = d4top(d); rc == 0; rc = d4skip(d, 1))
        ++inOrder;
    store->closeAll();
    EXPECT_EQ(inOrder, 2);
}

TEST_F(FileMaintenanceTest, RestoreOfReadOnlyFilesLeavesWritableFiles)
{
    testsupport::TempDir backup;
    ASSERT_NO_FATAL_FAILURE(addToAll(1));
    ASSERT_TRUE(data::Backup(*store, status, QString::fromStdString(backup.path())));
    for (const std::string &name : kCopied)
        ::chmod(backup.file(name).c_str(), 0444);

    EXPECT_TRUE(data::Restore(*store, status, QString::fromStdString(backup.path())));
    EXPECT_TRUE(prompts.shown().isEmpty()) << prompts.shown().join(" | ").toStdString();
    for (const std::string &name : kCopied) {
        struct stat here, there;
        ASSERT_EQ(::stat(file(name.c_str()).c_str(), &here), 0) << name;
        ASSERT_EQ(::stat(backup.file(name).c_str(), &there), 0) << name;
        // Checked on the mode bits: the tests run as root, who may write anything.
        EXPECT_TRUE(here.st_mode & S_IWUSR) << name;
        EXPECT_EQ(there.st_mode & 0777, 0444u) << name << ": the backup itself is left alone";
    }
    EXPECT_EQ(count(TableId::Prod5), 1);
}

TEST_F(FileMaintenanceTest, RestoreFromARemovableDiskAsksForTheDiskHoldingEachFile)
{
    testsupport::TempDir media;
    const std::string disk = media.file("usb");
    fs::create_directory(disk);
    ASSERT_TRUE(data::Backup(*store, status, QString::fromStdString(disk)));
    const std::string held = media.file("CUST6.dbt");
    fs::rename(disk + "/CUST6.dbt", held); // on another disk for now
    const data::RemovableDisks removable{{QString::fromStdString(media.path())}};

    // Cancel gives up.
    data::DataStore &s = hookedStore([](const QString &) { return false; });
    EXPECT_FALSE(data::Restore(s, status, QString::fromStdString(disk), removable));
    EXPECT_EQ(hooked.shown,
              (QStringList{"okcancel: Insert disk containing CUST6.dbt",
                           "information: Restore Failed . . Check that your disk is not full."}));

    // OK looks again: once with the disk still missing, then with it in place.
    int asked = 0;
    hooked.shown.clear();
    hooked.onOkCancel = [&](const QString &) {
        if (++asked == 2) fs::rename(held, disk + "/CUST6.dbt");
        return true;
    };
    EXPECT_TRUE(data::Restore(s, status, QString::fromStdString(disk), removable));
    EXPECT_EQ(hooked.shown, (QStringList{"okcancel: Insert disk containing CUST6.dbt",
                                         "okcancel: Insert disk containing CUST6.dbt"}));
    other->closeAll();
}

TEST_F(FileMaintenanceTest, RemovableDisksAreTheDirectoriesBelowTheMountPlaces)
{
    const data::RemovableDisks standard;
    const struct
    {
        const char *directory;
        bool removable;
    } cases[] = {
        {"/media/usb", true},
        {"/media/root/STICK/", true},
        {"/mnt/backup", true},
        {"/run/media/ann/CD", true},
        {"/media", false},
        {"/mnt/", false},
        {"/mediaplayer/x", false},
        {"/home/ann/media", false},
        {"/", false},
    };
    for (const auto &c : cases)
        EXPECT_EQ(standard.contains(QString::fromLatin1(c.directory)), c.removable) << c.directory;
}

// A disk too small for the backup: the file that does not fit goes whole onto the next disk,
// and the files before it stay on the first.
TEST_F(FileMaintenanceTest, BackupAsksForAnotherDiskWhenTheDiskIsFull)
{
    testsupport::TempDir target;
    Mounts mounts(target.path());
    // Four pages: the first four data files (each under a page) fit, INV7.dbt does not.
    if (const int e = mounts.tmpfs(4 * 4096))
        GTEST_SKIP() << "cannot mount a tmpfs here: " << std::strerror(e);
    std::set<std::string> firstDisk;
    data::DataStore &s = hookedStore([&](const QString &) {
        firstDisk = names(target.path());
        return mounts.tmpfs(1 << 20) == 0; // the next, larger disk
    });
    EXPECT_TRUE(data::Backup(s, status, QString::fromStdString(target.path())));
    EXPECT_EQ(hooked.shown, QStringList{"okcancel: Disk Full. Insert another disk.INV7.dbt"});
    EXPECT_EQ(firstDisk,
              (std::set<std::string>{"CUST6.dbf", "CUST6.dbt", "GROUPS.dbf", "INV7.dbf"}));
    EXPECT_EQ(names(target.path()), std::set<std::string>(kCopied.begin() + 4, kCopied.end()));
    for (size_t i = 4; i < kCopied.size(); ++i)
        EXPECT_EQ(contents(target.file(kCopied[i])), contents(file(kCopied[i].c_str())));
    EXPECT_EQ(status.percentages(), kCopyProgress);
}

TEST_F(FileMaintenanceTest, CancelOnAFullDiskKeepsTheOlderFileWhole)
{
    testsupport::TempDir target;
    Mounts mounts(target.path());
    if (const int e = mounts.tmpfs(4096))
        GTEST_SKIP() << "cannot mount a tmpfs here: " << std::strerror(e);
    std::ofstream(target.file("CUST6.dbf")) << "an older backup"; // fills the one page
    data::DataStore &s = hookedStore([](const QString &) { return false; });
    EXPECT_FALSE(data::Backup(s, status, QString::fromStdString(target.path())));
    EXPECT_EQ(
        hooked.shown,
        (QStringList{"okcancel: Disk Full. Insert another disk.CUST6.dbf",
                     "information: Backup Failed . . Check that disk is not write protected"}));
    EXPECT_EQ(names(target.path()), std::set<std::string>{"CUST6.dbf"});
    EXPECT_EQ(contents(target.file("CUST6.dbf")), "an older backup");
    EXPECT_EQ(status.percentages(), QList<int>{10});
}

// Each way a target refuses writing that the program reports as write-protected, with the
// errno it produces, and what lifts the protection.
TEST_F(FileMaintenanceTest, BackupAsksToUnprotectAWriteProtectedDisk)
{
    struct Protection
    {
        const char *name;
        std::function<int(Mounts &, const std::string &)> protect;
        std::function<int(Mounts &, const std::string &)> lift;
    };
    const Protection protections[] = {
        {"read-only mount (EROFS)", [](Mounts &m, const std::string &) { return m.bindReadOnly(); },
         [](Mounts &m, const std::string &) { return m.remount(false); }},
        {"immutable directory (EPERM)",
         [](Mounts &, const std::string &d) { return setImmutable(d, true); },
         [](Mounts &, const std::string &d) { return setImmutable(d, false); }},
    };
    int ran = 0;
    for (const Protection &p : protections) {
        for (const bool ok : {false, true}) {
            SCOPED_TRACE(std::string(p.name) + (ok ? ", OK" : ", Cancel"));
            testsupport::TempDir target;
            Mounts mounts(target.path());
            if (const int e = p.protect(mounts, target.path())) {
                std::cout << "[  SKIPPED ] " << p.name << ": " << std::strerror(e) << "\n";
                continue;
            }
            ++ran;
            int asked = 0;
            data::DataStore &s = hookedStore([&](const QString &) {
                // Asked again after a Cancel would loop for ever: fail the test instead.
                if (++asked > 1) return false;
                if (ok) {
                    EXPECT_EQ(p.lift(mounts, target.path()), 0);
                }
                return ok;
            });
            status.clear();
            EXPECT_EQ(data::Backup(s, status, QString::fromStdString(target.path())), ok);
            QStringList expected{"okcancel: Disk is Write Protected"};
            if (!ok)
                expected << "information: Backup Failed . . Check that disk is not write protected";
            EXPECT_EQ(hooked.shown, expected);
            hooked.shown.clear();
            if (ok) {
                expectCopiesOfWorkingFiles(target.path());
            } else {
                EXPECT_TRUE(names(target.path()).empty());
            }
            setImmutable(target.path(), false);
            other->closeAll();
        }
    }
    if (ran == 0) GTEST_SKIP() << "this machine lets the test protect no directory";
}

TEST_F(FileMaintenanceTest, EraseEmptiesTheMainTablesOnly)
{
    ASSERT_NO_FATAL_FAILURE(addToAll(3));
    const TableId kept[] = {TableId::Est, TableId::EstItm, TableId::LABELS, TableId::ImportF,
                            TableId::QLR3A};
    std::vector<long> keptCounts;
    for (TableId id : kept)
        keptCounts.push_back(count(id));
    const std::string emptyMemo = contents(QUILLORY_SUPPLIED_DATA "/CUST6.dbt");
    ASSERT_GT(contents(file("CUST6.dbt")).size(), emptyMemo.size());
    const std::string estimates = contents(file("Est.dbf"));

    prompts.answer(true);
    EXPECT_TRUE(data::EraseAllData(*store, status));
    EXPECT_EQ(
        prompts.shown(),
        QStringList{"warnokcancel: WARNING: You are about to erase all of your existing data."});
    for (TableId id : {TableId::CUST6, TableId::GROUPS, TableId::INV7, TableId::ITM5, TableId::PMT,
                       TableId::Prod5, TableId::Pur5})
        EXPECT_EQ(count(id), 0) << data::tableDef(id).name;
    for (size_t i = 0; i < std::size(kept); ++i)
        EXPECT_EQ(count(kept[i]), keptCounts[i]) << data::tableDef(kept[i]).name;
    EXPECT_EQ(contents(file("Est.dbf")), estimates);
    // The memo files are compacted back to their header.
    for (const char *memo : {"CUST6.dbt", "INV7.dbt", "Prod5.dbt"})
        EXPECT_EQ(fs::file_size(file(memo)), emptyMemo.size()) << memo;
    EXPECT_GT(fs::file_size(file("Est.dbt")), emptyMemo.size());

    EXPECT_EQ(status.percentages(), (QList<int>{5, 15, 30, 40, 50, 60, 70, 85, 90, 95, 100}));
    EXPECT_EQ(status.log().first(), "status:Erasing Data Files");
    EXPECT_EQ(status.log().last(), "status:");
    EXPECT_EQ(store->engine()->accessMode, 0);
}

TEST_F(FileMaintenanceTest, EraseCancelledChangesNothing)
{
    ASSERT_NO_FATAL_FAILURE(addRecords(TableId::CUST6, 2));
    prompts.answer(false);
    EXPECT_FALSE(data::EraseAllData(*store, status));
    EXPECT_EQ(prompts.shown(), QStringList{"warnokcancel: WARNING: You are about to erase all of "
                                           "your existing data."});
    EXPECT_EQ(count(TableId::CUST6), 2);
    EXPECT_TRUE(status.events().isEmpty());
}

} // namespace
