#include "Profile.h"

#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>
#include <QVarLengthArray>

#include <algorithm>

#include "core/SafeFile.h"
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

// Where a section and a key were found.
struct Location {
    bool hasSection = false;
    bool hasKey = false;
    LineSpan keyLine;
    LineSpan lastSectionLine;  // last non-blank line of the section, maybe its header
    QByteArray keyText;        // the key as spelled in the file
    QByteArray value;
};

// The line that starts at pos, which must lie within data.
LineSpan lineAt(const QByteArray& data, qsizetype pos) {
    LineSpan line;
    line.begin = pos;
    const qsizetype newline = data.indexOf('\n', pos);
    if (newline < 0) {
        line.contentEnd = line.end = data.size();
    } else {
        line.end = newline + 1;
        line.contentEnd = (newline > pos && data.at(newline - 1) == '\r') ? newline - 1 : newline;
    }
    return line;
}

// The text of a line without a leading byte order mark and surrounding blanks. The view
// points into data: nothing is copied, as the lookups run over every line.
QByteArrayView lineText(const QByteArray& data, const LineSpan& line) {
    QByteArrayView text(data.constData() + line.begin, line.contentEnd - line.begin);
    if (line.begin == 0 && text.startsWith(kUtf8Bom)) {
        text = text.sliced(kUtf8Bom.size());
    }
    return text.trimmed();
}

bool isAscii(QByteArrayView text) {
    return std::all_of(text.begin(), text.end(), [](char c) { return (c & 0x80) == 0; });
}

QStringDecoder utf8Decoder() {
    return QStringDecoder(QStringDecoder::Utf8, QStringDecoder::Flag::ConvertInitialBom |
                                                    QStringDecoder::Flag::Stateless);
}

// Names and values as text. A byte order mark inside the file is a character like any
// other: dropping it would let "\xEF\xBB\xBF[a=1", a key, read as "[a", which written
// back would start a section.
QString decodeText(QByteArrayView bytes) {
    if (isAscii(bytes)) {  // the common case: every byte is its character
        return QString::fromLatin1(bytes);
    }
    return utf8Decoder().decode(bytes);
}

// Two names that differ only in case have the same length: the comparison folds each UTF-16
// unit on its own.
bool sameName(QStringView a, QStringView b) {
    return a.size() == b.size() && a.compare(b, Qt::CaseInsensitive) == 0;
}

bool sameName(QByteArrayView fromFile, const QString& wanted) {
    if (isAscii(fromFile)) {  // the common case, compared without decoding
        return fromFile.size() == wanted.size() &&
               wanted.compare(QLatin1StringView(fromFile), Qt::CaseInsensitive) == 0;
    }
    // Decoded on the stack: UTF-8 never takes fewer bytes than UTF-16 takes units.
    QStringDecoder decoder = utf8Decoder();
    QVarLengthArray<QChar, 256> decoded(decoder.requiredSpace(fromFile.size()));
    const QChar* end = decoder.appendToBuffer(decoded.data(), fromFile);
    return sameName(QStringView(decoded.data(), end), wanted);
}

// A section header "[name]"; a header without "]" names the rest of the line.
bool sectionName(QByteArrayView text, QByteArrayView* name) {
    if (!text.startsWith('[')) {
        return false;
    }
    qsizetype close = text.indexOf(']');
    if (close < 0) {
        close = text.size();
    }
    *name = text.sliced(1, close - 1).trimmed();
    return true;
}

