#pragma once
// One INI file read and written with the profile-file semantics the settings were first
// designed for.
//
// - Sections and keys are compared without regard to letter case. When a section or a key
//   appears more than once, the first occurrence is the one read and written.
// - Nothing is cached: every call opens the file anew, so several Profile objects over
//   one file, or a user editing it by hand, always see the same values.
// - A value read is the text after the first "=", without surrounding blanks, cut at
//   1023 characters. Lines without "=" and key lines outside any section are skipped.
// - Integers are written in decimal. On reading, "0x"/"0X" followed by at least one more
//   character, or "$", starts a hexadecimal number (at most 32 bits, read as two's
//   complement); decimal numbers take an optional sign and must fit into an int. Anything
//   else, including trailing text, gives the caller's default.
// - Booleans are written as "1" and "0" and read as integers; any non-zero value is true.
// - A write changes only the line of its key and keeps every other byte of the file
//   (comments, unknown keys, other sections, line ends). A missing key is added at the
//   end of its section, a missing section at the end of the file, a missing file is
//   created. The new content goes to a temporary file in the same directory that then
//   replaces the old one, so a failed write never leaves a truncated file; the file's
//   permissions are kept.
// - A failed write throws SonvoxError "nach <file> kann nicht geschrieben werden". A file
//   that exists but cannot be read, or is read-only, is not written.
//
// Reads never throw: a missing or unreadable file, a missing section or key, or garbage
// in the file yields the default. Use from one thread at a time.

#include <QByteArray>
#include <QList>
#include <QString>

class Profile {
public:
    explicit Profile(const QString& filePath);

    const QString& filePath() const { return filePath_; }

    QString readString(const QString& section, const QString& key,
                       const QString& defaultValue) const;
    int readInteger(const QString& section, const QString& key, int defaultValue) const;
    bool readBool(const QString& section, const QString& key, bool defaultValue) const;

    void writeString(const QString& section, const QString& key, const QString& value);
    void writeInteger(const QString& section, const QString& key, int value);
    void writeBool(const QString& section, const QString& key, bool value);

    // The longest value readString returns, in characters.
    static constexpr qsizetype kMaxValueLength = 1023;

    // The integer read rule on its own, for values that did not come from a file.
    static bool parseInteger(const QString& text, int* result);

    // ---- the same rules on the file's bytes, without the file ----

    struct Entry {
        QString key;
        QString value;
        bool operator==(const Entry&) const = default;
    };
    struct Section {
        QString name;
        QList<Entry> entries;
        bool operator==(const Section&) const = default;
    };

    // Every section and key the readers find in data, in file order, each with the value
    // readString returns for it; of names equal but for letter case only the first.
    static QList<Section> sections(const QByteArray& data);

    // What readString returns when the file holds data.
    static QString valueIn(const QByteArray& data, const QString& section, const QString& key,
                           const QString& defaultValue);

    // Changes data as writeString changes the file. Returns false and leaves data alone
    // when the section, the key or the value holds a line break.
    static bool writeValue(QByteArray& data, const QString& section, const QString& key,
                           const QString& value);

private:
    [[noreturn]] void throwWriteError() const;

    QString filePath_;
};
