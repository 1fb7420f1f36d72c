#include "MimeAppsList.h"

namespace MimeAppsList {
namespace {

const QStringList kSections{kDefaultSection, kAddedSection};

bool isHeader(const QString& line) {
    const QString t = line.trimmed();
    return t.startsWith(QLatin1Char('[')) && t.endsWith(QLatin1Char(']'));
}

bool isHeaderOf(const QString& line, const QString& section) {
    return line.trimmed() == QLatin1Char('[') + section + QLatin1Char(']');
}

// The key of a "key=value" line, or an empty string.
QString keyOf(const QString& line) {
    const QString t = line.trimmed();
    if (t.startsWith(QLatin1Char('#'))) {
        return {};
    }
    const qsizetype eq = t.indexOf(QLatin1Char('='));
    return eq > 0 ? t.left(eq).trimmed() : QString();
}

QStringList idsOf(const QString& line) {
    const QString value = line.mid(line.indexOf(QLatin1Char('=')) + 1).trimmed();
    QStringList ids = value.split(QLatin1Char(';'), Qt::SkipEmptyParts);
    for (QString& id : ids) {
        id = id.trimmed();
    }
    return ids;
}

QString lineFor(const QString& key, const QStringList& ids) {
    return key + QLatin1Char('=') + ids.join(QLatin1Char(';')) + QLatin1Char(';');
}

// [begin, end) are the lines below the first header of section; begin is -1 without one.
struct Range {
    qsizetype header = -1;
    qsizetype end = -1;
};

Range find(const QStringList& lines, const QString& section) {
    Range r;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        if (r.header < 0) {
            if (isHeaderOf(lines[i], section)) {
                r.header = i;
            }
        } else if (isHeader(lines[i])) {
            r.end = i;
            return r;
        }
    }
    if (r.header >= 0) {
        r.end = lines.size();
    }
    return r;
}

bool isBlank(const QString& line) {
    return line.trimmed().isEmpty();
}

// The text as lines; a final line end does not make an extra line.
QStringList linesOf(const QString& text) {
    QStringList lines = text.split(QLatin1Char('\n'));
    if (!lines.isEmpty() && lines.constLast().isEmpty()) {
        lines.removeLast();
    }
    return lines;
}

QString textOf(const QStringList& lines) {
    return lines.isEmpty() ? QString() : lines.join(QLatin1Char('\n')) + QLatin1Char('\n');
}

}  // namespace

QString add(const QString& text, const QStringList& types, const QString& desktopId) {
    QStringList lines = linesOf(text);
    for (const QString& section : kSections) {
        Range r = find(lines, section);
        if (r.header < 0) {
            if (!lines.isEmpty() && !isBlank(lines.constLast())) {
                lines.append(QString());
            }
            lines.append(QLatin1Char('[') + section + QLatin1Char(']'));
            r = {lines.size() - 1, lines.size()};
        }
        for (const QString& type : types) {
            qsizetype found = -1;
            for (qsizetype i = r.header + 1; i < r.end && found < 0; ++i) {
                if (keyOf(lines[i]) == type) {
                    found = i;
                }
            }
            if (found >= 0) {
                QStringList ids = idsOf(lines[found]);
                ids.removeAll(desktopId);
                ids.prepend(desktopId);
                lines[found] = lineFor(type, ids);
                continue;
            }
            // New keys go after the section's last line that is not blank.
            qsizetype at = r.end;
            while (at > r.header + 1 && isBlank(lines[at - 1])) {
                --at;
            }
            lines.insert(at, lineFor(type, {desktopId}));
            ++r.end;
        }
    }
    return textOf(lines);
}

QString remove(const QString& text, const QStringList& types, const QString& desktopId) {
    QStringList lines = linesOf(text);
    for (const QString& section : kSections) {
        Range r = find(lines, section);
        if (r.header < 0) {
            continue;
        }
        bool changed = false;
        for (qsizetype i = r.header + 1; i < r.end;) {
            const QString key = keyOf(lines[i]);
            QStringList ids = idsOf(lines[i]);
            if (key.isEmpty() || !types.contains(key) || !ids.contains(desktopId)) {
                ++i;
                continue;
            }
            changed = true;
            ids.removeAll(desktopId);
            if (ids.isEmpty()) {
                lines.removeAt(i);
                --r.end;
            } else {
                lines[i] = lineFor(key, ids);
                ++i;
            }
        }
        bool empty = true;
        for (qsizetype i = r.header + 1; i < r.end; ++i) {
            empty = empty && isBlank(lines[i]);
        }
        if (changed && empty) {
            lines.remove(r.header, r.end - r.header);
            // The blank line that separated the section from the one before goes too.
            if (r.header > 0 && r.header <= lines.size() && isBlank(lines[r.header - 1]) &&
                (r.header == lines.size() || isBlank(lines[r.header]) ||
                 isHeader(lines[r.header]))) {
                lines.removeAt(r.header - 1);
            }
        }
    }
    return textOf(lines);
}

}  // namespace MimeAppsList
