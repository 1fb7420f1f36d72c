#pragma once
// The main window "Sonvox": the player panel, the playlist below it and the selection at
// its right, with the menus. It owns, for the whole run, the one XaudioPlayer, the one
// AppSettings, the player engine and the playlist; it routes the decoder's notifications
// (posted DecoderEvents) to the engine and the hand-offs of later starts to the lists.
//
// Life cycle: the constructor is the window's creation (settings, decoder start, lists,
// start file decided); the first showing acts on the start file; closing stops and quits
// the decoder and ends the application, as does the decoder's end notification.

#include <QMainWindow>
#include <QStringList>
#include <functional>
#include <memory>

#include "core/AppSettings.h"
#include "core/PlayMode.h"
#include "core/Profile.h"
#include "lists/ListWindowHost.h"
#include "lists/LoadDialogSource.h"
#include "playback/PlayerKeys.h"

class DecoderBackend;
class EngineListPlayer;
class ListSaveDialog;
class MetadataWindows;
class PlayerEngine;
class PlayerPanel;
class TAboutForm;
class QAction;
class QActionGroup;
class QMenu;
class TLoadDialog;
class TSetupForm;
class TAboutForm;
class TVolumeForm;
class MprisService;
class TrackLists;
class XaudioPlayer;
class ClientArea;

class TPlayerForm : public QMainWindow, public ListWindowHost {
    Q_OBJECT
public:
    // args: the command-line arguments without the program name, in the form that
    // decideStartFile takes them (empty: use the stored start file).
    // useStoredStartFile false: no start file at all (a start that fills a list instead).
    TPlayerForm(std::unique_ptr<DecoderBackend> decoder, const QStringList& args,
                bool useStoredStartFile = true, QWidget* parent = nullptr);
    ~TPlayerForm() override;

    // ---- Client area ------------------------------------------------------------------
    QSize clientSize() const;
    void setClientSize(int width, int height);

    // ---- Parts other windows and tests reach ------------------------------------------
    XaudioPlayer& decoder() const { return *decoder_; }
    PlayerEngine& engine() const { return *engine_; }
    PlayerPanel& panel() const { return *PL1; }
    TrackLists& lists() const { return *lists_; }
    TLoadDialog& loadDialog();
    ListSaveDialog& saveDialog();
    AppSettings& settings() { return settings_; }
    Profile& profile() { return profile_; }
    bool timerStarted() const { return timerStarted_; }
    QMenu* modeMenu() const { return PopupMenu2; }
    TVolumeForm* volumeForm() const { return VolumeForm; }
    TAboutForm* aboutForm() const { return AboutForm1; }
    MprisService* mediaInterface() const { return mpris_; }
    // Shows the title-information window modally for a track and its length text.
    void setTitleInformation(std::function<void(const QString&, const QString&)> show) {
        showTitleInformation_ = std::move(show);
    }
    // The title-information and cover windows and their commands.
    MetadataWindows& metadataWindows() const { return *metadata_; }

public slots:
    // ---- Hand-offs from later starts (the message hook) --------------------------------
    void bringToFront();
    void startReceived(const QString& file);
    void playlistReceived(const QStringList& files);
    void selectionReceived(const QStringList& files);

    // ---- Menu commands -----------------------------------------------------------------
    // File > Open: "&Mpeg File" (tracks into the playlist), "&Playlist", "&Selection" (a
    // list file into that list), each through the load dialog prepared for it.
    void MpegFile1Click();
    void Playlist2Click();
    void Selection1Click();
    // File > Save: "&Playlist", "&Selection", through the save dialog.
    // These five show an error in the application's error report themselves.
    void Playlist3Click();
    void Selection2Click();
    void Exit1Click();
    void SaveWindowpositions1Click();
    void DefaultPositions1Click();
    void Autopause1Click();    // single play
    void Playlist1Click();     // continuous play
    void Hinweisean1Click();   // tooltips on
    void Hinweiseaus1Click();  // tooltips off
    void Setup1Click();        // the setup window, made on first use
    void About2Click();
    // The volume window: made on first use, attached to the engine and shown on every call.
    void MonitorPL1Click();
    // The title-information window for the loaded track (nothing when none is loaded);
    // the panel's tag is read again when it closes.
    void InfoUpClick();

public:
    // The shared bodies of the play-mode and tooltip commands: each writes its key first.
    void SetPlayMode(PlayMode mode);
    void SetShowHints(bool on);

