#include "TPlayerForm.h"

#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLayout>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QScreen>
#include <QTimer>
#include <cstdio>

#include "ClientArea.h"
#include "MetadataWindows.h"
#include "MprisService.h"
#include "SonvoxApplication.h"
#include "TAboutForm.h"
#include "TSetupForm.h"
#include "WindowGrowth.h"
#include "controls/TKMVButton.h"
#include "core/DecoderBackend.h"
#include "core/DecoderEvent.h"
#include "core/FileTypeRegistration.h"
#include "core/GenreTable.h"
#include "core/ListFile.h"
#include "core/Paths.h"
#include "core/PhysicalMemory.h"
#include "core/PlayerEngine.h"
#include "core/SonvoxError.h"
#include "core/XaudioPlayer.h"
#include "lists/EngineListPlayer.h"
#include "lists/ListSaveDialog.h"
#include "lists/TLoadDialog.h"
#include "lists/TrackLists.h"
#include "playback/PlayerKeys.h"
#include "playback/PlayerPanel.h"
#include "playback/TVolumeForm.h"

namespace {
constexpr int kPlaylistClientHeight = 333;  // client height that shows some playlist rows
const char* const kDecoderStartError = "Cannot start Xaudio Decoder";

QString trackFailureText(int reason) {
    switch (static_cast<decoder::FailReason>(reason)) {
        case decoder::FailReason::CannotOpen:
            return QStringLiteral("the file is missing or cannot be read");
        case decoder::FailReason::NotMpegAudio:
            return QStringLiteral("no MPEG audio found in it");
        case decoder::FailReason::NoOutput:
            return QStringLiteral("the sound output does not take its sampling rate");
    }
    return QStringLiteral("it cannot be decoded");
}

// Runs a menu command and shows what it throws in the application's error report, here
// rather than by unwinding through Qt's menu code.
template <typename Command>
void reportingErrors(Command command) {
    try {
        command();
    } catch (const SonvoxError& e) {
        SonvoxApplication::reportError(e.message());
    }
}
}  // namespace

TPlayerForm::TPlayerForm(std::unique_ptr<DecoderBackend> decoder, const QStringList& args,
                         bool useStoredStartFile, QWidget* parent)
    : QMainWindow(parent),
      profile_(Paths::settingsFile()),
      decoder_(std::make_unique<XaudioPlayer>(std::move(decoder))) {
    setWindowTitle(QStringLiteral("Sonvox"));
    FormCreate(args, useStoredStartFile);
}

TPlayerForm::~TPlayerForm() = default;

// ---- Creation -----------------------------------------------------------------------------

