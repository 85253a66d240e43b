// Header blocks as a server might send them: lookup, unfolding and the message fields.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "core/Text.h"
#include "mail/IdMessage.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static TIdMessage* message = new TIdMessage(nullptr);
    const std::string block(reinterpret_cast<const char*>(data), size);
    message->Clear();
    message->RawHeaders().SetText(block);
    try {
        message->ProcessHeaders();
    } catch (const EIdException&) {
    }
    // Decoded fields are UTF-8 whatever came in.
    if (!text::IsValidUtf8(message->Subject()) || !text::IsValidUtf8(message->From().Name())) std::abort();
    for (const char* name : {"Received", "X-Mailer", "", ":"}) (void)message->RawHeaders().HeaderValue(name);
    for (int i = 0; i < message->RawHeaders().Count(); ++i) (void)message->RawHeaders().HeaderName(i);
    return 0;
}
