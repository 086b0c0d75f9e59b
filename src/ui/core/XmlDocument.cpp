#include "ui/core/XmlDocument.h"

#include <cstring>
#include <cwchar>
#include <limits>

#include "ui/core/UICharType.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace SkinUI {

namespace {

constexpr wchar_t kReplacement = 0xFFFD;

// Two terminators: walks that step one past a terminator still land inside the buffer.
constexpr size_t kTerminators = 2;

inline bool IsSpace(wchar_t c)
{
    return static_cast<uint32_t>(c) - 1u < 32u;
}

inline wchar_t* SkipSpace(wchar_t* p)
{
    while (IsSpace(*p))
        ++p;
    return p;
}

inline const wchar_t* SkipSpace(const wchar_t* p)
{
    while (IsSpace(*p))
        ++p;
    return p;
}

// Name characters of the ASCII range; the rest goes to the Unicode test.
struct NameTable
{
    bool ascii[128] = {};
    constexpr NameTable()
    {
        for (int c = '0'; c <= '9'; ++c)
            ascii[c] = true;
        for (int c = 'a'; c <= 'z'; ++c)
            ascii[c] = true;
        for (int c = 'A'; c <= 'Z'; ++c)
            ascii[c] = true;
        ascii[static_cast<int>('_')] = true;
        ascii[static_cast<int>(':')] = true;
    }
};
constexpr NameTable kNameTable;

inline bool IsNameChar(wchar_t c)
{
    if (static_cast<uint32_t>(c) < 128u)
        return kNameTable.ascii[c];
    return IsAlnumChar(c);
}

inline wchar_t* SkipName(wchar_t* p)
{
#if defined(__SSE2__)
    // Four characters at a time while they are ASCII; the buffer's padding keeps the loads inside.
    const __m128i below0 = _mm_set1_epi32(L'0' - 1), above9 = _mm_set1_epi32(L'9' + 1);
    const __m128i belowA = _mm_set1_epi32(L'a' - 1), aboveZ = _mm_set1_epi32(L'z' + 1);
    const __m128i caseBit = _mm_set1_epi32(0x20), underscore = _mm_set1_epi32(L'_');
    const __m128i colon = _mm_set1_epi32(L':');
    for (;;) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        const __m128i folded = _mm_or_si128(v, caseBit);
        const __m128i digit = _mm_and_si128(_mm_cmpgt_epi32(v, below0), _mm_cmplt_epi32(v, above9));
        const __m128i letter =
            _mm_and_si128(_mm_cmpgt_epi32(folded, belowA), _mm_cmplt_epi32(folded, aboveZ));
        const __m128i mark = _mm_or_si128(_mm_cmpeq_epi32(v, underscore), _mm_cmpeq_epi32(v, colon));
        const __m128i name = _mm_or_si128(_mm_or_si128(digit, letter), mark);
        const unsigned stops = ~static_cast<unsigned>(_mm_movemask_epi8(name)) & 0xFFFFu;
        if (stops == 0) {
            p += 4;
            continue;
        }
        p += __builtin_ctz(stops) / 4;
        if (static_cast<uint32_t>(*p) <= 0x7F)
            return p;
        break;
    }
#endif
    while (IsNameChar(*p))
        ++p;
    return p;
}

// Decodes an entity reference after "&"; answers the character and the length of "name;", or 0.
inline size_t MatchEntity(const wchar_t* p, wchar_t& out)
{
    switch (p[0]) {
    case L'a':
        if (p[1] == L'm' && p[2] == L'p' && p[3] == L';') {
            out = L'&';
            return 4;
        }
        if (p[1] == L'p' && p[2] == L'o' && p[3] == L's' && p[4] == L';') {
            out = L'\'';
            return 5;
        }
        return 0;
    case L'l':
        if (p[1] == L't' && p[2] == L';') {
            out = L'<';
            return 3;
        }
        return 0;
    case L'g':
        if (p[1] == L't' && p[2] == L';') {
            out = L'>';
            return 3;
        }
        return 0;
    case L'q':
        if (p[1] == L'u' && p[2] == L'o' && p[3] == L't' && p[4] == L';') {
            out = L'"';
            return 5;
        }
        return 0;
    default:
        return 0;
    }
}

