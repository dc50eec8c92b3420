#include "measure/core/online_model.h"

#include <cmath>

namespace qx {

StationEnables OnlineModel::EnablesFor(const StationRecord& station) {
    StationEnables enables;
    enables.clear = station.state == 2;
    enables.start = station.state == 2;
    enables.bus = station.state != 0;
    return enables;
}

bool OnlineModel::OnValue(int address, const StationRecord& station) {
    // NaN counts as no value as well: nothing sensible could be shown or written for it.
    if (!(std::fabs(station.value) < kNoValue)) return false;
    if (IsSelected(address)) stats_.Add(station.value, station.sign);
    return true;
}

std::optional<int> OnlineModel::OnConfigKnown(int address, const StationRecord& station) {
    if (!IsSelected(address)) return std::nullopt;
    std::optional<int> replacement;
    codes_ = models_->DecodeConfig(station.config);
    if (codes_.input < 0) {
        codes_.input = 0;
        replacement = models_->EncodeConfig(codes_.quantity, codes_.range, 0);
    }
    models_->SetInstrumentModel(station.instrumentModel);
    return replacement;
}

std::optional<int> OnlineModel::OnSelectChange(int quantityItem, int rangeItem, int inputItem,
                                               int instrumentModel) {
    // An empty quantity list (-1) has nothing to apply.
    if (quantityItem < 0 || quantityItem == codes_.quantity) return std::nullopt;
    codes_.quantity = quantityItem;
    codes_.range = FillRange(quantityItem, instrumentModel, rangeItem).selected;
    codes_.input = models_->FillInput(quantityItem, inputItem).selected;
    stats_.Reset();
    return models_->EncodeConfig(codes_.quantity, codes_.range, codes_.input);
}

std::optional<int> OnlineModel::OnRangeChange(int quantityItem, int rangeItem, int inputItem) {
    if (rangeItem == codes_.range && inputItem == codes_.input) return std::nullopt;
    codes_ = {quantityItem, rangeItem, inputItem};
    return models_->EncodeConfig(codes_.quantity, codes_.range, codes_.input);
}

}  // namespace qx
