#pragma once
// The settings store: a registry with two roots, hierarchical keys compared without regard to
// case, and typed values (integer, string, binary) listed in insertion order. Every operation opens
// the store, works and closes it, so two objects or two programs see each other's writes at once.
//
// Each root is one SQLite file: HKEY_LOCAL_MACHINE is "machine.db" and HKEY_CURRENT_USER "user.db",
// both in $ZRV_REGISTRY_DIR when it is set; otherwise the machine root is in /var/lib/zrv2 when
// that is writable, else in $XDG_DATA_HOME/zrv2, and the user root in $XDG_DATA_HOME/zrv2.

#include "ZRVCommon.h"

#include <QByteArray>

// A failed registry operation: "Failed to get data for 'X'", "Invalid data type for 'X'", ...
class ERegistryException : public EZRVError {
public:
    using EZRVError::EZRVError;
};

enum class TZRVRootKey { HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER };

enum class TZRVRegDataType { rdUnknown, rdString, rdInteger, rdBinary };

class TZRVRegistry {
public:
    explicit TZRVRegistry(TZRVRootKey aRootKey = TZRVRootKey::HKEY_LOCAL_MACHINE);

    TZRVRootKey RootKey() const { return fRootKey; }
    void SetRootKey(TZRVRootKey aRootKey);
    // The file that holds the root.
    static QString StoreFile(TZRVRootKey aRootKey);

    // Makes aKey the current key. A key beginning with "\" is taken from the root, any other from
    // the current key. Without aCanCreate a missing key gives false; a store that cannot be opened
    // (or, with aCanCreate, written) gives false too.
    bool OpenKey(const QString& aKey, bool aCanCreate);
    bool OpenKeyReadOnly(const QString& aKey);
    void CloseKey();
    // The current key, without leading or trailing "\"; empty for the root.
    const QString& CurrentPath() const { return fCurrentPath; }

    // Keys relative to the current key as in OpenKey.
    bool KeyExists(const QString& aKey) const;
    // Removes the key, its subkeys and all their values; false when it did not exist.
    bool DeleteKey(const QString& aKey);
    QStringList GetKeyNames() const;

    // Values of the current key. Names compare without regard to case.
    bool ValueExists(const QString& aName) const;
    QStringList GetValueNames() const;
    TZRVRegDataType GetDataType(const QString& aName) const;
    bool DeleteValue(const QString& aName);

    // Readers raise ERegistryException when the value is missing or of another kind
    // (ReadString gives the empty text for a missing value).
    int ReadInteger(const QString& aName) const;
    QString ReadString(const QString& aName) const;
    QByteArray ReadBinaryData(const QString& aName) const;
    // Binary values of 8 bytes holding a double (dates, times, date-times and floats).
    double ReadFloat(const QString& aName) const;
    TDateTime ReadDateTime(const QString& aName) const { return ReadFloat(aName); }
    bool ReadBool(const QString& aName) const { return ReadInteger(aName) != 0; }

    // Writers replace a value of any kind (keeping its place in the order) or append a new one;
    // they raise ERegistryException when the store cannot be written or no key is open.
    void WriteInteger(const QString& aName, int aValue);
    void WriteString(const QString& aName, const QString& aValue);
    void WriteBinaryData(const QString& aName, const QByteArray& aValue);
    void WriteFloat(const QString& aName, double aValue);
    void WriteDateTime(const QString& aName, TDateTime aValue) { WriteFloat(aName, aValue); }
    void WriteBool(const QString& aName, bool aValue) { WriteInteger(aName, aValue ? 1 : 0); }

private:
    QString Resolve(const QString& aKey) const;

    TZRVRootKey fRootKey;
    QString fCurrentPath;
    bool fKeyOpen = false;
};