// The first character at or after p that is the terminator, a or b.
inline wchar_t* FindStop(wchar_t* p, wchar_t a, wchar_t b)
{
#if defined(__SSE2__)
    static_assert(sizeof(wchar_t) == 4);
    const auto address = reinterpret_cast<uintptr_t>(p);
    const unsigned skip = static_cast<unsigned>(address & 15);
    const auto* block = reinterpret_cast<const __m128i*>(address - skip);
    const __m128i va = _mm_set1_epi32(static_cast<int>(a));
    const __m128i vb = _mm_set1_epi32(static_cast<int>(b));
    const __m128i zero = _mm_setzero_si128();
    auto stops = [&](__m128i v) {
        const __m128i hit = _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi32(v, va), _mm_cmpeq_epi32(v, vb)),
                                         _mm_cmpeq_epi32(v, zero));
        return static_cast<unsigned>(_mm_movemask_epi8(hit));
    };
    unsigned mask = stops(_mm_load_si128(block)) & (0xFFFFu << skip);
    while (mask == 0)
        mask = stops(_mm_load_si128(++block));
    return reinterpret_cast<wchar_t*>(reinterpret_cast<uintptr_t>(block) +
                                      static_cast<unsigned>(__builtin_ctz(mask)));
#else
    while (*p != 0 && *p != a && *p != b)
        ++p;
    return p;
#endif
}

// Decodes data in place up to the end character or the terminator; p is left on whichever stopped
// it. Answers where the decoded text ends; the gap up to p (after its first character) is blanked.
inline wchar_t* ParseData(wchar_t*& p, wchar_t end)
{
    // Short texts end within a few characters; the vector scan starts past the characters the
    // caller has just rewritten, whose stores a block load would have to wait for.
    wchar_t* r = p;
    for (int i = 0; i < 8 && *r != end && *r != L'&' && *r != 0; ++i)
        ++r;
    if (*r != end && *r != L'&' && *r != 0)
        r = FindStop(r, end, L'&');
    // Most data holds no reference: nothing needs moving until the first "&".
    if (*r != L'&') {
        p = r;
        return r;
    }
    wchar_t* w = r;
    while (*r == L'&') {
        wchar_t decoded;
        if (const size_t n = MatchEntity(r + 1, decoded)) {
            *w++ = decoded;
            r += n + 1;
        } else {
            *w++ = L'&';
            ++r;
        }
        wchar_t* stop = FindStop(r, end, L'&');
        const size_t run = static_cast<size_t>(stop - r);
        std::wmemmove(w, r, run);
        w += run;
        r = stop;
    }
    for (wchar_t* gap = w + 1; gap < r; ++gap)
        *gap = L' ';
    p = r;
    return w;
}

// The buffer is 16-byte aligned and padded with terminators past a whole 16-byte block, so the
// scanners may read any aligned block that holds a character of the text, and four characters
// from any position up to the terminator.
wchar_t* AllocateText(size_t length)
{
    if (length > std::numeric_limits<uint32_t>::max() - kTerminators)
        return nullptr;
    // One more block than the text needs: unaligned four-character loads may start at the end.
    const size_t bytes = (((length + kTerminators) * sizeof(wchar_t) + 15) & ~size_t{15}) + 16;
    auto* text = static_cast<wchar_t*>(std::aligned_alloc(16, bytes));
    if (text == nullptr)
        return nullptr;
    for (size_t i = length; i < bytes / sizeof(wchar_t); ++i)
        text[i] = 0;
    return text;
}

// Returns the number of characters written; out must hold size characters.
size_t DecodeUtf8(const unsigned char* in, size_t size, wchar_t* out)
{
    size_t i = 0;
    size_t o = 0;
    while (i < size) {
#if defined(__SSE2__)
        // Sixteen ASCII bytes at a time widen to sixteen characters.
        if (size - i >= 16) {
            const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + i));
            if (_mm_movemask_epi8(bytes) == 0) {
                const __m128i zero = _mm_setzero_si128();
                const __m128i low = _mm_unpacklo_epi8(bytes, zero);
                const __m128i high = _mm_unpackhi_epi8(bytes, zero);
                auto* dst = reinterpret_cast<__m128i*>(out + o);
                _mm_storeu_si128(dst, _mm_unpacklo_epi16(low, zero));
                _mm_storeu_si128(dst + 1, _mm_unpackhi_epi16(low, zero));
                _mm_storeu_si128(dst + 2, _mm_unpacklo_epi16(high, zero));
                _mm_storeu_si128(dst + 3, _mm_unpackhi_epi16(high, zero));
                i += 16;
                o += 16;
                continue;
            }
        }
