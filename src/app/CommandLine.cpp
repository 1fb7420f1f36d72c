#include "CommandLine.h"

#include <QDir>

namespace {

QString absoluteName(const QString& name, const QString& currentDir) {
    return QDir::isAbsolutePath(name) ? name : QDir::cleanPath(QDir(currentDir).filePath(name));
}

// Splits a long list into list messages that each fit into one frame.
// A name with a line break would arrive as two names, neither of them this file's.
QList<InstanceMessage> listMessages(const QStringList& files, bool toPlaylist,
                                    QStringList* skipped) {
    const auto make = [toPlaylist](const QStringList& names) {
        return toPlaylist ? InstanceMessage::playlist(names) : InstanceMessage::selection(names);
    };
    // Room for the name line, the marker line and some slack.
    const qsizetype budget = SingleInstance::kMaxFrameBytes - 64;
    QList<InstanceMessage> messages;
    QStringList chunk;
    qsizetype chunkBytes = 0;
    for (const QString& file : files) {
        if (file.contains(u'\n') || file.contains(u'\r')) {
            if (skipped) {
                skipped->append(file);
            }
            continue;
        }
        const qsizetype bytes = file.toUtf8().size() + 1;
        if (!chunk.isEmpty() && chunkBytes + bytes > budget) {
            messages.append(make(chunk));
            chunk.clear();
            chunkBytes = 0;
        }
        chunk.append(file);
        chunkBytes += bytes;
    }
    if (!chunk.isEmpty()) {
        messages.append(make(chunk));
    }
    return messages;
}

}  // namespace

CommandLine CommandLine::parse(const QStringList& args, const QString& currentDir) {
    CommandLine line;
    QStringList rest = args;
    const QString first = rest.isEmpty() ? QString() : rest.first();

    if (first == QLatin1String("--help") || first == QLatin1String("-h")) {
        line.action = Action::Help;
        return line;
    }
    if (first == QLatin1String("--playlist") || first == QLatin1String("--selection")) {
        line.action = first == QLatin1String("--playlist") ? Action::Playlist : Action::Selection;
        rest.removeFirst();
        if (!rest.isEmpty() && rest.first() == QLatin1String("--")) {
            rest.removeFirst();  // what follows are names, also when they begin with '-'
        }
        for (const QString& file : rest) {
            if (!file.isEmpty()) {
                line.files.append(absoluteName(file, currentDir));
            }
        }
        if (line.files.isEmpty()) {
            line.action = Action::Invalid;
            line.error = QStringLiteral("%1 needs at least one file").arg(first);
        }
        return line;
    }
    if (first == QLatin1String("--")) {
        rest.removeFirst();
    } else if (first.startsWith(QLatin1Char('-')) && first.size() > 1) {
        line.action = Action::Invalid;
        line.error = QStringLiteral("unknown option %1").arg(first);
        return line;
    }

    // Several files (as a file manager passes them) go to the playlist as one batch; two
    // arguments whose second is "R" keep their meaning.
    const bool shuffleArgument = rest.size() == 2 && rest.at(1).toUpper() == QLatin1String("R");
    if (rest.size() > 1 && !shuffleArgument) {
        line.action = Action::Playlist;
        for (const QString& file : rest) {
            if (!file.isEmpty()) {
                line.files.append(absoluteName(file, currentDir));
            }
        }
        return line;
    }

    line.hasStartArguments = !rest.isEmpty();
    if (!rest.isEmpty() && !rest.first().isEmpty()) {
        line.startFile = absoluteName(rest.first(), currentDir);
    }
    if (rest.size() > 1) {
        line.randomizeArgument = rest.at(1);
        line.randomize = rest.at(1).toUpper() == QLatin1String("R");
    }
    return line;
}

QStringList CommandLine::startArguments() const {
    if (action != Action::Play || !hasStartArguments) {
        return {};
    }
    QStringList args{startFile};
    if (!randomizeArgument.isEmpty()) {
        args.append(randomizeArgument);
    }
    return args;
}

QList<InstanceMessage> CommandLine::handOverMessages(QStringList* skipped) const {
    switch (action) {
        case Action::Play: {
            QList<InstanceMessage> messages{InstanceMessage::bringToFront()};
            if (startFile.size() > SingleInstance::kMaxStartNameLength) {
                if (skipped) {
                    skipped->append(startFile);
                }
            } else if (!startFile.isEmpty()) {
                messages.append(InstanceMessage::start(startFile));
            }
            return messages;
        }
        case Action::Playlist:
        case Action::Selection:
            return listMessages(files, action == Action::Playlist, skipped);
        case Action::Help:
        case Action::Invalid:
            break;
    }
    return {};
}

QString CommandLine::helpText() {
    return QStringLiteral(
        "Usage: sonvox [FILE [R]]\n"
        "       sonvox FILE FILE...\n"
        "       sonvox --playlist FILE...\n"
        "       sonvox --selection FILE...\n"
        "\n"
        "Plays MPEG audio files.\n"
        "\n"
        "  FILE                 a track, or a .ply or .sel list to load into the playlist;\n"
        "                       when Sonvox is already running, the file is handed to it\n"
        "  R                    shuffle the list FILE once after loading it\n"
        "  FILE FILE...         several files: all of them go to the playlist, as with\n"
        "                       --playlist (what a file manager's \"Open with\" passes)\n"
        "  --                   what follows are file names, also when they start with \"-\"\n"
        "  --playlist FILE...   add the files to the playlist of the running Sonvox,\n"
        "                       or start Sonvox with them\n"
        "  --selection FILE...  add the files to the selection in the same way\n"
        "  -h, --help           show this text\n");
}
