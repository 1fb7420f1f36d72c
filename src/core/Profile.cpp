#include "Profile.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include "core/SonvoxError.h"

namespace {

const QByteArray kUtf8Bom("\xEF\xBB\xBF");

// One line of the file as byte offsets: [begin, contentEnd) is its text without the line
// end, [contentEnd, end) its "\n" or "\r\n" (empty for a last line without one).
struct LineSpan {
    qsizetype begin = 0;
    qsizetype contentEnd = 0;
    qsizetype end = 0;
};

// Where a section and a key were found; -1 for "not there".
struct Location {
    qsizetype sectionLine = -1;
    qsizetype keyLine = -1;
    qsizetype lastSectionLine = -1;  // last non-blank line of the section, maybe its header
    QByteArray keyText;              // the key as spelled in the file
    QByteArray value;
};

QList<LineSpan> splitLines(const QByteArray& data) {
    QList<LineSpan> lines;
    qsizetype pos = 0;
    while (pos < data.size()) {
        LineSpan line;
        line.begin = pos;
        const qsizetype newline = data.indexOf('\n', pos);
        if (newline < 0) {
            line.contentEnd = line.end = data.size();
        } else {
            line.end = newline + 1;
            line.contentEnd =
                (newline > pos && data.at(newline - 1) == '\r') ? newline - 1 : newline;
        }
        lines.append(line);
        pos = line.end;
    }
    return lines;
}

QByteArray lineText(const QByteArray& data, const LineSpan& line) {
    QByteArray text = data.mid(line.begin, line.contentEnd - line.begin);
    if (line.begin == 0 && text.startsWith(kUtf8Bom)) {
        text.remove(0, kUtf8Bom.size());
    }
    return text.trimmed();
}

bool sameName(const QByteArray& fromFile, const QString& wanted) {
    return QString::fromUtf8(fromFile).compare(wanted, Qt::CaseInsensitive) == 0;
}

// A section header "[name]"; a header without "]" names the rest of the line.
bool sectionName(const QByteArray& text, QByteArray* name) {
    if (!text.startsWith('[')) {
        return false;
    }
    qsizetype close = text.indexOf(']');
    if (close < 0) {
        close = text.size();
    }
    *name = text.mid(1, close - 1).trimmed();
    return true;
}

Location locate(const QByteArray& data, const QList<LineSpan>& lines, const QString& section,
                const QString& key) {
    Location found;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QByteArray text = lineText(data, lines[i]);
        QByteArray name;
        if (sectionName(text, &name)) {
            if (found.sectionLine >= 0) {
                break;  // the end of the first matching section
            }
            if (sameName(name, section)) {
                found.sectionLine = found.lastSectionLine = i;
            }
            continue;
        }
        if (found.sectionLine < 0 || text.isEmpty()) {
            continue;
        }
        found.lastSectionLine = i;
        const qsizetype equals = text.indexOf('=');
        if (found.keyLine < 0 && equals >= 0) {
            const QByteArray keyText = text.left(equals).trimmed();
            if (sameName(keyText, key)) {
                found.keyLine = i;
                found.keyText = keyText;
                found.value = text.mid(equals + 1).trimmed();
            }
        }
    }
    return found;
}

bool readFile(const QString& path, QByteArray* data) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return false;
    }
    *data = file.readAll();
    return file.error() == QFileDevice::NoError;
}

bool containsLineBreak(const QString& text) {
    return text.contains(QLatin1Char('\n')) || text.contains(QLatin1Char('\r'));
}

}  // namespace

Profile::Profile(const QString& filePath) : filePath_(filePath) {}

// ---- reading ---------------------------------------------------------------------------

QString Profile::readString(const QString& section, const QString& key,
                            const QString& defaultValue) const {
    QByteArray data;
    if (!readFile(filePath_, &data)) {
        return defaultValue;
    }
    const Location found = locate(data, splitLines(data), section, key);
    if (found.keyLine < 0) {
        return defaultValue;
    }
    QString value = QString::fromUtf8(found.value);
    if (value.size() > kMaxValueLength) {
        qsizetype cut = kMaxValueLength;
        if (value.at(cut - 1).isHighSurrogate()) {
            --cut;  // never leave half a character behind
        }
        value.truncate(cut);
    }
    return value;
}

int Profile::readInteger(const QString& section, const QString& key, int defaultValue) const {
    int value = 0;
    const QString text = readString(section, key, QString());
    return parseInteger(text, &value) ? value : defaultValue;
}