#endif
        const unsigned char c = in[i];
        if (c < 0x80) {
            out[o++] = c;
            ++i;
            continue;
        }
        uint32_t cp = 0;
        size_t len = 0;
        uint32_t min = 0;
        if ((c & 0xE0) == 0xC0) {
            cp = c & 0x1F, len = 2, min = 0x80;
        } else if ((c & 0xF0) == 0xE0) {
            cp = c & 0x0F, len = 3, min = 0x800;
        } else if ((c & 0xF8) == 0xF0) {
            cp = c & 0x07, len = 4, min = 0x10000;
        } else {
            out[o++] = kReplacement;
            ++i;
            continue;
        }
        size_t j = 1;
        for (; j < len && i + j < size && (in[i + j] & 0xC0) == 0x80; ++j)
            cp = (cp << 6) | (in[i + j] & 0x3F);
        if (j < len) {
            out[o++] = kReplacement;
            i += j;
            continue;
        }
        const bool valid = cp >= min && cp <= 0x10FFFF && !(cp >= 0xD800 && cp <= 0xDFFF);
        out[o++] = valid ? static_cast<wchar_t>(cp) : kReplacement;
        i += len;
    }
    return o;
}

// Units after the mark; surrogate pairs become one character, lone surrogates the replacement.
size_t DecodeUtf16(const unsigned char* in, size_t units, bool bigEndian, wchar_t* out)
{
    auto unit = [&](size_t k) -> uint32_t {
        const unsigned char* b = in + 2 * k;
        return bigEndian ? (uint32_t{b[0]} << 8) | b[1] : (uint32_t{b[1]} << 8) | b[0];
    };
    size_t o = 0;
    for (size_t k = 0; k < units; ++k) {
        const uint32_t u = unit(k);
        if (u < 0xD800 || u > 0xDFFF) {
            out[o++] = static_cast<wchar_t>(u);
            continue;
        }
        if (u <= 0xDBFF && k + 1 < units) {
            const uint32_t low = unit(k + 1);
            if (low >= 0xDC00 && low <= 0xDFFF) {
                out[o++] = static_cast<wchar_t>(0x10000 + ((u - 0xD800) << 10) + (low - 0xDC00));
                ++k;
                continue;
            }
        }
        out[o++] = kReplacement;
    }
    return o;
}

void CopyLimited(wchar_t* out, size_t capacity, const wchar_t* text)
{
    size_t n = 0;
    if (text != nullptr) {
        for (; n + 1 < capacity && text[n] != 0; ++n)
            out[n] = text[n];
    }
    out[n] = 0;
}

} // namespace

// ---- CXmlDocument ----

CXmlDocument::CXmlDocument() = default;

CXmlDocument::CXmlDocument(const wchar_t* text)
{
    if (text != nullptr)
        LoadText(text);
}

CXmlDocument::~CXmlDocument() = default;

void CXmlDocument::Clear()
{
    m_text.reset();
    m_elements.reset();
    m_elementCount = 0;
    m_elementCapacity = 0;
}

bool CXmlDocument::LoadText(const wchar_t* text)
{
    Clear();
    if (text == nullptr)
        return false;
    const size_t length = std::wcslen(text);
    wchar_t* copy = AllocateText(length);
    if (copy == nullptr)
        return false;
    std::wmemcpy(copy, text, length);
    return AdoptText(copy);
}