void TPlayerForm::FormCreate(const QStringList& args, bool useStoredStartFile) {
    // The random numbers of the third time field and the shuffle come from
    // QRandomGenerator::global(), which the system seeds; nothing to seed here.

    PL1 = new PlayerPanel(this);
    lists_ = std::make_unique<TrackLists>();
    engine_ = std::make_unique<PlayerEngine>(*decoder_, lists_->playlistSource());
    PL1->setEngine(engine_.get());
    listPlayer_ = std::make_unique<EngineListPlayer>(*engine_, lists_->commands());
    lists_->attach(*listPlayer_, *this, [this](QPoint at) { return PL1->takesDropAt(at); });
    client_ = new ClientArea(PL1, lists_->playlistPanel(), lists_->selectionPanel(), this);
    setCentralWidget(client_);
    buildMenus();

    LoadSettings();
    metadata_ = new MetadataWindows(
        {*this, *engine_, *lists_, settings_, *ShowCover1, *HideCover1}, placement_, this);
    showTitleInformation_ = [this](const QString& file, const QString& lengthText) {
        metadata_->showTitleInformation(file, lengthText);
    };

    // The message hook is wired by main (SingleInstance signals to the slots below).
    GenreTable::names();  // built once, here, before any tag is read

    connect(engine_.get(), &PlayerEngine::firstTick, this, &TPlayerForm::onFirstTick);
    connect(engine_.get(), &PlayerEngine::endReceived, this, [] { QCoreApplication::quit(); });
    connect(PL1, &PlayerPanel::modeMenuRequested, this,
            [this](const QPoint& at) { PopupMenu2->popup(at); });
    connect(engine_.get(), &PlayerEngine::errorOccurred, this, &SonvoxApplication::reportError);
    // One line per track that cannot be played: a list of missing files must not raise a
    // box per file.
    connect(engine_.get(), &PlayerEngine::trackFailed, this, [](const QString& file, int reason) {
        std::fprintf(stderr, "sonvox: cannot play \"%s\": %s\n", qPrintable(file),
                     qPrintable(trackFailureText(reason)));
    });
    connect(engine_.get(), &PlayerEngine::loadTracksRequested, this,
            [this] { lists_->loadTracksIntoPlaylist(); });
    connect(PL1->OpenButton, &TKMVButton::clicked, this,
            [this] { lists_->loadTracksIntoPlaylist(); });
    connect(PL1->Button1, &TKMVButton::clicked, this,
            [this] { lists_->loadTracksIntoSelection(); });
    connect(PL1->MonitorPL1, &TKMVButton::clicked, this, &TPlayerForm::MonitorPL1Click);
    connect(PL1->InfoUp, &TKMVButton::clicked, this, &TPlayerForm::InfoUpClick);
    connect(engine_.get(), &PlayerEngine::volumeReported, this, [this](int volume) {
        if (VolumeForm) {
            VolumeForm->SetVolumePosition(volume);
        }
    });
    connect(engine_.get(), &PlayerEngine::balanceReported, this, [this](int balance) {
        if (VolumeForm) {
            VolumeForm->SetBalancePosition(balance);
        }
    });
    keys_ = new PlayerKeys(*this, *engine_, keyActions(), this);
    qApp->installEventFilter(keys_);

    // The load and save dialogs are made once, on first use, and reused: building their
    // file-system views costs more than the rest of the window and is not needed to show it.
    lists_->setLoadDialog(&lazyLoadDialog_);
    lists_->setSaveDialog(
        [this](const QString& dir, int filterIndex) { return saveDialog().run(dir, filterIndex); });
    lists_->setListDirectories([this](LoadKind kind) { return directoryFor(kind); });

    // The decoder thread and the sound device start with the first command that needs
    // them, not before the window is shown; a failure is reported after that command.
    decoder_->startOnFirstCommand(this, [this](int) {
        QMetaObject::invokeMethod(
            this, [] { SonvoxApplication::reportError(QString::fromLatin1(kDecoderStartError)); },
            Qt::QueuedConnection);
    });
    engine_->setPlayMode(settings_.playMode);
    engine_->start();

    if (useStoredStartFile || !args.isEmpty()) {
        decideStartFile(settings_, profile_, args);
    }
}

// Window placement, directories, play mode and tooltips, in the order the settings file
// is read at start.
void TPlayerForm::LoadSettings() {
    placement_ = readWindowPlacement(profile_, PL1->width(), PL1->height());
    HideCover1->setEnabled(placement_.showCover);
    setClientSize(placement_.playerWidth, placement_.playerHeight);
    if (placement_.centre) {
        centreOnScreen();
    } else {
        move(placement_.playerLeft, placement_.playerTop);
    }
    settings_ = loadDirectorySettings(profile_, Paths::programDir());
    settings_.playMode = readPlayMode(profile_);
    applyPlayModeMarks(settings_.playMode);
    const bool hints = readShowHint(profile_);
    if (auto* app = qobject_cast<SonvoxApplication*>(QCoreApplication::instance())) {
        app->setShowHints(hints);
    }
    applyHintMarks(hints);
}

