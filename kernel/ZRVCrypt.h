#pragma once
// The text transform applied to stored records, log lines and every message. It is the identity:
// what is stored and sent stays readable text. The algorithm selector is kept but changes nothing.

#include "ZRVCommon.h"

class TZRVCustomCrypt : public QObject {
    Q_OBJECT
public:
    explicit TZRVCustomCrypt(QObject* aOwner = nullptr) : QObject(aOwner) {}

    TZRVCryptAlgorythm CryptAlgorythm() const { return fCryptAlgorythm; }
    void SetCryptAlgorythm(TZRVCryptAlgorythm aValue) { fCryptAlgorythm = aValue; }

    // Both leave aText unchanged and return true.
    bool Encrypt(QString& aText) const;
    bool Decrypt(QString& aText) const;

private:
    TZRVCryptAlgorythm fCryptAlgorythm = ca2Complement;
};

class TZRVCrypt : public TZRVCustomCrypt {
    Q_OBJECT
public:
    using TZRVCustomCrypt::TZRVCustomCrypt;
};
