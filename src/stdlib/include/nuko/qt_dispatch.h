// Queued calls on a Qt event loop: each call runs on the thread of the
// context object, and is dropped when that object is gone.
#pragma once

#include <QObject>
#include <QPointer>

#include "nuko/dispatch.h"

namespace nuko {

class QtDispatcher final : public Dispatcher {
public:
    explicit QtDispatcher(QObject* context) : context_(context) {}
    void Post(std::function<void()> call) override;

private:
    QPointer<QObject> context_;
};

}  // namespace nuko
