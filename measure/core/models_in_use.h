#pragma once
// The instrument and module models of the station in use. They decide the full input set of
// current and voltage for the On-line and the Schedule page alike, so one instance is shared by
// both pages (the main window owns it).

#include "measure/core/catalogue.h"

namespace qx {

class ModelsInUse {
  public:
    int InstrumentModel() const { return instrumentModel_; }
    int ModuleModel() const { return moduleModel_; }
    void SetInstrumentModel(int model) { instrumentModel_ = model; }
    void SetModuleModel(int model) { moduleModel_ = model; }

    bool FullInputSet() const { return qx::FullInputSet(instrumentModel_, moduleModel_); }
    int EncodeConfig(int quantity, int range, int input) const {
        return qx::EncodeConfig(quantity, range, input, FullInputSet());
    }
    ConfigCodes DecodeConfig(int byte) const { return qx::DecodeConfig(byte, FullInputSet()); }
    ListFill FillInput(int quantity, int input) const {
        return qx::FillInput(quantity, input, FullInputSet());
    }

  private:
    int instrumentModel_ = 0;
    int moduleModel_ = 0;
};

}  // namespace qx