    // Loads the start list into the playlist and takes its first track into the player.
    void startPlaylist();
    // Loads a list file into the playlist in place of its rows, shuffles it when asked, and
    // takes its first track into the player.
    void startPlaylistFrom(const QString& listFile, bool randomize);

    // ---- Room for the lists (ListWindowHost) ---------------------------------------------
    void growHeight() override;
    void growWidth() override;

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void customEvent(QEvent* event) override;

private:
    void FormCreate(const QStringList& args, bool useStoredStartFile);
    void FormShow();
    void LoadSettings();
    void buildMenus();
    PlayerKeys::Actions keyActions();
    // The media-player interface on the session bus, started once the window shows.
    void startMediaInterface();
    // The directory the dialogs start in for kind, from the settings in force.
    QString directoryFor(LoadKind kind) const;
    void updateFileMenu();
    void applyPlayModeMarks(PlayMode mode);
    void applyHintMarks(bool on);
    void onFirstTick();
    void takeStart(const QString& file);
    void changeSetting(const std::function<void()>& command);
    void centreOnScreen();

    Profile profile_;
    AppSettings settings_;
    WindowPlacement placement_;
    std::unique_ptr<XaudioPlayer> decoder_;
    PlayerPanel* PL1 = nullptr;
    ClientArea* client_ = nullptr;
    std::unique_ptr<TrackLists> lists_;
    std::unique_ptr<PlayerEngine> engine_;
    PlayerKeys* keys_ = nullptr;
    MprisService* mpris_ = nullptr;
    TVolumeForm* VolumeForm = nullptr;  // made on first use, see MonitorPL1Click()
    std::function<void(const QString&, const QString&)> showTitleInformation_;
    std::unique_ptr<EngineListPlayer> listPlayer_;  // the engine as the lists see it
    TLoadDialog* LoadDialog1 = nullptr;     // made on first use, see loadDialog()
    ListSaveDialog* SaveDialog1 = nullptr;  // made on first use, see saveDialog()
    TSetupForm* SetupForm1 = nullptr;       // made on first use, see Setup1Click()
    TAboutForm* AboutForm1 = nullptr;       // made on first use, see About2Click()
    MetadataWindows* metadata_ = nullptr;

    // Hands the lists the load dialog, making it when they first need it.
    class LazyLoadDialog : public LoadDialogSource {
    public:
        explicit LazyLoadDialog(TPlayerForm& form) : form_(form) {}
        void prepare(LoadKind kind) override;
        LoadDialogResult exec() override;
        bool appendTicked() const override;
        void storeTrackDirectory(const QString& dir) override;

    private:
        TPlayerForm& form_;
    };
    LazyLoadDialog lazyLoadDialog_{*this};
    bool timerStarted_ = false;
    bool shownOnce_ = false;
    bool closing_ = false;
    QStringList pendingStarts_;  // "Start" hand-offs that came before the first tick

    // Menus and their entries.
    QMenu* Open1 = nullptr;           // File: "&Open"
    QMenu* Save1 = nullptr;           // File: "&Save"
    QMenu* PopupMenu2 = nullptr;      // the mode image's right-click menu
    QAction* Restart1 = nullptr;      // Edit: "&Restart"
    QAction* Rewind1 = nullptr;       // Edit: "&Stop"
    QAction* Pause1 = nullptr;        // Edit: "&Pause"
    QAction* Play1 = nullptr;         // Edit: "P&lay"
    QAction* Volume1 = nullptr;       // Edit: "&Volume"
    QAction* Next1 = nullptr;         // Edit: "&Next"
    QAction* Info3 = nullptr;         // Edit: "&Info"
    QAction* AutoPlay1 = nullptr;     // Edit: "&Continuous Play"
    QAction* AutoPause2 = nullptr;    // Edit: "Singl&e Play"
    QAction* Autopause1 = nullptr;    // mode menu: "&Single Play"
    QAction* Playlist1 = nullptr;     // mode menu: "Continuous &Play"
    QAction* Hinweisean1 = nullptr;   // mode menu: "Show &Hints"
    QAction* Hinweiseaus1 = nullptr;  // mode menu: "&No Hints"
    QAction* ShowCover1 = nullptr;    // Window: "&Show Cover"
    QAction* HideCover1 = nullptr;    // its enabled state tells whether the cover shows
};
