#include "ctl/core/ctl_progress.h"

#include <algorithm>

namespace qx::ctl {
namespace {

constexpr int kBarWidth = 30;
// Redrawing more often than this only costs time: a download reports every 10th record.
constexpr auto kRedrawEvery = std::chrono::milliseconds(100);

}  // namespace

void CtlProgress::Open(std::string_view, int maximum) {
    maximum_ = std::max(maximum, 0);
    position_ = 0;
    Draw(true);
}

void CtlProgress::AddLine(std::string_view, int position, int maximum) {
    Move(position, maximum);
}

void CtlProgress::Move(int position, int maximum) {
    if (position >= 0) position_ = position;
    if (maximum >= 0) maximum_ = maximum;
    Draw(false);
}

// The verdicts the window's dialog appends to its lines reach the command as results instead.
void CtlProgress::Append(std::string_view) {}

void CtlProgress::Finish(bool) {
    ClearBar();
}

void CtlProgress::Draw(bool force) {
    if (!env_.errIsTerminal || env_.err == nullptr) return;
    const auto now = std::chrono::steady_clock::now();
    if (!force && now - lastDraw_ < kRedrawEvery) return;
    lastDraw_ = now;
    const int filled =
        maximum_ > 0 ? std::clamp(position_ * kBarWidth / maximum_, 0, kBarWidth) : 0;
    std::string bar = "\r\033[K[" + std::string(static_cast<std::size_t>(filled), '#') +
                      std::string(static_cast<std::size_t>(kBarWidth - filled), '.') + "] " +
                      what_ + " " + std::to_string(position_);
    if (maximum_ > 0) bar += "/" + std::to_string(maximum_);
    *env_.err << bar << std::flush;
    drawn_ = true;
}

void CtlProgress::ClearBar() {
    if (!drawn_) return;
    *env_.err << "\r\033[K" << std::flush;
    drawn_ = false;
}

}  // namespace qx::ctl
