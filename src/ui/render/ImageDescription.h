#pragma once

#include <cstdint>

#include "ui/core/UIColor.h"
#include "ui/core/UIGeometry.h"
#include "ui/core/UIString.h"

namespace SkinUI {

// What an image description says: the image to load and how to draw it.
struct ImageDescriptionUI
{
    // The whole description unless a "file", "res" or "color" pair names another.
    CStringUI imageName;
    CStringUI resourceType;
    // A "res" or "color" pair was read, so the image is loaded with resourceType.
    bool usesResourceType = false;
    ColorUI maskColour = 0;
    bool keepSource = false;
    RectUI dest;
    RectUI source;
    RectUI corner;
    uint8_t fade = 255;
    bool hole = false;
    bool tileX = false;
    bool tileY = false;
};

// Reads key='value' pairs separated by single blanks. Parsing stops at the first malformed pair and
// keeps what was read before it; unknown keys and empty values are skipped.
ImageDescriptionUI ParseImageDescription(const wchar_t* description);

// Reads the pairs of the text into out, over what out already holds.
void ParseImageDescriptionInto(const wchar_t* text, ImageDescriptionUI& out);

} // namespace SkinUI
