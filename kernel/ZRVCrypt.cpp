#include "ZRVCrypt.h"

bool TZRVCustomCrypt::Encrypt(QString& aText) const {
    Q_UNUSED(aText);
    return true;
}

bool TZRVCustomCrypt::Decrypt(QString& aText) const {
    Q_UNUSED(aText);
    return true;
}
