// The receive buffer and the splitter fed hostile bytes in pieces: bounded, never past its input,
// and every body it hands on loads as a message.

#include "ZRVMessage.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* aData, size_t aSize) {
    if (aSize < 1)
        return 0;
    const qsizetype piece = 1 + aData[0] % 200;
    const QByteArrayView bytes(aData + 1, qsizetype(aSize - 1));
    constexpr qsizetype c_MaxTail = 2048;

    TZRVReceiveBuffer buffer(c_MaxTail);
    TZRVArrayOfString bodies;
    for (qsizetype from = 0; from < bytes.size(); from += piece) {
        bodies += buffer.Feed(bytes.sliced(from, std::min(piece, bytes.size() - from)));
        if (buffer.Pending() > std::max<qsizetype>(c_MaxTail, 13))
            std::abort();
    }
    bodies += buffer.Flush();
    qsizetype total = 0;
    TStringList message;
    for (const QString& body : bodies) {
        total += body.size() + 14;
        LoadMessage(body, message);
    }
    if (total > bytes.size())
        std::abort();

    TZRVArrayOfString pieces;
    if (DataSplit(FromWindows1252(bytes), pieces) != pieces.size())
        std::abort();
    return 0;
}
