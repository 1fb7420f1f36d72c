#include "FileMask.h"

namespace {

// Iterative wildcard match with one back-tracking point for the last "*" seen, which is
// enough for "*" and "?" and keeps a match linear in practice.
bool wildcardMatch(const QString& pattern, const QString& text) {
    qsizetype p = 0;
    qsizetype t = 0;
    qsizetype starAt = -1;
    qsizetype starText = 0;
    while (t < text.size()) {
        if (p < pattern.size() && pattern[p] == QLatin1Char('*')) {
            starAt = p++;
            starText = t;
        } else if (p < pattern.size() &&
                   (pattern[p] == QLatin1Char('?') || pattern[p] == text[t])) {
            ++p;
            ++t;
        } else if (starAt >= 0) {
            p = starAt + 1;
            t = ++starText;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == QLatin1Char('*'))
        ++p;
    return p == pattern.size();
}

}  // namespace

FileMask::FileMask(const QString& masks) {
    const QStringList parts = masks.split(QLatin1Char(';'));
    for (const QString& part : parts) {
        const QString trimmed = part.trimmed();
        if (trimmed.isEmpty())
            continue;
        Pattern pattern;
        pattern.original = trimmed;
        pattern.folded = trimmed.toCaseFolded();
        if (pattern.folded.endsWith(QLatin1String(".*"))) {
            pattern.dotStar = true;
            pattern.withoutDot = pattern.folded.chopped(2);
        } else if (pattern.folded.endsWith(QLatin1Char('.'))) {
            pattern.bareDot = true;
            pattern.withoutDot = pattern.folded.chopped(1);
        }
        patterns_.push_back(std::move(pattern));
    }
}

bool FileMask::matches(const QString& name) const {
    if (patterns_.empty() || name.isEmpty())
        return false;
    const QString folded = name.toCaseFolded();
    const bool hasDot = folded.contains(QLatin1Char('.'));
    for (const Pattern& pattern : patterns_) {
        if (pattern.bareDot) {
            if (!hasDot && wildcardMatch(pattern.withoutDot, folded))
                return true;
            continue;
        }
        if (wildcardMatch(pattern.folded, folded))
            return true;
        if (pattern.dotStar && !hasDot && wildcardMatch(pattern.withoutDot, folded))
            return true;
    }
    return false;
}

QStringList FileMask::patterns() const {
    QStringList result;
    for (const Pattern& pattern : patterns_)
        result.append(pattern.original);
    return result;
}

bool FileMask::hasWildcards(const QString& text) {
    return text.contains(QLatin1Char('*')) || text.contains(QLatin1Char('?'));
}
