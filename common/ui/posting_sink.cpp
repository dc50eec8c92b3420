#include "common/ui/posting_sink.h"

#include <QCoreApplication>

#include "common/ui/link_event.h"

namespace qx {

void PostingSink::Post(int message, int wParam, int lParam) {
    if (message == kVisitFailed) return;  // the window learns of a lost module by its station
    QCoreApplication::postEvent(receiver_, new LinkEvent(message, wParam, lParam, session_.load()));
}

}  // namespace qx