Location locate(const QByteArray& data, const QString& section, const QString& key) {
    Location found;
    for (qsizetype pos = 0; pos < data.size();) {
        const LineSpan line = lineAt(data, pos);
        pos = line.end;
        const QByteArrayView text = lineText(data, line);
        QByteArrayView name;
        if (sectionName(text, &name)) {
            if (found.hasSection) {
                break;  // the end of the first matching section
            }
            if (sameName(name, section)) {
                found.hasSection = true;
                found.lastSectionLine = line;
            }
            continue;
        }
        if (!found.hasSection || text.isEmpty()) {
            continue;
        }
        found.lastSectionLine = line;
        const qsizetype equals = text.indexOf('=');
        if (!found.hasKey && equals >= 0) {
            const QByteArrayView keyText = text.first(equals).trimmed();
            if (sameName(keyText, key)) {
                found.hasKey = true;
                found.keyLine = line;
                found.keyText = keyText.toByteArray();
                found.value = text.sliced(equals + 1).trimmed().toByteArray();
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

// A value as the readers return it: decoded, and cut at kMaxValueLength characters.
QString valueText(QByteArrayView bytes) {
    QString value = decodeText(bytes);
    if (value.size() > Profile::kMaxValueLength) {
        qsizetype cut = Profile::kMaxValueLength;
        if (value.at(cut - 1).isHighSurrogate()) {
            --cut;  // never leave half a character behind
        }
        value.truncate(cut);
    }
    return value;
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
    return valueIn(data, section, key, defaultValue);
}

QString Profile::valueIn(const QByteArray& data, const QString& section, const QString& key,
                         const QString& defaultValue) {
    const Location found = locate(data, section, key);
    return found.hasKey ? valueText(found.value) : defaultValue;
}

QList<Profile::Section> Profile::sections(const QByteArray& data) {
    QList<Section> result;
    Section* current = nullptr;  // null outside a section and in a repeated one
    for (qsizetype pos = 0; pos < data.size();) {
        const LineSpan line = lineAt(data, pos);
        pos = line.end;
        const QByteArrayView text = lineText(data, line);
        QByteArrayView name;
        if (sectionName(text, &name)) {
            const QString decoded = decodeText(name);
            const bool repeated =
                std::any_of(result.cbegin(), result.cend(),
                            [&](const Section& s) { return sameName(s.name, decoded); });
            current = repeated ? nullptr : &result.emplace_back(Section{decoded, {}});
            continue;
        }
        const qsizetype equals = text.indexOf('=');
        if (!current || equals < 0) {
            continue;
        }
        const QString key = decodeText(text.first(equals).trimmed());
        const bool repeated = std::any_of(current->entries.cbegin(), current->entries.cend(),
                                          [&](const Entry& e) { return sameName(e.key, key); });
        if (!repeated) {
            current->entries.append({key, valueText(text.sliced(equals + 1).trimmed())});
        }
    }
    return result;
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
    if (!writeValue(data, section, key, value)) {
        throwWriteError();
    }
    if (!SafeFile::writeWhole(filePath_, data)) {
        throwWriteError();
    }
}

bool Profile::writeValue(QByteArray& data, const QString& section, const QString& key,
                         const QString& value) {
    // A line break would end the line early and smuggle text into the file as lines of
    // their own; such a value cannot be stored.
    if (containsLineBreak(section) || containsLineBreak(key) || containsLineBreak(value)) {
        return false;
    }
    const Location found = locate(data, section, key);
    const qsizetype firstNewline = data.indexOf('\n');
    const QByteArray eol = (firstNewline > 0 && data.at(firstNewline - 1) == '\r') ? "\r\n" : "\n";
    const QByteArray valueBytes = value.toUtf8();

    if (found.hasKey) {
        const LineSpan& line = found.keyLine;
        data.replace(line.begin, line.contentEnd - line.begin, found.keyText + '=' + valueBytes);
    } else if (found.hasSection) {
        const LineSpan& after = found.lastSectionLine;
        const QByteArray entry = key.toUtf8() + '=' + valueBytes;
        if (after.end == after.contentEnd) {
            data.insert(after.end, eol + entry);  // the file ended without a line break
        } else {
            data.insert(after.end, entry + eol);
        }
    } else {
        // The last line, found before a line end is added to it.
        qsizetype lastBegin = -1;
        if (!data.isEmpty()) {
            lastBegin = data.size() >= 2 ? data.lastIndexOf('\n', data.size() - 2) + 1 : 0;
        }
        const LineSpan last = lastBegin >= 0 ? lineAt(data, lastBegin) : LineSpan{};
        if (!data.isEmpty() && !data.endsWith('\n')) {
            data.append(eol);
        }
        if (lastBegin >= 0 && !lineText(data, last).isEmpty()) {
            data.append(eol);  // a blank line before the new section
        }
        data.append('[' + section.toUtf8() + ']' + eol + key.toUtf8() + '=' + valueBytes + eol);
    }

    return true;
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