TLoadDialog& TPlayerForm::loadDialog() {
    if (!LoadDialog1) {
        LoadDialog1 = new TLoadDialog(this);
        LoadDialog1->setDirectorySource([this](LoadKind kind) { return directoryFor(kind); });
        LoadDialog1->setTrackDirectoryStore(
            [this](const QString& dir) { rememberMpegFiles(profile_, settings_, dir); });
    }
    return *LoadDialog1;
}

ListSaveDialog& TPlayerForm::saveDialog() {
    if (!SaveDialog1) {
        SaveDialog1 = new ListSaveDialog(this);
    }
    return *SaveDialog1;
}

// ---- The load dialog as the lists see it, made on first use ---------------------------

void TPlayerForm::LazyLoadDialog::prepare(LoadKind kind) {
    form_.loadDialog().source().prepare(kind);
}

LoadDialogResult TPlayerForm::LazyLoadDialog::exec() {
    return form_.loadDialog().source().exec();
}

// Before the dialog exists its "Append" box is in its initial, ticked state.
bool TPlayerForm::LazyLoadDialog::appendTicked() const {
    return form_.LoadDialog1 ? form_.LoadDialog1->source().appendTicked() : true;
}

void TPlayerForm::LazyLoadDialog::storeTrackDirectory(const QString& dir) {
    form_.loadDialog().source().storeTrackDirectory(dir);
}

QString TPlayerForm::directoryFor(LoadKind kind) const {
    switch (kind) {
        case LoadKind::Playlist:
            return settings_.Playlistpath;
        case LoadKind::Selection:
            return settings_.Selectionpath;
        case LoadKind::Tracks:
            break;
    }
    return settings_.MpegFiles;
}

