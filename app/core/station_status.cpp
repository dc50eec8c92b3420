#include "app/core/station_status.h"

namespace qx {

int ShownModel(int model) {
    return model > 1000 ? model - 1000 : model;
}

std::string ModuleText(const StationRecord& station) {
    if (station.state == 0) return "QX???";
    return "QX" + std::to_string(ShownModel(station.moduleModel));
}

std::string InstrumentText(const StationRecord& station) {
    if (station.state != 2) return "WZ???";
    return "WZ" + std::to_string(ShownModel(station.instrumentModel));
}

std::string SetupStatusText(const StationRecord& station) {
    return "  Status:    " + ModuleText(station) + "    " + InstrumentText(station);
}

}  // namespace qx
