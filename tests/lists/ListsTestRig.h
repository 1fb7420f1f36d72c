#pragma once
// The track lists as the main window holds them, for the list tests: both lists and the
// player panel in one shown window, the player engine on a fake decoder, a stand-in for
// the window's growth, and real track files with tags in a temporary directory.

#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

#include "FakeDecoder.h"
#include "TestFiles.h"
#include "core/DecoderEvent.h"
#include "core/Id3v1Tag.h"
#include "core/SonvoxError.h"
#include "core/XaudioPlayer.h"
#include "lists/EngineListPlayer.h"
#include "lists/ListWindowHost.h"
#include "lists/TrackGrid.h"
#include "lists/TrackLists.h"
#include "core/PlayerEngine.h"
#include "playback/PlayerPanel.h"

class ListsTestRig : public QObject, public ListWindowHost {
public:
    ListsTestRig() {
        auto fake = std::make_unique<FakeDecoder>();
        decoder = fake.get();
        player = std::make_unique<XaudioPlayer>(std::move(fake));
        player->start(this);
        panel = new PlayerPanel(&window);
        engine = std::make_unique<PlayerEngine>(*player, lists.playlistSource());
        panel->setEngine(engine.get());
        listPlayer = std::make_unique<EngineListPlayer>(*engine, lists.commands());
        lists.attach(*listPlayer, *this, [this](QPoint at) { return panel->takesDropAt(at); });
        // The main window's layout: panel top left, playlist below it, selection beside.
        QWidget* playlistPanel = lists.playlistPanel();
        QWidget* selectionPanel = lists.selectionPanel();
        playlistPanel->setParent(&window);
        selectionPanel->setParent(&window);
        panel->move(0, 0);
        playlistPanel->setGeometry(0, PlayerPanel::kHeight, PlayerPanel::kWidth, 320);
        selectionPanel->setGeometry(PlayerPanel::kWidth, 0, 760, PlayerPanel::kHeight + 320);
        window.resize(PlayerPanel::kWidth + 760, PlayerPanel::kHeight + 320);
        window.show();
        if (!QTest::qWaitForWindowExposed(&window)) {
            qFatal("the test window does not show");
        }
    }
    ~ListsTestRig() override { lists.setLoadDialog(nullptr); }

    TrackGrid& playlist() { return *lists.playlistGrid(); }
    TrackGrid& selection() { return *lists.selectionGrid(); }

    // A track file of 256 bytes of audio followed by its tag; genre -1 for none.
    QString track(const QString& name, const QString& artist, const QString& title = "T",
                  const QString& year = "1999", const QString& genre = "Rock",
                  const QString& album = "Album", const QString& note = "Note") {
        const QString path = dir.filePath(name);
        return testsupport::writeTaggedTrack(path, {artist, title, year, note, album, genre});
    }
    // Tracks named <prefix>1.mp3 ... with the artists "A1", "A2", ...
    QStringList tracks(int count, const QString& prefix = "t") {
        QStringList paths;
        for (int i = 1; i <= count; ++i) {
            paths << track(QStringLiteral("%1%2.mp3").arg(prefix).arg(i),
                           QStringLiteral("A%1").arg(i));
        }
        return paths;
    }

    // The decoder reports stream information: from now on a track counts as loaded.
    void decodeSomething() {
        decoder->postStreamInfo(1, 3, 128, 44100, 1);
        decoder->deliver();
    }

    // The file names of a list's data rows, in order ("" for a row without a track).
    static QStringList files(const TrackGrid& grid) {
        QStringList names;
        for (int r = 1; r < grid.rowCount(); ++r) {
            names << grid.fileName(r);
        }
        return names;
    }
    static QList<int> marked(const TrackGrid& grid) {
        QList<int> rows;
        for (int r = 1; r < grid.rowCount(); ++r) {
            if (grid.mark(r) != 0) {
                rows << r;
            }
        }
        return rows;
    }
    // Fills a list with the tracks directly, as a list file would.
    static void put(TrackGrid& grid, const QStringList& paths) {
        for (const QString& path : paths) {
            grid.list().appendTrack(
                {QString(), "Artist of " + path, "Title", "", "", "", "", path});
        }
    }
    // Waits until no fill runs and nothing is queued any more.
    void settle() {
        QVERIFY(QTest::qWaitFor([this] { return lists.commands().idle(); }, 10000));
        QCoreApplication::processEvents();
    }
    // The centre of a data row's artist cell, in the grid's client coordinates.
    static QPoint rowPoint(const TrackGrid& grid, int row) {
        return QPoint(60, TrackGrid::kHeaderStripPx + (row - grid.topRow()) * 16 + 8);
    }

    // The text of the SonvoxError that f throws, or "no error".
    template <typename F>
    static QString errorOf(F f) {
        try {
            f();
        } catch (const SonvoxError& e) {
            return e.message();
        }
        return QStringLiteral("no error");
    }

    // ---- ListWindowHost ---------------------------------------------------------------
    void growHeight() override { ++heightGrown; }
    void growWidth() override { ++widthGrown; }

    QTemporaryDir dir;
    FakeDecoder* decoder = nullptr;
    std::unique_ptr<XaudioPlayer> player;
    QWidget window;
    PlayerPanel* panel = nullptr;
    TrackLists lists;
    std::unique_ptr<PlayerEngine> engine;
    std::unique_ptr<EngineListPlayer> listPlayer;
    int heightGrown = 0;
    int widthGrown = 0;

protected:
    // Decoder notifications reach the engine as they reach the main window.
    void customEvent(QEvent* event) override {
        if (engine && DecoderEvent::isNotification(event->type())) {
            engine->handleNotification(*static_cast<DecoderEvent*>(event));
        }
    }
};
