#pragma once
// Accessibility for the drawn controls, which Qt does not know: a glyph button (TKMVButton)
// is a push button whose name is its accessible name or else its hint, pressed while it
// looks pressed, and pressable by an assistive tool; a digit display (TDigit) is static
// text whose value is the two digits it shows; a list grid (TKMVStringGrid) is a table
// (GridAccessible). installControlAccessibility() registers the
// factory once; call it before the first window is shown.
//
// GUI thread only.

void installControlAccessibility();
