#include "data/ui/info_progress.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QString>
#include <QTimer>

#include "app/ui/tminfo_form.h"

namespace qx {
namespace {
QString Text(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}
}  // namespace

InfoProgress::InfoProgress(TMInfoForm& form, std::function<void(int)> pause)
    : form_(form), pause_(std::move(pause)) {}

void InfoProgress::Open(std::string_view title, int maximum) {
    form_.Open(Text(title), maximum);
}

void InfoProgress::AddLine(std::string_view text, int position, int maximum) {
    form_.AddLine(Text(text), position, maximum);
}

void InfoProgress::Finish(bool keepOpen) {
    form_.Finish(keepOpen);
}

bool InfoProgress::Visible() const {
    return form_.Visible();
}

void InfoProgress::ProcessEvents() {
    QCoreApplication::processEvents();
}

void InfoProgress::Pause(int milliseconds) {
    if (pause_) {
        pause_(milliseconds);
        return;
    }
    QEventLoop loop;
    QTimer::singleShot(milliseconds, &loop, &QEventLoop::quit);
    loop.exec();
}

}  // namespace qx