bool Profile::readBool(const QString& section, const QString& key, bool defaultValue) const {
    return readInteger(section, key, defaultValue ? 1 : 0) != 0;
}

bool Profile::parseInteger(const QString& text, int* result) {
    QStringView digits;
    if (text.startsWith(QLatin1Char('$'))) {
        digits = QStringView(text).mid(1);
    } else if (text.size() > 2 &&
               (text.startsWith(QLatin1String("0x")) || text.startsWith(QLatin1String("0X")))) {
        digits = QStringView(text).mid(2);
    } else {
        // Decimal: an optional sign and at least one digit, nothing else.
        const qsizetype first = (text.startsWith(QLatin1Char('-')) || text.startsWith('+')) ? 1 : 0;
        if (text.size() <= first) {
            return false;
        }
        for (qsizetype i = first; i < text.size(); ++i) {
            if (text.at(i) < QLatin1Char('0') || text.at(i) > QLatin1Char('9')) {
                return false;
            }
        }
        bool ok = false;
        const int value = text.toInt(&ok, 10);
        if (ok) {
            *result = value;
        }
        return ok;
    }

    if (digits.isEmpty()) {
        return false;
    }
    quint64 value = 0;
    for (const QChar c : digits) {
        int nibble = 0;
        if (c >= QLatin1Char('0') && c <= QLatin1Char('9')) {
            nibble = c.unicode() - '0';
        } else if (c >= QLatin1Char('a') && c <= QLatin1Char('f')) {
            nibble = c.unicode() - 'a' + 10;
        } else if (c >= QLatin1Char('A') && c <= QLatin1Char('F')) {
            nibble = c.unicode() - 'A' + 10;
        } else {
            return false;
        }
        value = value * 16 + nibble;
        if (value > 0xFFFFFFFFu) {
            return false;
        }
    }
    *result = static_cast<int>(static_cast<quint32>(value));
    return true;
}

// ---- writing ---------------------------------------------------------------------------

void Profile::writeString(const QString& section, const QString& key, const QString& value) {
    // A line break would end the line early and smuggle text into the file as lines of
    // their own; such a value cannot be stored.
    if (containsLineBreak(section) || containsLineBreak(key) || containsLineBreak(value)) {
        throwWriteError();
    }

    const QFileInfo info(filePath_);
    QByteArray data;
    if (info.exists()) {
        const auto writeBits =
            QFileDevice::WriteOwner | QFileDevice::WriteGroup | QFileDevice::WriteOther;
        if (!info.isFile() || !info.isWritable() || !(info.permissions() & writeBits) ||
            !readFile(filePath_, &data)) {
            throwWriteError();  // rewriting a file we cannot read would lose its lines
        }
    }

    const QList<LineSpan> lines = splitLines(data);
    const Location found = locate(data, lines, section, key);
    const qsizetype firstNewline = data.indexOf('\n');
    const QByteArray eol = (firstNewline > 0 && data.at(firstNewline - 1) == '\r') ? "\r\n" : "\n";
    const QByteArray valueBytes = value.toUtf8();

    if (found.keyLine >= 0) {
        const LineSpan& line = lines[found.keyLine];
        data.replace(line.begin, line.contentEnd - line.begin, found.keyText + '=' + valueBytes);
    } else if (found.sectionLine >= 0) {
        const LineSpan& after = lines[found.lastSectionLine];
        const QByteArray entry = key.toUtf8() + '=' + valueBytes;
        if (after.end == after.contentEnd) {
            data.insert(after.end, eol + entry);  // the file ended without a line break
        } else {
            data.insert(after.end, entry + eol);
        }
    } else {
        if (!data.isEmpty() && !data.endsWith('\n')) {
            data.append(eol);
        }
        if (!lines.isEmpty() && !lineText(data, lines.last()).isEmpty()) {
            data.append(eol);  // a blank line before the new section
        }
        data.append('[' + section.toUtf8() + ']' + eol + key.toUtf8() + '=' + valueBytes + eol);
    }

    QSaveFile file(filePath_);
    if (!file.open(QIODevice::WriteOnly) || file.write(data) != data.size() || !file.commit()) {
        throwWriteError();
    }
}

void Profile::writeInteger(const QString& section, const QString& key, int value) {
    writeString(section, key, QString::number(value));
}

void Profile::writeBool(const QString& section, const QString& key, bool value) {
    writeString(section, key, value ? QStringLiteral("1") : QStringLiteral("0"));
}

void Profile::throwWriteError() const {
    throw SonvoxError(QStringLiteral("nach %1 kann nicht geschrieben werden").arg(filePath_));
}
