#pragma once
// Single settings of the machine root of the settings store, read and written one at a time with a
// fallback. Nothing is cached: every read and write opens the store, so two objects (or two
// programs) see each other's changes at once.
//
// Value kinds: booleans and integers are integer values (true is stored as 1, any non-zero reads as
// true); texts are string values; dates, times, date-times and floats are 8-byte binary values
// holding a double; binary values are raw bytes.

#include "ZRVCommon.h"

#include <memory>

class TZRVRegistry;
class TZRVCustomErrorLogger;

// One setting: the key path from the root, the value name and what a failed read gives.
template <class T> struct TZRVSetting {
    QString KeyPath;
    QString Name;
    T Fallback;
};

class TZRVCustomConfig : public QObject {
    Q_OBJECT
public:
    explicit TZRVCustomConfig(QObject* aOwner = nullptr);
    ~TZRVCustomConfig() override;

    // Accessors of the two roots of the store.
    static std::unique_ptr<TZRVRegistry> CreateHKLM();
    static std::unique_ptr<TZRVRegistry> CreateHKCU();

    // Each read opens KeyPath (creating it) and gives Default when the key cannot be opened or the
    // value is missing or of another kind; an absent text value reads as the empty text.
    bool ReadBoolean(const QString& Name, const QString& KeyPath, bool Default) const;
    int ReadInteger(const QString& Name, const QString& KeyPath, int Default) const;
    QString ReadString(const QString& Name, const QString& KeyPath, const QString& Default) const;
    double ReadFloat(const QString& Name, const QString& KeyPath, double Default) const;
    TDateTime ReadDate(const QString& Name, const QString& KeyPath, TDateTime Default) const;
    TDateTime ReadTime(const QString& Name, const QString& KeyPath, TDateTime Default) const;
    TDateTime ReadDateTime(const QString& Name, const QString& KeyPath, TDateTime Default) const;
    // Copies the binary value into Buffer and gives its size; 0 when it is missing, of another kind or
    // larger than Size.
    int ReadBinary(const QString& Name, const QString& KeyPath, char* Buffer, int Size) const;

    // Each write opens KeyPath (creating it) and reports success. While Loading() nothing is written.
    bool WriteBoolean(const QString& Name, const QString& KeyPath, bool Value);
    bool WriteInteger(const QString& Name, const QString& KeyPath, int Value);
    bool WriteString(const QString& Name, const QString& KeyPath, const QString& Value);
    bool WriteFloat(const QString& Name, const QString& KeyPath, double Value);
    bool WriteDate(const QString& Name, const QString& KeyPath, TDateTime Value);
    bool WriteTime(const QString& Name, const QString& KeyPath, TDateTime Value);
    bool WriteDateTime(const QString& Name, const QString& KeyPath, TDateTime Value);
    bool WriteBinary(const QString& Name, const QString& KeyPath, const char* Buffer, int Size);

    bool DeleteValue(const QString& Name, const QString& KeyPath);
    // Removes the key with everything below it.
    bool DeleteKey(const QString& KeyPath);

    // Set while values of a saved form or template are being applied: those are never written.
    bool Loading() const { return fLoading; }
    void SetLoading(bool aValue) { fLoading = aValue; }

    // A store that cannot be opened or written is reported here once per object.
    TZRVCustomErrorLogger* ErrorLogger() const { return fErrorLogger; }
    void SetErrorLogger(TZRVCustomErrorLogger* aValue) { fErrorLogger = aValue; }

protected:
    bool Get(const TZRVSetting<bool>& S) const { return ReadBoolean(S.Name, S.KeyPath, S.Fallback); }
    int Get(const TZRVSetting<int>& S) const { return ReadInteger(S.Name, S.KeyPath, S.Fallback); }
    // Unsigned settings keep their 32 bits in the integer value.
    uint32_t Get(const TZRVSetting<uint32_t>& S) const {
        return uint32_t(ReadInteger(S.Name, S.KeyPath, int(S.Fallback)));
    }
    QString Get(const TZRVSetting<QString>& S) const { return ReadString(S.Name, S.KeyPath, S.Fallback); }
    TDateTime Get(const TZRVSetting<TDateTime>& S) const {
        return ReadDateTime(S.Name, S.KeyPath, S.Fallback);
    }
    bool Set(const TZRVSetting<bool>& S, bool Value) { return WriteBoolean(S.Name, S.KeyPath, Value); }
    bool Set(const TZRVSetting<int>& S, int Value) { return WriteInteger(S.Name, S.KeyPath, Value); }
    bool Set(const TZRVSetting<uint32_t>& S, uint32_t Value) {
        return WriteInteger(S.Name, S.KeyPath, int(Value));
    }
    bool Set(const TZRVSetting<QString>& S, const QString& Value) {
        return WriteString(S.Name, S.KeyPath, Value);
    }
    bool Set(const TZRVSetting<TDateTime>& S, TDateTime Value) {
        return WriteDateTime(S.Name, S.KeyPath, Value);
    }

private:
    template <class T, class F>
    T Read(const QString& Name, const QString& KeyPath, T Default, F Reader) const;
    template <class F> bool Write(const QString& KeyPath, const char* Routine, F Writer);
    void ReportStoreFailure(const char* Routine) const;

    bool fLoading = false;
    TZRVCustomErrorLogger* fErrorLogger = nullptr;
    mutable bool fStoreFailureReported = false;
};
