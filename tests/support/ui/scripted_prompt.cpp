#include "tests/support/ui/scripted_prompt.h"

#include <algorithm>

namespace qx::test {

ScriptedPrompt::ScriptedPrompt() {
    InstallPrompt(this);
}

ScriptedPrompt::~ScriptedPrompt() {
    InstallPrompt(nullptr);
}

int ScriptedPrompt::MessageCount() const {
    return static_cast<int>(std::count_if(
        log_.begin(), log_.end(), [](const Shown& s) { return s.kind == Shown::Kind::Message; }));
}

QString ScriptedPrompt::ChooseFile(QWidget*, const FileChoice& choice) {
    log_.push_back({Shown::Kind::File, choice.title, {}});
    if (files_.empty()) return {};
    QString path = files_.front();
    files_.pop_front();
    return path;
}

void ScriptedPrompt::Message(QWidget*, const QString& text, const QString& caption) {
    log_.push_back({Shown::Kind::Message, text, caption});
}

bool ScriptedPrompt::Ask(QWidget*, const QString& text, const QString& caption) {
    log_.push_back({Shown::Kind::Question, text, caption});
    if (answers_.empty()) return false;
    bool yes = answers_.front();
    answers_.pop_front();
    return yes;
}

std::optional<PortPaths> ScriptedPrompt::ChoosePorts(QWidget*, const PortPaths&) {
    log_.push_back({Shown::Kind::Ports, {}, {}});
    if (ports_.empty()) return std::nullopt;
    std::optional<PortPaths> paths = ports_.front();
    ports_.pop_front();
    return paths;
}

}  // namespace qx::test
