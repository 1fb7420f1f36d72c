#pragma once
// The libraries the program runs with, as the running process sees them: for the About
// window.
//
// Versions come from the libraries themselves where they can say (Qt, SDL2, libjpeg's
// message table); libmpg123 of this generation has no version call, so its interface
// version is given with the file it was loaded from, whose name carries it.
//
// Thread rules: callable from any thread.

#include <QList>
#include <QString>

struct LibraryInfo {
    QString name;
    QString version;
    QString licence;
    QString file;  // where the dynamic loader found it; empty when unknown
};

// Qt, libmpg123, SDL2 and libjpeg, in this order.
QList<LibraryInfo> usedLibraries();

// The file of the loaded library or program that holds symbol, with links resolved.
QString loadedFrom(const void* symbol);
