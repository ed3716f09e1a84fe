#include "nuko/qt_dispatch.h"

#include <QMetaObject>

namespace nuko {

void QtDispatcher::Post(std::function<void()> call) {
    QObject* target = context_.data();
    if (!target) return;
    QMetaObject::invokeMethod(target, std::move(call), Qt::QueuedConnection);
}

}  // namespace nuko
