#include "common/ui/tminfo_form.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QTextBlock>

namespace qx {

namespace {

constexpr int kClientWidth = 358;
constexpr int kClientHeight = 172;
constexpr int kKeptLines = 1000;

}  // namespace

TMInfoForm::TMInfoForm(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowStaysOnTopHint) {
    setObjectName(QStringLiteral("MInfoForm"));
    setModal(false);
    setFixedSize(kClientWidth, kClientHeight);

    MMemo = new QPlainTextEdit(this);
    MMemo->setObjectName(QStringLiteral("MMemo"));
    MMemo->setReadOnly(true);
    MMemo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    MMemo->setLineWrapMode(QPlainTextEdit::NoWrap);
    // A long read logs a line every hundred records: 400,000 lines for a file of 40 million,
    // which as text blocks would take more memory than the records. Seven lines show; the memo
    // keeps the last thousand.
    MMemo->setMaximumBlockCount(kKeptLines);
    MMemo->setGeometry(8, 8, kClientWidth - 16, 112);

    MBar = new QProgressBar(this);
    MBar->setObjectName(QStringLiteral("MBar"));
    MBar->setTextVisible(false);
    MBar->setGeometry(8, 128, kClientWidth - 16, 12);

    MCancel = new QPushButton(QStringLiteral("Storno"), this);
    MCancel->setObjectName(QStringLiteral("MCancel"));
    MCancel->setGeometry((kClientWidth - 90) / 2, 144, 90, 24);
    MCancel->setDefault(true);
    connect(MCancel, &QPushButton::clicked, this, &TMInfoForm::MCancelClick);

    ShowBar();
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        move(screen->availableGeometry().center() - rect().center());
    }
}

void TMInfoForm::Open(const QString& title, int maximum) {
    setWindowTitle(title);
    MCancel->setText(QStringLiteral("Storno"));
    MMemo->clear();
    maximum_ = static_cast<std::uint16_t>(maximum);
    position_ = 0;
    ShowBar();
    show();
    raise();
    MCancel->setFocus();
}

void TMInfoForm::AddLine(const QString& text, int position, int maximum) {
    if (!text.isNull()) {
        // Only the lines the memo keeps go in: a batch of many thousand lines would first grow
        // the document's tables to its size, and they never shrink.
        qsizetype tail = text.size();
        for (int kept = 0; kept < kKeptLines && tail > 0; ++kept)
            tail = text.lastIndexOf(QLatin1Char('\n'), tail - 1);
        MMemo->appendPlainText(tail > 0 ? text.mid(tail + 1) : text);
    }
    if (position >= 0) position_ = static_cast<std::uint16_t>(position);
    if (maximum >= 0) maximum_ = static_cast<std::uint16_t>(maximum);
    ShowBar();
}

void TMInfoForm::Append(const QString& text) {
    QTextCursor cursor(MMemo->document());
    cursor.movePosition(QTextCursor::End);
    cursor.insertText(text);
    MMemo->verticalScrollBar()->setValue(MMemo->verticalScrollBar()->maximum());
}

void TMInfoForm::Finish(bool keepOpen) {
    MCancel->setText(QStringLiteral("OK"));
    if (!keepOpen) hide();
}

bool TMInfoForm::Step() {
    QCoreApplication::processEvents();
    return isVisible();
}

QStringList TMInfoForm::Lines() const {
    QStringList lines;
    for (QTextBlock block = MMemo->document()->begin(); block.isValid(); block = block.next()) {
        lines << block.text();
    }
    if (lines.size() == 1 && lines.first().isEmpty()) lines.clear();
    return lines;
}

void TMInfoForm::MCancelClick() {
    hide();
}

void TMInfoForm::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
        case Qt::Key_Escape:
        case Qt::Key_Return:
        case Qt::Key_Enter:
            MCancelClick();
            event->accept();
            return;
        default:
            QDialog::keyPressEvent(event);
    }
}

// Closing through the window system counts as pressing the button.
void TMInfoForm::closeEvent(QCloseEvent* event) {
    MCancelClick();
    event->accept();
}

void TMInfoForm::reject() {
    MCancelClick();
}

void TMInfoForm::ShowBar() {
    // QProgressBar turns a zero range into a busy indicator and ignores a value above the
    // maximum; the dialog keeps its own values and shows what the bar can.
    const int maximum = maximum_ == 0 ? 1 : maximum_;
    MBar->setRange(0, maximum);
    MBar->setValue(std::min<int>(position_, maximum));
}

}  // namespace qx
