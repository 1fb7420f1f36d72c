// Writes the desktop entry and the MIME package that `make install` installs, from the same
// functions the per-user registration uses, so both always say the same.
//     make_desktop_files OUTPUT_DIR
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <cstdio>

#include "core/ApplicationId.h"
#include "core/DesktopFiles.h"

namespace {
bool write(const QString& path, const QString& text) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        file.write(text.toUtf8()) < 0 || !file.flush()) {
        std::fprintf(stderr, "make_desktop_files: cannot write %s\n", qPrintable(path));
        return false;
    }
    return true;
}
}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc != 2) {
        std::fputs("usage: make_desktop_files OUTPUT_DIR\n", stderr);
        return 2;
    }
    const QDir out(QString::fromLocal8Bit(argv[1]));
    QDir().mkpath(out.path());
    // The installed entry finds the program on the PATH.
    const bool ok =
        write(out.filePath(ApplicationId::desktopFileName()),
              DesktopFiles::desktopEntry(QStringLiteral("sonvox %F"), DesktopFiles::mimeTypes())) &&
        write(out.filePath(ApplicationId::kId + QStringLiteral(".xml")), DesktopFiles::mimePackage());
    return ok ? 0 : 1;
}
