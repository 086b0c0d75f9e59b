// Parsing speed of the skin markup parser against pugixml (in place), tinyxml2 and expat.
// Every figure counts the bytes of the UTF-8 document, so MB/s compare directly.
#include <benchmark/benchmark.h>

#include <cstring>
#include <cwchar>
#include <string>
#include <vector>

#include <expat.h>
#include <pugixml.hpp>
#include <tinyxml2.h>

#include "SkinCorpus.h"
#include "platform/Text.h"
#include "ui/core/XmlDocument.h"

namespace {

struct Corpus
{
    std::vector<std::string> utf8;
    std::vector<std::wstring> wide;
    size_t bytes = 0;
};

Corpus MakeCorpus(std::vector<std::string> docs)
{
    Corpus c;
    for (auto& d : docs) {
        c.bytes += d.size();
        c.wide.push_back(plat::Utf8ToWide(d));
        c.utf8.push_back(std::move(d));
    }
    return c;
}

const Corpus& Large()
{
    static const Corpus c = MakeCorpus({xmlbench::MakeSkinDocument(4u << 20, 1)});
    return c;
}

const Corpus& Small()
{
    static const Corpus c = MakeCorpus(xmlbench::MakeSmallSkinDocuments());
    return c;
}

const Corpus& Pick(int which)
{
    return which == 0 ? Large() : Small();
}

void Finish(benchmark::State& state, const Corpus& c)
{
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(c.bytes));
}

// ---- ours ----

void OursParse(benchmark::State& state, int which)
{
    const Corpus& c = Pick(which);
    SkinUI::CXmlDocument doc;
    for (auto _ : state) {
        for (const auto& text : c.wide) {
            if (!doc.LoadText(text.c_str()))
                state.SkipWithError("parse failed");
            benchmark::DoNotOptimize(doc.Root());
        }
    }
    Finish(state, c);
}

void OursLoadBytes(benchmark::State& state, int which)
{
    const Corpus& c = Pick(which);
    SkinUI::CXmlDocument doc;
    for (auto _ : state) {
        for (const auto& bytes : c.utf8) {
            if (!doc.LoadBytes(bytes.data(), bytes.size(), SkinUI::XmlEncoding::Utf8))
                state.SkipWithError("parse failed");
            benchmark::DoNotOptimize(doc.Root());
        }
    }
    Finish(state, c);
}

// The floor under OursParse: LoadText's measuring and copying of the wide text, with no parse.
void OursCopyOnly(benchmark::State& state, int which)
{
    const Corpus& c = Pick(which);
    std::vector<std::vector<wchar_t>> buffers;
    for (const auto& text : c.wide)
        buffers.emplace_back(text.size() + 1);
    for (auto _ : state) {
        for (size_t i = 0; i < c.wide.size(); ++i) {
            const size_t length = std::wcslen(c.wide[i].c_str());
            std::wmemcpy(buffers[i].data(), c.wide[i].c_str(), length + 1);
            benchmark::DoNotOptimize(buffers[i].data());
        }
    }
    Finish(state, c);
}

size_t VisitOurs(const SkinUI::CXmlNode& first)
{
    size_t n = 0;
    for (SkinUI::CXmlNode node = first; node.IsValid(); node = node.NextSibling()) {
        for (int i = 0; i < node.AttributeCount(); ++i)
            n += static_cast<size_t>(*node.AttributeValue(i));
        n += VisitOurs(node.FirstChild());
    }
    return n;
}

// Parse, then read every attribute once: the mapping the parse leaves for later.
void OursParseAndVisit(benchmark::State& state, int which)
{
    const Corpus& c = Pick(which);
    SkinUI::CXmlDocument doc;
    for (auto _ : state) {
        for (const auto& text : c.wide) {
            doc.LoadText(text.c_str());
            benchmark::DoNotOptimize(VisitOurs(doc.Root()));
        }
    }
    Finish(state, c);
}

// ---- pugixml, parsing in place ----

void PugiInSitu(benchmark::State& state, int which)
{
    const Corpus& c = Pick(which);
    std::vector<std::vector<char>> buffers;
    for (const auto& d : c.utf8)
        buffers.emplace_back(d.size());
    pugi::xml_document doc;
    for (auto _ : state) {
        for (size_t i = 0; i < c.utf8.size(); ++i) {
            // In-place parsing destroys the buffer: refill it, as our LoadText copies its text.
            std::memcpy(buffers[i].data(), c.utf8[i].data(), c.utf8[i].size());
            if (!doc.load_buffer_inplace(buffers[i].data(), buffers[i].size(), pugi::parse_default))
                state.SkipWithError("parse failed");
            benchmark::DoNotOptimize(doc.first_child());
        }
    }
    Finish(state, c);
}

