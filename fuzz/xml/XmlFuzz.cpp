// libFuzzer target: the skin markup loader over arbitrary bytes in each of its three encodings.
// The first byte picks the encoding; a loaded document is walked and every attribute is read.
#include <cstddef>
#include <cstdint>
#include <cwchar>

#include "ui/core/XmlDocument.h"

namespace {

size_t Walk(const SkinUI::CXmlNode& first, int depth)
{
    size_t sum = 0;
    for (SkinUI::CXmlNode node = first; node.IsValid(); node = node.NextSibling()) {
        sum += std::wcslen(node.Name()) + std::wcslen(node.Value());
        const int count = node.AttributeCount();
        for (int i = -1; i <= count; ++i)
            sum += std::wcslen(node.AttributeName(i)) + std::wcslen(node.AttributeValue(i));
        wchar_t buffer[16] = {};
        if (count > 0 && node.FindAttribute(node.AttributeName(count - 1), buffer, 15))
            sum += std::wcslen(buffer);
        // Deep documents are walked iteratively by the parser; keep this walk bounded too.
        if (depth < 200)
            sum += Walk(node.FirstChild(), depth + 1);
    }
    return sum;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    const auto encoding = static_cast<SkinUI::XmlEncoding>(data[0] % 3);
    SkinUI::CXmlDocument doc;
    if (doc.LoadBytes(data + 1, size - 1, encoding)) {
        volatile size_t sink = Walk(doc.Root(), 0);
        (void)sink;
    } else {
        volatile size_t sink = std::wcslen(doc.LastError()) + std::wcslen(doc.LastErrorLocation());
        (void)sink;
    }
    return 0;
}
