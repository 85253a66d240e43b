// What a server sends after a command: reply lines and codes, the STAT and LIST parses,
// and a header block up to its end, read from the input buffer as if it had arrived.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "core/Text.h"
#include "mail/IdPOP3.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static TIdPOP3* pop = new TIdPOP3(nullptr);
    static TIdMessage* message = new TIdMessage(nullptr);
    pop->InputBuffer().Clear();
    pop->InputBuffer().Append(reinterpret_cast<const char*>(data), size);
    try {
        const std::int16_t code = pop->SendCommand(std::string(1, '\0'), -1);
        // Code 1 is "+OK", or a numeric reply whose number is 1.
        if (code == 1 && !text::StartsText("+OK", pop->LastReplyLine()) &&
            text::StrToIntDef(pop->LastReplyLine().substr(0, 3), 0) != 1)
            std::abort();
        const std::string reply = pop->LastReplyLine();
        if (!reply.empty() && (static_cast<unsigned char>(reply.front()) <= ' ' ||
                               static_cast<unsigned char>(reply.back()) <= ' '))
            std::abort();
        try {
            (void)StatReplyCount(reply);
        } catch (const EConvertError&) {
        }
        const int listed = ListReplySize(reply);
        if (listed < -1) {
            // A negative size can only come from a number the server wrote.
            if (reply.find('-') == std::string::npos) std::abort();
        }
        message->Clear();
        pop->ReadHeaderBlock(*message, std::string());
        if (!text::IsValidUtf8(message->Subject())) std::abort();
        (void)pop->ReadLine();
    } catch (const Exception&) {
    }
    return 0;
}