bool CXmlDocument::LoadBytes(const void* bytes, size_t size, XmlEncoding encoding)
{
    Clear();
    const auto* in = static_cast<const unsigned char*>(bytes);
    if (in == nullptr && size > 0)
        return false;
    wchar_t* text = nullptr;
    switch (encoding) {
    case XmlEncoding::Utf8:
    case XmlEncoding::Ansi: {
        if (encoding == XmlEncoding::Utf8 && size > 2 && in[0] == 0xEF && in[1] == 0xBB && in[2] == 0xBF) {
            in += 3;
            size -= 3;
        }
        // A UTF-8 byte never decodes to more than one character.
        text = AllocateText(size);
        if (text == nullptr)
            return false;
        const size_t length = DecodeUtf8(in, size, text);
        text[length] = 0;
        break;
    }
    case XmlEncoding::Utf16: {
        // Without a byte-order mark the order is unknown: the load fails rather than guess.
        if (size < 2)
            return false;
        const bool little = in[0] == 0xFF && in[1] == 0xFE;
        const bool big = in[0] == 0xFE && in[1] == 0xFF;
        if (!little && !big)
            return false;
        const size_t units = size / 2 - 1;
        text = AllocateText(units);
        if (text == nullptr)
            return false;
        const size_t length = DecodeUtf16(in + 2, units, big, text);
        text[length] = 0;
        break;
    }
    default:
        return false;
    }
    return AdoptText(text);
}

bool CXmlDocument::FailLoad(const wchar_t* message)
{
    Clear();
    CopyLimited(m_lastError, kErrorCapacity, message);
    m_lastErrorLocation[0] = 0;
    return false;
}

bool CXmlDocument::AdoptText(wchar_t* text)
{
    m_text.reset(text);
    if (Parse())
        return true;
    Clear();
    return false;
}

CXmlNode CXmlDocument::Root() const
{
    if (m_elements == nullptr || m_elementCount < 2)
        return {};
    return CXmlNode(this, 1);
}

bool CXmlDocument::ReserveEntry(uint32_t& index)
{
    if (m_elementCount == m_elementCapacity) {
        const uint64_t capacity = uint64_t{m_elementCapacity} + m_elementCapacity / 2 + 500;
        if (capacity > std::numeric_limits<uint32_t>::max() ||
            capacity > std::numeric_limits<size_t>::max() / sizeof(XmlElementEntry))
            return false;
        void* grown = std::realloc(m_elements.get(), static_cast<size_t>(capacity) * sizeof(XmlElementEntry));
        if (grown == nullptr)
            return false;
        m_elements.release();
        m_elements.reset(static_cast<XmlElementEntry*>(grown));
        m_elementCapacity = static_cast<uint32_t>(capacity);
    }
    index = m_elementCount++;
    return true;
}

bool CXmlDocument::Fail(const wchar_t* message, const wchar_t* location)
{
    CopyLimited(m_lastError, kErrorCapacity, message);
    CopyLimited(m_lastErrorLocation, kLocationCapacity, location);
    return false;
}

// The text ended with elements still open, which is allowed near the top: their names and texts
// are terminated as a closing tag would have done. While open, an element keeps the offset where
// its text ends in its nextSibling field.
void CXmlDocument::CloseOpenElements(uint32_t parent)
{
    wchar_t* text = m_text.get();
    XmlElementEntry* elements = m_elements.get();
    for (uint32_t i = parent; i != 0; i = elements[i].parent) {
        XmlElementEntry& e = elements[i];
        *SkipName(text + e.nameOffset) = 0;
        text[e.nextSibling] = 0;
        e.nextSibling = 0;
    }
}

