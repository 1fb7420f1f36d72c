#include "TitleCache.h"

#include <QDir>
#include <QElapsedTimer>

#include "core/DirScan.h"
#include "core/Id3v1Tag.h"
#include "core/SonvoxError.h"

TitleEntry readTitleEntry(const QString& directory, const QString& fileName) {
    bool named = false;
    std::pair<QString, QString> titles;
    try {
        titles = readDialogTitles(QDir(directory).filePath(fileName), &named);
    } catch (const SonvoxError&) {
        // A file that shrank or failed while being read is no reason to stop the list.
        named = false;
    }
    if (!named) {
        return {fileName, fileName};
    }
    return {titles.first + QStringLiteral(" - ") + titles.second, fileName};
}

bool titleLess(const QString& a, const QString& b) {
    return dirscan::lessName(a, b);
}

void TitleCache::clear() {
    abandon();
    directory_.clear();
}

void TitleCache::start(const QString& dir, const QStringList& fileNames) {
    directory_.clear();
    reading_ = true;
    readingDir_ = dir;
    pending_ = fileNames;
    next_ = 0;
}

std::vector<TitleEntry> TitleCache::readSlice(std::chrono::nanoseconds budget) {
    std::vector<TitleEntry> entries;
    if (!reading_) {
        return entries;
    }
    QElapsedTimer clock;
    clock.start();
    while (next_ < pending_.size()) {
        entries.push_back(readTitleEntry(readingDir_, pending_[next_]));
        ++next_;
        if (std::chrono::nanoseconds(clock.nsecsElapsed()) >= budget) {
            break;
        }
    }
    if (next_ >= pending_.size()) {
        directory_ = readingDir_;
        abandon();
    }
    return entries;
}

void TitleCache::abandon() {
    reading_ = false;
    readingDir_.clear();
    pending_.clear();
    next_ = 0;
}
