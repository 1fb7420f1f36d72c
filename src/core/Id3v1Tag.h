#pragma once
// ID3v1 tags: the 128-byte record at the end of a track file, its readers and its writer.
//
// On disk a tag is the last 128 bytes of the file when they begin with "TAG":
//
//   offset  width  field
//        0      3  "TAG"
//        3     30  title      text fields: Windows-1252 bytes, the rest of the field
//       33     30  artist     after the text filled with bytes 0; a field without a
//       63     30  album      byte 0 is all text
//       93      4  year
//       97     30  comment    (shown as "Note")
//      127      1  genre      0..115 index GenreTable, 255 no genre
//
// Each window reads tags its own way, so there is one reader per caller:
//   - readTrackTag (built from writetag and writetagc) for the player panel and the lists;
//   - readInfoTag for the title-information window;
//   - readDialogTitles for the load dialog's title list;
// and one writer, saveTag, for the title-information window.
//
// Failures. Readers are silent about a file that cannot be opened (missing, unreadable,
// or not a regular file: a directory, FIFO, socket or device is never read) and about a
// file without a tag, including one shorter than 128 bytes. An input/output error after
// the file was opened (a failed read, or a file that shrank so that its last 128 bytes
// can no longer be read) throws SonvoxError naming the file. The writer reports a file it
// cannot open for writing as SaveTagResult::AccessDenied and throws SonvoxError for a
// failed write, after undoing what it wrote as far as it can.
//
// The readers open the file once, read 128 bytes (and the first 102 bytes, for the header
// titles, only when they need the fallback) and close it; they are meant to be called for
// tens of thousands of files in a row. No function keeps state between calls; all may be called
// from any thread.

#include <QByteArrayView>
#include <QString>

#include <array>
#include <utility>

#include "GenreTable.h"

// ---- Records --------------------------------------------------------------------------

// A decoded tag, as the main window keeps it for the track it read last.
struct Id3v1Tag {
    QString title;
    QString artist;
    QString album;
    QString year;
    QString comment;
    int genre = GenreTable::kNone;  // 0..115, or kNone
};

// The 128 bytes of a tag as they lie on disk.
struct Id3v1Block {
    static constexpr int kSize = 128;
    static constexpr int kTitleOffset = 3;
    static constexpr int kArtistOffset = 33;
    static constexpr int kAlbumOffset = 63;
    static constexpr int kYearOffset = 93;
    static constexpr int kCommentOffset = 97;
    static constexpr int kGenreOffset = 127;
    static constexpr int kTextWidth = 30;  // title, artist, album, comment
    static constexpr int kYearWidth = 4;

    std::array<char, kSize> bytes{};

    // Whether the block begins with "TAG".
    bool hasMarker() const { return bytes[0] == 'T' && bytes[1] == 'A' && bytes[2] == 'G'; }

    // The bytes of the field at offset, up to but not including its first byte 0.
    QByteArrayView field(int offset, int width) const;

    // The genre index of the genre byte: kNone for 255 and for any byte of 116 or more.
    int genre() const {
        return GenreTable::fromByte(static_cast<unsigned char>(bytes[kGenreOffset]));
    }
};

// What readTagBlock found.
enum class TagBlockRead {
    CannotOpen,  // missing, unreadable, or not a regular file
    NoTag,       // opened; shorter than 128 bytes or its last 128 bytes lack "TAG"
    Tag,         // the block holds the tag
};

// Reads the last 128 bytes of file into block. Throws SonvoxError on an input/output
// error after opening.
TagBlockRead readTagBlock(const QString& file, Id3v1Block& block);

// ---- Main window: player panel and track lists ------------------------------------------

// Clears current (strings empty, genre kNone), then, when the file has a tag, decodes the
// five fields exactly as stored up to their first byte 0 (nothing trimmed) and the genre.
// Returns whether a tag was read.
bool writetag(const QString& file, Id3v1Tag& current);

// The fallback for a file whose tag gives no artist. Sets current's genre to kNone; when
// the file can be opened, sets its artist and title from the file's header titles (the
// bytes "asmp" at offset 36) or else from its TrackBaseName, and returns true. Year,
// album and comment keep what they held. Returns false when the file cannot be opened.
bool writetagc(const QString& file, Id3v1Tag& current);

// Where the texts of the player panel's tag labels came from.
enum class PanelTagSource {
    Unchanged,  // nothing was read: the labels keep what they show
    Tag,        // the tag: artist, title, year and genre name
    Fallback,   // the fallback: artist and title, year "0000", no genre name
};

