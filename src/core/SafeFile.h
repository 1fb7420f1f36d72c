#pragma once
// Replacing a file so that, whatever becomes of the writing process, the file on disk is
// either the old one or the new one, whole.
//
// The new contents go to an unnamed file in the target's directory (O_TMPFILE), which the
// system removes by itself when the process ends before commit(). commit() syncs it to disk,
// gives it a temporary name beside the target and renames it over the target. For the few
// system calls between naming and renaming, and for file systems without unnamed files
// (where the temporary file is named from the start), every temporary name is first
// recorded (so is every probe, below) in the data directory's "unfinished-writes";
// removeUnfinishedWrites() deletes what the record names and is called once at start-up, by the one
// running instance.
//
// The new file keeps the old one's permission bits; a symbolic link is followed, and the
// file it points to is replaced. An object that is destroyed without a successful commit()
// leaves the target as it was. Any thread; one object per writer.

#include <QByteArrayView>
#include <QString>

class SafeFile {
public:
    explicit SafeFile(const QString& path);
    ~SafeFile();
    SafeFile(const SafeFile&) = delete;
    SafeFile& operator=(const SafeFile&) = delete;

    // Opens the temporary file. False, with errorString() set, when it cannot be made.
    bool open();
    // Writes all of bytes; false, with errorString() set, when the system takes fewer (a full
    // disk, a file size limit). After a failure nothing more is written and commit() fails.
    bool write(QByteArrayView bytes);
    // Puts the file in place. False, with errorString() set, when that fails; the target is
    // then unchanged.
    bool commit();
    // The system's text for the first failure.
    QString errorString() const { return error_; }

    // Writes bytes to path in one go: open(), write(), commit().
    static bool writeWhole(const QString& path, QByteArrayView bytes, QString* error = nullptr);

private:
    bool fail(int error);
    void discard();

    QString path_;
    QByteArray target_;     // the file replaced, symbolic links followed
    QByteArray temporary_;  // the temporary name, once it has one
    int fd_ = -1;
    bool named_ = false;  // the temporary file has a name (no O_TMPFILE here)
    bool failed_ = false;
    QString error_;
};

// Creates path (which must not exist), closes and deletes it: a test that a file of that name
// can be made. False with the system's error (EEXIST when the name is taken, which is then
// left alone). A probe cut short by the process's end is removed by removeUnfinishedWrites()
// when it is still empty and no older than the attempt.
bool createProbe(const QString& path, int* error);

// Creates, closes and deletes a file of a made-up name in folder.
bool canCreateIn(const QString& folder);

// Deletes the temporary files that writers cut short left behind, and the record of them.
void removeUnfinishedWrites();

// The record's path: "unfinished-writes" in the data directory.
QString unfinishedWritesRecord();

// True when name (a file name without folder) is one SafeFile gives its temporary files.
bool isSafeFileTemporaryName(QStringView name);
