// Process entry: one running player per user and settings directory. A later start hands
// its file or list over to the running one and ends; the first start creates the main
// window and runs the event loop.
#include <QDir>
#include <cstdio>

#include "CommandLine.h"
#include "ShownProbe.h"
#include "SingleInstance.h"
#include "SonvoxApplication.h"
#include "TPlayerForm.h"
#include "core/MpgDecoder.h"
#include "core/Paths.h"

int main(int argc, char** argv) {
    // While a track plays the panel repaints a few small cells ten times a second. Through
    // X11 shared memory every such paint waits for a round trip to the server, which costs
    // more than sending the few pixels; so, unless the user chose otherwise, send them.
    if (!qEnvironmentVariableIsSet("QT_XCB_NO_MITSHM")) {
        qputenv("QT_XCB_NO_MITSHM", "1");
    }
    SonvoxApplication app(argc, argv);
    const CommandLine command = CommandLine::parse(app.arguments().mid(1), QDir::currentPath());
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

    SingleInstance instance(Paths::instanceSocketName());
    if (!instance.listen()) {
        QString skipped;
        const auto messages = command.handOverMessages(&skipped);
        if (!skipped.isEmpty()) {
            std::fprintf(stderr, "sonvox: the file name is too long to hand over: %s\n",
                         qPrintable(skipped));
        }
        if (!SingleInstance::send(Paths::instanceSocketName(), messages)) {
            std::fputs("sonvox: the running player did not answer\n", stderr);
        }
        return 0;
    }

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
    form.show();
    installShownProbe(&form);

    // Started by --playlist or --selection with no player running: this start is the player
    // and fills the list itself, as a hand-off would.
    if (command.action == CommandLine::Action::Playlist) {
        form.playlistReceived(command.files);
    } else if (command.action == CommandLine::Action::Selection) {
        form.selectionReceived(command.files);
    }
    return app.exec();
}