void TPlayerForm::buildMenus() {
    QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
    Open1 = file->addMenu(QStringLiteral("&Open"));
    Open1->addAction(QStringLiteral("&Mpeg File"), this,
                     [this] { runReported([this] { MpegFile1Click(); }); });
    Open1->addAction(QStringLiteral("&Playlist"), this,
                     [this] { runReported([this] { Playlist2Click(); }); });
    Open1->addAction(QStringLiteral("&Selection"), this,
                     [this] { runReported([this] { Selection1Click(); }); });
    Save1 = file->addMenu(QStringLiteral("&Save"));
    Save1->addAction(QStringLiteral("&Playlist"), this,
                     [this] { runReported([this] { Playlist3Click(); }); });
    Save1->addAction(QStringLiteral("&Selection"), this,
                     [this] { runReported([this] { Selection2Click(); }); });
    file->addSeparator();
    file->addAction(QStringLiteral("E&xit"), this,
                    [this] { runReported([this] { Exit1Click(); }); });
    connect(file, &QMenu::aboutToShow, this, &TPlayerForm::updateFileMenu);

    QMenu* edit = menuBar()->addMenu(QStringLiteral("&Edit"));
    // Each entry does what its button or key does.
    PlayerEngine* engine = engine_.get();
    Restart1 = edit->addAction(QStringLiteral("&Restart"), engine, &PlayerEngine::AnfangUpClick);
    Rewind1 = edit->addAction(QStringLiteral("&Stop"), engine, &PlayerEngine::PrevUpClick);
    Pause1 = edit->addAction(QStringLiteral("&Pause"), engine, &PlayerEngine::PauseUpMouseDown);
    Play1 = edit->addAction(QStringLiteral("P&lay"), engine, &PlayerEngine::PlayUpMouseDown);
    Volume1 = edit->addAction(QStringLiteral("&Volume"), this, &TPlayerForm::MonitorPL1Click);
    Next1 = edit->addAction(QStringLiteral("&Next"), engine, &PlayerEngine::NextUpClick);
    Info3 = edit->addAction(QStringLiteral("&Info"), this, &TPlayerForm::InfoUpClick);
    edit->addSeparator();
    auto* editModes = new QActionGroup(this);
    AutoPlay1 = edit->addAction(QStringLiteral("&Continuous Play"), this,
                                [this] { runReported([this] { Playlist1Click(); }); });
    AutoPause2 = edit->addAction(QStringLiteral("Singl&e Play"), this,
                                 [this] { runReported([this] { Autopause1Click(); }); });
    for (QAction* a : {AutoPlay1, AutoPause2}) {
        a->setCheckable(true);
        editModes->addAction(a);
    }

    QMenu* window = menuBar()->addMenu(QStringLiteral("&Window"));
    window->addAction(QStringLiteral("Save &Positions"), this,
                      [this] { runReported([this] { SaveWindowpositions1Click(); }); });
    window->addAction(QStringLiteral("&Default Positions"), this,
                      [this] { runReported([this] { DefaultPositions1Click(); }); });
    window->addSeparator();
    ShowCover1 = window->addAction(QStringLiteral("&Show Cover"));
    // Its enabled state carries whether the cover window is shown.
    HideCover1 = window->addAction(QStringLiteral("&Hide Cover"));

    QMenu* help = menuBar()->addMenu(QStringLiteral("&Help"));
    help->addAction(QStringLiteral("&Setup"), this,
                    [this] { runReported([this] { Setup1Click(); }); });
    help->addAction(QStringLiteral("&About"), this,
                    [this] { runReported([this] { About2Click(); }); });

    PopupMenu2 = new QMenu(this);
    Autopause1 = PopupMenu2->addAction(QStringLiteral("&Single Play"), this,
                                       [this] { runReported([this] { Autopause1Click(); }); });
    Playlist1 = PopupMenu2->addAction(QStringLiteral("Continuous &Play"), this,
                                      [this] { runReported([this] { Playlist1Click(); }); });
    PopupMenu2->addSeparator();
    Hinweisean1 = PopupMenu2->addAction(QStringLiteral("Show &Hints"), this,
                                        [this] { runReported([this] { Hinweisean1Click(); }); });
    Hinweiseaus1 = PopupMenu2->addAction(QStringLiteral("&No Hints"), this,
                                         [this] { runReported([this] { Hinweiseaus1Click(); }); });
    auto* popupModes = new QActionGroup(this);
    auto* hintModes = new QActionGroup(this);
    for (QAction* a : {Autopause1, Playlist1}) {
        a->setCheckable(true);
        popupModes->addAction(a);
    }
    for (QAction* a : {Hinweisean1, Hinweiseaus1}) {
        a->setCheckable(true);
        hintModes->addAction(a);
    }
}

// ---- Showing, start file --------------------------------------------------------------

void TPlayerForm::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    FormShow();
}

void TPlayerForm::FormShow() {
    if (!mpris_) {
        // After the window is shown: the bus is not needed for the first paint.
        QTimer::singleShot(0, this, &TPlayerForm::startMediaInterface);
    }
    if (settings_.startPending) {
        settings_.startPending = false;
        if (isListFileName(settings_.startFile)) {
            engine_->setNextEnabled(true);
            startPlaylist();
        } else {
            engine_->loadTrack(settings_.startFile);
        }
    }
    PL1->setFocus();
}

void TPlayerForm::startPlaylist() {
    startPlaylistFrom(settings_.startFile, settings_.randomizeStartFile);
}

void TPlayerForm::startPlaylistFrom(const QString& listFile, bool randomize) {
    lists_->loadfile(listFile, ListLoadMode::Replace);
    engine_->setCurrentTrack(lists_->playlistSource().firstFileName());
    if (randomize) {
        lists_->Randomize1Click();
    }
    engine_->setNextEnabled(lists_->playlistSource().firstFileName().isEmpty() == false);
    engine_->NextUpClick();
    growHeight();
}

// ---- Room for the lists -----------------------------------------------------------------

