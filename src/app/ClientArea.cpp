#include "ClientArea.h"

#include <algorithm>

ClientArea::ClientArea(QWidget* playerPanel, QWidget* playlistPanel, QWidget* selectionPanel,
                       QWidget* parent)
    : QWidget(parent), player_(playerPanel), playlist_(playlistPanel), selection_(selectionPanel) {
    for (QWidget* w : {player_, playlist_, selection_}) {
        w->setParent(this);
    }
    setMinimumSize(player_->size());
    layoutPanels();
}

void ClientArea::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    layoutPanels();
}

// The player panel keeps its size; the playlist takes the height below it and the
// selection the width beside it.
void ClientArea::layoutPanels() {
    const int pw = player_->width();
    const int ph = player_->height();
    const int w = std::max(width(), pw);
    const int h = std::max(height(), ph);
    player_->move(0, 0);
    playlist_->setGeometry(0, ph, pw, h - ph);
    selection_->setGeometry(pw, 0, w - pw, h);
    playlist_->setVisible(h > ph);
    selection_->setVisible(w > pw);
}
