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
    void longPrimaryIsNotPadded();
    void sortsAListLikeTheMenu();
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
}

void TestSortKey::longPrimaryIsNotPadded() {
    // A primary of 50 characters or more is taken as it is, so its secondary follows at
    // once; a 49-character one is padded to 51 first.
    const QString fifty(50, QLatin1Char('A'));
    QCOMPARE(SortKey::make(fifty, QStringLiteral("x")), fifty + QStringLiteral("X"));
    const QString fortyNine(49, QLatin1Char('A'));
    QCOMPARE(SortKey::make(fortyNine, QStringLiteral("x")), fortyNine + QStringLiteral("  X"));
}

void TestSortKey::sortsAListLikeTheMenu() {
    // "Year" then "Artist": empty years first, then by year, equal years by artist.
    struct Row {
        QString year;
        QString artist;
    };
    std::vector<Row> rows = {
        {"1998", "beta"}, {"1975", "Zeta"}, {"", "Omega"}, {"1998", "Alpha"}, {"", "alpha"}};
    std::sort(rows.begin(), rows.end(), [](const Row& a, const Row& b) {
        return SortKey::compare(SortKey::make(a.year, a.artist), SortKey::make(b.year, b.artist)) <
               0;
    });
    QStringList order;
    for (const Row& row : rows) {
        order << row.year + QLatin1Char('/') + row.artist;
    }
    QCOMPARE(order, (QStringList{"/alpha", "/Omega", "1975/Zeta", "1998/Alpha", "1998/beta"}));
}

QTEST_GUILESS_MAIN(TestSortKey)
#include "tst_sortkey.moc"
