// Registering for the file types with the XDG directories in a temporary folder, checked
// with xdg-mime as a desktop would ask.
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include "core/ApplicationId.h"
#include "core/FreedesktopRegistration.h"
#include "core/SonvoxError.h"

class TestRegistration : public QObject {
    Q_OBJECT

    QTemporaryDir home_;
    FreedesktopRegistration::Locations where_;

    QString xdgMime(const QStringList& args) {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("XDG_DATA_HOME", where_.dataHome);
        env.insert("XDG_CONFIG_HOME", where_.configHome);
        env.insert("XDG_CURRENT_DESKTOP", "X-Generic");
        p.setProcessEnvironment(env);
        p.start("xdg-mime", args);
        p.waitForFinished(20000);
        return QString::fromUtf8(p.readAllStandardOutput()).trimmed();
    }
    QString mimeApps() {
        QFile f(where_.configHome + "/mimeapps.list");
        return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
    }

private slots:
    void init() {
        QDir(home_.path()).removeRecursively();
        QDir().mkpath(home_.path());
        where_ = {home_.filePath("data"), home_.filePath("config"),
                  QStringList{"/usr/local/share", "/usr/share"}};
        QDir().mkpath(where_.configHome);
    }

    void registersAndUnregistersOnlyItsOwn() {
        if (QStandardPaths::findExecutable("xdg-mime").isEmpty()) {
            QSKIP("xdg-mime is not installed");
        }
        {
            QFile other(where_.configHome + "/mimeapps.list");
            QVERIFY(other.open(QIODevice::WriteOnly));
            other.write("[Default Applications]\ntext/plain=other.desktop\n");
        }
        FreedesktopRegistration registration("/opt/my programs/bin", where_);
        QVERIFY(!registration.isRegistered());
        registration.registerTypes();
        QVERIFY(registration.isRegistered());

        QFile desktop(registration.desktopFilePath());
        QVERIFY(desktop.open(QIODevice::ReadOnly));
        const QString entry = QString::fromUtf8(desktop.readAll());
        QVERIFY2(entry.contains("Exec=\"/opt/my programs/bin/sonvox\" %F"), qPrintable(entry));
        QVERIFY(entry.contains("MimeType=") && entry.contains("audio/mpeg;"));
        QVERIFY(!entry.contains("inode/directory"));

        QCOMPARE(xdgMime({"query", "default", "audio/mpeg"}), ApplicationId::desktopFileName());
        for (const char* name : {"x.ply", "x.mp2", "x.mp1"}) {
            QFile f(home_.filePath(name));
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("0\n");
        }
        const QString plyType = xdgMime({"query", "filetype", home_.filePath("x.ply")});
        QVERIFY2(!plyType.isEmpty() && plyType != "application/octet-stream", qPrintable(plyType));
        QCOMPARE(xdgMime({"query", "default", plyType}), ApplicationId::desktopFileName());
        QCOMPARE(xdgMime({"query", "filetype", home_.filePath("x.mp2")}), "audio/mp2");
        QCOMPARE(xdgMime({"query", "filetype", home_.filePath("x.mp1")}), "audio/mpeg");
        QVERIFY(mimeApps().contains("text/plain=other.desktop"));

        registration.unregisterTypes();
        QVERIFY(!registration.isRegistered());
        QVERIFY(xdgMime({"query", "default", "audio/mpeg"}) != ApplicationId::desktopFileName());
        QVERIFY(!mimeApps().contains(ApplicationId::kId));
        QVERIFY(mimeApps().contains("text/plain=other.desktop"));
        registration.unregisterTypes();  // nothing left to remove: no error
    }

    void aFailedWriteSaysWhat() {
        FreedesktopRegistration registration("/opt/sonvox", where_);
        QDir().mkpath(where_.dataHome);
        QFile blocker(where_.dataHome + "/applications");  // a file where a folder must be
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        try {
            registration.registerTypes();
            QFAIL("no error");
        } catch (const SonvoxError& e) {
            QVERIFY2(e.message().startsWith(QString::fromUtf8("Konnte Daten für '")),
                     qPrintable(e.message()));
        }
    }
};

QTEST_GUILESS_MAIN(TestRegistration)
#include "tst_registration.moc"
