#pragma once
// For the start-up benchmark: when SONVOX_EXIT_WHEN_SHOWN is set, the program prints
// "shown" on standard output as soon as the window system has exposed `window`, and quits.

class QWidget;

void installShownProbe(QWidget* window);