void TPlayerForm::growHeight() {
    if (clientSize().height() < kPlaylistClientHeight) {
        setClientSize(clientSize().width(), kPlaylistClientHeight);
    }
    if (const QScreen* s = screen()) {
        const QRect frame = frameGeometry();
        const int top = WindowGrowth::topAfterGrowth(s->geometry(), frame);
        if (top != frame.top()) {
            move(frame.left(), top);
        }
    }
}

void TPlayerForm::growWidth() {
    if (clientSize().width() == PL1->width()) {
        setClientSize(2 * PL1->width(), clientSize().height());
    }
    if (const QScreen* s = screen()) {
        const QRect frame = frameGeometry();
        const int left = WindowGrowth::leftAfterGrowth(s->geometry(), frame);
        if (left != frame.left()) {
            move(left, frame.top());
        }
    }
}

// ---- Client size and placement --------------------------------------------------------

QSize TPlayerForm::clientSize() const {
    return client_ ? client_->size() : QSize();
}

void TPlayerForm::setClientSize(int width, int height) {
    const int menuHeight = menuBar()->sizeHint().height();
    resize(std::max(width, PL1->width()), std::max(height, PL1->height()) + menuHeight);
    // A hidden window lays out only when shown; the client size is needed before that.
    if (layout()) {
        layout()->activate();
    }
}

void TPlayerForm::centreOnScreen() {
    if (const QScreen* s = screen()) {
        const QRect area = s->geometry();
        const QSize outer = frameGeometry().size();
        move(area.left() + (area.width() - outer.width()) / 2,
             area.top() + (area.height() - outer.height()) / 2);
    }
}

// ---- Closing and notifications --------------------------------------------------------

void TPlayerForm::closeEvent(QCloseEvent* event) {
    if (!closing_) {
        closing_ = true;
        engine_->quit();
    }
    event->accept();
    QCoreApplication::quit();
}

void TPlayerForm::customEvent(QEvent* event) {
    if (DecoderEvent::isNotification(event->type())) {
        engine_->handleNotification(*static_cast<DecoderEvent*>(event));
        return;
    }
    QMainWindow::customEvent(event);
}

// ---- Hand-offs ------------------------------------------------------------------------

void TPlayerForm::bringToFront() {
    if (isMinimized()) {
        showNormal();
    }
    raise();
    activateWindow();
}

// A "Start" that arrives before the first timer tick is kept and acted on at that tick.
void TPlayerForm::startReceived(const QString& file) {
    if (file.isEmpty()) {
        return;
    }
    if (!timerStarted_) {
        pendingStarts_.append(file);
        return;
    }
    takeStart(file);
}

// A list file is loaded into the playlist as a list, as a start file is; anything else is
// a track for the playlist.
void TPlayerForm::takeStart(const QString& file) {
    if (isListFileName(file)) {
        startPlaylistFrom(file, false);
    } else {
        lists_->FillPlaylist({file});
    }
}

void TPlayerForm::playlistReceived(const QStringList& files) {
    if (!files.isEmpty()) {
        lists_->FillPlaylist(files);
    }
}

void TPlayerForm::selectionReceived(const QStringList& files) {
    if (!files.isEmpty()) {
        lists_->FillSelection(files);
    }
}

void TPlayerForm::onFirstTick() {
    timerStarted_ = true;
    const QStringList pending = std::exchange(pendingStarts_, {});
    for (const QString& file : pending) {
        takeStart(file);
    }
}

// ---- Menu commands --------------------------------------------------------------------

// While a list command runs, the lists take no other command; the entries say so.
void TPlayerForm::updateFileMenu() {
    const bool idle = !lists_->busy();
    Open1->menuAction()->setEnabled(idle);
    Save1->menuAction()->setEnabled(idle);
}

void TPlayerForm::MpegFile1Click() {
    reportingErrors([this] { lists_->loadTracksIntoPlaylist(); });
}

void TPlayerForm::Playlist2Click() {
    reportingErrors([this] { lists_->Open1Click(); });
}

