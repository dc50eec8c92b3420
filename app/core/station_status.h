#pragma once
// Texts that name the module and the instrument at an address, as the Setup page's status panel
// and the On-line view's status line show them.

#include <string>

#include "link/core/station.h"

namespace qx {

// Models above 1000 are shown without the thousands (model 1520 shows as 520).
int ShownModel(int model);
// "QX%i" once the module is identified, "QX???" while the station is absent.
std::string ModuleText(const StationRecord& station);
// "WZ%i" once the instrument is identified (state 2), "WZ???" otherwise.
std::string InstrumentText(const StationRecord& station);
// The caption of the Setup page's status panel: "  Status:    QX..    WZ..".
std::string SetupStatusText(const StationRecord& station);

}  // namespace qx
