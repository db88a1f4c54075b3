#include "ZRVOperatorRunner.h"

#include "ZRVServerHost.h"

void ZRVRunOperator(TZRVServerHost& aHost, QObject* aContext, std::function<void(TZRVDataBase&)> aWork,
                    std::function<void(const QString& aFailure)> aDone) {
    aHost.RunOnDataBase<bool>(
        aContext,
        [aWork = std::move(aWork)](TZRVDataBase& aDb) {
            aWork(aDb);
            return true;
        },
        [aDone = std::move(aDone)](const TZRVDataBaseOutcome<bool>& aOutcome) {
            if (aOutcome.Ok())
                aDone(QString());
            else
                aDone(aOutcome.Late
                          ? QStringLiteral("La base de données est occupée : réessayez dans un instant")
                          : aOutcome.Error);
        });
}
