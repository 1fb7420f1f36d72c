// One player per settings directory: taking the socket, hand-offs between two instances in
// one process, frames that must be dropped, the list rule, and the command line that
// decides what a later start hands over.

#include <qplatformdefs.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>
#include <QLocalSocket>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>
#include <atomic>
#include <memory>
#include <thread>

#include "app/CommandLine.h"
#include "app/SingleInstance.h"
#include "app/StartGate.h"
#include "core/Paths.h"

using Messages = QList<InstanceMessage>;

class TestSingleInstance : public QObject {
    Q_OBJECT

private:
    QTemporaryDir dir_;
    QString socket_;
    std::unique_ptr<SingleInstance> first_;
    QStringList received_;  // every signal of first_, in order

    void startFirst() {
        first_ = std::make_unique<SingleInstance>(socket_);
        QVERIFY(first_->listen());
        QVERIFY(first_->isListening());
        connect(first_.get(), &SingleInstance::bringToFront, this,
                [this] { received_ << "front"; });
        connect(first_.get(), &SingleInstance::startReceived, this,
                [this](const QString& f) { received_ << "start " + f; });
        connect(first_.get(), &SingleInstance::playlistReceived, this,
                [this](const QStringList& f) { received_ << "playlist " + f.join('|'); });
        connect(first_.get(), &SingleInstance::selectionReceived, this,
                [this](const QStringList& f) { received_ << "selection " + f.join('|'); });
    }

    // Writes raw bytes on a connection of its own and leaves it open.
    std::unique_ptr<QLocalSocket> rawSend(const QByteArray& bytes) {
        auto socket = std::make_unique<QLocalSocket>();
        socket->connectToServer(socket_);
        if (socket->waitForConnected(1000)) {
            socket->write(bytes);
            socket->flush();
        }
        return socket;
    }

    static QByteArray frame(const QByteArray& body) {
        QByteArray header("SVX1\0\0\0\0", 8);
        qToBigEndian<quint32>(quint32(body.size()), header.data() + 4);
        return header + body;
    }

private slots:
    void init() {
        QVERIFY(dir_.isValid());
        qputenv("SONVOX_CONFIG_DIR", dir_.filePath("config").toUtf8());
        socket_ = Paths::instanceSocketName();
        received_.clear();
        startFirst();
    }
    void cleanup() { first_.reset(); }

    // More senders than the instance serves at once, faster than it dispatches, after silent
    // connections took every place: every message arrives, once, in the order sent.
    void aFloodArrivesWholeAndInOrder() {
        std::vector<std::unique_ptr<QLocalSocket>> silent;
        for (int i = 0; i < SingleInstance::kMaxConnections; ++i) {
            silent.push_back(rawSend({}));
        }
        constexpr int kMessages = 600;
        std::atomic<int> failed{0};
        std::thread sender([this, &failed] {
            for (int i = 0; i < kMessages; ++i) {
                failed += !SingleInstance::send(
                    socket_, InstanceMessage::playlist({QStringLiteral("/m/%1.mp3").arg(i)}));
            }
        });
        QTRY_COMPARE_WITH_TIMEOUT(received_.size(), kMessages, 30000);
        sender.join();
        QCOMPARE(int(failed), 0);
        for (int i = 0; i < kMessages; ++i) {
            QCOMPARE(received_[i], QStringLiteral("playlist /m/%1.mp3").arg(i));
        }
    }

    void secondListenFailsAndHandsOver() {
        SingleInstance second(socket_);
        QVERIFY(!second.listen());
        QVERIFY(!second.isListening());

        QVERIFY(SingleInstance::send(
            socket_, Messages{InstanceMessage::bringToFront(), InstanceMessage::start("/m/a.mp3"),
                              InstanceMessage::playlist({"/m/b.mp3", "/m/c.mp3"}),
                              InstanceMessage::selection({"/m/d.mp3"})}));
        QVERIFY(SingleInstance::send(socket_, InstanceMessage::bringToFront()));
        QTRY_COMPARE(received_,
                     (QStringList{"front", "start /m/a.mp3", "playlist /m/b.mp3|/m/c.mp3",
                                  "selection /m/d.mp3", "front"}));
    }

    void closedInstanceIsGone() {
        first_.reset();
        QVERIFY(!SingleInstance::send(socket_, InstanceMessage::bringToFront()));
        startFirst();  // and the socket can be taken again
    }

