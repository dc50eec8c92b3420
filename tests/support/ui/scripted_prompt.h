#pragma once
// A prompt for widget tests: answers come from queues filled by the test, and everything shown
// is recorded so the test can read it. Installs itself for its lifetime.

#include <QString>
#include <QStringList>
#include <deque>
#include <vector>

#include "common/ui/prompt.h"

namespace qx::test {

class ScriptedPrompt : public Prompt {
  public:
    struct Shown {
        enum class Kind { File, Message, Question, Ports } kind;
        // message or question text, the file dialog's title, or for the port mapping the
        // extra choice it offered ("Pracovat bez modulu" or nothing)
        QString text;
        QString caption;  // message box caption
    };

    ScriptedPrompt();
    ~ScriptedPrompt() override;
    ScriptedPrompt(const ScriptedPrompt&) = delete;
    ScriptedPrompt& operator=(const ScriptedPrompt&) = delete;

    // `filter`: the filter the user picks; by default the first one, as the dialog opens with it.
    void QueueFile(const QString& path, const QString& filter = {}) {
        files_.push_back(path);
        filters_.push_back(filter);
    }
    void QueueAnswer(bool yes) { answers_.push_back(yes); }
    // nullopt: the user cancels the port mapping.
    void QueuePorts(const std::optional<PortPaths>& paths) {
        ports_.push_back(paths ? PortChoice{PortChoice::Outcome::Mapped, *paths} : PortChoice{});
    }
    // The user chooses "Pracovat bez modulu" (taken as a cancel where it is not offered).
    void QueueWithoutModule() { ports_.push_back({PortChoice::Outcome::WithoutModule, {}}); }

    // Every prompt shown so far, in order.
    const std::vector<Shown>& Log() const { return log_; }
    int MessageCount() const;
    void ClearLog() { log_.clear(); }

    // An unexpected file choice gets "" (cancel), an unexpected question "no", an unexpected
    // port mapping a cancel.
    QString ChooseFile(QWidget* parent, const FileChoice& choice) override;
    void Message(QWidget* parent, const QString& text, const QString& caption) override;
    bool Ask(QWidget* parent, const QString& text, const QString& caption) override;
    PortChoice ChoosePorts(QWidget* parent, const PortPaths& current,
                           bool offerWithoutModule) override;

  private:
    std::deque<QString> files_;
    std::deque<QString> filters_;
    std::deque<bool> answers_;
    std::deque<PortChoice> ports_;
    std::vector<Shown> log_;
};

}  // namespace qx::test
