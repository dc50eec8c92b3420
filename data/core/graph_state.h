#pragma once
// What the graph of the selected quantity shows: the time window with its grid, the value range
// with its grid, the estimated limit lines and the records at the window's edges. The
// preparation computes it; the paint only reads it.

namespace qx {

struct GraphState {
    double windowStart = 0.0;   // s, time stamp
    double windowEnd = 60.0;    // s
    double dataStart = 0.0;     // s, first record of the quantity, down to a whole time step
    double dataEnd = 60.0;      // s, last record, up to a whole time step
    double timeStep = 10.0;     // s between labelled time grid lines
    double timeTickStep = 2.0;  // s between ticks on the time axis
    double valueBottom = -2.0;
    double valueTop = 2.0;
    double valueStep = 1.0;  // between labelled value grid lines
    double valueTickStep = 0.2;
    double highLimit = 2.0;  // the curve turns blue above this value
    double lowLimit = -2.0;  // and red below this one
    // Record indices into the record list, -1 for none.
    int before = -1;             // last record of the quantity before the window
    int first = -1;              // first record in the window
    int last = -1;               // last record in the window
    int after = -1;              // first record after the window
    int points = 0;              // records of the quantity inside the window
    int scrollPos = 0;           // 0 to 10000
    bool scrollEnabled = false;  // also "Lupa -"
    bool zoomInEnabled = false;  // "Lupa +"

    double Span() const { return windowEnd - windowStart; }
};

}  // namespace qx
