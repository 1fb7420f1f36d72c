#pragma once
// The load dialog's title list without its window: the entry a track file gets, the order
// of the entries, and the directory the list was last brought up to date for.
//
// An entry is the artist and the title of the file's tag, each trimmed, joined by " - ";
// a file whose tag names neither (no tag, a file that cannot be opened or read, or artist
// and title both empty up to their first byte 0) is listed under its bare file name. A tag
// whose artist and title hold only blanks still names them and is listed as " - ". Every
// entry keeps the bare name of its file, so equal texts hand back their own files.
//
// Entries stand in the file list's order: without regard to case, texts that differ only
// in case ordered by their code points; entries of equal text in the order they were read.
//
// TitleCache reads the tags of one directory a slice at a time, so the window showing the
// list answers between slices. The directory becomes the cached one only when every file
// has been read. Starting a read forgets the cached directory, so a read abandoned
// part-way leaves nothing cached and the next request reads the directory again.
//
// Windowless. One object is used from one thread.

#include <QString>
#include <QStringList>
#include <chrono>
#include <vector>

struct TitleEntry {
    QString text;      // as listed: "artist - title", or the file name
    QString fileName;  // bare name of the file the entry was read from
};

// Reads the tag of directory/fileName. Never throws: a file that fails while its tag is
// read is listed under its name like one that cannot be opened.
TitleEntry readTitleEntry(const QString& directory, const QString& fileName);

// The order of the title list.
bool titleLess(const QString& a, const QString& b);

class TitleCache {
public:
    // The directory whose titles were last read completely; empty when none.
    const QString& directory() const { return directory_; }
    // Forgets the cached directory and abandons a read under way.
    void clear();

    // ---- Reading ------------------------------------------------------------------------
    // Starts reading the titles of fileNames (bare names in directory dir), in that order.
    // Forgets the cached directory and any read under way.
    void start(const QString& dir, const QStringList& fileNames);
    // Whether a read is under way, and of which directory.
    bool reading() const { return reading_; }
    bool reading(const QString& dir) const { return reading_ && readingDir_ == dir; }
    // The entries of the files read next, at least one, until budget has passed or every
    // file is read; then the read ends and its directory becomes the cached one. Nothing
    // when no read is under way.
    std::vector<TitleEntry> readSlice(std::chrono::nanoseconds budget);
    // Stops the read under way; nothing becomes cached.
    void abandon();

private:
    QString directory_;
    bool reading_ = false;
    QString readingDir_;
    QStringList pending_;
    qsizetype next_ = 0;
};
