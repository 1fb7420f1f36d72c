#include "AppSettings.h"

#include <QDir>
#include <QFileInfo>

#include "Profile.h"

namespace K = SettingsKeys;

namespace {

// An empty name is no directory (QDir would take it for the current one).
bool directoryExists(const QString& path) {
    return !path.isEmpty() && QFileInfo(path).isDir();
}

bool fileExists(const QString& path) {
    return !path.isEmpty() && QFileInfo(path).isFile();
}

void ensureFolder(const QString& programDir, const QString& folder, const QString& configured) {
    if (!directoryExists(configured)) {
        QDir().mkpath(programDir + folder);  // failing here must not stop the start
    }
}

}  // namespace

WindowPlacement readWindowPlacement(const Profile& profile, int panelWidth, int panelHeight) {
    WindowPlacement p;
    p.showCover = profile.readBool(K::WindowPosition, K::ShowCover, false);
    p.centre = profile.readInteger(K::WindowPosition, K::PlayerWidth, 0) <= 0;
    p.playerLeft = profile.readInteger(K::WindowPosition, K::PlayerLeft, 0);
    p.playerTop = profile.readInteger(K::WindowPosition, K::PlayerTop, 0);
    p.playerWidth = profile.readInteger(K::WindowPosition, K::PlayerWidth, panelWidth);
    p.playerHeight = profile.readInteger(K::WindowPosition, K::PlayerHeight, panelHeight);
    p.coverLeft = profile.readInteger(K::WindowPosition, K::CoverLeft, 0);
    p.coverTop = profile.readInteger(K::WindowPosition, K::CoverTop, 0);
    p.coverWidth = profile.readInteger(K::WindowPosition, K::CoverWidth, kDefaultCoverWidth);
    return p;
}

AppSettings loadDirectorySettings(const Profile& profile, const QString& programDir) {
    AppSettings s;
    const QString encoder = profile.readString(K::Directories, K::Encoder, programDir);
    s.MpegFiles = profile.readString(K::Directories, K::MpegFiles, programDir);
    if (!directoryExists(s.MpegFiles)) {
        s.MpegFiles = directoryExists(encoder) ? encoder : programDir;
    }

    s.Coverpath = profile.readString(K::Setup, K::Coverpath, programDir + QStringLiteral("Cover/"));
    s.Playlistpath =
        profile.readString(K::Setup, K::Playlistpath, programDir + QStringLiteral("Playlist"));
    s.Selectionpath =
        profile.readString(K::Setup, K::Selectionpath, programDir + QStringLiteral("Playlist"));

    // The order matters: the default selection directory is the playlist folder, which
    // the second check creates, so a first start makes "Cover" and "Playlist" only.
    ensureFolder(programDir, QStringLiteral("Cover"), s.Coverpath);
    ensureFolder(programDir, QStringLiteral("Playlist"), s.Playlistpath);
    ensureFolder(programDir, QStringLiteral("Selection"), s.Selectionpath);

    // Cover file names are built by appending to Coverpath; a hand-edited value without
    // the final "/" would put the pictures beside the directory instead of into it.
    if (!s.Coverpath.isEmpty() && !s.Coverpath.endsWith(QLatin1Char('/'))) {
        s.Coverpath += QLatin1Char('/');
    }
    return s;
}

PlayMode readPlayMode(const Profile& profile) {
    return profile.readBool(K::Setup, K::AutoStart, true) ? PlayMode::Continuous : PlayMode::Single;
}

bool readShowHint(const Profile& profile) {
    return profile.readBool(K::Setup, K::ShowHint, true);
}

// A start file named relative is taken relative to the current directory at start, once,
// so that nothing later depends on where the current directory has gone.
static QString absoluteStartFile(const QString& name) {
    return name.isEmpty() || QDir::isAbsolutePath(name)
               ? name
               : QDir::cleanPath(QDir::current().absoluteFilePath(name));
}

void decideStartFile(AppSettings& settings, const Profile& profile, const QStringList& args) {
    if (args.isEmpty()) {
        settings.startFile =
            absoluteStartFile(profile.readString(K::Setup, K::StartFile, QString()));
        settings.randomizeStartFile = profile.readBool(K::Setup, K::RandomizeStartFile, false);
        settings.startPending = fileExists(settings.startFile);
        return;
    }
    if (fileExists(args.first())) {
        settings.startFile = absoluteStartFile(args.first());
        settings.startPending = true;
        settings.randomizeStartFile = args.size() > 1 && args.at(1).toUpper() == QLatin1String("R");
    } else {
        settings.startFile.clear();
        settings.startPending = false;
        settings.randomizeStartFile = false;
    }
}

void saveWindowPositions(Profile& profile, const WindowPlacement& p) {
    profile.writeBool(K::WindowPosition, K::ShowCover, p.showCover);
    profile.writeInteger(K::WindowPosition, K::CoverLeft, p.coverLeft);
    profile.writeInteger(K::WindowPosition, K::CoverTop, p.coverTop);
    profile.writeInteger(K::WindowPosition, K::CoverWidth, p.coverWidth);
    profile.writeInteger(K::WindowPosition, K::PlayerLeft, p.playerLeft);
    profile.writeInteger(K::WindowPosition, K::PlayerTop, p.playerTop);
    profile.writeInteger(K::WindowPosition, K::PlayerWidth, p.playerWidth);
    profile.writeInteger(K::WindowPosition, K::PlayerHeight, p.playerHeight);
}

void writePlayMode(Profile& profile, PlayMode mode) {
    profile.writeBool(K::Setup, K::AutoStart, mode == PlayMode::Continuous);
}

void writeShowHint(Profile& profile, bool on) {
    profile.writeBool(K::Setup, K::ShowHint, on);
}

void rememberMpegFiles(Profile& profile, AppSettings& settings, const QString& dir) {
    profile.writeString(K::Directories, K::MpegFiles, dir);
    settings.MpegFiles = dir;
}
