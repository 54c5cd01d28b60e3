// The line another launch sends to the running instance over its socket.
#include "App/SingleInstance.h"
#include "fuzz/FuzzSupport.h"

using namespace lumivast;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fuzz::ensureApplication();
    using State = SingleInstance::Reading::State;
    const QByteArray received = fuzz::bytes(data, size);
    const SingleInstance::Reading reading = SingleInstance::read(received);
    const qsizetype end = received.indexOf('\n');
    const qsizetype lineLength = end < 0 ? received.size() : end;
    fuzz::check((reading.state == State::oversized) == (lineLength > SingleInstance::maxMessageBytes),
                "only a line over the limit is refused unread");
    fuzz::check((reading.state == State::incomplete) == (end < 0 && lineLength <= SingleInstance::maxMessageBytes),
                "without a newline nothing is read yet");
    if (reading.state != State::line)
        fuzz::check(!reading.message, "no message without a whole line");
    // Bytes arriving in two pieces: the first piece never reads as a line of its own.
    if (end > 0)
        fuzz::check(SingleInstance::read(received.left(end)).state != State::line, "a piece without its newline");
    // Text as a launch sends it (lone surrogates from JSON escapes are not text).
    if (reading.message && reading.message->url.isValidUtf16()) {
        const SingleInstance::Reading again = SingleInstance::read(SingleInstance::encode(*reading.message));
        fuzz::check(again.state == State::line && again.message == reading.message, "a message survives being sent on");
    }
    return 0;
}
