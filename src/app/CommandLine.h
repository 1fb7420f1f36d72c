#pragma once
// What the command line asks for.
//
//   sonvox [FILE [R]]            play FILE (a track or a list file); "R" in either case
//                                shuffles a start list once
//   sonvox FILE FILE...          more files (but not FILE R): as --playlist FILE...
//   sonvox -- FILE...            the same for names that start with "-"
//   sonvox --playlist FILE...    hand FILEs to the running player's playlist
//   sonvox --selection FILE...   hand FILEs to the running player's selection
//   sonvox --help
//
// File names given relative are made absolute against the current directory, since the
// running instance that receives them may have another one.
//
// How main uses it: after listen() told it that another instance runs, it sends
// handOverMessages() and exits 0. When it is the first instance itself, Play passes
// startArguments() to decideStartFile, while Playlist and Selection skip the stored start
// file and fill their list with `files` once the main window exists.

#include <QList>
#include <QString>
#include <QStringList>

#include "SingleInstance.h"

struct CommandLine {
    enum class Action {
        Play,       // the ordinary start, with or without a start file
        Playlist,   // --playlist: files go to the playlist
        Selection,  // --selection: files go to the selection
        Help,       // --help or -h: print helpText() and exit 0
        Invalid,    // print `error` and helpText() to stderr and exit 2
    };

    Action action = Action::Play;
    bool hasStartArguments = false;  // Play: at least one plain argument was given
    QString startFile;               // Play: FILE made absolute, empty when none was given
    bool randomize = false;          // Play: the second argument is "R" or "r"
    QString randomizeArgument;       // Play: the second argument as given, empty when none
    QStringList files;               // Playlist and Selection: absolute names, at least one
    QString error;                   // Invalid: what is wrong

    // args are the arguments without the program name.
    static CommandLine parse(const QStringList& args, const QString& currentDir);

    // The arguments in the form decideStartFile takes them: empty when none were given,
    // else FILE (maybe empty) and the second argument when there was one.
    QStringList startArguments() const;

    // What a later start sends to the running instance. Play: "Sonvox", then "Start" with
    // the file when there is one. Playlist and Selection: as many list messages as needed to
    // keep each within one frame, in order. Help and Invalid: nothing. A name the hand-off
    // cannot carry whole is not sent, never cut, and is added to *skipped: a start file
    // longer than kMaxStartNameLength, a list name holding a line break.
    QList<InstanceMessage> handOverMessages(QStringList* skipped = nullptr) const;

    static QString helpText();
};
