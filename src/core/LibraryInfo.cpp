#include "LibraryInfo.h"

#include <QFile>
#include <QFileInfo>
#include <QtGlobal>

#include <dlfcn.h>
#include <mpg123.h>

#include "JpegCodec.h"
#include "SdlAudioOutput.h"

QString loadedFrom(const void* symbol) {
    Dl_info where;
    if (dladdr(symbol, &where) == 0 || !where.dli_fname) {
        return {};
    }
    const QString path = QFile::decodeName(where.dli_fname);
    const QString real = QFileInfo(path).canonicalFilePath();
    return real.isEmpty() ? path : real;
}

QList<LibraryInfo> usedLibraries() {
    QList<LibraryInfo> libraries;
    libraries.append({QStringLiteral("Qt"), QString::fromLatin1(qVersion()),
                      QStringLiteral("GNU LGPL 3.0"),
                      loadedFrom(reinterpret_cast<const void*>(&qVersion))});

#if MPG123_API_VERSION >= 48
    const QString mpg123Version = QString::fromLatin1(mpg123_distversion(nullptr, nullptr, nullptr));
#else
    const QString mpg123Version = QStringLiteral("API %1").arg(MPG123_API_VERSION);
#endif
    libraries.append({QStringLiteral("libmpg123"), mpg123Version, QStringLiteral("GNU LGPL 2.1"),
                      loadedFrom(reinterpret_cast<const void*>(&mpg123_init))});

    // Loaded when sound is first needed; asking for its version loads it.
    const SdlLibrary sdl = loadedSdlLibrary();
    const QString sdlFile = QFile::decodeName(sdl.file.c_str());
    const QString sdlReal = QFileInfo(sdlFile).canonicalFilePath();
    libraries.append({QStringLiteral("SDL2"),
                      sdl.version.empty() ? QStringLiteral("not loadable")
                                          : QString::fromStdString(sdl.version),
                      QStringLiteral("zlib licence"), sdlReal.isEmpty() ? sdlFile : sdlReal});

    libraries.append({QStringLiteral("libjpeg"), JpegCodec::runtimeVersion(),
                      QStringLiteral("IJG licence, BSD 3-clause and zlib licences (libjpeg-turbo)"),
                      JpegCodec::libraryFile()});
    return libraries;
}
