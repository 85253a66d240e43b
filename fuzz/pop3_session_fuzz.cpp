// A whole poll against a server whose every byte is the fuzzer's: greeting, USER, PASS,
// STAT, then TOP and LIST for three messages and "Quit", read from a real loopback socket
// so that the bytes arrive in the chunks the network gives. Whatever comes, the session
// ends (no hang), the texts handed out are UTF-8 and no reply takes more than its bound.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <thread>

#include "core/Text.h"
#include "mail/IdPOP3.h"

namespace net = platform::net;

namespace {

void Check(bool condition) {
    if (!condition) std::abort();
}

void Serve(net::Socket listener, const std::string& stream) {
    const net::Socket c = net::Accept(listener, 5000);
    if (c == net::InvalidSocket) return;
    for (std::size_t sent = 0; sent < stream.size();) {
        const int n = net::Send(c, stream.data() + sent, static_cast<int>(stream.size() - sent));
        if (n <= 0) break;
        sent += static_cast<std::size_t>(n);
    }
    net::Shutdown(c, 1);
    // Until the client closes, so that nothing it sent resets the connection early.
    char buffer[4096];
    while (net::WaitReadable(c, 5000) == 1 && net::Recv(c, buffer, sizeof buffer) > 0) {
    }
    net::Close(c);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static int port = 0;
    static const net::Socket listener = [] {
        net::StartStack();
        return net::ListenLoopback(port);
    }();
    if (listener == net::InvalidSocket) return 0;
    const std::string stream(reinterpret_cast<const char*>(data), size);
    std::thread server(Serve, listener, stream);

    TIdPOP3 pop(nullptr);
    pop.SetHost("127.0.0.1");
    pop.SetPort(port);
    pop.SetUserId("user");
    pop.SetPassword("secret");
    pop.ReadTimeout = 3000;
    pop.CommandTimeout = 10000;
    TIdMessage m(nullptr);
    try {
        pop.Connect();
        try {
            (void)pop.CountMessages();
        } catch (const EConvertError&) {
        }
        for (int i = 1; i <= 3; ++i) {
            m.Clear();
            (void)pop.FetchHeader(i, m);
            Check(text::IsValidUtf8(m.Subject()));
            Check(text::IsValidUtf8(m.From().Address()));
            Check(text::IsValidUtf8(m.From().Name()));
            Check(text::IsValidUtf8(m.MessageId()));
            Check(static_cast<std::size_t>(m.RawHeaders().Count()) * IdLimits::LineOverhead <= IdLimits::MaxCaptureSize);
            Check(pop.FetchMessageSize(i) >= -1 || pop.LastReplyLine().find('-') != std::string::npos);
        }
        pop.Disconnect();
    } catch (const Exception&) {
    }
    if (pop.Connected()) pop.DisconnectSocket();
    server.join();
    return 0;
}
