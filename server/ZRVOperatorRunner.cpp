#include "ZRVOperatorRunner.h"

#include "ZRVServerHost.h"

#include <QPointer>
#include <QTimer>

void ZRVRunOperator(TZRVServerHost& aHost, QObject* aContext, std::function<void(TZRVDataBase&)> aWork,
                    std::function<void()> aDone) {
    // On the event loop, after the request that asked has been taken in.
    QTimer::singleShot(
        0, aContext,
        [host = QPointer<TZRVServerHost>(&aHost), aWork = std::move(aWork), aDone = std::move(aDone)] {
            if (!host)
                return;
            aWork(host->DataBase());
            aDone();
        });
}
