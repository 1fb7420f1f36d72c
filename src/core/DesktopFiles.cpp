#include "DesktopFiles.h"

#include "ApplicationId.h"

namespace DesktopFiles {

QStringList mimeTypes(const QString& msfType) {
    QStringList types{kMpegType, kMp2Type, msfType, kPlaylistType, kSelectionType};
    types.removeDuplicates();
    return types;
}

QString execValue(const QString& programPath) {
    // Inside a quoted argument '"', '`', '$' and '\' take a backslash, and a literal '%'
    // is written "%%" (field codes start with '%').
    QString argument;
    for (const QChar c : programPath) {
        if (c == QLatin1Char('"') || c == QLatin1Char('`') || c == QLatin1Char('$') ||
            c == QLatin1Char('\\')) {
            argument += QLatin1Char('\\');
        } else if (c == QLatin1Char('%')) {
            argument += QLatin1Char('%');
        }
        argument += c;
    }
    const QString command = QLatin1Char('"') + argument + QStringLiteral("\" %F");

    // The key's value is a string of the desktop file, whose own escapes come on top.
    QString value;
    for (const QChar c : command) {
        if (c == QLatin1Char('\\')) {
            value += QStringLiteral("\\\\");
        } else if (c == QLatin1Char('\n')) {
            value += QStringLiteral("\\n");
        } else if (c == QLatin1Char('\t')) {
            value += QStringLiteral("\\t");
        } else if (c == QLatin1Char('\r')) {
            value += QStringLiteral("\\r");
        } else {
            value += c;
        }
    }
    return value;
}

QString desktopEntry(const QString& execValue, const QStringList& mimeTypes) {
    return QStringLiteral(
               "[Desktop Entry]\n"
               "Type=Application\n"
               "Version=1.4\n"
               "Name=Sonvox\n"
               "GenericName=MPEG Audio Player\n"
               "Comment=Play MPEG audio files from a playlist and a selection\n"
               "Icon=%1\n"
               "Exec=%2\n"
               "Terminal=false\n"
               "Categories=AudioVideo;Audio;Player;\n"
               "Keywords=mp3;mp2;music;playlist;\n"
               "MimeType=%3;\n")
        .arg(ApplicationId::kId, execValue, mimeTypes.join(QLatin1Char(';')));
}

QString mimePackage(bool ownMsfType) {
    QString text = QStringLiteral(
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<mime-info xmlns=\"http://www.freedesktop.org/standards/shared-mime-info\">\n");
    text += QStringLiteral(
                "  <mime-type type=\"%1\">\n"
                "    <glob pattern=\"*.mp1\"/>\n"
                "  </mime-type>\n"
                "  <mime-type type=\"%2\">\n"
                "    <glob pattern=\"*.mp2\" weight=\"%3\"/>\n"
                "  </mime-type>\n")
                .arg(kMpegType, kMp2Type)
                .arg(kMp2GlobWeight);
    if (ownMsfType) {
        text += QStringLiteral(
                    "  <mime-type type=\"%1\">\n"
                    "    <comment>Sonvox MPEG audio</comment>\n"
                    "    <sub-class-of type=\"%2\"/>\n"
                    "    <glob pattern=\"*.msf\"/>\n"
                    "  </mime-type>\n")
                    .arg(kOwnMsfType, kMpegType);
    }
    const auto listType = [](const QString& type, const QString& comment, const QString& glob) {
        return QStringLiteral(
                   "  <mime-type type=\"%1\">\n"
                   "    <comment>%2</comment>\n"
                   "    <sub-class-of type=\"text/plain\"/>\n"
                   "    <glob pattern=\"%3\"/>\n"
                   "  </mime-type>\n")
            .arg(type, comment, glob);
    };
    text += listType(kPlaylistType, QStringLiteral("Sonvox playlist"), QStringLiteral("*.ply"));
    text += listType(kSelectionType, QStringLiteral("Sonvox selection"), QStringLiteral("*.sel"));
    text += QStringLiteral("</mime-info>\n");
    return text;
}

}  // namespace DesktopFiles
