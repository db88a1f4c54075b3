#include "ZRVServerTimerSync.h"

TZRVCustomServerTimerSync::TZRVCustomServerTimerSync(QObject* aOwner)
    : QObject(aOwner), fTimer(new QTimer(this)), fsDateTime(Now()) {
    fTimer->setInterval(c_TimerInterval);
    connect(fTimer, &QTimer::timeout, this, &TZRVCustomServerTimerSync::Handler_Timer);
    fTimer->start();
}

void TZRVCustomServerTimerSync::SetActive(bool aValue) {
    if (aValue != fActive)
        fCounter = 0;
    fActive = aValue;
}

void TZRVCustomServerTimerSync::SetInterval(uint32_t aValue) {
    fCounter = 0;
    fInterval = aValue;
}

void TZRVCustomServerTimerSync::Handler_Timer() {
    // A late tick still adds one second: the mirror follows the server, not the local clock.
    fsDateTime += 1.0 / 86400;
    if (!fActive)
        return;
    ++fCounter;
    if (fInterval != 0 && fCounter >= fInterval) {
        fCounter = 0;
        DoTimer();
    }
}

void TZRVCustomServerTimerSync::DoTimer() {
    if (fOnTimer)
        fOnTimer(this);
}
