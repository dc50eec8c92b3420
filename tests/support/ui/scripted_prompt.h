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
        QString text;     // message or question text, or the file dialog's title
        QString caption;  // message box caption
    };

    ScriptedPrompt();
    ~ScriptedPrompt() override;
    ScriptedPrompt(const ScriptedPrompt&) = delete;
    ScriptedPrompt& operator=(const ScriptedPrompt&) = delete;

    void QueueFile(const QString& path) { files_.push_back(path); }
    void QueueAnswer(bool yes) { answers_.push_back(yes); }
    // nullopt: the user cancels the port mapping.
    void QueuePorts(const std::optional<PortPaths>& paths) { ports_.push_back(paths); }

    // Every prompt shown so far, in order.
    const std::vector<Shown>& Log() const { return log_; }
    int MessageCount() const;
    void ClearLog() { log_.clear(); }

    // An unexpected file choice gets "" (cancel), an unexpected question "no", an unexpected
    // port mapping a cancel.
    QString ChooseFile(QWidget* parent, const FileChoice& choice) override;
    void Message(QWidget* parent, const QString& text, const QString& caption) override;
    bool Ask(QWidget* parent, const QString& text, const QString& caption) override;
    std::optional<PortPaths> ChoosePorts(QWidget* parent, const PortPaths& current) override;

  private:
    std::deque<QString> files_;
    std::deque<bool> answers_;
    std::deque<std::optional<PortPaths>> ports_;
    std::vector<Shown> log_;
};

}  // namespace qx::test
