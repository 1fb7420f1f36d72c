#pragma once
// One track of a list: eight cells in fixed column order, the shape in which the lists
// keep their rows, list files store them and rows travel between the two lists. A row
// holds a track exactly when its file name cell is not empty.

#include <QString>
#include <QTypeInfo>
#include <array>

using TrackRow = std::array<QString, 8>;

// Eight QStrings move as bytes, so a QList of rows grows by moving memory, not cell by cell.
Q_DECLARE_TYPEINFO(TrackRow, Q_RELOCATABLE_TYPE);

namespace TrackColumn {
inline constexpr int Fixed = 0;     // always empty: the grid's fixed column, the drag handle
inline constexpr int Artist = 1;    // from the tag
inline constexpr int Title = 2;     // from the tag
inline constexpr int Year = 3;      // from the tag, kept as text
inline constexpr int Genre = 4;     // the genre's name, empty when the tag gives none
inline constexpr int Album = 5;     // from the tag
inline constexpr int Note = 6;      // the tag's comment
inline constexpr int Filename = 7;  // full path of the track file
inline constexpr int Count = 8;     // number of cells in a row
}  // namespace TrackColumn

inline bool holdsTrack(const TrackRow& row) {
    return !row[TrackColumn::Filename].isEmpty();
}