bool CXmlDocument::Parse()
{
    m_lastError[0] = 0;
    m_lastErrorLocation[0] = 0;
    uint32_t sentinel = 0;
    if (!ReserveEntry(sentinel))
        return false;
    m_elements.get()[0] = XmlElementEntry{0, 0, 0, 0, 0};

    wchar_t* const text = m_text.get();
    wchar_t* p = text;
    // The level being parsed: the open element whose children these are (0 = top level), and the
    // element it produced last.
    uint32_t parent = 0;
    uint32_t last = 0;

    for (;;) {
        p = SkipSpace(p);
        // Trailing blanks end the text as well as the terminator does, so a blank text loads.
        if (*p == 0 && parent <= 1) {
            CloseOpenElements(parent);
            return true;
        }
        if (*p != L'<')
            return Fail(L"Expected start tag", p);

        if (p[1] == L'/') {
            // The level ends; at the top that ends the parse and the rest is ignored.
            if (parent == 0)
                return true;
            XmlElementEntry* elements = m_elements.get();
            const uint32_t closing = parent;
            wchar_t* name = text + elements[closing].nameOffset;
            wchar_t* nameEnd = SkipName(name);
            text[elements[closing].nextSibling] = 0;
            elements[closing].nextSibling = 0;
            *p = 0;
            p = SkipSpace(p + 2);
            const size_t nameLength = static_cast<size_t>(nameEnd - name);
            if (std::wcsncmp(p, name, nameLength) != 0)
                return Fail(L"Unmatched closing tag", p);
            p = SkipSpace(p + nameLength);
            if (*p++ != L'>')
                return Fail(L"Unmatched closing tag", p);
            *nameEnd = 0;
            p = SkipSpace(p);
            parent = elements[closing].parent;
            last = closing;
            continue;
        }

        *p = 0;
        p = SkipSpace(p + 1);
        if (*p == L'!' || *p == L'?') {
            const wchar_t close = *p == L'!' ? L'-' : L'?';
            while (*p != 0 && !(p[0] == close && p[1] == L'>'))
                ++p;
            if (*p != 0)
                p += 2;
            p = SkipSpace(p);
            continue;
        }

        uint32_t index = 0;
        if (!ReserveEntry(index))
            return false;
        XmlElementEntry* elements = m_elements.get();
        elements[index] = XmlElementEntry{static_cast<uint32_t>(p - text), parent, 0, 0, 0};
        if (last != 0)
            elements[last].nextSibling = index;
        else if (parent != 0)
            elements[parent].firstChild = index;
        last = index;

        wchar_t* nameEnd = SkipName(p);
        p = nameEnd;
        if (*p == 0)
            return Fail(L"Error parsing element name", p);
        if (!ParseAttributes(p))
            return false;

        p = SkipSpace(p);
        if (p[0] == L'/' && p[1] == L'>') {
            elements[index].dataOffset = static_cast<uint32_t>(p - text);
            *p = 0;
            p += 2;
        } else {
            if (*p != L'>')
                return Fail(L"Expected start-tag closing", p);
            ++p;
            elements[index].dataOffset = static_cast<uint32_t>(p - text);
            wchar_t* dataEnd = ParseData(p, L'<');
            if (*p == 0 && parent <= 1) {
                *nameEnd = 0;
                *dataEnd = 0;
                CloseOpenElements(parent);
                return true;
            }
            if (*p != L'<')
                return Fail(L"Expected end-tag start", p);
            // Open: the children (or the closing tag) follow as a level of their own.
            elements[index].nextSibling = static_cast<uint32_t>(dataEnd - text);
            parent = index;
            last = 0;
            continue;
        }
        *nameEnd = 0;
        p = SkipSpace(p);
    }
}

bool CXmlDocument::ParseAttributes(wchar_t*& p)
{
    if (*p == L'>' || *p == L'/')
        return true;
    *p++ = 0;
    for (;;) {
        p = SkipSpace(p);
        if (*p == 0 || *p == L'>' || *p == L'/')
            return true;
        wchar_t* nameEnd = SkipName(p);
        p = SkipSpace(nameEnd);
        if (*p != L'=')
            return Fail(L"Error while parsing attributes", p);
        *p = L' ';
        *nameEnd = 0;
        p = SkipSpace(p + 1);
        if (*p++ != L'"')
            return Fail(L"Expected attribute value", p);
        wchar_t* valueEnd = ParseData(p, L'"');
        if (*p == 0)
            return Fail(L"Error while parsing attribute string", p);
        if (valueEnd != p)
            *p = L' ';
        *valueEnd = 0;
        ++p;
    }
}

// ---- CXmlNode ----

CXmlNode::CXmlNode(const CXmlNode& other)
    : m_owner(other.m_owner), m_index(other.m_index), m_mapped(other.m_mapped),
      m_attributeCount(other.m_attributeCount)
{
    std::memcpy(m_attributes, other.m_attributes,
                sizeof(m_attributes[0]) * static_cast<size_t>(m_attributeCount));
}

