#include "ZRVCustomConfig.h"

#include "ZRVErrorLogger.h"
#include "platform/ZRVRegistry.h"

#include <cstring>
#include <type_traits>

TZRVCustomConfig::TZRVCustomConfig(QObject* aOwner) : QObject(aOwner) {}

TZRVCustomConfig::~TZRVCustomConfig() = default;

std::unique_ptr<TZRVRegistry> TZRVCustomConfig::CreateHKLM() {
    return std::make_unique<TZRVRegistry>(TZRVRootKey::HKEY_LOCAL_MACHINE);
}

std::unique_ptr<TZRVRegistry> TZRVCustomConfig::CreateHKCU() {
    return std::make_unique<TZRVRegistry>(TZRVRootKey::HKEY_CURRENT_USER);
}

void TZRVCustomConfig::ReportStoreFailure(const char* Routine) const {
    if (fStoreFailureReported || !fErrorLogger)
        return;
    fStoreFailureReported = true;
    LogErrorTo(fErrorLogger,
               QStringLiteral("Settings store cannot be written: ") +
                   TZRVRegistry::StoreFile(TZRVRootKey::HKEY_LOCAL_MACHINE),
               QStringLiteral("ZRVCustomConfig"),
               QStringLiteral("TZRVCustomConfig.") + QLatin1String(Routine), QStringLiteral("LOG-CONTINUE"));
}

template <class T, class F>
T TZRVCustomConfig::Read(const QString& Name, const QString& KeyPath, T Default, F Reader) const {
    const auto reg = CreateHKLM();
    try {
        // A key that exists is opened without a write, its value found in the same look-up; a
        // missing one is created, as it always was.
        if (!reg->OpenKeyToRead(KeyPath, Name) && !reg->OpenKey(KeyPath, true)) {
            ReportStoreFailure("Read");
            return Default;
        }
        // A value never stored gives the default without a raise, which costs more than the read
        // (a missing text reads as the empty text).
        if constexpr (!std::is_same_v<T, QString>)
            if (reg->GetDataType(Name) == TZRVRegDataType::rdUnknown)
                return Default;
        return Reader(*reg, Name);
    } catch (const EZRVError&) {
        return Default;
    }
}

template <class F> bool TZRVCustomConfig::Write(const QString& KeyPath, const char* Routine, F Writer) {
    if (fLoading)
        return false;
    const auto reg = CreateHKLM();
    try {
        if (reg->OpenKey(KeyPath, true)) {
            Writer(*reg);
            return true;
        }
    } catch (const EZRVError&) {
    }
    ReportStoreFailure(Routine);
    return false;
}

bool TZRVCustomConfig::ReadBoolean(const QString& Name, const QString& KeyPath, bool Default) const {
    return Read(Name, KeyPath, Default, [](TZRVRegistry& R, const QString& N) { return R.ReadBool(N); });
}

int TZRVCustomConfig::ReadInteger(const QString& Name, const QString& KeyPath, int Default) const {
    return Read(Name, KeyPath, Default, [](TZRVRegistry& R, const QString& N) { return R.ReadInteger(N); });
}

QString TZRVCustomConfig::ReadString(const QString& Name, const QString& KeyPath,
                                     const QString& Default) const {
    return Read(Name, KeyPath, Default, [](TZRVRegistry& R, const QString& N) { return R.ReadString(N); });
}

double TZRVCustomConfig::ReadFloat(const QString& Name, const QString& KeyPath, double Default) const {
    return Read(Name, KeyPath, Default, [](TZRVRegistry& R, const QString& N) { return R.ReadFloat(N); });
}

TDateTime TZRVCustomConfig::ReadDate(const QString& Name, const QString& KeyPath, TDateTime Default) const {
    return ReadFloat(Name, KeyPath, Default);
}

TDateTime TZRVCustomConfig::ReadTime(const QString& Name, const QString& KeyPath, TDateTime Default) const {
    return ReadFloat(Name, KeyPath, Default);
}

TDateTime TZRVCustomConfig::ReadDateTime(const QString& Name, const QString& KeyPath,
                                         TDateTime Default) const {
    return ReadFloat(Name, KeyPath, Default);
}

int TZRVCustomConfig::ReadBinary(const QString& Name, const QString& KeyPath, char* Buffer, int Size) const {
    if (!Buffer || Size < 0)
        return 0;
    return Read(Name, KeyPath, 0, [Buffer, Size](TZRVRegistry& R, const QString& N) {
        const QByteArray data = R.ReadBinaryData(N);
        if (data.size() > Size)
            return 0;
        std::memcpy(Buffer, data.constData(), size_t(data.size()));
        return int(data.size());
    });
}

bool TZRVCustomConfig::WriteBoolean(const QString& Name, const QString& KeyPath, bool Value) {
    return Write(KeyPath, "WriteBoolean", [&](TZRVRegistry& R) { R.WriteBool(Name, Value); });
}

bool TZRVCustomConfig::WriteInteger(const QString& Name, const QString& KeyPath, int Value) {
    return Write(KeyPath, "WriteInteger", [&](TZRVRegistry& R) { R.WriteInteger(Name, Value); });
}

bool TZRVCustomConfig::WriteString(const QString& Name, const QString& KeyPath, const QString& Value) {
    return Write(KeyPath, "WriteString", [&](TZRVRegistry& R) { R.WriteString(Name, Value); });
}

bool TZRVCustomConfig::WriteFloat(const QString& Name, const QString& KeyPath, double Value) {
    return Write(KeyPath, "WriteFloat", [&](TZRVRegistry& R) { R.WriteFloat(Name, Value); });
}

bool TZRVCustomConfig::WriteDate(const QString& Name, const QString& KeyPath, TDateTime Value) {
    return WriteFloat(Name, KeyPath, Value);
}

bool TZRVCustomConfig::WriteTime(const QString& Name, const QString& KeyPath, TDateTime Value) {
    return WriteFloat(Name, KeyPath, Value);
}

bool TZRVCustomConfig::WriteDateTime(const QString& Name, const QString& KeyPath, TDateTime Value) {
    return WriteFloat(Name, KeyPath, Value);
}

bool TZRVCustomConfig::WriteBinary(const QString& Name, const QString& KeyPath, const char* Buffer,
                                   int Size) {
    if (Size < 0 || (!Buffer && Size > 0))
        return false;
    const QByteArray data(Buffer, Size);
    return Write(KeyPath, "WriteBinary", [&](TZRVRegistry& R) { R.WriteBinaryData(Name, data); });
}

bool TZRVCustomConfig::DeleteValue(const QString& Name, const QString& KeyPath) {
    const auto reg = CreateHKLM();
    try {
        return reg->OpenKey(KeyPath, false) && reg->DeleteValue(Name);
    } catch (const EZRVError&) {
        return false;
    }
}

bool TZRVCustomConfig::DeleteKey(const QString& KeyPath) {
    const auto reg = CreateHKLM();
    try {
        return reg->DeleteKey(KeyPath);
    } catch (const EZRVError&) {
        return false;
    }
}
