#pragma once
// The message of the error a call raises, for checking the exact text.

#include "ZRVCommon.h"

#include <QString>

#include <functional>

namespace zrvtest {

// The message of the EZRVError aCall raises; "no error" when it raises none.
inline QString ErrorOf(const std::function<void()>& aCall) {
    try {
        aCall();
    } catch (const EZRVError& e) {
        return e.Message();
    }
    return QStringLiteral("no error");
}

} // namespace zrvtest
