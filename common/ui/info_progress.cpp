#include "common/ui/info_progress.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

#include "common/ui/tminfo_form.h"

namespace qx {
namespace {
QString Text(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}
}  // namespace

InfoProgress::InfoProgress(TMInfoForm& form, std::function<void(int)> pause, Clock clock)
    : form_(form), pause_(std::move(pause)), clock_(std::move(clock)), lastHandOver_(Now()) {}

InfoProgress::~InfoProgress() {
    HandOver();
}

std::chrono::steady_clock::time_point InfoProgress::Now() const {
    return clock_ ? clock_() : std::chrono::steady_clock::now();
}

void InfoProgress::HandOver() {
    lastHandOver_ = Now();
    if (!havePending_ && position_ < 0 && maximum_ < 0) return;
    // A null text adds no line, an empty one an empty line; the dialog splits the joined text
    // into one log line per line feed.
    form_.AddLine(havePending_ ? pending_ : QString(), position_, maximum_);
    pending_.clear();
    havePending_ = false;
    position_ = maximum_ = -1;
}

void InfoProgress::Open(std::string_view title, int maximum) {
    HandOver();
    form_.Open(Text(title), maximum);
}

void InfoProgress::AddLine(std::string_view text, int position, int maximum) {
    if (havePending_) pending_ += QLatin1Char('\n');
    pending_ += Text(text);
    havePending_ = true;
    Move(position, maximum);
}

void InfoProgress::Move(int position, int maximum) {
    if (position >= 0) position_ = position;
    if (maximum >= 0) maximum_ = maximum;
}

void InfoProgress::Append(std::string_view text) {
    // The last line may still be among the collected ones.
    if (havePending_) {
        pending_ += Text(text);
        return;
    }
    form_.Append(Text(text));
}

void InfoProgress::Finish(bool keepOpen) {
    HandOver();
    form_.Finish(keepOpen);
}

bool InfoProgress::Visible() const {
    return form_.Visible();
}

void InfoProgress::ProcessEvents() {
    if (Now() - lastHandOver_ >= kHandOverInterval) HandOver();
    QCoreApplication::processEvents();
}

void InfoProgress::Pause(int milliseconds) {
    HandOver();
    if (pause_) {
        pause_(milliseconds);
        return;
    }
    QEventLoop loop;
    QTimer::singleShot(milliseconds, &loop, &QEventLoop::quit);
    loop.exec();
}

}  // namespace qx
