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
    QString filter = filters_.front();
    filters_.pop_front();
    if (choice.chosenFilter != nullptr)
        *choice.chosenFilter = filter.isEmpty() ? choice.filter.section(";;", 0, 0) : filter;
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

PortChoice ScriptedPrompt::ChoosePorts(QWidget*, const PortPaths&, bool offerWithoutModule) {
    log_.push_back({Shown::Kind::Ports,
                    offerWithoutModule ? QStringLiteral("Pracovat bez modulu") : QString(),
                    {}});
    if (ports_.empty()) return {};
    PortChoice choice = ports_.front();
    ports_.pop_front();
    if (choice.outcome == PortChoice::Outcome::WithoutModule && !offerWithoutModule) return {};
    return choice;
}

}  // namespace qx::test
