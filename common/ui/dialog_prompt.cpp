#include "common/ui/dialog_prompt.h"

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>

#include "common/ui/port_map_dialog.h"
#include "common/ui/tminfo_form.h"
#include "link/core/serial_ports.h"

namespace qx {

QWidget* PromptParent(QWidget* parent) {
    // The progress dialog stays above every other window; a dialog of the main window would
    // open beneath it, where the user can neither see nor click it. As the progress dialog's
    // own dialog it stands above it and takes the focus.
    for (QWidget* window : QApplication::topLevelWidgets()) {
        auto* info = qobject_cast<TMInfoForm*>(window);
        if (info != nullptr && info->isVisible()) return info;
    }
    return parent;
}

QString DialogPrompt::ChooseFile(QWidget* parent, const FileChoice& choice) {
    QFileDialog dialog(PromptParent(parent), choice.title, choice.initialPath, choice.filter);
    dialog.setAcceptMode(choice.mode == FileChoice::Mode::Save ? QFileDialog::AcceptSave
                                                               : QFileDialog::AcceptOpen);
    dialog.setFileMode(choice.mode == FileChoice::Mode::Save ? QFileDialog::AnyFile
                                                             : QFileDialog::ExistingFile);
    if (!choice.defaultSuffix.isEmpty()) dialog.setDefaultSuffix(choice.defaultSuffix);
    // Whether an existing file may be replaced is the program's own question (or none, for a
    // recording); a second one from the dialog would ask the user twice.
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    if (choice.chosenFilter != nullptr) *choice.chosenFilter = dialog.selectedNameFilter();
    return dialog.selectedFiles().first();
}

void DialogPrompt::Message(QWidget* parent, const QString& text, const QString& caption) {
    QMessageBox box(QMessageBox::Warning, caption, text, QMessageBox::Ok, PromptParent(parent));
    box.exec();
}

bool DialogPrompt::Ask(QWidget* parent, const QString& text, const QString& caption) {
    QMessageBox box(QMessageBox::Warning, caption, text, QMessageBox::Yes | QMessageBox::No,
                    PromptParent(parent));
    return box.exec() == QMessageBox::Yes;
}

PortChoice DialogPrompt::ChoosePorts(QWidget* parent, const PortPaths& current,
                                     bool offerWithoutModule) {
    TPortMapDialog dialog(current, ListSerialPorts(), PromptParent(parent), offerWithoutModule);
    switch (dialog.exec()) {
        case QDialog::Accepted:
            return {PortChoice::Outcome::Mapped, dialog.Paths()};
        case TPortMapDialog::kWithoutModule:
            return {PortChoice::Outcome::WithoutModule, {}};
        default:
            return {};
    }
}

}  // namespace qx
