#include "GenreTable.h"

namespace {

const QStringList& table() {
    static const QStringList names = {
        QStringLiteral("Blues"),
        QStringLiteral("Classic Rock"),
        QStringLiteral("Country"),
        QStringLiteral("Dance"),
        QStringLiteral("Disco"),
        QStringLiteral("Funk"),
        QStringLiteral("Grunge"),
        QStringLiteral("Hip-Hop"),
        QStringLiteral("Jazz"),
        QStringLiteral("Metal"),
        QStringLiteral("New Age"),
        QStringLiteral("Oldies"),
        QStringLiteral("Other"),
        QStringLiteral("Pop"),
        QStringLiteral("R&B"),
        QStringLiteral("Rap"),
        QStringLiteral("Reggae"),
        QStringLiteral("Rock"),
        QStringLiteral("Techno"),
        QStringLiteral("Industrial"),
        QStringLiteral("Alternative"),
        QStringLiteral("Ska"),
        QStringLiteral("Death Metal"),
        QStringLiteral("Pranks"),
        QStringLiteral("Soundtrack"),
        QStringLiteral("Euro-Techno"),
        QStringLiteral("Ambient"),
        QStringLiteral("Trip-Hop"),
        QStringLiteral("Vocal"),
        QStringLiteral("Jazz+Funk"),
        QStringLiteral("Fusion"),
        QStringLiteral("Trance"),
        QStringLiteral("Classical"),
        QStringLiteral("Instrumental"),
        QStringLiteral("Acid"),
        QStringLiteral("House"),
        QStringLiteral("Game"),
        QStringLiteral("Sound Clip"),
        QStringLiteral("Gospel"),
        QStringLiteral("Noise"),
        QStringLiteral("AlternRock"),
        QStringLiteral("Bass"),
        QStringLiteral("Soul"),
        QStringLiteral("Punk"),
        QStringLiteral("Space"),
        QStringLiteral("Meditative"),
        QStringLiteral("Instrumental Pop"),
        QStringLiteral("Instrumental Rock"),
        QStringLiteral("Ethnic"),
        QStringLiteral("Gothic"),
        QStringLiteral("Darkwave"),
        QStringLiteral("Techno-Industrial"),
        QStringLiteral("Electronic"),
        QStringLiteral("Pop-Folk"),
        QStringLiteral("Eurodance"),
        QStringLiteral("Dream"),
        QStringLiteral("Southern Rock"),
        QStringLiteral("Comedy"),
        QStringLiteral("Cult"),
        QStringLiteral("Gangsta"),
        QStringLiteral("Top 40"),
        QStringLiteral("Christian Rap"),
        QStringLiteral("Pop/Funk"),
        QStringLiteral("Jungle"),
        QStringLiteral("Native American"),
        QStringLiteral("Cabaret"),
        QStringLiteral("New Wave"),
        QStringLiteral("Psychadelic"),
        QStringLiteral("Rave"),
        QStringLiteral("Showtunes"),
        QStringLiteral("Trailer"),
        QStringLiteral("Lo-Fi"),
        QStringLiteral("Tribal"),
        QStringLiteral("Acid Punk"),
        QStringLiteral("Acid Jazz"),
        QStringLiteral("Polka"),
        QStringLiteral("Retro"),
        QStringLiteral("Musical"),
        QStringLiteral("Rock & Roll"),
        QStringLiteral("Hard Rock"),
        QStringLiteral("Folk"),
        QStringLiteral("Folk/Rock"),
        QStringLiteral("National Folk"),
        QStringLiteral("Swing"),
        QStringLiteral("Fast-Fusion"),
        QStringLiteral("Bebob"),
        QStringLiteral("Latin"),
        QStringLiteral("Revival"),
        QStringLiteral("Celtic"),
        QStringLiteral("Bluegrass"),
        QStringLiteral("Avantgarde"),
        QStringLiteral("Gothic Rock"),
        QStringLiteral("Progressive Rock"),
        QStringLiteral("Psychedelic Rock"),
        QStringLiteral("Symphonic Rock"),
        QStringLiteral("Slow Rock"),
        QStringLiteral("Big Band"),
        QStringLiteral("Chorus"),
        QStringLiteral("Easy Listening"),
        QStringLiteral("Acoustic"),
        QStringLiteral("Humour"),
        QStringLiteral("Speech"),
        QStringLiteral("Chanson"),
        QStringLiteral("Opera"),
        QStringLiteral("Chamber Music"),
        QStringLiteral("Sonata"),
        QStringLiteral("Symphony"),
        QStringLiteral("Booty Bass"),
        QStringLiteral("Primus"),
        QStringLiteral("Porn Groove"),
        QStringLiteral("Satire"),
        QStringLiteral("Slow Jam"),
        QStringLiteral("Club"),
        QStringLiteral("Tango"),
        QStringLiteral("Samba"),
        QStringLiteral("Folklore"),
    };
    return names;
}

}  // namespace

const QString& GenreTable::name(int index) {
    static const QString empty;
    return index >= 0 && index < kCount ? table().at(index) : empty;
}

int GenreTable::indexOf(QStringView name) {
    const QStringList& names = table();
    for (int i = 0; i < kCount; ++i) {
        if (names.at(i) == name) {
            return i;
        }
    }
    return kNone;
}

const QStringList& GenreTable::names() {
    return table();
}
