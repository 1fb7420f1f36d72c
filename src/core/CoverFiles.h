#pragma once
// Where a track's cover picture lives, and reading, writing and deleting it.
//
// A track P has two cover locations:
//   1. beside the track: P without its last four characters, then ".jpg"
//      ("/Music/Song.mp3" gives "/Music/Song.jpg", "/Music/A.B.mp3" gives "/Music/A.B.jpg");
//   2. in the cover directory: the Coverpath setting (ending in "/"), the track's
//      TrackBaseName, ".jpg" ("/Music/A.B.mp3" gives Coverpath + "A.jpg").
// Location 1 comes first for reading and for writing; location 2 serves tracks on media
// that cannot be written. A location is writable when a probe file of the same name with
// the extension ".xxx" can be created, closed and deleted (an existing file of that name is
// never touched).
//
// Cover files hold JPEG data. A cover is written through a temporary file in the same
// folder, renamed over the old cover only when every byte is on disk, so a failed write
// leaves the old cover (or none) as it was, never half a picture.
//
// Importing accepts a Windows bitmap or a JPEG file, told apart by the last three
// characters of the file name in any case; a JPEG file is written unchanged, a bitmap is
// encoded. Nothing is written for a file whose content does not match its name.
//
// Thread rules: no state beyond the cover directory; callable from any thread.

#include <QByteArray>
#include <QString>

#include "Picture.h"

// Message boxes of the cover commands (an error icon each). A location that cannot be
// written uses kAccessDeniedText with kAccessDeniedCaption (Id3v1Tag.h).
inline const QString kUnknownPictureFormatText = QStringLiteral("Unbekanntes Bildformat!");
inline const QString kUnknownPictureFormatCaption = QStringLiteral("Fehler");

class CoverFiles {
public:
    // Cover files larger than this are not read: no cover of sane size comes near it.
    static constexpr qint64 kMaxCoverBytes = 256LL * 1024 * 1024;

    explicit CoverFiles(QString coverPath) : coverPath_(std::move(coverPath)) {}

    // ---- Locations -------------------------------------------------------------------
    static QString besideTrack(const QString& track);
    QString inCoverDirectory(const QString& track) const;
    // The probe name of a cover file: ".xxx" in place of its last four characters.
    static QString probeName(const QString& coverFile);
    // Whether the probe for coverFile can be created, closed and deleted.
    static bool isWritable(const QString& coverFile);
    // Where a new cover of track goes: location 1 when writable, else 2, else empty.
    QString writeTarget(const QString& track) const;

    // ---- Reading ---------------------------------------------------------------------
    enum class Read {
        None,    // neither location can be opened for reading
        Read,    // bytes hold the file at `file`
        Failed,  // the file at `file` was opened but could not be read; error says why
    };
    // The cover of track: location 1 when it can be opened for reading, else location 2.
    Read readCover(const QString& track, QByteArray& bytes, QString* file = nullptr,
                   QString* error = nullptr) const;
    // A whole regular file of at most kMaxCoverBytes. Never blocks on a FIFO or device.
    static Read readFile(const QString& path, QByteArray& bytes, QString* error = nullptr);

    // ---- Writing and deleting ----------------------------------------------------------
    enum class Write {
        Written,       // the cover is at `file`
        AccessDenied,  // neither location is writable; nothing was written
        Failed,        // the write failed; the old cover, if any, is unchanged; error says why
    };
    Write writeCover(const QString& track, const QByteArray& jpeg, QString* file = nullptr,
                     QString* error = nullptr) const;

    enum class Delete {
        Deleted,       // the cover at location 1, or else the one at location 2, is gone
        NoCover,       // neither location holds a file
        AccessDenied,  // a cover file exists but could not be deleted
    };
    Delete deleteCover(const QString& track) const;

    // ---- Importing -------------------------------------------------------------------
    enum class ImportKind { Bitmap, Jpeg, Unknown };
    static ImportKind importKind(const QString& pickedFile);

    // A picture ready to be written as a cover.
    struct Import {
        QByteArray jpeg;  // what the cover file will hold
        Picture picture;  // the picture to show: a bitmap at full size; a JPEG at the
                          // display size asked for
        QString error;    // why the file cannot be imported; then nothing else is set
        bool unknownFormat = false;  // the name is neither ".bmp" nor ".jpg"
    };
    // Reads and checks pickedFile; a JPEG is decoded at no less than showWidth x
    // showHeight for display (and to check it is one), a bitmap is parsed and encoded.
    static Import importFile(const QString& pickedFile, int showWidth, int showHeight);
    // Encodes a picture (from the clipboard).
    static Import importPicture(const Picture& picture);

private:
    QString coverPath_;
};
