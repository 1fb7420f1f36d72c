#pragma once
// The main window's client area: the player panel at the top left, the playlist panel
// below it and the selection panel at the right over the full height. The player panel's
// size is the smallest client size; at that size the list panels get no room.

#include <QWidget>

class ClientArea : public QWidget {
    Q_OBJECT
public:
    ClientArea(QWidget* playerPanel, QWidget* playlistPanel, QWidget* selectionPanel,
               QWidget* parent = nullptr);

    QWidget* playerPanel() const { return player_; }
    QWidget* playlistPanel() const { return playlist_; }
    QWidget* selectionPanel() const { return selection_; }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void layoutPanels();

    QWidget* player_;
    QWidget* playlist_;
    QWidget* selection_;
};
