#pragma once
// The main window's side of the title-information and cover windows: makes each window
// on first use, opens the title information from the player panel and from the lists,
// carries the player's stream information and track changes to the windows, and runs the
// Window menu's "&Show Cover" and "&Hide Cover".
//
// Whether the cover window is shown is recorded, as the settings file stores it, in the
// enabled state of the "&Hide Cover" action. The cover window's place is kept here until
// the window exists, so "&Default Positions" and "Save &Positions" work on it either way.
// A cover window that is to be shown at start appears when the main window is first shown.
//
// The main window's "&Info" (the panel's info button, the Edit menu, the key I) and the
// lists' "&Info" open the title information through showTitleInformation().
//
// GUI thread only.

#include <QObject>
#include <QString>

#include "core/AppSettings.h"

class PlayerEngine;
class QAction;
class QWidget;
class TCover;
class TInfoForm;
class TrackLists;

class MetadataWindows : public QObject {
    Q_OBJECT
public:
    struct Parts {
        QWidget& mainWindow;  // parent of both windows
        PlayerEngine& engine;
        TrackLists& lists;
        const AppSettings& settings;  // Coverpath
        QAction& showCover;           // "&Show Cover"
        QAction& hideCover;           // "&Hide Cover"
    };
    // placement: the cover window's stored place and width.
    MetadataWindows(const Parts& parts, const WindowPlacement& placement,
                    QObject* parent = nullptr);
    ~MetadataWindows() override;

    // The windows once made, else nullptr.
    TInfoForm* infoForm() const { return InfoForm; }
    TCover* coverWindow() const { return Cover; }
    // The windows, made when first asked for.
    TInfoForm& info();
    TCover& cover();

    // "Save &Positions": the cover window's place and client width into placement.
    void storeCoverPlacement(WindowPlacement& placement) const;
    // "&Default Positions": the cover window to the top left corner, 240 by 240.
    void DefaultCoverPosition();

public slots:
    // The title-information window on file, modally; lengthText goes into its length field.
    void showTitleInformation(const QString& file, const QString& lengthText);
    void ShowCover1Click();
    void HideCover1Click();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void onStreamInfo(const QString& mpeg, const QString& layer, const QString& kbps,
                      const QString& khz, int channelMode);
    void onCoverChanged(const QString& track);

    Parts parts_;
    TInfoForm* InfoForm = nullptr;  // made on first use, see info()
    TCover* Cover = nullptr;        // made on first use, see cover()
    int coverLeft_;
    int coverTop_;
    int coverWidth_;

    // The player's last stream information, for a title-information window made later.
    struct StreamText {
        QString mpeg, layer, kbps, khz;
        int channelMode = -1;
    } stream_;
};
