#include "measure/core/station_status.h"

#include <cstdio>

namespace qx {
namespace {

std::string ModelText(const char* prefix, int model) {
    char text[32];
    std::snprintf(text, sizeof text, "%s%i", prefix, model > 1000 ? model - 1000 : model);
    return text;
}

}  // namespace

StationStatus StationStatusOf(const StationRecord& station) {
    StationStatus status;
    if (station.state == 0) {
        status.moduleText = "QX???";
    } else {
        status.moduleText = ModelText("QX", station.moduleModel);
        status.moduleColor = colors::kBlack;
    }
    if (station.state == 2) {
        status.instrumentText = ModelText("WZ", station.instrumentModel);
        status.instrumentColor = colors::kBlack;
    } else {
        status.instrumentText = "WZ???";
    }
    return status;
}

void AdoptModels(const StationRecord& station, ModelsInUse* models) {
    if (station.state != 0) models->SetModuleModel(station.moduleModel);
    if (station.state == 2) models->SetInstrumentModel(station.instrumentModel);
}

std::string SetupStatusCaption(const StationStatus& status) {
    return "  Status:    " + status.moduleText + "    " + status.instrumentText;
}

std::string LostPortCaption(const std::string& device) {
    return "  Status:    " + device + " odpojeno, čeká se na připojení";
}

std::string LostPortStatusText(const std::string& device) {
    const std::size_t slash = device.rfind('/');
    return "odpojeno: " + (slash == std::string::npos ? device : device.substr(slash + 1));
}

}  // namespace qx
