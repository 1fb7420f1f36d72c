// The main window's player side: the keys, the volume window, the title information and
// the media-player interface on the session bus.

#include <QFileInfo>
#include <QScreen>

#include "MprisService.h"
#include "TPlayerForm.h"
#include "core/ApplicationId.h"
#include "core/CoverFiles.h"
#include "core/PlayerEngine.h"
#include "core/SonvoxError.h"
#include "lists/TrackLists.h"
#include "playback/TVolumeForm.h"

// ---- Player windows and keys ------------------------------------------------------------

PlayerKeys::Actions TPlayerForm::keyActions() {
    PlayerKeys::Actions a;
    a.playlistDouble = [this] { runReported([this] { lists_->PlaylistDouble(); }); };
    a.togglePlayMode = [this] {
        if (engine_->playMode() == PlayMode::Single) {
            Playlist1Click();
        } else {
            Autopause1Click();
        }
    };
    a.info = [this] { InfoUpClick(); };
    a.loadIntoPlaylist = [this] { MpegFile1Click(); };
    a.loadIntoSelection = [this] { runReported([this] { lists_->loadTracksIntoSelection(); }); };
    a.volume = [this] { MonitorPL1Click(); };
    return a;
}

// Made on first use; from then on it follows the decoder's reports while hidden too.
void TPlayerForm::MonitorPL1Click() {
    if (!VolumeForm) {
        VolumeForm = new TVolumeForm(this);
        if (engine_->reportedVolume() >= 0) {
            VolumeForm->SetVolumePosition(engine_->reportedVolume());
        }
        if (engine_->reportedBalance() >= 0) {
            VolumeForm->SetBalancePosition(engine_->reportedBalance());
        }
        if (const QScreen* s = screen()) {
            const QRect area = s->availableGeometry();
            VolumeForm->move(area.center() -
                             QPoint(VolumeForm->width() / 2, VolumeForm->height() / 2));
        }
    }
    VolumeForm->AttachPlayer(*engine_);
    VolumeForm->show();
    VolumeForm->raise();
    VolumeForm->activateWindow();
}

void TPlayerForm::InfoUpClick() {
    const QString track = engine_->currentTrack();
    if (track.isEmpty() || !engine_->trackLoaded()) {
        return;
    }
    if (showTitleInformation_) {
        showTitleInformation_(track, engine_->display().lengthText);
    }
    // Edits made in the window show at once.
    runReported([this, track] { engine_->showTrackTag(track); });
}

void TPlayerForm::startMediaInterface() {
    if (mpris_ || closing_) {
        return;
    }
    MprisService::Hooks hooks;
    hooks.raise = [this] { bringToFront(); };
    hooks.quit = [this] { close(); };
    hooks.open = [this](const QString& file) { startReceived(file); };
    hooks.coverFile = [this](const QString& track) {
        // The cover that would be read: beside the track first, then in the cover folder.
        const CoverFiles covers(settings_.Coverpath);
        for (const QString& file :
             {CoverFiles::besideTrack(track), covers.inCoverDirectory(track)}) {
            if (QFileInfo(file).isFile()) {
                return file;
            }
        }
        return QString();
    };
    hooks.desktopEntry = ApplicationId::kId;
    mpris_ = new MprisService(*engine_, std::move(hooks), this);
    mpris_->registerOnSessionBus();  // without a session bus, simply none
}
