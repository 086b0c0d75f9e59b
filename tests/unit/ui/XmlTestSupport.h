#pragma once

#include <string>

#include "ui/core/XmlDocument.h"

namespace xmltest {

// The element tree in one line: name(attr=value;...){text}[children...], siblings joined by " ".
inline std::wstring Describe(const SkinUI::CXmlNode& first)
{
    std::wstring out;
    for (SkinUI::CXmlNode node = first; node.IsValid(); node = node.NextSibling()) {
        if (!out.empty())
            out += L' ';
        out += node.Name();
        if (node.HasAttributes()) {
            out += L'(';
            for (int i = 0; i < node.AttributeCount(); ++i) {
                out += node.AttributeName(i);
                out += L'=';
                out += node.AttributeValue(i);
                out += L';';
            }
            out.back() = L')';
        }
        if (*node.Value() != 0)
            out += std::wstring(L"{") + node.Value() + L"}";
        if (node.HasChildren())
            out += L"[" + Describe(node.FirstChild()) + L"]";
    }
    return out;
}

inline std::wstring Describe(const SkinUI::CXmlDocument& doc)
{
    return Describe(doc.Root());
}

} // namespace xmltest
