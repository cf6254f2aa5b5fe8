#pragma once

#include <QString>
#include <QStringList>

namespace core {
class StatusSink;
}

namespace data {

class DataStore;

// Backup, restore and erase of the data files. All run between commands, with no table open;
// backup and restore leave the tables closed, erase opens and closes each table in turn.
// Messages go to the store's prompts, progress to `status`. The working directory is the
// store's directory().
//
// The directory passed in is what the user chose in the drive and directory chooser; empty
// means the user cancelled. It may be given with or without a trailing "/".
//
// Removable disks. Backups may span several removable disks, and a restore from one asks for
// the disk holding each file it does not find. On this system a directory counts as a
// removable disk when it lies below one of RemovableDisks::roots: by default the places where
// removable media are mounted (/media, /mnt and /run/media). Only a restore asks to insert a
// disk, as only a restore reads from the chosen directory; a backup whose source file is
// missing from the working directory fails at once, naming the file, since no disk change
// could bring it back.
//
// Copies are safe: each file is written under a temporary name in the target directory
// ("<name>.part": not ".tmp", which the engine's crash recovery claims for its own rewrites),
// flushed, then renamed over the destination. A copy that fails for any reason removes its
// temporary file and leaves the file it was to replace as it was; a full disk therefore needs
// room for the new file beside the old one.

enum class CopyDirection { Backup, Restore };

struct RemovableDisks
{
    QStringList roots{QStringLiteral("/media"), QStringLiteral("/mnt"),
                      QStringLiteral("/run/media")};
    // True when `directory` lies strictly below one of the roots (the roots themselves only
    // hold mount points and are not disks).
    bool contains(const QString &directory) const;
};

// The result of one copy on the file system: 0, or the errno of the first failure, and
// whether it happened while writing the target (a full or write-protected disk) or elsewhere.
struct CopyError
{
    int error = 0;
    bool atTarget = false;
};

// Copies `from` over `to` through a temporary file beside `to`, carrying the permission bits
// along; `to` is replaced only when the whole file reached the disk.
CopyError CopyFileSafely(const QString &from, const QString &to);

// One data file between the working directory and `directory`; true on success. Shows the
// messages of the missing source, full disk and write-protected disk, retrying while the user
// answers OK. Only a backup's failures in writing the target are asked about: ENOSPC and
// EDQUOT as a full disk, EROFS, EACCES and EPERM as a write-protected one; any other failure,
// and any failure of a restore, ends the copy. A restored file is left writable.
bool CopyDataFile(DataStore &store, CopyDirection direction, const QString &directory,
                  const QString &name, const RemovableDisks &removable = {});

// All fourteen data files in order with progress "Copying Data Files" 10..100; stops at the
// first file that fails (files copied before it stay copied). True when all were copied. The
// status text is left for the caller to clear.
bool CopyDataFiles(DataStore &store, core::StatusSink &status, CopyDirection direction,
                   const QString &directory, const RemovableDisks &removable = {});

// The commands. Each returns true when it did its work: all files copied, or all tables
// emptied; false when cancelled, refused or failed (after its message).
bool Backup(DataStore &store, core::StatusSink &status, const QString &directory);
// Rebuilds all indexes afterwards (with progress), whether the copy succeeded or not.
bool Restore(DataStore &store, core::StatusSink &status, const QString &directory,
             const RemovableDisks &removable = {});
// Asks first in a warning box with OK and Cancel (Cancel the default); empties the main tables,
// leaving the estimates, label stocks, import formats and settings alone.
bool EraseAllData(DataStore &store, core::StatusSink &status);

} // namespace data
