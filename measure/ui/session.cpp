#include "measure/ui/session.h"

#include <QWidget>

#include "common/settings/settings_store.h"
#include "common/ui/tminfo_form.h"
#include "link/core/comm_port.h"

namespace qx {

Session::Session(TCommPort& link, QWidget& window)
    : link_(link), window_(window), sink_(&window), info_(std::make_unique<TMInfoForm>()) {}

Session::~Session() = default;

void Session::OpenSettings(const std::function<FirstPortMap()>& firstStart) {
    settings_ = std::make_unique<SettingsStore>();
    if (firstStart) settings_->MapPortsOnFirstStart(firstStart);
    settings_->WriteDefaults();
}

void Session::ApplyPortMap(const PortPaths& paths) {
    settings_->SavePortPaths(paths);
    link_.SetPortPaths(paths);
    emit PortMapChanged(paths);
}

void Session::Message(const QString& text, const QString& caption) {
    Prompts().Message(&window_, text, caption);
}

bool Session::Ask(const QString& text, const QString& caption) {
    return Prompts().Ask(&window_, text, caption);
}

QString Session::ChooseFile(const FileChoice& choice) {
    return Prompts().ChooseFile(&window_, choice);
}

void Session::SetWorkingDirectory(const QString& directory) {
    workingDirectory_ = directory;
    if (workingDirectory_.endsWith(QLatin1Char('/'))) workingDirectory_.chop(1);
}

}  // namespace qx
