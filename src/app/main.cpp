// Process entry: one running player per user and settings directory. A later start hands
// its file or list over to the running one and ends, without a display; the first start
// creates the main window and runs the event loop.
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTimer>
#include <cstdio>

#include "CommandLine.h"
#include "ShownProbe.h"
#include "SingleInstance.h"
#include "SonvoxApplication.h"
#include "StartGate.h"
#include "TPlayerForm.h"
#include "controls/Glyphs.h"
#include "core/MpgDecoder.h"
#include "core/Paths.h"
#include "core/SafeFile.h"

namespace {

// A later start: hands its files over to the running player and ends.
int handOver(const CommandLine& command, const QString& socket) {
    QStringList skipped;
    const auto messages = command.handOverMessages(&skipped);
    for (const QString& name : skipped) {
        const QString why = name.contains(u'\n') || name.contains(u'\r')
                                ? QStringLiteral("a name with a line break")
                                : QStringLiteral("a start file name of more than %1 characters")
                                      .arg(SingleInstance::kMaxStartNameLength);
        std::fprintf(stderr, "sonvox: cannot hand over %s: %s\n", qPrintable(why),
                     qPrintable(name));
    }
    if (!SingleInstance::send(socket, messages)) {
        std::fputs("sonvox: the running player did not answer\n", stderr);
        return 1;
    }
    return skipped.isEmpty() ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    // While a track plays the panel repaints a few small cells ten times a second. Through
    // X11 shared memory every such paint waits for a round trip to the server, which costs
    // more than sending the few pixels; so, unless the user chose otherwise, send them.
    if (!qEnvironmentVariableIsSet("QT_XCB_NO_MITSHM")) {
        qputenv("QT_XCB_NO_MITSHM", "1");
    }
    // Everything up to the hand-off needs no display: no Qt application exists yet.
    // An argument that is not UTF-8 cannot be held as it is: it would name another file.
    QStringList args;
    QStringList undecodable;
    for (int i = 1; i < argc; ++i) {
        const QString arg = QString::fromLocal8Bit(argv[i]);
        (QFile::encodeName(arg) == argv[i] ? args : undecodable).append(arg);
    }
    if (!undecodable.isEmpty()) {
        std::fprintf(stderr, "sonvox: %s\n",
                     qPrintable(Paths::undecodableNamesText(undecodable).replace(u'\n', u' ')));
    }
    const CommandLine command = CommandLine::parse(args, QDir::currentPath());
    switch (command.action) {
        case CommandLine::Action::Help:
            std::fputs(qPrintable(CommandLine::helpText()), stdout);
            return 0;
        case CommandLine::Action::Invalid:
            std::fprintf(stderr, "sonvox: %s\n%s", qPrintable(command.error),
                         qPrintable(CommandLine::helpText()));
            return 2;
        default:
            break;
    }
    const QString socket = Paths::instanceSocketName();
    if (startgate::playerListens(socket)) {
        QCoreApplication core(argc, argv);
        return handOver(command, socket);
    }
    if (const QString problem = startgate::displayProblem(); !problem.isEmpty()) {
        std::fprintf(stderr, "sonvox: %s, and no Sonvox is running to take the files\n",
                     qPrintable(problem));
        return 1;
    }

    // Start-up work that can run on the second core: the font configuration is read while
    // the application object connects to the display, and the panel's pictures are drawn
    // while the window is built.
    const startgate::Background fonts = startgate::loadFontConfiguration();
    SonvoxApplication app(argc, argv);
    Glyphs::drawInBackground();
    SingleInstance instance(socket);
    if (!instance.listen()) {  // another start won the race since
        return handOver(command, socket);
    }
    // This is the one running instance: no write of its own is under way yet.
    removeUnfinishedWrites();

    const bool listStart = command.action == CommandLine::Action::Playlist ||
                           command.action == CommandLine::Action::Selection;
    TPlayerForm form(makeDefaultDecoder(), listStart ? QStringList() : command.startArguments(),
                     /*useStoredStartFile=*/!listStart);
    QObject::connect(&instance, &SingleInstance::bringToFront, &form, &TPlayerForm::bringToFront);
    QObject::connect(&instance, &SingleInstance::startReceived, &form, &TPlayerForm::startReceived);
    QObject::connect(&instance, &SingleInstance::playlistReceived, &form,
                     &TPlayerForm::playlistReceived);
    QObject::connect(&instance, &SingleInstance::selectionReceived, &form,
                     &TPlayerForm::selectionReceived);
    // Ctrl+C and kill end Sonvox as closing its window does.
    startgate::routeTerminationSignals(&form, [&form] { form.close(); });
    form.show();
    installShownProbe(&form);
    if (!undecodable.isEmpty()) {  // the window's user may never see stderr
        QTimer::singleShot(0, &form, [undecodable] {
            SonvoxApplication::reportError(Paths::undecodableNamesText(undecodable));
        });
    }

    // Started by --playlist or --selection with no player running: this start is the player
    // and fills the list itself, as a hand-off would.
    if (command.action == CommandLine::Action::Playlist) {
        form.playlistReceived(command.files);
    } else if (command.action == CommandLine::Action::Selection) {
        form.selectionReceived(command.files);
    }
    return app.exec();
}
