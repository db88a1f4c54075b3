#pragma once
// Where the operator's web page does its database work: the one place that hands work to the
// host's database, so that the page never touches the database on its own.

#include "ZRVOperatorService.h"

#include <QObject>

#include <functional>
#include <memory>

class TZRVServerHost;

// Runs aWork on the host's database worker, then aDone on the event loop with an empty text, or
// with why aWork could not run (the database is busy beyond the deadline, or cannot be opened);
// nothing runs on the event loop when aContext has gone by then. aWork runs on the worker's
// thread: it touches only what it captured by value, and catches what it raises (the result it
// fills says so).
void ZRVRunOperator(TZRVServerHost& aHost, QObject* aContext, std::function<void(TZRVDataBase&)> aWork,
                    std::function<void(const QString& aFailure)> aDone);

// What an operator operation gave: its value, or the sentence of its refusal.
template <class T> struct TZRVOperatorOutcome {
    T Value{};
    QString Error;
    bool Ok() const { return Error.isEmpty(); }
};

// Runs one operation of the operator's service and hands its outcome to aDone.
template <class T>
void ZRVOperate(TZRVServerHost& aHost, QObject* aContext, std::function<T(TZRVOperatorService&)> aOperation,
                std::function<void(const TZRVOperatorOutcome<T>&)> aDone) {
    auto outcome = std::make_shared<TZRVOperatorOutcome<T>>();
    ZRVRunOperator(
        aHost, aContext,
        [outcome, aOperation = std::move(aOperation)](TZRVDataBase& aDb) {
            try {
                TZRVOperatorService service(aDb);
                outcome->Value = aOperation(service);
            } catch (const EZRVError& e) {
                outcome->Error = e.Message();
            }
        },
        [outcome, aDone = std::move(aDone)](const QString& aFailure) {
            if (!aFailure.isEmpty())
                outcome->Error = aFailure;
            aDone(*outcome);
        });
}
