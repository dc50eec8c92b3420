#pragma once
// The On-line view as a display list: rules, labels and the bar-graph scale, the status line, and
// the values (history, maximum, average, minimum, the live value and the bar).

#include "common/core/display_list.h"
#include "measure/core/catalogue.h"
#include "measure/core/on_view_layout.h"
#include "measure/core/online_stats.h"
#include "measure/core/station_status.h"

namespace qx {

// Everything the view shows for the selected station.
struct OnViewInput {
    const OnlineStats* stats = nullptr;
    ConfigCodes codes{};      // On-line quantity, range and input codes
    double value = kNoValue;  // the station's live value
    int sign = 0;             // its sign indicator
    int stationState = 0;     // 0 absent, 1 module identified, 2 module and instrument
    StationStatus status;     // module and instrument texts
    int recordingCount = 0;   // lines recorded so far; shown instead of the status when above 0
    std::string portLost;     // the port's device while it is gone; empty while it is there
};

// The live value as the view shows it: no value (1e10) unless the instrument is identified and
// the port is there, so that the last value read never stands there as if it were current.
double ShownValue(const OnViewInput& input);

// Full scale of the bar for a quantity and range code; 0 when it is chosen by the value.
double BarFullScale(int quantity, int range);

// Right end (exclusive) of the black bar for a live value; the bar starts at x = 10.
int BarEnd(double value, int quantity, int range, int panelWidth);

// Background, rules, the labels "Max:", "Avg:", "Min:", "Status:" and the scale.
void OnViewFrame(DisplayList* list, const OnViewLayout& layout);

// The status line; with `erase` the area a shorter text leaves is filled first. While the port
// is lost its state takes the whole row, from the "Status:" label on, with the device shortened
// to fit.
void OnViewStatusLine(DisplayList* list, const OnViewLayout& layout, int panelWidth,
                      const OnViewInput& input, bool erase, const TextWidth& textWidth);

// The values and the bar; with `erase` each text's row is cleared behind its right end first.
void OnViewValues(DisplayList* list, const OnViewLayout& layout, int panelWidth,
                  const OnViewInput& input, bool erase, const TextWidth& textWidth);

// A whole paint of the view at the given size (`panelWidth` is the client width of the lime panel
// around it): adopts the size into `layout`, then frame, status line and values.
DisplayList PaintOnView(OnViewLayout* layout, int width, int height, int panelWidth,
                        const OnViewInput& input, const TextWidth& textWidth);

}  // namespace qx
