#pragma once
// The module and instrument texts of the status line and the Setup page's status panel, and the
// models in use that showing them updates.

#include <string>

#include "common/core/display_list.h"
#include "link/core/station.h"
#include "measure/core/models_in_use.h"

namespace qx {

struct StationStatus {
    std::string moduleText;  // "QX???" or "QX%i"
    Rgb moduleColor = colors::kRed;
    std::string instrumentText;  // "WZ???" or "WZ%i"
    Rgb instrumentColor = colors::kRed;
    bool operator==(const StationStatus&) const = default;
};

// Texts for a station: model numbers above 1000 are shown without the thousand ("WZ520" for
// 1520); an unidentified module or instrument reads "???" in red.
StationStatus StationStatusOf(const StationRecord& station);

// Showing a station's status makes its models the models in use: the module model once the module
// is identified, the instrument model once the instrument is.
void AdoptModels(const StationRecord& station, ModelsInUse* models);

// Caption of the Setup page's status panel, e.g. "  Status:    QX???    WZ???".
std::string SetupStatusCaption(const StationStatus& status);

// While the port's device is gone (an unplugged adapter): the Setup page's caption, naming the
// device, and the On-line status line's shorter text, naming its file.
std::string LostPortCaption(const std::string& device);
std::string LostPortStatusText(const std::string& device);

}  // namespace qx
