// Every record reader fed a hostile list: it loads or refuses with a conversion error, and what a
// record loaded it writes so that it loads back the same.

#include "ZRVGroup.h"
#include "ZRVMachine.h"
#include "ZRVServerConfig.h"
#include "ZRVUserAccount.h"
#include "ZRVUserTicket.h"

#include <cstdlib>

namespace {

template <class T> void RoundTrip(const TStringList& aList) {
    T record;
    try {
        record.LoadFromStringList(aList);
    } catch (const EZRVError&) {
        return; // refused: a malformed value
    }
    const TStringList written = record.SaveToStringList();
    T back;
    back.LoadFromStringList(written); // what was written must read back
    if (!(back.SaveToStringList() == written))
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* aData, size_t aSize) {
    TStringList list;
    list.SetText(QString::fromLatin1(QByteArrayView(aData, qsizetype(aSize))));
    RoundTrip<TZRVAuthorisation>(list);
    RoundTrip<TZRVApplication>(list);
    RoundTrip<TZRVGame>(list);
    RoundTrip<TZRVSecretQuestion>(list);
    RoundTrip<TZRVGroupAuthorisation>(list);
    RoundTrip<TZRVApplications>(list);
    RoundTrip<TZRVGames>(list);
    RoundTrip<TZRVAuthorisations>(list);
    RoundTrip<TZRVGroupAuthorisations>(list);
    RoundTrip<TZRVMachine>(list);
    RoundTrip<TZRVGroup>(list);
    RoundTrip<TZRVUserAccount>(list);
    RoundTrip<TZRVUserTicket>(list);
    RoundTrip<TZRVServerClientConfig>(list);
    return 0;
}
