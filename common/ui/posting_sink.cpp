#include "common/ui/posting_sink.h"

#include <QCoreApplication>

#include "common/ui/link_event.h"

namespace qx {

void PostingSink::Post(int message, int wParam, int lParam) {
    QCoreApplication::postEvent(receiver_, new LinkEvent(message, wParam, lParam, session_.load()));
}

}  // namespace qx
