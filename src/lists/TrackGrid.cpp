#include "TrackGrid.h"

namespace {

// Widths in pixels of the eight columns, in column order.
constexpr int kColumnWidths[TrackColumn::Count] = {10, 125, 126, 30, 70, 125, 125, 140};

}  // namespace

TrackGrid::TrackGrid(Kind kind, TrackListModel& list, QWidget* parent)
    : TKMVStringGrid(parent), kind_(kind), list_(list) {
    setObjectName(kind == Kind::Playlist ? QStringLiteral("PlaylistGrid")
                                         : QStringLiteral("Auswahlgrid"));
    setColCount(TrackColumn::Count);
    setDefaultRowHeight(kRowHeightPx);
    TGridOptions options = goFixedVertLine | goFixedHorzLine | goVertLine | goHorzLine |
                           goColSizing | goRowSelect | goThumbTracking;
    if (kind == Kind::Playlist) {
        options |= goRangeSelect | goRowMoving;
    }
    setOptions(options);
    for (int col = 0; col < TrackColumn::Count; ++col) {
        setColWidth(col, kColumnWidths[col]);
    }
    setModel(&list);
}

bool TrackGrid::onRowArea(QPoint pos) {
    return pos.y() > kHeaderStripPx && pos.x() > kFixedColumnPx;
}
