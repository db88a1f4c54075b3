#include "EventLoop.h"

#include <QEventLoop>
#include <QTimer>

namespace zrvtest {

bool WaitUntil(const std::function<bool()>& aCondition, int aTimeoutMs) {
    if (aCondition())
        return true;
    QEventLoop loop;
    QTimer poll;
    QTimer deadline;
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (aCondition())
            loop.quit();
    });
    QObject::connect(&deadline, &QTimer::timeout, &loop, &QEventLoop::quit);
    poll.start(2);
    deadline.setSingleShot(true);
    deadline.start(aTimeoutMs);
    loop.exec();
    return aCondition();
}

void RunEventsFor(int aMs) {
    QEventLoop loop;
    QTimer::singleShot(aMs, &loop, &QEventLoop::quit);
    loop.exec();
}

void RunDeferredCalls() {
    bool reached = false;
    QTimer::singleShot(0, [&reached] { reached = true; });
    WaitUntil([&reached] { return reached; });
}

} // namespace zrvtest
