#include "app/ui/signal_close.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <QApplication>
#include <QSocketNotifier>
#include <cerrno>

namespace qx {
namespace {

constexpr int kSignals[] = {SIGTERM, SIGHUP, SIGINT};
int pipeFds[2] = {-1, -1};  // [0] read by the event loop, [1] written by the handler

void OnSignal(int number) {
    const int saved = errno;  // the interrupted code may be about to read errno
    const char byte = static_cast<char>(number);
    [[maybe_unused]] const ssize_t n = ::write(pipeFds[1], &byte, 1);
    errno = saved;
}

}  // namespace

SignalClose::SignalClose(QObject* parent) : QObject(parent) {
    ::signal(SIGPIPE, SIG_IGN);
    if (pipeFds[0] >= 0 || ::pipe2(pipeFds, O_CLOEXEC | O_NONBLOCK) != 0) return;
    notifier_ = new QSocketNotifier(pipeFds[0], QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, &SignalClose::Arrived);
    struct sigaction action {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int number : kSignals)
        ::sigaction(number, &action, nullptr);
}

SignalClose::~SignalClose() {
    if (notifier_ == nullptr) return;
    for (int number : kSignals)
        ::signal(number, SIG_DFL);
    ::close(pipeFds[0]);
    ::close(pipeFds[1]);
    pipeFds[0] = pipeFds[1] = -1;
}

void SignalClose::Arrived() {
    char drain[16];
    while (::read(pipeFds[0], drain, sizeof drain) > 0) {
    }
    // Every window closes as its frame's close button would close it: an open dialog ends (as
    // with Storno), then the main window, whose closing ends the program.
    QApplication::closeAllWindows();
}

}  // namespace qx