CXmlNode& CXmlNode::operator=(const CXmlNode& other)
{
    if (this == &other)
        return *this;
    m_owner = other.m_owner;
    m_index = other.m_index;
    m_mapped = other.m_mapped;
    m_attributeCount = other.m_attributeCount;
    std::memcpy(m_attributes, other.m_attributes,
                sizeof(m_attributes[0]) * static_cast<size_t>(m_attributeCount));
    return *this;
}

CXmlNode CXmlNode::Link(uint32_t index) const
{
    if (m_owner == nullptr || index == 0)
        return {};
    return CXmlNode(m_owner, index);
}

const wchar_t* CXmlNode::Name() const
{
    if (m_owner == nullptr)
        return nullptr;
    return m_owner->m_text.get() + m_owner->m_elements.get()[m_index].nameOffset;
}

const wchar_t* CXmlNode::Value() const
{
    if (m_owner == nullptr)
        return nullptr;
    return m_owner->m_text.get() + m_owner->m_elements.get()[m_index].dataOffset;
}

CXmlNode CXmlNode::Parent() const
{
    return m_owner ? Link(m_owner->m_elements.get()[m_index].parent) : CXmlNode();
}

CXmlNode CXmlNode::FirstChild() const
{
    return m_owner ? Link(m_owner->m_elements.get()[m_index].firstChild) : CXmlNode();
}

CXmlNode CXmlNode::NextSibling() const
{
    return m_owner ? Link(m_owner->m_elements.get()[m_index].nextSibling) : CXmlNode();
}

bool CXmlNode::HasChildren() const
{
    return m_owner != nullptr && m_owner->m_elements.get()[m_index].firstChild != 0;
}

void CXmlNode::MapAttributes() const
{
    if (m_mapped || m_owner == nullptr)
        return;
    m_mapped = true;
    m_attributeCount = 0;
    const wchar_t* text = m_owner->m_text.get();
    const XmlElementEntry& e = m_owner->m_elements.get()[m_index];
    const wchar_t* p = text + e.nameOffset;
    p += std::wcslen(p) + 1;
    const wchar_t* dataStart = text + e.dataOffset;
    while (p < dataStart) {
        p = SkipSpace(p);
        const auto nameOffset = static_cast<uint32_t>(p - text);
        p += std::wcslen(p) + 1;
        p = SkipSpace(p);
        if (*p != L'"')
            return;
        ++p;
        m_attributes[m_attributeCount][0] = nameOffset;
        m_attributes[m_attributeCount][1] = static_cast<uint32_t>(p - text);
        if (++m_attributeCount == kMaxAttributes)
            return;
        p += std::wcslen(p) + 1;
    }
}

bool CXmlNode::HasAttributes() const
{
    return AttributeCount() > 0;
}

int CXmlNode::AttributeCount() const
{
    MapAttributes();
    return m_attributeCount;
}

const wchar_t* CXmlNode::AttributeName(int index) const
{
    if (m_owner == nullptr)
        return nullptr;
    MapAttributes();
    if (index < 0 || index >= m_attributeCount)
        return L"";
    return m_owner->m_text.get() + m_attributes[index][0];
}

const wchar_t* CXmlNode::AttributeValue(int index) const
{
    if (m_owner == nullptr)
        return nullptr;
    MapAttributes();
    if (index < 0 || index >= m_attributeCount)
        return L"";
    return m_owner->m_text.get() + m_attributes[index][1];
}

const wchar_t* CXmlNode::FindAttributeValue(const wchar_t* name) const
{
    if (m_owner == nullptr || name == nullptr)
        return nullptr;
    MapAttributes();
    const wchar_t* text = m_owner->m_text.get();
    for (int i = 0; i < m_attributeCount; ++i) {
        if (std::wcscmp(text + m_attributes[i][0], name) == 0)
            return text + m_attributes[i][1];
    }
    return nullptr;
}

bool CXmlNode::FindAttribute(const wchar_t* name, wchar_t* buffer, size_t capacity) const
{
    const wchar_t* value = FindAttributeValue(name);
    if (value == nullptr)
        return false;
    if (buffer == nullptr)
        return true;
    size_t n = 0;
    for (; n < capacity && value[n] != 0; ++n)
        buffer[n] = value[n];
    if (n < capacity)
        buffer[n] = 0;
    return true;
}

} // namespace SkinUI
