#include "measure/core/catalogue.h"

#include <array>
#include <cstdio>

namespace qx {
namespace {

constexpr std::array<const char*, kQuantityCount> kQuantityTexts = {
    "Proud  [A]",    "Napětí  [V]",   "Výkon  [kW]",   "Výkon  [kVA]",
    "Účiník  [cos]", "Kmitočet [Hz]", "Teplota  [°C]", "Odpor  [kohm]",
};

constexpr std::array<const char*, kQuantityCount> kUnitTexts = {
    "A", "V", "kW", "kVA", "cos", "Hz", "°C", "kohm",
};

// Range items by quantity; nullptr ends a list, "" in the first place stands for the top text
// that depends on the instrument model.
constexpr int kMaxRanges = 5;
constexpr const char* kTop = "";
constexpr const char* kRangeTexts[kQuantityCount][kMaxRanges] = {
    {kTop, "399.9", "39.99", "AUTO", nullptr},     {"1000", "399.9", "39.99", "AUTO", nullptr},
    {kTop, "399.9", "39.99", "3.999", "AUTO"},     {kTop, "399.9", "39.99", "3.999", "AUTO"},
    {nullptr, nullptr, nullptr, nullptr, nullptr}, {"3999", "399.9", "AUTO", nullptr, nullptr},
    {nullptr, nullptr, nullptr, nullptr, nullptr}, {"399.9", "39.99", "3.999", "0.3999", "AUTO"},
};

constexpr const char* kFullCurrentInputs[] = {"AC+DC", "AC", "DC"};
constexpr const char* kShortCurrentInputs[] = {"AC+DC", "DC"};
constexpr const char* kFrequencyInputs[] = {"Proud", "Napětí"};

bool ValidQuantity(int quantity) {
    return quantity >= 0 && quantity < kQuantityCount;
}

// Name of every byte an encoding can produce; all other bytes have none.
const char* NamedByte(int byte) {
    static constexpr const char* kCurrent[16] = {
        "R3_TRMS", "R3_AC", "R3_DC", nullptr, "R2_TRMS", "R2_AC", "R2_DC", nullptr,
        "R1_TRMS", "R1_AC", "R1_DC", nullptr, "RA_TRMS", "RA_AC", "RA_DC", nullptr,
    };
    static constexpr const char* kPower[16] = {
        "R3", nullptr, nullptr, nullptr, "R2", nullptr, nullptr, nullptr,
        "R1", nullptr, nullptr, nullptr, "R0", nullptr, nullptr, "RA",
    };
    static constexpr const char* kFrequency[16] = {
        "R3_A",  "R3_V",  nullptr, nullptr, "R2_A", "R2_V", nullptr, nullptr,
        nullptr, nullptr, nullptr, nullptr, "RA_A", "RA_V", nullptr, nullptr,
    };
    const int low = byte & 15;
    switch (byte >> 4) {
        case 0:
        case 1:
            return kCurrent[low];
        case 2:
        case 3:
        case 7:
            return kPower[low];
        case 5:
            return kFrequency[low];
        default:
            return nullptr;
    }
}

int SelectItem(int code, int count) {
    return code < 0 ? 0 : code % count;
}

ListFill DisabledList() {
    return ListFill{};
}

ListFill EnabledList() {
    ListFill fill;
    fill.enabled = true;
    fill.color = colors::kAqua;
    return fill;
}

}  // namespace

const char* QuantityText(int quantity) {
    return ValidQuantity(quantity) ? kQuantityTexts[quantity] : "";
}

const char* UnitText(int quantity) {
    return ValidQuantity(quantity) ? kUnitTexts[quantity] : "";
}

int RangeCount(int quantity) {
    if (!ValidQuantity(quantity)) return 0;
    int n = 0;
    while (n < kMaxRanges && kRangeTexts[quantity][n] != nullptr)
        ++n;
    return n;
}

const char* RangeTopText(int instrumentModel) {
    switch (instrumentModel) {
        case 520:
        case 1520:
            return "1000";
        case 525:
        case 1525:
            return "2000";
        default:
            return "2000/1000";
    }
}

const char* RangeText(int quantity, int range, int instrumentModel) {
    if (range < 0 || range >= RangeCount(quantity)) return "";
    const char* text = kRangeTexts[quantity][range];
    return text == kTop ? RangeTopText(instrumentModel) : text;
}

int InputCount(int quantity, bool fullInputSet) {
    if (quantity == 0 || quantity == 1) return fullInputSet ? 3 : 2;
    return quantity == 5 ? 2 : 0;
}

const char* InputText(int quantity, int input, bool fullInputSet) {
    if (input < 0 || input >= InputCount(quantity, fullInputSet)) return "";
    if (quantity == 5) return kFrequencyInputs[input];
    return fullInputSet ? kFullCurrentInputs[input] : kShortCurrentInputs[input];
}

bool FullInputSet(int instrumentModel, int moduleModel) {
    return instrumentModel > 1000 && moduleModel > 1000;
}

int EncodeConfig(int quantity, int range, int input, bool fullInputSet) {
    if (quantity < 0) return -1;
    // Codes outside their list wrap as the lists select them, so that a damaged code can never
    // spill into the quantity nibble.
    if (RangeCount(quantity) > 0) range = SelectItem(range, RangeCount(quantity));
    if (InputCount(quantity, fullInputSet) > 0) {
        input = SelectItem(input, InputCount(quantity, fullInputSet));
    }
    const int base = quantity * 16;
    switch (quantity) {
        case 0:
        case 1:
            return base + 4 * range + (fullInputSet ? input : 2 * input);
        case 2:
        case 3:
        case 7:
            return range == 4 ? base + 15 : base + 4 * range;
        case 5:
            return range == 2 ? 80 + input + 12 : 80 + input + 4 * range;
        default:
            return base;
    }
}

ConfigCodes DecodeConfig(int byte, bool fullInputSet) {
    if (byte < 0 || byte > 0x7F) return {0, 0, -1};
    ConfigCodes codes{byte >> 4, (byte >> 2) & 3, byte & 3};
    const int low = byte & 15;
    switch (codes.quantity) {
        case 0:
        case 1:
            if (!fullInputSet) codes.input /= 2;
            break;
        case 2:
        case 3:
        case 7:
            if (low == 15) codes = {codes.quantity, 4, 0};
            break;
        case 5:
            if (low == 12) codes = {5, 2, 0};
            if (low == 13) codes = {5, 2, 1};
            break;
        default:
            break;
    }
    return codes;
}

const char* RangeName(int byte) {
    if (byte < 0 || byte > 255) return "    ";
    const char* name = NamedByte(byte);
    return name != nullptr ? name : "    ";
}

ListFill FillQuantity(int quantity, const int* counts) {
    if (quantity < 0) return DisabledList();
    ListFill fill = EnabledList();
    char text[64];
    for (int q = 0; q < kQuantityCount; ++q) {
        if (counts != nullptr && counts[q] > 0) {
            std::snprintf(text, sizeof text, "%s  #%i", kQuantityTexts[q], counts[q]);
            fill.items.emplace_back(text);
        } else {
            fill.items.emplace_back(kQuantityTexts[q]);
        }
    }
    // A code beyond the list selects nothing, as a combo box does for an index it does not hold.
    fill.selected = quantity < kQuantityCount ? quantity : -1;
    return fill;
}

ListFill FillRange(int quantity, int instrumentModel, int range) {
    const int count = RangeCount(quantity);
    if (count == 0) return DisabledList();
    ListFill fill = EnabledList();
    for (int r = 0; r < count; ++r)
        fill.items.emplace_back(RangeText(quantity, r, instrumentModel));
    fill.selected = SelectItem(range, count);
    return fill;
}

ListFill FillInput(int quantity, int input, bool fullInputSet) {
    const int count = InputCount(quantity, fullInputSet);
    if (count == 0) return DisabledList();
    ListFill fill = EnabledList();
    for (int i = 0; i < count; ++i)
        fill.items.emplace_back(InputText(quantity, i, fullInputSet));
    fill.selected = SelectItem(input, count);
    return fill;
}

}  // namespace qx
