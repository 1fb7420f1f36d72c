// The start-up floor: a minimal Qt program that shows one empty window (or, with --label,
// one that shows a line of text, so that it pays for the fonts as well) and reports when
// the window system has mapped it, the same way sonvox does under SONVOX_EXIT_WHEN_SHOWN
// or SONVOX_REPORT_SHOWN. With --tick it is the floor of a playing panel instead: one label
// that shows a new two-digit number every 100 ms, nothing decoded, nothing played.
#include <QApplication>
#include <QLabel>
#include <QRandomGenerator>
#include <QTimer>
#include <QWidget>

#include "ShownProbe.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QWidget window;
    window.resize(315, 201);
    if (app.arguments().contains(QStringLiteral("--label"))) {
        auto* label = new QLabel(QStringLiteral("Nordlicht Ensemble - Glass Harbour"), &window);
        label->move(10, 10);
    }
    if (app.arguments().contains(QStringLiteral("--tick"))) {
        auto* label = new QLabel(QStringLiteral("00"), &window);
        label->move(10, 10);
        auto* timer = new QTimer(&window);
        QObject::connect(timer, &QTimer::timeout, label, [label] {
            label->setNum(int(QRandomGenerator::global()->bounded(10, 100)));
        });
        timer->start(100);
    }
    window.show();
    installShownProbe(&window);
    return app.exec();
}
