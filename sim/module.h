#pragma once
// One simulated QX module: answers the requests addressed to it as the real module does, with its
// own baud rate and checksum mode. Qt-free and without I/O; the simulator feeds it request lines.

#include <optional>
#include <string>
#include <string_view>

#include "sim/logger.h"
#include "sim/module_settings.h"

namespace qx::sim {

class Module {
  public:
    explicit Module(const ModuleSettings& settings);

    // Settings in effect now.
    const ModuleSettings& Settings() const { return settings_; }
    // Baud code and checksum mode that the next power cycle puts into effect.
    int PendingBaudCode() const { return pendingBaudCode_; }
    bool PendingChecksum() const { return pendingChecksum_; }
    // The FF field of the $AA2 reply.
    int FormatFlags() const;

    // The reply text (without checksum digits and CR) to one request line as received (without
    // its CR), or nothing when the module stays silent: the line was sent at another baud rate
    // (`lineBaudCode`), its checksum state does not match the module's, or it is addressed to
    // another module. `now` is in seconds and drives the slowly varying value.
    std::optional<std::string> Respond(std::string_view line, int lineBaudCode, double now);

    // Puts a pending baud code and checksum mode into effect, as switching the module off and on.
    void PowerCycle();
    void SetInstrumentAttached(bool attached) { settings_.instrumentAttached = attached; }
    // While set, the module answers nothing, as one switched off.
    void SetSilent(bool silent) { silent_ = silent; }
    bool Silent() const { return silent_; }
    // While set, #AA is answered with a refusal instead of a value.
    void SetNoValue(bool noValue) { noValue_ = noValue; }
    bool NoValue() const { return noValue_; }
    // Holds the measured quantity at `value` (in the instrument's form) instead of the simulated
    // plant's swing; nothing returns to the swing.
    void SetFixedValue(std::optional<double> value) { fixedValue_ = value; }
    // The logger: clock, schedule and record queue.
    Logger& Log() { return logger_; }
    const Logger& Log() const { return logger_; }
    // Logs what the schedule made due up to `now`.
    void AdvanceLog(double now);
    // Appends `count` records of `config` measured now, one `intervalSeconds` apart.
    void PrefillQueue(int count, int config, int intervalSeconds, double now);
    // The instrument's reading for `config` at `now`; nothing when it gives no value.
    std::optional<std::string> Sample(int config, double now) const;
    // Replaces the settings at once (pending changes included), as fitting a different module.
    void Reset(const ModuleSettings& settings);

  private:
    std::optional<std::string> Dispatch(std::string_view text, double now);
    std::string Refusal() const;
    std::string Accepted() const;
    std::string SetConfiguration(std::string_view text);
    std::string ValueReply(double now) const;

    ModuleSettings settings_;
    int pendingBaudCode_;
    bool pendingChecksum_;
    bool noValue_ = false;
    bool silent_ = false;
    std::optional<double> fixedValue_;
    Logger logger_;
};

// True when `text` is a complete request of the command table (address and fields well formed),
// whatever module it is addressed to.
bool IsWellFormedRequest(std::string_view text);

}  // namespace qx::sim
