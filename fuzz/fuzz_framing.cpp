// Framing of one message read as its bytes arrive: whatever pieces the bytes came in, the verdict
// on all of them is the one on the bytes read at once.

#include "ZRVMessage.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* aData, size_t aSize) {
    if (aSize < 2)
        return 0;
    // The first byte sets the bound, the second the length of the pieces.
    const qsizetype maxSize = 64 + qsizetype(aData[0]) * 16;
    const qsizetype piece = 1 + aData[1] % 64;
    const QByteArray frame =
        "#ZRV2_SC_DATA#" + QByteArray(reinterpret_cast<const char*>(aData + 2), qsizetype(aSize - 2));

    const TZRVFrame whole = ScanFrame(frame, maxSize);
    if (whole.Length < 0 || whole.Length > frame.size())
        std::abort();
    if (whole.State == fsComplete && whole.Length < frame.size() &&
        !frame.sliced(whole.Length).startsWith("#ZRV2_SC_DATA#"))
        std::abort(); // a message that does not reach the end of the bytes ends at a marker

    TZRVFrameScanner scanner;
    for (qsizetype n = piece; n < frame.size(); n += piece) {
        const TZRVFrameState state = scanner.Scan(frame.first(n), maxSize).State;
        if (state == fsComplete || state == fsBad)
            return 0; // the reader takes or drops it here
    }
    const TZRVFrame last = scanner.Scan(frame, maxSize);
    if (last.State != whole.State || last.Length != whole.Length)
        std::abort();
    return 0;
}