// The four texts the player panel's artist, title, year and genre labels are to show.
struct PanelTagText {
    PanelTagSource source = PanelTagSource::Unchanged;
    QString artist;
    QString title;
    QString year;
    QString genre;
};

// The calling rule in one call: writetag, then writetagc when current's artist is empty,
// opening the file once. Leaves the result in current; the returned texts say what the
// panel shows (the list model may ignore them). A file whose artist is still empty
// afterwards could not be opened, or names no artist even in its fallback.
PanelTagText readTrackTag(const QString& file, Id3v1Tag& current);

// ---- Title-information window ---------------------------------------------------------

// A tag as the title-information window shows it.
struct InfoTag {
    QString title;
    QString artist;
    QString album;
    QString year;
    QString comment;
    int genre = GenreTable::kNone;
    bool fallback = false;  // the file has no tag; artist and title are the fallback's
};

// Reads the tag with every text trimmed of leading and trailing characters up to and
// including the space (spaces and control characters). A file without a tag gives the
// fallback's artist and title, year "0000", no genre, and fallback set. A file that
// cannot be opened gives empty fields.
InfoTag readInfoTag(const QString& file);

// ---- Load dialog ----------------------------------------------------------------------

// Artist and title of the tag, each up to its first byte 0 and then trimmed as in
// readInfoTag; both empty when the file has no tag or cannot be opened. When named is
// given it is set to whether the tag gives an artist or a title before trimming, that is
// whether the dialog lists the file by these titles rather than by its file name (a tag
// whose artist and title hold only spaces is listed by its titles, as " - ").
std::pair<QString, QString> readDialogTitles(const QString& file, bool* named = nullptr);

// ---- Writing --------------------------------------------------------------------------

// The texts saved into a tag, as the title-information window's edit fields hold them.
struct TagFields {
    QString artist;
    QString title;
    QString year;
    QString comment;
    QString album;
    QString genreName;  // a GenreTable name; empty or unknown saves no genre
};

enum class SaveTagResult {
    Saved,         // the tag was written
    AccessDenied,  // the file could not be opened for writing; nothing was written
};

// The message box shown for SaveTagResult::AccessDenied, with an error icon.
inline const QString kAccessDeniedText = QStringLiteral("Dateizugriff verweigert.");
inline const QString kAccessDeniedCaption = QStringLiteral("Lumaro");

// Writes fields as the tag of file: over the existing tag, or appended as 128 new bytes
// when the file has none (also when it is shorter than 128 bytes). Each text is encoded
// in Windows-1252 and cut to its field's width (30 bytes, the year 4), the rest of the
// field filled with bytes 0. The genre byte is the first GenreTable index whose name
// equals genreName, or 255. The block is written in one piece; should the write fail,
// the file is put back as it was as far as possible and SonvoxError is thrown.
SaveTagResult saveTag(const QString& file, const TagFields& fields);

// ---- The codec on bytes -------------------------------------------------------------------
// What the file functions above do once they have read or before they write, without a
// file: bytes in, values out.

// The block of a file whose content ends with fileEnd (the whole file or at least its last
// 128 bytes). False when fileEnd is shorter than 128 bytes or the block lacks "TAG".
bool tagBlockAt(QByteArrayView fileEnd, Id3v1Block& block);

// The tag as writetag decodes it.
Id3v1Tag decodeTag(const Id3v1Block& block);
// The tag as readInfoTag decodes it (fallback false).
InfoTag decodeInfoTag(const Id3v1Block& block);
// Artist and title as readDialogTitles decodes them, with named as there.
std::pair<QString, QString> decodeDialogTitles(const Id3v1Block& block, bool* named = nullptr);

// The header titles of a file that begins with fileStart (the whole file or at least its
// first kHeaderTitlesEnd bytes): "asmp" at offset 36, the title in up to 30 bytes from
// offset 40, the artist in up to 30 bytes from offset 72, each ending before the first two
// consecutive spaces. A file that ends within the titles gives the bytes it has. False,
// with artist and title unchanged, when there is no "asmp".
bool decodeHeaderTitles(QByteArrayView fileStart, QString& artist, QString& title);
inline constexpr qsizetype kHeaderTitlesEnd = 102;

// The block saveTag writes for fields.
Id3v1Block encodeTag(const TagFields& fields);
