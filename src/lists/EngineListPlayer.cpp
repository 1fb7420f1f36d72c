#include "EngineListPlayer.h"

#include "core/ListCommands.h"
#include "core/PlayerEngine.h"

EngineListPlayer::EngineListPlayer(PlayerEngine& engine, ListCommands& lists, QObject* parent)
    : QObject(parent), engine_(engine) {
    connect(&engine, &PlayerEngine::playlistRanOut, &lists, &ListCommands::playlistRanOut);
}

bool EngineListPlayer::trackLoaded() const {
    return engine_.trackLoaded();
}

QString EngineListPlayer::currentTrack() const {
    return engine_.currentTrack();
}

void EngineListPlayer::loadTrack(const QString& file) {
    engine_.loadTrack(file);
}

void EngineListPlayer::switchToTrack(const QString& file) {
    engine_.switchToTrack(file);
}

void EngineListPlayer::NextUpClick() {
    engine_.NextUpClick();
}

void EngineListPlayer::setNextEnabled(bool enabled) {
    engine_.setNextEnabled(enabled);
}
