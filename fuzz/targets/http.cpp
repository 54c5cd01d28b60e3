// The local API's requests: the first piece of data a connection sends.
#include "App/LocalAPI.h"
#include "fuzz/FuzzSupport.h"
#include "tests/support/RecordingFront.h"

#include <algorithm>

using namespace lumivast;

namespace {

const QString kToken = QStringLiteral("0f1e2d3c4b5a69788796a5b4c3d2e1f0");
const QByteArray kState = QByteArrayLiteral(R"({"current":"Desktop 1","spaces":[]})");

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fuzz::ensureApplication();
    const QByteArray request = fuzz::bytes(data, size);
    test::RecordingFront queries;
    queries.token = [] { return kToken; };
    queries.state = [] { return kState; };
    const std::optional<LocalAPI::Response> response = LocalAPI::respondToBytes(request, queries);
    const QByteArray taken = request.left(LocalAPI::kMaxRequestBytes);
    if (!response) {
        fuzz::check(taken.isEmpty() || !QByteArrayView(taken).isValidUtf8(), "only empty or non-UTF-8 data is dropped");
        return 0;
    }
    // One of the contract's answers, to the byte.
    static const QList<std::pair<QByteArray, QByteArray>> answers = {
        {"200 OK", kState},
        {"200 OK", R"({"ok":true})"},
        {"400 Bad Request", R"({"error":"bad request"})"},
        {"400 Bad Request", R"({"error":"unknown command"})"},
        {"401 Unauthorized", R"({"error":"missing or wrong token"})"},
        {"404 Not Found", R"({"error":"not found"})"},
    };
    fuzz::check(answers.contains({response->status, response->body}), "a contract response");
    if (response->command) {
        fuzz::check(response->body == R"({"ok":true})", "a command is acknowledged");
        fuzz::check(taken.contains("Bearer " + kToken.toUtf8()), "no command without the token");
        // Runs of spaces in the request line count as one, leading ones too.
        const qsizetype end = taken.indexOf("\r\n");
        const QList<QByteArray> words = taken.left(end < 0 ? taken.size() : end).split(' ');
        const auto method = std::find_if(words.begin(), words.end(), [](const QByteArray& w) { return !w.isEmpty(); });
        fuzz::check(method != words.end() && *method == "POST", "commands come by POST");
    }
    const QByteArray reply = LocalAPI::reply(*response);
    fuzz::check(reply.startsWith("HTTP/1.1 " + response->status + "\r\n"), "status line");
    fuzz::check(reply.endsWith("\r\n\r\n" + response->body), "headers, then the body");
    fuzz::check(reply.contains("\r\nContent-Length: " + QByteArray::number(response->body.size()) + "\r\n"), "length");
    return 0;
}
