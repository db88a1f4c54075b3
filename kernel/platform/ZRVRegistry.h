#pragma once
// The settings store: a registry with two roots, hierarchical keys compared without regard to
// case, and typed values (integer, string, binary) listed in insertion order. Every operation opens
// the store, works and closes it, so two objects or two programs see each other's writes at once.
//
// Each root is one SQLite file: HKEY_LOCAL_MACHINE is "machine.db" and HKEY_CURRENT_USER "user.db",
// both in $ZRV_REGISTRY_DIR when it is set; otherwise the machine root is in /var/lib/zrv2 when
// that is writable (or can be created), else in $XDG_DATA_HOME/zrv2, and the user root in
// $XDG_DATA_HOME/zrv2. Writers create the folder when it is missing. A file that cannot be opened
// as a store (no rights, not a database, damaged) is never altered: it reads as unreadable and
// writes to it fail.

#include "ZRVCommon.h"

#include <QByteArray>
#include <QVariant>

#include <optional>

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
    // Closes the current key.
    void SetRootKey(TZRVRootKey aRootKey);
    // The file that holds the root.
    static QString StoreFile(TZRVRootKey aRootKey);

    // Makes aKey the current key. A key beginning with "\" is taken from the root, any other from
    // the current key (from the root when none is open); empty parts ("a\\b", a trailing "\") are
    // ignored. Without aCanCreate a missing key gives false; a store that cannot be opened (or,
    // with aCanCreate, written) gives false too. On false the current key stays as it was.
    bool OpenKey(const QString& aKey, bool aCanCreate);
    // As OpenKey without creation; the writers then fail on this key.
    bool OpenKeyReadOnly(const QString& aKey);
    // As OpenKey without creation, finding the value aName in the same look-up of the store: the
    // reads of aName take what was found then, until the object opens another key or writes. A
    // settings read that opens its key and reads one value costs one look-up this way.
    bool OpenKeyToRead(const QString& aKey, const QString& aName);
    void CloseKey();
    bool HasCurrentKey() const { return fKeyOpen; }
    // The current key, without leading or trailing "\"; empty for the root.
    const QString& CurrentPath() const { return fCurrentPath; }

    // Keys relative to the current key as in OpenKey. These never raise: a store that cannot be
    // read gives false or the empty list.
    bool KeyExists(const QString& aKey) const;
    // Removes the key, its subkeys and all their values; false when it did not exist, when it is
    // the root, or when the store cannot be written.
    bool DeleteKey(const QString& aKey);
    // The names of the current key's subkeys, sorted without regard to case.
    QStringList GetKeyNames() const;

    // Values of the current key. Names compare without regard to case. These never raise either.
    bool ValueExists(const QString& aName) const;
    QStringList GetValueNames() const;
    // rdUnknown for a missing value or one of a kind this store does not know.
    TZRVRegDataType GetDataType(const QString& aName) const;
    bool DeleteValue(const QString& aName);

    // Readers raise ERegistryException when the value is missing ("Failed to get data for 'X'"),
    // of another kind ("Invalid data type for 'X'"), or when the store cannot be read (ReadString
    // gives the empty text for a missing value).
    int ReadInteger(const QString& aName) const;
    QString ReadString(const QString& aName) const;
    QByteArray ReadBinaryData(const QString& aName) const;
    // Binary values of 8 bytes holding a little-endian IEEE double (dates, times, date-times and
    // floats); one of another size, or not a finite number, is of another kind.
    double ReadFloat(const QString& aName) const;
    TDateTime ReadDateTime(const QString& aName) const { return ReadFloat(aName); }
    bool ReadBool(const QString& aName) const { return ReadInteger(aName) != 0; }

    // Writers replace a value of any kind (keeping its place in the order and the spelling of its
    // name) or append a new one; they raise ERegistryException ("Failed to set data for 'X'") when
    // the store cannot be written, no key is open, or the key was opened read-only or removed.
    void WriteInteger(const QString& aName, int aValue);
    void WriteString(const QString& aName, const QString& aValue);
    void WriteBinaryData(const QString& aName, const QByteArray& aValue);
    void WriteFloat(const QString& aName, double aValue);
    void WriteDateTime(const QString& aName, TDateTime aValue) { WriteFloat(aName, aValue); }
    void WriteBool(const QString& aName, bool aValue) { WriteInteger(aName, aValue ? 1 : 0); }

private:
    // A stored value: its kind, and its data as int, QString or QByteArray (invalid when the
    // stored data does not fit the kind).
    struct TStoredValue {
        TZRVRegDataType DataType = TZRVRegDataType::rdUnknown;
        QVariant Data;
    };

    QString Resolve(const QString& aKey) const;
    bool SelectKey(const QString& aPath, bool aCreate, bool aReadOnly);
    std::optional<TStoredValue> FindValue(const QString& aName) const;
    // The data of a value of kind aType, nothing when it is missing; raises for the rest.
    std::optional<QVariant> ReadValue(const QString& aName, TZRVRegDataType aType) const;
    // The same, raising for a missing value too.
    QVariant GetValue(const QString& aName, TZRVRegDataType aType) const;
    void PutValue(const QString& aName, TZRVRegDataType aType, const QVariant& aData);

    TZRVRootKey fRootKey;
    QString fCurrentPath;
    bool fKeyOpen = false;
    bool fKeyReadOnly = false;
    // What OpenKeyToRead found of a value of the current key (nothing when it is missing), by the
    // value's folded name; dropped by anything that changes the key or writes.
    struct TFound {
        QString Fold;
        std::optional<TStoredValue> Value;
    };
    mutable std::optional<TFound> fFound;
};