void TPlayerForm::Selection1Click() {
    reportingErrors([this] { lists_->Open2Click(); });
}

void TPlayerForm::Playlist3Click() {
    reportingErrors([this] { lists_->Save2Click(); });
}

void TPlayerForm::Selection2Click() {
    reportingErrors([this] { lists_->Save3Click(); });
}

void TPlayerForm::Exit1Click() {
    close();
}

void TPlayerForm::SaveWindowpositions1Click() {
    WindowPlacement p = placement_;
    p.showCover = HideCover1->isEnabled();
    const QRect frame = frameGeometry();
    p.playerLeft = frame.left();
    p.playerTop = frame.top();
    p.playerWidth = clientSize().width();
    p.playerHeight = clientSize().height();
    metadata_->storeCoverPlacement(p);
    saveWindowPositions(profile_, p);
    placement_ = p;
}

void TPlayerForm::DefaultPositions1Click() {
    placement_.coverLeft = 0;
    placement_.coverTop = 0;
    placement_.coverWidth = kDefaultCoverWidth;
    metadata_->DefaultCoverPosition();
    setClientSize(PL1->width(), PL1->height());
    centreOnScreen();
}

void TPlayerForm::SetPlayMode(PlayMode mode) {
    writePlayMode(profile_, mode);  // throws before anything changes when it cannot write
    applyPlayModeMarks(mode);
    settings_.playMode = mode;
    engine_->setPlayMode(mode);
}

void TPlayerForm::applyPlayModeMarks(PlayMode mode) {
    const bool single = mode == PlayMode::Single;
    Autopause1->setChecked(single);
    AutoPause2->setChecked(single);
    Playlist1->setChecked(!single);
    AutoPlay1->setChecked(!single);
}

void TPlayerForm::SetShowHints(bool on) {
    applyHintMarks(on);
    if (auto* app = qobject_cast<SonvoxApplication*>(QCoreApplication::instance())) {
        app->setShowHints(on);
    }
    writeShowHint(profile_, on);
}

void TPlayerForm::applyHintMarks(bool on) {
    Hinweisean1->setChecked(on);
    Hinweiseaus1->setChecked(!on);
}

// The menu entries are checkable, so Qt has already moved the check mark when these run;
// when the settings file cannot be written the marks go back to what is in force.
void TPlayerForm::Autopause1Click() {
    changeSetting([this] { SetPlayMode(PlayMode::Single); });
}
void TPlayerForm::Playlist1Click() {
    changeSetting([this] { SetPlayMode(PlayMode::Continuous); });
}
void TPlayerForm::Hinweisean1Click() {
    changeSetting([this] { SetShowHints(true); });
}
void TPlayerForm::Hinweiseaus1Click() {
    changeSetting([this] { SetShowHints(false); });
}

void TPlayerForm::changeSetting(const std::function<void()>& command) {
    try {
        command();
    } catch (const SonvoxError& e) {
        applyPlayModeMarks(settings_.playMode);
        const auto* app = qobject_cast<SonvoxApplication*>(QCoreApplication::instance());
        applyHintMarks(app ? app->showHints() : Hinweisean1->isChecked());
        SonvoxApplication::reportError(e.message());
    }
}

void TPlayerForm::Setup1Click() {
    if (!SetupForm1) {
        TSetupForm::Host host{[this] { return settings_.playMode; },
                              [this] { return Hinweisean1->isChecked(); },
                              [this](PlayMode mode) {
                                  mode == PlayMode::Single ? Autopause1Click() : Playlist1Click();
                              },
                              [this](bool on) { on ? Hinweisean1Click() : Hinweiseaus1Click(); }};
        SetupForm1 = new TSetupForm(profile_, settings_, std::move(host), nullptr, nullptr, this);
    }
    SetupForm1->exec();
}

void TPlayerForm::About2Click() {
    if (!AboutForm1) {
        AboutForm1 = new TAboutForm(this);
    }
    AboutForm1->exec();
}
