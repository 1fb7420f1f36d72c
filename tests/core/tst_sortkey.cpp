// The order the list grid's two-column sort produces, checked on the keys themselves.

#include <QLocale>
#include <QTest>
#include <algorithm>

#include "core/SortKey.h"

class TestSortKey : public QObject {
    Q_OBJECT

private slots:
    void order_data();
    void order();
};

namespace {
int sign(int value) {
    return (value > 0) - (value < 0);
}
}  // namespace

void TestSortKey::order_data() {
    QTest::addColumn<QString>("primaryA");
    QTest::addColumn<QString>("secondaryA");
    QTest::addColumn<QString>("primaryB");
    QTest::addColumn<QString>("secondaryB");
    QTest::addColumn<int>("expected");  // sign of compare(a, b)

    QTest::newRow("empty first") << ""
                                 << "ZZ"
                                 << "1975"
                                 << "AA" << -1;
    QTest::newRow("empty before blank-led") << ""
                                            << ""
                                            << "!"
                                            << "" << -1;
    QTest::newRow("AB before ABC") << "AB"
                                   << "ZZZ"
                                   << "ABC"
                                   << "" << -1;
    QTest::newRow("ABC before ABD") << "ABC"
                                    << ""
                                    << "ABD"
                                    << "" << -1;
    QTest::newRow("case ignored") << "abc"
                                  << "x"
                                  << "ABC"
                                  << "X" << 0;
    QTest::newRow("secondary decides") << "ABC"
                                       << "beta"
                                       << "abc"
                                       << "Alpha" << 1;
    QTest::newRow("years as text") << "1975"
                                   << ""
                                   << "1998"
                                   << "" << -1;
    QTest::newRow("short year after long as text") << "999"
                                                   << ""
                                                   << "1998"
                                                   << "" << 1;
    QTest::newRow("umlaut case ignored") << "ärzte"
                                         << ""
                                         << "ÄRZTE"
                                         << "" << 0;
    QTest::newRow("umlaut after Z as on the code page") << "Ärzte"
                                                        << ""
                                                        << "Zappa"
                                                        << "" << 1;
    QTest::newRow("umlauts in code page order") << "Öl"
                                                << ""
                                                << "Üben"
                                                << "" << -1;
    QTest::newRow("sharp s folds to SS") << "straße"
                                         << ""
                                         << "STRASSE"
                                         << "" << 0;
    QTest::newRow("cp1252 S caron before A grave") << "Šebek"
                                                   << ""
                                                   << "Àlex"
                                                   << "" << -1;
    QTest::newRow("cp1252 S caron after Z") << "šebek"
                                            << ""
                                            << "Zappa"
                                            << "" << 1;
    QTest::newRow("non-cp1252 after Latin-1") << "Ярило"
                                              << ""
                                              << "ÿ"
                                              << "" << 1;
    // A primary of 50 characters or more is not padded, so its secondary follows at once;
    // one of 49 is padded to 51 first, and the blanks sort below letters.
    const QString a49(49, QLatin1Char('A'));
    const QString a50(50, QLatin1Char('A'));
    QTest::newRow("fifty: secondary follows at once") << a50 << "B" << a50 + "A"
                                                      << "" << 1;
    QTest::newRow("forty-nine: padded") << a49 << "Z" << a50 << "" << -1;
    QTest::newRow("astral after BMP") << "\U0001F3B5"
                                      << ""
                                      << "\uFFFD"
                                      << "" << -1;
}

void TestSortKey::order() {
    QFETCH(QString, primaryA);
    QFETCH(QString, secondaryA);
    QFETCH(QString, primaryB);
    QFETCH(QString, secondaryB);
    QFETCH(int, expected);
    const QLocale german(QLocale::German, QLocale::Germany);
    const QString a = SortKey::make(primaryA, secondaryA, german);
    const QString b = SortKey::make(primaryB, secondaryB, german);
    QCOMPARE(sign(SortKey::compare(a, b)), expected);
    QCOMPARE(sign(SortKey::compare(b, a)), -expected);
    // The byte keys the list model sorts by agree, in the German and a Turkish locale
    // (where ASCII is not upper-cased by the fast path).
    for (const QLocale& locale : {german, QLocale(QLocale::Turkish, QLocale::Turkey)}) {
        std::string bytesA;
        std::string bytesB;
        SortKey::appendKeyBytes(bytesA, primaryA.toUtf8(), secondaryA.toUtf8(), locale);
        SortKey::appendKeyBytes(bytesB, primaryB.toUtf8(), secondaryB.toUtf8(), locale);
        const int expectedHere =
            sign(SortKey::compare(SortKey::make(primaryA, secondaryA, locale),
                                  SortKey::make(primaryB, secondaryB, locale)));
        QCOMPARE(sign(bytesA.compare(bytesB)), expectedHere);
    }
}

QTEST_GUILESS_MAIN(TestSortKey)
#include "tst_sortkey.moc"
