#pragma once
// The quantities the instrument measures, their ranges and input circuits, and how a choice of
// quantity, range and input is packed into the module's configuration byte.
//
// Codes are item numbers in the quantity, range and input lists; -1 means nothing is selected.
// The configuration byte keeps the quantity in the high nibble and range/input in the low one.

#include <string>
#include <vector>

#include "common/core/display_list.h"

namespace qx {

constexpr int kQuantityCount = 8;
constexpr int kPowerFactor = 4;  // quantity code of the power factor ("cos")
constexpr int kResistance = 7;   // quantity code of the resistance ("kohm")

// The three codes that one configuration byte stands for.
struct ConfigCodes {
    int quantity = 0;
    int range = 0;
    int input = 0;
    bool operator==(const ConfigCodes&) const = default;
};

// Item text of a quantity list ("Proud  [A]", ...); "" for a code outside 0..7.
const char* QuantityText(int quantity);
// Unit text appended to values ("A", "V", "kW", ...); "" for a code outside 0..7.
const char* UnitText(int quantity);
// Number of items of the quantity's range list; 0 when the quantity has none.
int RangeCount(int quantity);
// Text of the first range item of current and power by instrument model: "2000/1000" without a
// reported model, "1000" for 520/1520, "2000" for 525/1525. Other models are not known to us;
// they get the neutral "2000/1000" as well.
const char* RangeTopText(int instrumentModel);
// Item text of range `range` of `quantity` for `instrumentModel`; "" when there is no such item.
const char* RangeText(int quantity, int range, int instrumentModel);
// Number of items of the quantity's input list (depends on the full input set); 0 when none.
int InputCount(int quantity, bool fullInputSet);
const char* InputText(int quantity, int input, bool fullInputSet);

// The three-item input list of current and voltage (with "AC") is offered only when both the
// instrument and the module are newer than model 1000.
bool FullInputSet(int instrumentModel, int moduleModel);

// Codes to configuration byte. Quantities above 7 give q * 16 (a byte DecodeConfig rejects); a
// negative quantity has no byte and gives -1.
int EncodeConfig(int quantity, int range, int input, bool fullInputSet);
// Configuration byte to codes. Bytes 80h and above (and anything outside 0..255) are invalid and
// give quantity 0, range 0, input -1.
ConfigCodes DecodeConfig(int byte, bool fullInputSet);
// Name of a configuration byte as the table shows it ("R3_TRMS", "RA_V", ...); four blanks for a
// byte without a name (power factor, temperature, and bytes no encoding produces).
const char* RangeName(int byte);

// Contents of a quantity list. `counts` (8 entries) is given for the lists that show the number
// of loaded records per quantity, and null otherwise.
ListFill FillQuantity(int quantity, const int* counts);
// Contents of a range list; a range code beyond the list wraps by the modulo rule, a negative one
// selects the first item.
ListFill FillRange(int quantity, int instrumentModel, int range);
// Contents of an input list, with the same selection rule as FillRange.
ListFill FillInput(int quantity, int input, bool fullInputSet);

}  // namespace qx
