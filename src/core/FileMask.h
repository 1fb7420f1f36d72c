#pragma once
// The wildcard masks of the file list and the filter box, such as "*.mp*;*.msf": one or
// more patterns separated by ";", blanks around a pattern ignored, empty patterns dropped.
//
// A name matches when it matches at least one pattern. Matching ignores case (the masks
// are extension tests: "*.mp3" finds "SONG.MP3"); the names themselves are never changed.
//   *      any run of characters, also none
//   ?      exactly one character
//   x.*    also matches the name "x" without any dot, so "*.*" matches every name
//   x.     matches the name "x" only when it has no dot, so "*." finds names without one
// A mask without any pattern matches nothing.
//
// Windowless; safe to use from any thread.

#include <QString>
#include <QStringList>
#include <vector>

class FileMask {
public:
    FileMask() = default;
    explicit FileMask(const QString& masks);

    bool matches(const QString& name) const;
    bool isEmpty() const { return patterns_.empty(); }
    // The patterns as given, in order, without blanks.
    QStringList patterns() const;

    // True when `text` holds a "*" or a "?".
    static bool hasWildcards(const QString& text);

private:
    struct Pattern {
        QString original;
        QString folded;      // case-folded whole pattern
        QString withoutDot;  // folded pattern without its final ".*" or "."; empty if none
        bool dotStar = false;
        bool bareDot = false;
    };
    std::vector<Pattern> patterns_;
};