    void staleSocketIsTakenOver() {
        first_.reset();
        // What a crashed instance leaves behind: a socket file nobody accepts on.
        const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        qstrncpy(address.sun_path, socket_.toUtf8().constData(), sizeof address.sun_path);
        QCOMPARE(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
        ::close(fd);
        QVERIFY(QFile::exists(socket_));

        startFirst();
        QVERIFY(SingleInstance::send(socket_, InstanceMessage::start("/m/a.mp3")));
        QTRY_COMPARE(received_, QStringList{"start /m/a.mp3"});
    }

    // The socket is the user's alone: by its mode, and for another user who tries (run as
    // root, the test tries as "nobody").
    void onlyTheUserMayConnect() {
        QT_STATBUF info;
        QCOMPARE(QT_STAT(QFile::encodeName(socket_).constData(), &info), 0);
        QCOMPARE(int(info.st_mode & 0077), 0);
        if (::geteuid() != 0) {
            QSKIP("another user can be tried only as root");
        }
        const pid_t child = ::fork();
        if (child == 0) {
            const bool refused = ::setgid(65534) == 0 && ::setuid(65534) == 0 &&
                                 !SingleInstance::send(socket_, InstanceMessage::bringToFront());
            ::_exit(refused ? 0 : 1);
        }
        int status = -1;
        QCOMPARE(::waitpid(child, &status, 0), child);
        QVERIFY(WIFEXITED(status) && WEXITSTATUS(status) == 0);
        QTest::qWait(50);
        QVERIFY(received_.isEmpty());
    }

    void badFramesAreDropped_data() {
        QTest::addColumn<QByteArray>("bytes");
        const QByteArray tooLong(SingleInstance::kMaxFrameBytes + 1, 'a');
        QTest::newRow("length over the bound") << QByteArray(frame(tooLong).left(64));
        QTest::newRow("length zero") << frame("");
        QTest::newRow("wrong marker") << QByteArray("XXXX") + frame("Sonvox\n").mid(4);
        QTest::newRow("no line break") << frame("Sonvox");
        QTest::newRow("unknown name") << frame("sonvox\n");
        QTest::newRow("not utf-8") << frame("Start\n/m/\xFF\xFE.mp3");
    }
    void badFramesAreDropped() {
        QFETCH(QByteArray, bytes);
        // The bad frame ends its connection, so a good one behind it is not read either.
        auto socket = rawSend(bytes + frame("Sonvox\n"));
        QTRY_COMPARE(socket->state(), QLocalSocket::UnconnectedState);
        QVERIFY(SingleInstance::send(socket_, InstanceMessage::start("/m/ok.mp3")));
        QTRY_COMPARE(received_, QStringList{"start /m/ok.mp3"});
    }

    void startNameBounds() {
        const QString longest = "/" + QString(253, 'a');
        QVERIFY(SingleInstance::send(
            socket_, Messages{InstanceMessage::start(""), InstanceMessage::start(longest + "b"),
                              InstanceMessage::start(longest)}));
        QTRY_COMPARE(received_, QStringList{"start " + longest});
    }

    void partialFrameTimesOut() {
        auto slow = rawSend(frame(QByteArray("Start\n") + QByteArray(100, 'a')).left(20));
        // Others are served meanwhile.
        QVERIFY(SingleInstance::send(socket_, InstanceMessage::bringToFront()));
        QTRY_COMPARE(received_, QStringList{"front"});
        QCOMPARE(slow->state(), QLocalSocket::ConnectedState);
        QTRY_COMPARE_WITH_TIMEOUT(slow->state(), QLocalSocket::UnconnectedState,
                                  SingleInstance::kFrameTimeoutMs + 3000);
        QCOMPARE(received_, QStringList{"front"});
    }

    void oversizedMessageIsNotSent() {
        const QStringList many(SingleInstance::kMaxFrameBytes / 8, "/m/a.mp3");
        QVERIFY(SingleInstance::encodeFrame(InstanceMessage::playlist(many)).isEmpty());
        QVERIFY(!SingleInstance::send(socket_, InstanceMessage::playlist(many)));
    }

    void encoderRule_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("accepted");
        QTest::addColumn<QStringList>("files");
        QTest::newRow("two names")
            << "ENCODER\na.mp3\nb.mp3" << true << QStringList{"a.mp3", "b.mp3"};
        QTest::newRow("final line break") << "ENCODER\na.mp3\n" << true << QStringList{"a.mp3"};
        QTest::newRow("crlf") << "ENCODER\r\na.mp3\r\nb.mp3\r\n"
                              << true << QStringList{"a.mp3", "b.mp3"};
        QTest::newRow("empty line skipped")
            << "ENCODER\na.mp3\n\nb.mp3" << true << QStringList{"a.mp3", "b.mp3"};
        QTest::newRow("marker only") << "ENCODER\n" << true << QStringList{};
        QTest::newRow("lower case") << "encoder\na.mp3" << false << QStringList{};
        QTest::newRow("trailing blank") << "ENCODER \na.mp3" << false << QStringList{};
        QTest::newRow("marker later") << "a.mp3\nENCODER\nb.mp3" << false << QStringList{};
        QTest::newRow("empty") << "" << false << QStringList{};
    }
    void encoderRule() {
        QFETCH(QString, text);
        QFETCH(bool, accepted);
        QFETCH(QStringList, files);
        const std::optional<QStringList> parsed = SingleInstance::parseEncoderList(text);
        QCOMPARE(parsed.has_value(), accepted);
        if (parsed) {
            QCOMPARE(*parsed, files);
        }
    }

