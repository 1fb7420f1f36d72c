#pragma once
// Edits the text of a user's mimeapps.list, the file that names each MIME type's default
// application ([Default Applications]) and the applications offered for it ([Added
// Associations]). Each value is a list of desktop-file ids, each followed by ";".
//
// Only the values of the given types change, and in them only the given id: every other
// line, comment, section and application stays as it was, in its place. Adding puts the id
// first in each list (the first installed id is the default) and keeps the others after
// it, so removing it again gives the earlier default back.
//
// Pure functions; any thread.

#include <QString>
#include <QStringList>

namespace MimeAppsList {

inline const QString kDefaultSection = QStringLiteral("Default Applications");
inline const QString kAddedSection = QStringLiteral("Added Associations");

// Makes desktopId the first entry for each type in both sections, creating keys and
// sections that are missing.
QString add(const QString& text, const QStringList& types, const QString& desktopId);

// Takes desktopId out of each type's list in both sections. A list that becomes empty
// loses its line, a section that becomes empty its header.
QString remove(const QString& text, const QStringList& types, const QString& desktopId);

}  // namespace MimeAppsList
