#pragma once

#include "core/design/result.h"

#include <QByteArrayView>
#include <QIODevice>
#include <QSaveFile>
#include <QString>

#include <unistd.h>

#include <initializer_list>

namespace torvane {

// A file that replaces its target only once every byte has reached the disk. It writes
// through a temporary file in the same folder; every write and the final sync are checked,
// so a full disk or a file-size limit fails the save, keeps the old file, and the error
// text names the system's cause ("No space left on device"). Only targets that
// checkOutputFile() allows are opened.
class CheckedSaveFile : public QIODevice
{
public:
    // How the written data is synced to the disk: ::fsync, or a stand-in that fails the way
    // a file system can report a full disk only at the sync.
    using SyncToDisk = int (*)(int fileDescriptor);

    explicit CheckedSaveFile(const QString &fileName, SyncToDisk sync = &::fsync);
    // A temporary file that was never committed is removed.
    ~CheckedSaveFile() override;

    // The target, as given.
    QString fileName() const { return file.fileName(); }
    bool open();
    // Takes room on the disk for the first `bytes` at once, which makes writing them cheaper
    // than the file system finding room block by block; false where it cannot. Room left
    // unwritten is given back by commit().
    bool reserve(qint64 bytes);
    // Syncs what is written to the disk without replacing the target yet; false, with
    // errorString(), when anything failed.
    bool finish();
    // finish(), then renames over the target; false, with errorString(), when anything failed.
    bool commit();

    bool isSequential() const override { return true; }

protected:
    qint64 readData(char *, qint64) override { return -1; }
    qint64 writeData(const char *data, qint64 size) override;

private:
    // Opening takes no mode: a save only writes.
    using QIODevice::open;
    void failWithSystemError();
    void startWriteBack(qint64 bytes);

    QSaveFile file;
    SyncToDisk sync;
    QString failure; // the first error; empty while all went well
    qint64 written = 0;
    qint64 writtenBack = 0;
    qint64 reserved = 0;
    bool finished = false;
};

// The files of one save, each written and not yet committed, committed together: all are
// finished first, so that a full disk or any other failure replaces none of them; then each
// replaces its target in the order given. Returns the file that failed (its errorString() says
// why), or nullptr when all were committed.
CheckedSaveFile *commitTogether(std::initializer_list<CheckedSaveFile *> files);

// The whole of `contents` as the file's new contents; a failure carries the reason.
torvane::Status writeWholeFile(const QString &fileName, QByteArrayView contents);

} // namespace torvane