size_t VisitPugi(const pugi::xml_node& parent)
{
    size_t n = 0;
    for (pugi::xml_node node = parent.first_child(); node; node = node.next_sibling()) {
        for (pugi::xml_attribute a = node.first_attribute(); a; a = a.next_attribute())
            n += static_cast<size_t>(*a.value());
        n += VisitPugi(node);
    }
    return n;
}

void PugiInSituAndVisit(benchmark::State& state, int which)
{
    const Corpus& c = Pick(which);
    std::vector<std::vector<char>> buffers;
    for (const auto& d : c.utf8)
        buffers.emplace_back(d.size());
    pugi::xml_document doc;
    for (auto _ : state) {
        for (size_t i = 0; i < c.utf8.size(); ++i) {
            std::memcpy(buffers[i].data(), c.utf8[i].data(), c.utf8[i].size());
            doc.load_buffer_inplace(buffers[i].data(), buffers[i].size(), pugi::parse_default);
            benchmark::DoNotOptimize(VisitPugi(doc));
        }
    }
    Finish(state, c);
}

// ---- tinyxml2 ----

void TinyXml2(benchmark::State& state, int which)
{
    const Corpus& c = Pick(which);
    for (auto _ : state) {
        for (const auto& d : c.utf8) {
            tinyxml2::XMLDocument doc;
            if (doc.Parse(d.data(), d.size()) != tinyxml2::XML_SUCCESS)
                state.SkipWithError("parse failed");
            benchmark::DoNotOptimize(doc.RootElement());
        }
    }
    Finish(state, c);
}

// ---- expat (a streaming parser: the handlers only count) ----

void XMLCALL ExpatStart(void* user, const XML_Char*, const XML_Char** attributes)
{
    auto* count = static_cast<size_t*>(user);
    for (; *attributes != nullptr; attributes += 2)
        ++*count;
}

void XMLCALL ExpatEnd(void*, const XML_Char*) {}

void XMLCALL ExpatText(void* user, const XML_Char*, int length)
{
    *static_cast<size_t*>(user) += length;
}

void Expat(benchmark::State& state, int which)
{
    const Corpus& c = Pick(which);
    for (auto _ : state) {
        for (const auto& d : c.utf8) {
            size_t count = 0;
            XML_Parser parser = XML_ParserCreate("UTF-8");
            XML_SetUserData(parser, &count);
            XML_SetElementHandler(parser, ExpatStart, ExpatEnd);
            XML_SetCharacterDataHandler(parser, ExpatText);
            if (XML_Parse(parser, d.data(), static_cast<int>(d.size()), 1) != XML_STATUS_OK)
                state.SkipWithError("parse failed");
            XML_ParserFree(parser);
            benchmark::DoNotOptimize(count);
        }
    }
    Finish(state, c);
}

// "large": one generated 4 MiB document; "small": sixteen documents the size of real skin files.
BENCHMARK_CAPTURE(OursParse, large, 0);
BENCHMARK_CAPTURE(OursParse, small, 1);
BENCHMARK_CAPTURE(OursLoadBytes, large, 0);
BENCHMARK_CAPTURE(OursLoadBytes, small, 1);
BENCHMARK_CAPTURE(OursCopyOnly, large, 0);
BENCHMARK_CAPTURE(OursCopyOnly, small, 1);
BENCHMARK_CAPTURE(OursParseAndVisit, large, 0);
BENCHMARK_CAPTURE(OursParseAndVisit, small, 1);
BENCHMARK_CAPTURE(PugiInSitu, large, 0);
BENCHMARK_CAPTURE(PugiInSitu, small, 1);
BENCHMARK_CAPTURE(PugiInSituAndVisit, large, 0);
BENCHMARK_CAPTURE(PugiInSituAndVisit, small, 1);
BENCHMARK_CAPTURE(TinyXml2, large, 0);
BENCHMARK_CAPTURE(TinyXml2, small, 1);
BENCHMARK_CAPTURE(Expat, large, 0);
BENCHMARK_CAPTURE(Expat, small, 1);

} // namespace