    void refusedListSendsNothing() {
        QVERIFY(SingleInstance::send(socket_, Messages{{"WM_SELECTION", "encoder\n/m/a.mp3"},
                                                       {"WM_PLAYLIST", "ENCODER\n"},
                                                       InstanceMessage::bringToFront()}));
        QTRY_COMPARE(received_, QStringList{"front"});
    }

    void commandLine_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("action");
        QTest::addColumn<QStringList>("startArguments");
        QTest::addColumn<QStringList>("files");
        using A = CommandLine::Action;
        QTest::newRow("none") << QStringList{} << int(A::Play) << QStringList{} << QStringList{};
        QTest::newRow("relative file and r") << QStringList{"../x.ply", "r"} << int(A::Play)
                                             << QStringList{"/home/x.ply", "r"} << QStringList{};
        QTest::newRow("several files are one batch")
            << QStringList{"a.mp3", "/m/b.mp3", "r"} << int(A::Playlist) << QStringList{}
            << QStringList{"/home/u/a.mp3", "/m/b.mp3", "/home/u/r"};
        QTest::newRow("two files")
            << QStringList{"a.mp3", "b.mp3"} << int(A::Playlist) << QStringList{}
            << QStringList{"/home/u/a.mp3", "/home/u/b.mp3"};
        QTest::newRow("absolute") << QStringList{"/m/a.mp3"} << int(A::Play)
                                  << QStringList{"/m/a.mp3"} << QStringList{};
        QTest::newRow("dash dash") << QStringList{"--", "-a.mp3"} << int(A::Play)
                                   << QStringList{"/home/u/-a.mp3"} << QStringList{};
        QTest::newRow("playlist") << QStringList{"--playlist", "a.mp3", "/m/b.mp3"}
                                  << int(A::Playlist) << QStringList{}
                                  << QStringList{"/home/u/a.mp3", "/m/b.mp3"};
        QTest::newRow("selection") << QStringList{"--selection", "a.mp3"} << int(A::Selection)
                                   << QStringList{} << QStringList{"/home/u/a.mp3"};
        QTest::newRow("dash dash in a list")
            << QStringList{"--playlist", "--", "-a.mp3", "--"} << int(A::Playlist) << QStringList{}
            << QStringList{"/home/u/-a.mp3", "/home/u/--"};
        QTest::newRow("empty list")
            << QStringList{"--playlist"} << int(A::Invalid) << QStringList{} << QStringList{};
        QTest::newRow("unknown option")
            << QStringList{"--bogus"} << int(A::Invalid) << QStringList{} << QStringList{};
        QTest::newRow("help") << QStringList{"--help"} << int(A::Help) << QStringList{}
                              << QStringList{};
    }
    void commandLine() {
        QFETCH(QStringList, args);
        QFETCH(int, action);
        QFETCH(QStringList, startArguments);
        QFETCH(QStringList, files);
        const CommandLine line = CommandLine::parse(args, "/home/u");
        QCOMPARE(int(line.action), action);
        QCOMPARE(line.startArguments(), startArguments);
        QCOMPARE(line.files, files);
    }

    void handOverMessages() {
        QCOMPARE(CommandLine::parse({}, "/").handOverMessages(),
                 Messages{InstanceMessage::bringToFront()});
        QCOMPARE(CommandLine::parse({"a.mp3", "R"}, "/m").handOverMessages(),
                 (Messages{InstanceMessage::bringToFront(), InstanceMessage::start("/m/a.mp3")}));

        // What a hand-off cannot carry whole is named, never cut or split.
        QStringList skipped;
        const QString tooLong = "/m/" + QString(252, 'a');
        QCOMPARE(CommandLine::parse({tooLong}, "/").handOverMessages(&skipped),
                 Messages{InstanceMessage::bringToFront()});
        QCOMPARE(skipped, QStringList{tooLong});
        skipped.clear();
        QCOMPARE(CommandLine::parse({"--playlist", "/m/a\nb.mp3", "/m/c.mp3"}, "/")
                     .handOverMessages(&skipped),
                 Messages{InstanceMessage::playlist({"/m/c.mp3"})});
        QCOMPARE(skipped, QStringList{"/m/a\nb.mp3"});

        // A list too big for one frame goes out in several, in order.
        QStringList many;
        for (int i = 0; i < 40000; ++i) {
            many << QStringLiteral("/music/some/longer/directory/track%1.mp3").arg(i);
        }
        const Messages messages =
            CommandLine::parse(QStringList{"--selection"} + many, "/").handOverMessages();
        QVERIFY(messages.size() > 1);
        QStringList joined;
        for (const InstanceMessage& m : messages) {
            QCOMPARE(m.name, QStringLiteral("WM_SELECTION"));
            QVERIFY(!SingleInstance::encodeFrame(m).isEmpty());
            joined += *SingleInstance::parseEncoderList(m.text);
        }
        QCOMPARE(joined, many);
    }

    // ---- The real program ------------------------------------------------------------

    static QProcessEnvironment withoutDisplay() {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove("DISPLAY");
        env.remove("WAYLAND_DISPLAY");
        env.insert("QT_QPA_PLATFORM", "xcb");
        return env;
    }

    // A later start needs no display: it hands over, with absolute names, and ends with 0.
    void secondStartAsARealProcess_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QStringList>("expected");
        const QString d = dir_.path();
        QTest::newRow("track") << QStringList{"x.mp3"}
                               << QStringList{"front", "start " + d + "/x.mp3"};
        QTest::newRow("name with a dash")
            << QStringList{"--", "-n.mp3"} << QStringList{"front", "start " + d + "/-n.mp3"};
        QTest::newRow("several files")
            << QStringList{"a.mp3", "/m/b.mp3"} << QStringList{"playlist " + d + "/a.mp3|/m/b.mp3"};
    }
    void secondStartAsARealProcess() {
        QFETCH(QStringList, args);
        QProcess second;
        second.setProcessEnvironment(withoutDisplay());
        second.setWorkingDirectory(dir_.path());
        second.start(QStringLiteral(SONVOX_BINARY), args);
        QVERIFY(second.waitForFinished(10000));
        QCOMPARE(second.exitCode(), 0);
        QFETCH(QStringList, expected);
        QTRY_COMPARE(received_, expected);
    }

    // An argument whose bytes are not UTF-8 is left out with one line; the rest goes over.
    void undecodableArgumentIsLeftOut() {
        QProcess second;
        second.setProcessEnvironment(withoutDisplay());
        second.setWorkingDirectory(dir_.path());
        second.start("sh", {"-c", R"sh(exec "$0" "$(printf 'bad\377.mp3')" a.mp3)sh",
                            QStringLiteral(SONVOX_BINARY)});
        QVERIFY(second.waitForFinished(10000));
        QCOMPARE(second.exitCode(), 0);
        const QByteArray err = second.readAllStandardError();
        QCOMPARE(err.count('\n'), 1);
        QVERIFY2(err.contains("not valid UTF-8"), err.constData());
        QTRY_COMPARE(received_, QStringList({"front", "start " + dir_.path() + "/a.mp3"}));
    }

    void withoutPlayerAndDisplayOneLineAndFailure() {
        first_.reset();
        QProcess start;
        start.setProcessEnvironment(withoutDisplay());
        start.start(QStringLiteral(SONVOX_BINARY), {"/m/x.mp3"});
        QVERIFY(start.waitForFinished(10000));
        QCOMPARE(start.exitStatus(), QProcess::NormalExit);
        QCOMPARE(start.exitCode(), 1);
        const QByteArray err = start.readAllStandardError();
        QCOMPARE(err.count('\n'), 1);
        QVERIFY(err.startsWith("sonvox: no display"));
    }

    // Ctrl+C and kill end the player as closing its window does.
    void terminationSignalsEndThePlayer_data() {
        QTest::addColumn<int>("signal");
        QTest::newRow("SIGINT") << SIGINT;
        QTest::newRow("SIGTERM") << SIGTERM;
    }
    void terminationSignalsEndThePlayer() {
        QFETCH(int, signal);
        first_.reset();
        QProcess player;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QT_QPA_PLATFORM", "offscreen");
        env.insert("SDL_AUDIODRIVER", "dummy");
        env.insert("SONVOX_DATA_DIR", dir_.filePath("data"));
        player.setProcessEnvironment(env);
        player.start(QStringLiteral(SONVOX_BINARY), QStringList{});
        QVERIFY(player.waitForStarted());
        QTRY_VERIFY_WITH_TIMEOUT(startgate::playerListens(socket_), 10000);
        QTest::qWait(300);  // past start-up: the decoder and SDL are running
        ::kill(pid_t(player.processId()), signal);
        QVERIFY(player.waitForFinished(10000));
        QCOMPARE(player.exitStatus(), QProcess::NormalExit);
        QCOMPARE(player.exitCode(), 0);
    }
};

QTEST_GUILESS_MAIN(TestSingleInstance)
#include "tst_singleinstance.moc"
