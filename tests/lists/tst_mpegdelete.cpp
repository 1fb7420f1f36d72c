// "Delete Mpeg &File" on real files: the order of the questions in both passes, "&All",
// "&Cancel", a single unmarked row, a file that cannot be deleted, and the window itself.
// The modal window is answered by clicking its buttons as it comes up.

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QPushButton>
#include <QTimer>

#include "ListsTestRig.h"
#include "lists/TMpegDelete.h"

namespace {

// Answers every TMpegDelete that comes up with the next scripted button ("Yes", "No",
// "All", "Cancel") and notes the title it was asked about; with the script used up it
// answers "Cancel" and notes the question as unexpected.
class Answerer : public QObject {
public:
    explicit Answerer(QStringList script) : script_(std::move(script)) {
        connect(&timer_, &QTimer::timeout, this, &Answerer::poll);
        timer_.start(2);
    }

    QStringList asked;
    bool noHadFocus = true;

private:
    void poll() {
        auto* dialog = qobject_cast<TMpegDelete*>(QApplication::activeModalWidget());
        if (!dialog || !dialog->isVisible()) {
            return;
        }
        noHadFocus = noHadFocus && dialog->focusWidget() == dialog->BitBtn2;
        QString answer = QStringLiteral("Cancel");
        if (script_.isEmpty()) {
            asked << "unexpected " + dialog->Panel2->text();
        } else {
            asked << dialog->Panel2->text();
            answer = script_.takeFirst();
        }
        QPushButton* button = answer == "Yes"   ? dialog->BitBtn1
                              : answer == "No"  ? dialog->BitBtn2
                              : answer == "All" ? dialog->BitBtn3
                                                : dialog->BitBtn4;
        QTest::mouseClick(button, Qt::LeftButton);
    }

    QStringList script_;
    QTimer timer_;
};

}  // namespace

class TestMpegDelete : public QObject {
    Q_OBJECT

    std::unique_ptr<ListsTestRig> rig_;
    QStringList files_;
    TrackGrid& selection() { return rig_->selection(); }

    // Tracks with the titles T1 ... Tn in the selection, with the given rows marked.
    void fill(int count, const QList<int>& marked) {
        for (int i = 1; i <= count; ++i) {
            files_ << rig_->track(QStringLiteral("f%1.mp3").arg(i), QStringLiteral("A%1").arg(i),
                                  QStringLiteral("T%1").arg(i));
        }
        rig_->lists.FillSelection(files_);
        rig_->settle();
        for (int row : marked) {
            selection().setMark(row, 1);
        }
    }
    // The titles left in the selection.
    QStringList titles() {
        QStringList left;
        for (int r = 1; r < selection().rowCount(); ++r) {
            left << selection().cell(TrackColumn::Title, r);
        }
        return left;
    }
    // Which of the files are still on disk, by title.
    QStringList onDisk() {
        QStringList left;
        for (int i = 0; i < files_.size(); ++i) {
            if (QFileInfo::exists(files_[i])) {
                left << QStringLiteral("T%1").arg(i + 1);
            }
        }
        return left;
    }

private slots:
    void init() {
        rig_ = std::make_unique<ListsTestRig>();
        files_.clear();
    }
    void cleanup() { rig_.reset(); }

