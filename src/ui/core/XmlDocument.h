#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>

namespace SkinUI {

enum class XmlEncoding : int
{
    Utf8 = 0,
    Utf16 = 1,
    // The system's narrow code page, which is UTF-8 here.
    Ansi = 2,
};

struct XmlElementEntry
{
    uint32_t nameOffset;
    uint32_t parent;
    uint32_t firstChild;
    uint32_t nextSibling;
    uint32_t dataOffset;
};

class CXmlDocument;

// A value handle on one element of a document; it stays usable as long as the document is not
// reloaded or cleared.
class CXmlNode
{
public:
    static constexpr int kMaxAttributes = 64;

    CXmlNode() {}
    CXmlNode(const CXmlNode& other);
    CXmlNode& operator=(const CXmlNode& other);

    bool IsValid() const { return m_owner != nullptr; }
    // Null on an invalid node.
    const wchar_t* Name() const;
    // The element's text before its first child; null on an invalid node.
    const wchar_t* Value() const;
    CXmlNode Parent() const;
    CXmlNode FirstChild() const;
    CXmlNode NextSibling() const;
    bool HasChildren() const;

    bool HasAttributes() const;
    int AttributeCount() const;
    // Null on an invalid node; the empty text for an index outside 0 .. count - 1.
    const wchar_t* AttributeName(int index) const;
    const wchar_t* AttributeValue(int index) const;
    // Copies at most capacity characters of the first attribute of that exact name; a terminator is
    // written only when the value is shorter than capacity.
    bool FindAttribute(const wchar_t* name, wchar_t* buffer, size_t capacity) const;
    // The value of the first attribute of that exact name, or null.
    const wchar_t* FindAttributeValue(const wchar_t* name) const;

private:
    friend class CXmlDocument;
    CXmlNode(const CXmlDocument* owner, uint32_t index) : m_owner(owner), m_index(index) {}
    CXmlNode Link(uint32_t index) const;
    void MapAttributes() const;

    const CXmlDocument* m_owner = nullptr;
    uint32_t m_index = 0;
    mutable bool m_mapped = false;
    mutable int m_attributeCount = 0;
    // Name and value offsets into the owner's text; only the first m_attributeCount are set.
    mutable uint32_t m_attributes[kMaxAttributes][2];
};

// A destructive in-place parser of skin markup: the text is decoded into one buffer that the parse
// rewrites, and elements, attribute names and values are read straight out of it by offset.
class CXmlDocument
{
public:
    static constexpr int kErrorCapacity = 100;
    static constexpr int kLocationCapacity = 50;

    CXmlDocument();
    explicit CXmlDocument(const wchar_t* text);
    CXmlDocument(const CXmlDocument&) = delete;
    CXmlDocument& operator=(const CXmlDocument&) = delete;
    ~CXmlDocument();

    bool LoadText(const wchar_t* text);
    bool LoadBytes(const void* bytes, size_t size, XmlEncoding encoding);
    // A named skin file from the resource folder or the skin archive; defined with the resources.
    bool LoadSkinFile(const wchar_t* name, XmlEncoding encoding);
    // Clears the document and records a failure of a load that never reached the parse (empty
    // location); always false, so loaders can return it.
    bool FailLoad(const wchar_t* message);

    void Clear();
    bool IsLoaded() const { return m_elements != nullptr; }
    CXmlNode Root() const;

    const wchar_t* LastError() const { return m_lastError; }
    const wchar_t* LastErrorLocation() const { return m_lastErrorLocation; }

    uint32_t ElementCount() const { return m_elementCount; }
    uint32_t ElementCapacity() const { return m_elementCapacity; }

private:
    friend class CXmlNode;
    struct FreeDeleter
    {
        void operator()(void* p) const { std::free(p); }
    };

    bool AdoptText(wchar_t* text);
    bool Parse();
    bool ReserveEntry(uint32_t& index);
    bool Fail(const wchar_t* message, const wchar_t* location);
    void CloseOpenElements(uint32_t parent);
    bool ParseAttributes(wchar_t*& p);

    std::unique_ptr<wchar_t, FreeDeleter> m_text;
    std::unique_ptr<XmlElementEntry, FreeDeleter> m_elements;
    uint32_t m_elementCount = 0;
    uint32_t m_elementCapacity = 0;
    wchar_t m_lastError[kErrorCapacity] = {};
    wchar_t m_lastErrorLocation[kLocationCapacity] = {};
};

} // namespace SkinUI
