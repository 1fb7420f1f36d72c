// The INI file behind the settings: read rules, writes that keep the rest of the file, and
// files that are broken or cannot be written.

#include <unistd.h>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include "core/Profile.h"
#include "core/SonvoxError.h"

class TestProfile : public QObject {
    Q_OBJECT

private:
    QTemporaryDir dir_;
    QString path_;

    void put(const QByteArray& bytes) {
        QFile file(path_);
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(bytes);
    }
    QByteArray contents() const {
        QFile file(path_);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

private slots:
    void init() {
        QVERIFY(dir_.isValid());
        path_ = dir_.filePath(QStringLiteral("KMV.INI"));
        QFile::remove(path_);
    }

    void readString_data() {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("expected");
        QTest::newRow("plain") << QByteArray("[Setup]\nStartFile=/m/a.mp3\n") << "/m/a.mp3";
        QTest::newRow("case of section and key") << QByteArray("[sEtUp]\nSTARTFILE=x\n") << "x";
        QTest::newRow("blanks around")
            << QByteArray("  [ Setup ]  \n StartFile =  x y \n") << "x y";
        QTest::newRow("crlf") << QByteArray("[Setup]\r\nStartFile=x\r\n") << "x";
        QTest::newRow("bom") << QByteArray("\xEF\xBB\xBF[Setup]\nStartFile=x\n") << "x";
        QTest::newRow("empty value") << QByteArray("[Setup]\nStartFile=\n") << "";
        QTest::newRow("first duplicate key wins")
            << QByteArray("[Setup]\nStartFile=1st\nstartfile=2nd\n") << "1st";
        QTest::newRow("first section wins")
            << QByteArray("[Setup]\nOther=1\n[Setup]\nStartFile=2nd\n") << "default";
        QTest::newRow("other section") << QByteArray("[Setupx]\nStartFile=x\n") << "default";
        QTest::newRow("line without =") << QByteArray("[Setup]\nStartFile\n") << "default";
        QTest::newRow("key before any section") << QByteArray("StartFile=x\n") << "default";
        QTest::newRow("= in value") << QByteArray("[Setup]\nStartFile=a=b\n") << "a=b";
        QTest::newRow("no final line end") << QByteArray("[Setup]\nStartFile=x") << "x";
        QTest::newRow("utf-8") << QByteArray("[Setup]\nStartFile=/m/M\xC3\xBCll.mp3\n")
                               << QString::fromUtf8("/m/M\xC3\xBCll.mp3");
        // Only the file's first bytes may be a byte order mark; later it is part of a name.
        QTest::newRow("byte order mark inside")
            << QByteArray("[Setup]\n\xEF\xBB\xBFStartFile=x\n") << "default";
    }
    void readString() {
        QFETCH(QByteArray, file);
        QFETCH(QString, expected);
        put(file);
        QCOMPARE(Profile(path_).readString("Setup", "StartFile", "default"), expected);
    }

    void readInteger_data() {
        QTest::addColumn<QByteArray>("value");
        QTest::addColumn<int>("expected");
        QTest::newRow("decimal") << QByteArray("42") << 42;
        QTest::newRow("negative") << QByteArray("-7") << -7;
        QTest::newRow("plus") << QByteArray("+7") << 7;
        QTest::newRow("0x") << QByteArray("0x40") << 64;
        QTest::newRow("0X") << QByteArray("0X1f") << 31;
        QTest::newRow("dollar") << QByteArray("$FF") << 255;
        QTest::newRow("32-bit hex wraps") << QByteArray("0xFFFFFFFF") << -1;
        QTest::newRow("0x alone") << QByteArray("0x") << -99;
        QTest::newRow("dollar alone") << QByteArray("$") << -99;
        QTest::newRow("bad hex digit") << QByteArray("0x4g") << -99;
        QTest::newRow("hex too long") << QByteArray("0x1FFFFFFFF") << -99;
        QTest::newRow("trailing text") << QByteArray("12abc") << -99;
        QTest::newRow("inner blank") << QByteArray("1 2") << -99;
        QTest::newRow("text") << QByteArray("abc") << -99;
        QTest::newRow("empty") << QByteArray("") << -99;
        QTest::newRow("overflow") << QByteArray("2147483648") << -99;
        QTest::newRow("int max") << QByteArray("2147483647") << 2147483647;
        QTest::newRow("sign only") << QByteArray("-") << -99;
    }
    void readInteger() {
        QFETCH(QByteArray, value);
        QFETCH(int, expected);
        put("[WindowPosition]\nPlayerLeft=" + value + "\n");
        QCOMPARE(Profile(path_).readInteger("WindowPosition", "PlayerLeft", -99), expected);
    }

    void readBoolIsAnInteger() {
        put("[Setup]\nA=2\nB=0\nC=abc\nD=0x0\n");
        const Profile profile(path_);
        QCOMPARE(profile.readBool("Setup", "A", false), true);
        QCOMPARE(profile.readBool("Setup", "B", true), false);
        QCOMPARE(profile.readBool("Setup", "C", true), true);
        QCOMPARE(profile.readBool("Setup", "C", false), false);
        QCOMPARE(profile.readBool("Setup", "D", true), false);
        QCOMPARE(profile.readBool("Setup", "Missing", true), true);
    }

    void writeChangesOnlyItsLine() {
        const QByteArray before =
            "; written by hand\r\n"
            "[Setup]\r\n"
            "Unknown = keep me\r\n"
            "autostart = 1\r\n"
            "AutoStart=duplicate\r\n"
            "\r\n"
            "[Directories]\r\n"
            "MpegFiles=/m\r\n";
        put(before);
        Profile profile(path_);
        profile.writeInteger("SETUP", "AutoStart", 0);
        QByteArray expected = before;
        expected.replace("autostart = 1\r\n", "autostart=0\r\n");
        QCOMPARE(contents(), expected);

        // A new key goes to the end of its section, before the blank line; a new section
        // to the end of the file. The file's CR LF line ends are used for both.
        profile.writeBool("Setup", "ShowHint", false);
        profile.writeString("WindowPosition", "PlayerLeft", "64");
        expected.replace("AutoStart=duplicate\r\n", "AutoStart=duplicate\r\nShowHint=0\r\n");
        expected += "\r\n[WindowPosition]\r\nPlayerLeft=64\r\n";
        QCOMPARE(contents(), expected);
        QCOMPARE(profile.readInteger("WindowPosition", "PlayerLeft", 0), 64);
    }

    void writeCreatesFileAndRoundTrips() {
        Profile profile(path_);
        profile.writeString("Directories", "MpegFiles", QString::fromUtf8("/m/M\xC3\xBCll"));
        profile.writeInteger("WindowPosition", "PlayerTop", -12);
        profile.writeBool("Setup", "ShowHint", true);
        QCOMPARE(contents(), QByteArray("[Directories]\nMpegFiles=/m/M\xC3\xBCll\n\n"
                                        "[WindowPosition]\nPlayerTop=-12\n\n"
                                        "[Setup]\nShowHint=1\n"));
        // No caching: a second object, and a hand edit, are seen at once.
        Profile other(path_);
        QCOMPARE(other.readInteger("WindowPosition", "PlayerTop", 0), -12);
        put("[WindowPosition]\nPlayerTop=7");
        QCOMPARE(profile.readInteger("WindowPosition", "PlayerTop", 0), 7);
        profile.writeInteger("WindowPosition", "PlayerLeft", 1);
        QCOMPARE(contents(), QByteArray("[WindowPosition]\nPlayerTop=7\nPlayerLeft=1"));
    }

    void writeKeepsPermissions() {
        put("[Setup]\nAutoStart=1\n");
        const auto mode = QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup;
        QVERIFY(QFile::setPermissions(path_, mode));
        Profile(path_).writeBool("Setup", "AutoStart", false);
        QCOMPARE(QFile::permissions(path_) & ~(QFile::ReadUser | QFile::WriteUser), mode);
    }

    void garbageGivesDefaults() {
        QByteArray garbage;
        for (int i = 0; i < 4096; ++i) {
            garbage.append(char((i * 7919 + 13) % 256));
        }
        garbage += "\n[Setup\n=\n[]\n=x\n\0\0\0\n";
        put(garbage);
        Profile profile(path_);
        QCOMPARE(profile.readString("Setup", "StartFile", "d"), QStringLiteral("d"));
        QCOMPARE(profile.readInteger("Setup", "AutoStart", 5), 5);
        // A write adds its section and keeps every byte that was there.
        profile.writeInteger("Setup2", "AutoStart", 0);
        QVERIFY(contents().startsWith(garbage));
        QCOMPARE(profile.readInteger("Setup2", "AutoStart", 5), 0);
    }

    void longValueIsCut() {
        put("[Setup]\nStartFile=" + QByteArray(1024 * 1024, 'a') + "\nAutoStart=0\n");
        const Profile profile(path_);
        QCOMPARE(profile.readString("Setup", "StartFile", ""), QString(1023, 'a'));
        QCOMPARE(profile.readInteger("Setup", "AutoStart", 1), 0);
    }

    void failedWriteKeepsFileAndThrows() {
        const QByteArray before = "[Setup]\nAutoStart=1\n";
        put(before);
        QVERIFY(QFile::setPermissions(path_, QFile::ReadOwner | QFile::ReadGroup));
        Profile readOnly(path_);
        try {
            readOnly.writeBool("Setup", "AutoStart", false);
            QFAIL("no error");
        } catch (const SonvoxError& e) {
            QCOMPARE(e.message(),
                     QStringLiteral("nach %1 kann nicht geschrieben werden").arg(path_));
        }
        QCOMPARE(contents(), before);
        QCOMPARE(readOnly.readBool("Setup", "AutoStart", false), true);

        const QString underAFile = path_ + QStringLiteral("/KMV.INI");
        QVERIFY_THROWS_EXCEPTION(SonvoxError, Profile(underAFile).writeBool("Setup", "X", true));
        QCOMPARE(Profile(underAFile).readInteger("Setup", "X", 3), 3);

        // A directory where the file should be: defaults, and writes fail.
        QVERIFY(QDir().mkdir(dir_.filePath("dir.ini")));
        Profile onDir(dir_.filePath("dir.ini"));
        QCOMPARE(onDir.readInteger("Setup", "X", 3), 3);
        QVERIFY_THROWS_EXCEPTION(SonvoxError, onDir.writeBool("Setup", "X", true));
    }

    void lineBreakInValueIsRefused() {
        put("[Setup]\nStartFile=a\n");
        Profile profile(path_);
        QVERIFY_THROWS_EXCEPTION(
            SonvoxError, profile.writeString("Setup", "StartFile", "x\n[Setup]\nAutoStart=0"));
        QCOMPARE(contents(), QByteArray("[Setup]\nStartFile=a\n"));
    }

    void unreadableFile() {
        if (geteuid() == 0) {
            QSKIP("root reads every file");
        }
        put("[Setup]\nAutoStart=0\nOther=1\n");
        QVERIFY(QFile::setPermissions(path_, QFile::WriteOwner));
        Profile profile(path_);
        QCOMPARE(profile.readInteger("Setup", "AutoStart", 1), 1);
        QVERIFY_THROWS_EXCEPTION(SonvoxError, profile.writeInteger("Setup", "AutoStart", 1));
        QVERIFY(QFile::setPermissions(path_, QFile::ReadOwner | QFile::WriteOwner));
        QCOMPARE(contents(), QByteArray("[Setup]\nAutoStart=0\nOther=1\n"));
    }
};

QTEST_GUILESS_MAIN(TestProfile)
#include "tst_profile.moc"