    void theTwoPasses_data() {
        QTest::addColumn<int>("rows");
        QTest::addColumn<QList<int>>("marked");
        QTest::addColumn<QStringList>("answers");
        QTest::addColumn<QStringList>("asked");
        QTest::addColumn<QStringList>("left");
        QTest::newRow("yes, yes: bottom-up")
            << 5 << QList<int>{2, 4} << QStringList{"Yes", "Yes"} << QStringList{"T4", "T2"}
            << QStringList{"T1", "T3", "T5"};
        QTest::newRow("declined rows come again")
            << 5 << QList<int>{2, 4} << QStringList{"No", "No", "Yes", "No"}
            << QStringList{"T4", "T2", "T2", "T4"} << QStringList{"T1", "T3", "T4", "T5"};
        QTest::newRow("a row moved up is not asked again")
            << 3 << QList<int>{1, 2, 3} << QStringList{"No", "No", "No", "Yes", "No"}
            << QStringList{"T3", "T2", "T1", "T1", "T3"} << QStringList{"T2", "T3"};
        QTest::newRow("all at once") << 5 << QList<int>{1, 3, 5} << QStringList{"All"}
                                     << QStringList{"T5"} << QStringList{"T2", "T4"};
        QTest::newRow("all takes the rows declined before")
            << 5 << QList<int>{2, 3, 4} << QStringList{"No", "All"} << QStringList{"T4", "T3"}
            << QStringList{"T1", "T5"};
        QTest::newRow("cancel at once")
            << 5 << QList<int>{2, 4} << QStringList{"Cancel"} << QStringList{"T4"}
            << QStringList{"T1", "T2", "T3", "T4", "T5"};
        QTest::newRow("cancel in the second pass")
            << 4 << QList<int>{1, 2} << QStringList{"No", "Yes", "Cancel"}
            << QStringList{"T2", "T1", "T2"} << QStringList{"T2", "T3", "T4"};
        QTest::newRow("one unmarked row")
            << 1 << QList<int>{} << QStringList{"Yes"} << QStringList{"T1"} << QStringList{""};
    }

    void theTwoPasses() {
        QFETCH(int, rows);
        QFETCH(QList<int>, marked);
        QFETCH(QStringList, answers);
        QFETCH(QStringList, asked);
        QFETCH(QStringList, left);
        fill(rows, marked);
        Answerer answerer(answers);
        rig_->lists.DeleteMpegFile1Click();
        QCOMPARE(answerer.asked, asked);
        QVERIFY(answerer.noHadFocus);
        QCOMPARE(titles(), left);
        QStringList stayed = left;
        stayed.removeAll(QString());
        QCOMPARE(onDisk(), stayed);
        QCOMPARE(QGuiApplication::overrideCursor(), nullptr);
        QVERIFY(!rig_->lists.busy());
    }

    void anEmptySelectionAsksNothing() {
        Answerer answerer({});
        rig_->lists.DeleteMpegFile1Click();
        QCOMPARE(answerer.asked, QStringList());
    }

    void aFileThatCannotBeDeletedKeepsItsRow() {
        fill(3, {1, 2, 3});
        // A directory where the second file was: it cannot be removed like a file, even by
        // a privileged user.
        QVERIFY(QFile::remove(files_[1]));
        QVERIFY(QDir().mkpath(files_[1] + "/inside"));
        Answerer answerer({"All"});
        const QString message = ListsTestRig::errorOf([&] { rig_->lists.DeleteMpegFile1Click(); });
        QCOMPARE(message, "These files could not be deleted and stay on disk:\n" + files_[1]);
        QCOMPARE(answerer.asked, QStringList({"T3"}));
        QCOMPARE(titles(), QStringList({"T2"}));
        QCOMPARE(ListsTestRig::marked(selection()), QList<int>());
        QVERIFY(!QFileInfo::exists(files_[0]) && !QFileInfo::exists(files_[2]));
        QCOMPARE(QGuiApplication::overrideCursor(), nullptr);
    }

    void theWindowClearsItsFlagsAndTakesEscapeForCancel() {
        TMpegDelete dialog;
        QTimer::singleShot(0, &dialog, [&] { QTest::mouseClick(dialog.BitBtn3, Qt::LeftButton); });
        QCOMPARE(dialog.ask("Artist", "Title", "/m/a.mp3"), TMpegDelete::All);
        QVERIFY(dialog.allFlag());
        QTimer::singleShot(0, &dialog, [&] {
            QVERIFY(!dialog.allFlag());
            QTest::keyClick(&dialog, Qt::Key_Escape);
        });
        QCOMPARE(dialog.ask("A", "B", "/m/b.mp3"), TMpegDelete::Cancel);
        QVERIFY(dialog.cancelFlag());
    }
};

QTEST_MAIN(TestMpegDelete)
#include "tst_mpegdelete.moc"
