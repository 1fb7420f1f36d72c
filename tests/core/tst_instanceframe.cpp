// Hand-off frames as the receiver splits one connection's bytes: whole frames are taken in
// order, and reading stops at the first frame that is malformed or unfinished.

#include <QTest>
#include <QtEndian>

#include "core/InstanceFrame.h"

namespace {

QByteArray frame(const QByteArray& body, quint32 length) {
    QByteArray header("SVX1\0\0\0\0", 8);
    qToBigEndian(length, header.data() + 4);
    return header + body;
}

QByteArray frame(const QByteArray& body) {
    return frame(body, quint32(body.size()));
}

}  // namespace

class TestInstanceFrame : public QObject {
    Q_OBJECT

private slots:
    void decodeStream_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QStringList>("names");  // of the messages taken
        QTest::addColumn<bool>("complete");

        const QByteArray start = frame("Start\n/m/a.mp3");
        const QByteArray front = frame("Sonvox\n");
        QTest::newRow("nothing") << QByteArray() << QStringList() << true;
        QTest::newRow("two frames") << start + front << QStringList{"Start", "Sonvox"} << true;
        QTest::newRow("unfinished header")
            << start + QByteArray("SVX1\0\0", 6) << QStringList{"Start"} << false;
        QTest::newRow("unfinished body")
            << start + front.chopped(1) << QStringList{"Start"} << false;
        QTest::newRow("wrong marker stops the rest")
            << start + "SVX2" + front.mid(4) + front << QStringList{"Start"} << false;
        QTest::newRow("length 0") << frame("", 0) + front << QStringList() << false;
        QTest::newRow("length over the bound")
            << frame("Sonvox\n", InstanceFrame::kMaxBodyBytes + 1) << QStringList() << false;
        QTest::newRow("invalid UTF-8") << frame("Start\n\xff.mp3") << QStringList() << false;
        QTest::newRow("unknown name") << frame("Stop\n") << QStringList() << false;
        QTest::newRow("no line after the name") << frame("Sonvox") << QStringList() << false;
    }

    void decodeStream() {
        QFETCH(QByteArray, bytes);
        bool complete = false;
        const QList<InstanceMessage> messages = InstanceFrame::decodeStream(bytes, &complete);
        QStringList names;
        for (const InstanceMessage& message : messages) {
            names.append(message.name);
            QCOMPARE(InstanceFrame::decodeStream(InstanceFrame::encode(message)),
                     QList<InstanceMessage>{message});
        }
        QTEST(names, "names");
        QTEST(complete, "complete");
    }
};

QTEST_GUILESS_MAIN(TestInstanceFrame)
#include "tst_instanceframe.moc"
