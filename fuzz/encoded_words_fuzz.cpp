// Encoded words, the byte decoders, the JIS conversion and the address split.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "core/Text.h"
#include "mail/IdEMailAddress.h"
#include "mail/IdHeaderCoder.h"
#include "mail/IdMessage.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string value(reinterpret_cast<const char*>(data), size);
    const std::string decoded = DecodeHeaderText(value);
    if (!text::IsValidUtf8(decoded)) std::abort();
    if (DecodeQ(value).size() > value.size()) std::abort();
    if (DecodeB(value).size() > value.size()) std::abort();
    if (JisToShiftJis(value).size() > value.size()) std::abort();
    TIdEMailAddressItem item;
    SetDecodedAddress(item, value);
    if (!text::IsValidUtf8(item.Name())) std::abort();
    (void)item.Text();
    TIdEMailAddressList list;
    list.SetEMailAddresses(value);
    (void)list.EMailAddresses();
    return 0;
}
