#pragma once
// The shared progress and log dialog of every long operation. Non-modal and always on top; the
// running operation reads its visibility as the cancel signal.

#include <QDialog>
#include <QString>
#include <QStringList>
#include <cstdint>

class QPlainTextEdit;
class QProgressBar;
class QPushButton;

namespace qx {

class TMInfoForm : public QDialog {
    Q_OBJECT

  public:
    explicit TMInfoForm(QWidget* parent = nullptr);

    // Caption := title, button "Storno", empty log, bar 0 of `maximum`; shows the dialog and
    // returns at once.
    void Open(const QString& title, int maximum);
    // A null `text` adds no line; a negative position or maximum leaves that value as it is.
    void AddLine(const QString& text, int position = -1, int maximum = -1);
    // Appends to the log's last line (the verdict of the step just done).
    void Append(const QString& text);
    // Button "OK"; hides the dialog at once unless `keepOpen`.
    void Finish(bool keepOpen);
    bool Visible() const { return isVisible(); }
    // The progress step of a long operation: delivers pending events (so "Storno" works), then
    // tells whether the operation may go on, that is whether the dialog is still shown.
    bool Step();

    // Bar values as the dialog holds them (unsigned 16-bit).
    int Position() const { return position_; }
    int Maximum() const { return maximum_; }
    QStringList Lines() const;

    void MCancelClick();

    QPlainTextEdit* MMemo;
    QProgressBar* MBar;
    QPushButton* MCancel;

  protected:
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void reject() override;

  private:
    void ShowBar();

    std::uint16_t position_ = 0;
    std::uint16_t maximum_ = 100;
};

}  // namespace qx
