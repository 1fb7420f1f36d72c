// The start-up floor: a minimal Qt program that shows one empty window and reports when
// the window system has mapped it, the same way sonvox does under SONVOX_EXIT_WHEN_SHOWN.
#include <QApplication>
#include <QWidget>

#include "ShownProbe.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QWidget window;
    window.resize(315, 201);
    window.show();
    installShownProbe(&window);
    return app.exec();
}
