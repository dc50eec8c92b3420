#pragma once
// The prompt of the running program: QFileDialog, QMessageBox and the port mapping dialog.

#include "common/ui/prompt.h"

namespace qx {

// The window a prompt's dialog belongs to: the progress dialog while it is shown, else `parent`.
QWidget* PromptParent(QWidget* parent);

class DialogPrompt : public Prompt {
  public:
    QString ChooseFile(QWidget* parent, const FileChoice& choice) override;
    void Message(QWidget* parent, const QString& text, const QString& caption) override;
    bool Ask(QWidget* parent, const QString& text, const QString& caption) override;
    PortChoice ChoosePorts(QWidget* parent, const PortPaths& current,
                           bool offerWithoutModule) override;
};

}  // namespace qx
