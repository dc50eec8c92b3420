#include "measure/core/station_status.h"

#include <cstdio>
#include <vector>

namespace qx {
namespace {

constexpr std::string_view kSetupPrefix = "  Status:    ";
constexpr std::string_view kEllipsis = "…";

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
    return std::string(kSetupPrefix) + status.moduleText + "    " + status.instrumentText;
}

std::string ShortenMiddle(std::string_view text, int room, const Font& font,
                          const TextWidth& textWidth) {
    if (textWidth(text, font) <= room) return std::string(text);
    // Where each character starts: continuation bytes of UTF-8 never start one.
    std::vector<std::size_t> starts;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80) starts.push_back(i);
    }
    starts.push_back(text.size());
    const std::size_t count = starts.size() - 1;
    if (count == 0) return {};
    for (std::size_t keep = count - 1; keep > 0; --keep) {
        // The end gets the odd character: serial numbers and port suffixes tell devices apart.
        const std::size_t head = keep / 2;
        const std::size_t tail = keep - head;
        std::string shortened(text.substr(0, starts[head]));
        shortened += kEllipsis;
        shortened += text.substr(starts[count - tail]);
        if (textWidth(shortened, font) <= room) return shortened;
    }
    return std::string(kEllipsis);
}

std::string LostPortCaption(const std::string& device) {
    return std::string(kSetupPrefix) + LostPortStatusText(device);
}

std::string LostPortCaption(const std::string& device, int room, const Font& font,
                            const TextWidth& textWidth) {
    return std::string(kSetupPrefix) +
           LostPortStatusText(device, room - textWidth(kSetupPrefix, font), font, textWidth);
}

std::string LostPortStatusText(const std::string& device) {
    return std::string(kLostPortState) + ": " + device;
}

std::string LostPortStatusText(const std::string& device, int room, const Font& font,
                               const TextWidth& textWidth) {
    const std::string state = std::string(kLostPortState) + ": ";
    const std::string shown = ShortenMiddle(device, room - textWidth(state, font), font, textWidth);
    if (shown == kEllipsis) return std::string(kLostPortState);
    return state + shown;
}

}  // namespace qx
