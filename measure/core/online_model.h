#pragma once
// State of the On-line page without its widgets: the selected address, the codes shown in the
// three lists, and the statistics. The handlers of the poller's notifications and of the lists
// call in here; what they must write into the station table comes back as a configuration byte,
// so the Qt layer writes it under the station lock.

#include <optional>

#include "link/core/station.h"
#include "measure/core/catalogue.h"
#include "measure/core/models_in_use.h"
#include "measure/core/online_stats.h"

namespace qx {

// Buttons whose enabled state follows the station-changed notification.
struct StationEnables {
    bool clear = false;  // MOnClear
    bool start = false;  // MOnStart; apply only while not recording
    bool bus = false;    // MTabReceive, MShedSend, MShedCheck, MShedClear
};

class OnlineModel {
  public:
    explicit OnlineModel(ModelsInUse* models) : models_(models) {}

    int SelectedAddress() const { return selectedAddress_; }
    // Choosing another address keeps the statistics.
    void SetSelectedAddress(int address) { selectedAddress_ = address; }
    const ConfigCodes& Codes() const { return codes_; }
    const OnlineStats& Stats() const { return stats_; }
    bool IsSelected(int address) const { return address == selectedAddress_; }

    static StationEnables EnablesFor(const StationRecord& station);

    // Value notification. The statistics take the value when it comes from the selected address;
    // returns true when the value is to be recorded (every address, only real values).
    bool OnValue(int address, const StationRecord& station);

    // Configuration-known notification: the lists take the station's byte. An invalid byte is
    // replaced by the byte of the first quantity, range and input, which is returned so that it is
    // written to the station (and sent to the module by the poller).
    std::optional<int> OnConfigKnown(int address, const StationRecord& station);

    // The user chose another quantity. Range and input are the items of the lists before the
    // change; they are re-selected in the new quantity's lists by the lists' wrap rule. Returns the
    // new byte (the station's value is to be cleared), nothing when the quantity did not change.
    std::optional<int> OnSelectChange(int quantityItem, int rangeItem, int inputItem,
                                      int instrumentModel);

    // The user chose another range or input; the statistics stay. Returns the new byte, nothing
    // when neither changed.
    std::optional<int> OnRangeChange(int quantityItem, int rangeItem, int inputItem);

    // "Start Min, Avg, Max": minimum and maximum start over, the history and average stay.
    void OnClear() { stats_.ClearMinMax(); }

    // List contents for the codes shown.
    ListFill QuantityList() const { return FillQuantity(codes_.quantity, nullptr); }
    ListFill RangeList(int instrumentModel) const {
        return FillRange(codes_.quantity, instrumentModel, codes_.range);
    }
    ListFill InputList() const { return models_->FillInput(codes_.quantity, codes_.input); }

  private:
    ModelsInUse* models_;
    int selectedAddress_ = -1;
    ConfigCodes codes_{};
    OnlineStats stats_;
};

}  // namespace qx
