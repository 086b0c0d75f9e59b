#include "ui/render/ImageDescription.h"

#include "ui/core/ResourceImage.h"
#include "ui/core/UIAttributes.h"

namespace SkinUI {

namespace {

bool IsBlank(wchar_t ch)
{
    return ch != L'\0' && static_cast<uint32_t>(ch) <= 32;
}

const wchar_t* SkipBlanks(const wchar_t* p)
{
    while (IsBlank(*p))
        ++p;
    return p;
}

void ApplyPair(const CStringUI& key, const CStringUI& value, ImageDescriptionUI& out)
{
    const wchar_t* v = value.GetData();
    if (key == L"file") {
        out.imageName = value;
    } else if (key == L"res") {
        out.imageName = value;
        out.usesResourceType = true;
    } else if (key == L"restype") {
        out.resourceType = value;
    } else if (key == L"color") {
        out.imageName = value;
        out.resourceType = kColorImageType;
        out.usesResourceType = true;
    } else if (key == L"dest") {
        out.dest = ParseRect(v);
    } else if (key == L"source") {
        out.source = ParseRect(v);
    } else if (key == L"corner" || key == L"scale9") {
        out.corner = ParseRect(v);
    } else if (key == L"mask") {
        out.maskColour = ParseColor(v);
    } else if (key == L"fade") {
        out.fade = static_cast<uint8_t>(ParseInt(v));
    } else if (key == L"hole") {
        out.hole = ParseBool(v);
    } else if (key == L"xtiled") {
        out.tileX = ParseBool(v);
    } else if (key == L"ytiled") {
        out.tileY = ParseBool(v);
    } else if (key == L"hsl") {
        out.keepSource = ParseBool(v);
    }
}

} // namespace

void ParseImageDescriptionInto(const wchar_t* text, ImageDescriptionUI& out)
{
    if (text == nullptr)
        return;
    const wchar_t* p = text;
    while (*p != L'\0') {
        p = SkipBlanks(p);
        const wchar_t* keyStart = p;
        while (*p != L'\0' && *p != L'=' && !IsBlank(*p))
            ++p;
        const CStringUI key(keyStart, static_cast<int>(p - keyStart));
        p = SkipBlanks(p);
        if (*p++ != L'=')
            return;
        p = SkipBlanks(p);
        if (*p++ != L'\'')
            return;
        const wchar_t* valueStart = p;
        while (*p != L'\0' && *p != L'\'')
            ++p;
        if (*p != L'\'')
            return;
        const CStringUI value(valueStart, static_cast<int>(p - valueStart));
        ++p;
        if (!value.IsEmpty())
            ApplyPair(key, value, out);
        if (*p != L' ' || p[1] == L'\0')
            return;
        ++p;
    }
}

ImageDescriptionUI ParseImageDescription(const wchar_t* description)
{
    ImageDescriptionUI out;
    out.imageName = description ? description : L"";
    ParseImageDescriptionInto(description, out);
    return out;
}

} // namespace SkinUI
