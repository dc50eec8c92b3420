#pragma once
// The module and instrument texts of the status line and the Setup page's status panel, and the
// models in use that showing them updates.

#include <string>
#include <string_view>

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

// What the status texts say first while the port's device is gone (an unplugged adapter).
inline constexpr std::string_view kLostPortState = "odpojeno, čeká se na připojení";

// `text` whole when it is at most `room` wide; otherwise its beginning and its end with "…"
// between them, as much of both as fits ("…" alone when nothing more does). A UTF-8 character is
// never cut.
std::string ShortenMiddle(std::string_view text, int room, const Font& font,
                          const TextWidth& textWidth);

// While the port's device is gone: the state first, then the device, e.g.
// "  Status:    odpojeno, čeká se na připojení: /dev/ttyUSB7" on the Setup page's panel and
// "odpojeno, čeká se na připojení: /dev/ttyUSB7" on the On-line status line. With a `room` the
// device is shortened in the middle to fit it (and left out when not even "…" fits), so that the
// state always reads whole; without one the text is whole, for the tooltip.
std::string LostPortCaption(const std::string& device);
std::string LostPortCaption(const std::string& device, int room, const Font& font,
                            const TextWidth& textWidth);
std::string LostPortStatusText(const std::string& device);
std::string LostPortStatusText(const std::string& device, int room, const Font& font,
                               const TextWidth& textWidth);

}  // namespace qx
