#include "MetadataWindows.h"

#include <QAction>
#include <QEvent>
#include <QWidget>

#include "lists/TrackLists.h"
#include "metadata/TCover.h"
#include "metadata/TInfoForm.h"
#include "core/PlayerEngine.h"

MetadataWindows::MetadataWindows(const Parts& parts, const WindowPlacement& placement,
                                 QObject* parent)
    : QObject(parent),
      parts_(parts),
      coverLeft_(placement.coverLeft),
      coverTop_(placement.coverTop),
      coverWidth_(placement.coverWidth) {
    connect(&parts_.engine, &PlayerEngine::streamInfoShown, this, &MetadataWindows::onStreamInfo);
    connect(&parts_.engine, &PlayerEngine::coverRefreshRequested, this,
            [this](const QString& track) {
                if (Cover) {
                    Cover->followTrack(track);
                }
            });
    parts_.lists.setInfoWindowOpener(
        [this](const QString& file) { showTitleInformation(file, QString()); });
    connect(&parts_.showCover, &QAction::triggered, this, &MetadataWindows::ShowCover1Click);
    connect(&parts_.hideCover, &QAction::triggered, this, &MetadataWindows::HideCover1Click);
    parts_.mainWindow.installEventFilter(this);
}

MetadataWindows::~MetadataWindows() = default;

TInfoForm& MetadataWindows::info() {
    if (!InfoForm) {
        InfoForm = new TInfoForm(&parts_.mainWindow);
        if (stream_.channelMode >= 0) {
            InfoForm->showStreamInfo(stream_.mpeg, stream_.layer, stream_.kbps, stream_.khz,
                                     stream_.channelMode);
        }
        connect(InfoForm, &TInfoForm::coverChanged, this, &MetadataWindows::onCoverChanged);
    }
    return *InfoForm;
}

TCover& MetadataWindows::cover() {
    if (!Cover) {
        Cover = new TCover(&parts_.mainWindow);
        Cover->place(coverLeft_, coverTop_, coverWidth_);
        connect(Cover, &TCover::closedByFrame, this, &MetadataWindows::HideCover1Click);
    }
    return *Cover;
}

// ---- Title information -----------------------------------------------------------------

void MetadataWindows::showTitleInformation(const QString& file, const QString& lengthText) {
    TInfoForm& form = info();
    form.setCoverPath(parts_.settings.Coverpath);
    form.showFor(file, lengthText);
}

void MetadataWindows::onStreamInfo(const QString& mpeg, const QString& layer, const QString& kbps,
                                   const QString& khz, int channelMode) {
    stream_ = {mpeg, layer, kbps, khz, channelMode};
    if (InfoForm) {
        InfoForm->showStreamInfo(mpeg, layer, kbps, khz, channelMode);
    }
}

void MetadataWindows::onCoverChanged(const QString& track) {
    if (Cover) {
        Cover->coverChanged(track);
    }
}

// ---- Cover window ------------------------------------------------------------------------

void MetadataWindows::ShowCover1Click() {
    TCover& window = cover();
    window.setCoverPath(parts_.settings.Coverpath);
    if (window.isHidden()) {
        window.show();
        window.FormShow(parts_.engine.currentTrack());
    }
    window.raise();
    window.activateWindow();
    parts_.hideCover.setEnabled(true);
}

void MetadataWindows::HideCover1Click() {
    if (Cover) {
        Cover->hide();
    }
    parts_.hideCover.setEnabled(false);
}

void MetadataWindows::storeCoverPlacement(WindowPlacement& placement) const {
    if (Cover) {
        placement.coverLeft = Cover->framePosition().x();
        placement.coverTop = Cover->framePosition().y();
        placement.coverWidth = Cover->clientWidth();
    } else {
        placement.coverLeft = coverLeft_;
        placement.coverTop = coverTop_;
        placement.coverWidth = coverWidth_;
    }
}

void MetadataWindows::DefaultCoverPosition() {
    coverLeft_ = 0;
    coverTop_ = 0;
    coverWidth_ = kDefaultCoverWidth;
    if (Cover) {
        Cover->place(coverLeft_, coverTop_, coverWidth_);
    }
}

// The cover window that was shown when the positions were saved comes with the main window.
bool MetadataWindows::eventFilter(QObject* watched, QEvent* event) {
    if (watched == &parts_.mainWindow && event->type() == QEvent::Show) {
        parts_.mainWindow.removeEventFilter(this);
        if (parts_.hideCover.isEnabled()) {
            ShowCover1Click();
            parts_.mainWindow.activateWindow();
        }
    }
    return QObject::eventFilter(watched, event);
}
