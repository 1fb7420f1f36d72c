#pragma once
// EngineListPlayer: the player engine as the track lists see it (ListPlayer). It forwards
// each of the lists' calls to the matching engine command and passes the engine's
// playlistRanOut on to the list commands, so that a playlist fill still under way hands
// the player its next row. This is the one place of the lists that names the engine.
//
// GUI thread only. The engine and the commands must outlive it.

#include <QObject>

#include "core/ListPlayer.h"

class ListCommands;
class PlayerEngine;

class EngineListPlayer : public QObject, public ListPlayer {
    Q_OBJECT

public:
    EngineListPlayer(PlayerEngine& engine, ListCommands& lists, QObject* parent = nullptr);

    bool trackLoaded() const override;
    QString currentTrack() const override;
    void loadTrack(const QString& file) override;
    void switchToTrack(const QString& file) override;
    void NextUpClick() override;
    void setNextEnabled(bool enabled) override;

private:
    PlayerEngine& engine_;
};
