// The real main window, offscreen, recording the live values of the selected module into a data
// file for as long as it runs: the window of the program as merido builds it (the link, the
// pages, the settings of XDG_CONFIG_HOME), with the On-line page's "Soubor:  Start  >>" button
// pressed whenever it is enabled and the page is not recording. The file choice and any message
// go through the prompt seam: the file is the one given, a message is printed and counted.
//
// Every second it prints one line for bench/soak:
//   seen N recording 0|1 starts S messages M
// N counts the values of the selected address that arrived while the page was recording (each
// of them is a line of the data file). SIGTERM or SIGINT ends it cleanly: the window closes, the
// file is closed, the last line is printed.
//
// Usage: soak_window_ui FILE

#include <signal.h>
#include <unistd.h>

#include <QApplication>
#include <QPushButton>
#include <QSocketNotifier>
#include <QTabWidget>
#include <QTimer>
#include <cstdio>
#include <memory>

#include "app/ui/setup_page.h"
#include "app/ui/tmform.h"
#include "common/ui/prompt.h"
#include "link/core/comm_port.h"
#include "measure/ui/online_page.h"
#include "measure/ui/session.h"

namespace {

int gSignalPipe[2] = {-1, -1};

void OnSignal(int) {
    const char byte = 1;
    [[maybe_unused]] const auto n = ::write(gSignalPipe[1], &byte, 1);
}

class SoakPrompt : public qx::Prompt {
  public:
    explicit SoakPrompt(QString file) : file_(std::move(file)) {}
    QString ChooseFile(QWidget*, const qx::FileChoice&) override { return file_; }
    void Message(QWidget*, const QString& text, const QString& caption) override {
        ++messages_;
        std::fprintf(stderr, "message: %s: %s\n", qPrintable(caption), qPrintable(text));
    }
    bool Ask(QWidget*, const QString& text, const QString& caption) override {
        ++messages_;
        std::fprintf(stderr, "question (no): %s: %s\n", qPrintable(caption), qPrintable(text));
        return false;
    }
    qx::PortChoice ChoosePorts(QWidget*, const qx::PortPaths&, bool) override {
        ++messages_;
        std::fprintf(stderr, "port mapping asked (cancelled)\n");
        return {};
    }
    long Messages() const { return messages_; }

  private:
    QString file_;
    long messages_ = 0;
};

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: soak_window_ui FILE\n");
        return 2;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Arbena"));
    QApplication::setApplicationName(QStringLiteral("Sonvik"));
    SoakPrompt prompt(QString::fromLocal8Bit(argv[1]));
    qx::InstallPrompt(&prompt);

    if (::pipe(gSignalPipe) != 0) return 1;
    ::signal(SIGTERM, OnSignal);
    ::signal(SIGINT, OnSignal);
    QSocketNotifier stop(gSignalPipe[0], QSocketNotifier::Read);
    QObject::connect(&stop, &QSocketNotifier::activated, &app, &QApplication::quit);

    int status = 0;
    {
        qx::TCommPort link(qx::PortPaths{"/dev/ttyS0", "/dev/ttyS1", "/dev/ttyS2", "/dev/ttyS3"});
        qx::TMForm form(link);
        form.show();
        if (!form.MSetupSh->Activated()) form.FormActivate();
        form.MPage->setCurrentWidget(form.MOnLineSh);

        long seen = 0;
        long starts = 0;
        qx::OnlinePage* page = form.MOnLineSh;
        QObject::connect(&form.Shared(), &qx::Session::ValueRead, &app, [&](int address, int) {
            if (page->Recording() && (address & 0xFF) == form.SelectedAddress()) ++seen;
        });
        auto report = [&] {
            std::printf("seen %ld recording %d starts %ld messages %ld\n", seen,
                        page->Recording() ? 1 : 0, starts, prompt.Messages());
            std::fflush(stdout);
        };
        // The button as a person presses it: only while it is enabled.
        QTimer press;
        QObject::connect(&press, &QTimer::timeout, &app, [&] {
            if (!page->Recording() && page->MOnStart->isEnabled() && page->MOnStart->isVisible()) {
                page->MOnStart->click();
                if (page->Recording()) ++starts;
            }
        });
        press.start(100);
        QTimer every(&app);
        QObject::connect(&every, &QTimer::timeout, &app, report);
        every.start(1000);
        status = app.exec();
        if (page->Recording()) page->MOnStop->click();
        report();
    }
    qx::InstallPrompt(nullptr);
    return status;
}
