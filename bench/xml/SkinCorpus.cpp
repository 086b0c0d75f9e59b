#include "SkinCorpus.h"

#include <random>

namespace xmlbench {

namespace {

const char* const kControls[] = {"Button", "Label",    "Text",     "Edit",
                                 "Option", "CheckBox", "Progress", "Control"};
const char* const kLayouts[] = {"VerticalLayout", "HorizontalLayout", "TabLayout"};
const char* const kTexts[] = {"Install &gt;&gt;",
                              "Installation Path:",
                              "Browe...",
                              "I have read and agree to the &quot;License Agreement&quot;",
                              "Installing...",
                              "Start Now",
                              "Caf\xC3\xA9 &amp; \xE4\xB8\xAD\xE6\x96\x87",
                              "%0"};

class Writer
{
public:
    Writer(std::string& out, unsigned seed) : m_out(out), m_random(seed) {}

    int Pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(m_random); }

    void Indent(int depth) { m_out.append(static_cast<size_t>(depth) * 2, ' '); }

    void Control(int depth)
    {
        Indent(depth);
        m_out += '<';
        m_out += kControls[Pick(8)];
        m_out += " name=\"ctl_" + std::to_string(m_serial++) + "\"";
        m_out += " text=\"" + std::string(kTexts[Pick(8)]) + "\"";
        m_out += " width=\"" + std::to_string(20 + Pick(300)) + "\" height=\"32\"";
        m_out += " textcolor=\"#FF000000\" hottextcolor=\"FF1A57A9\"";
        if (Pick(2))
            m_out += " disabledtextcolor=\"#00FFFFFF\" align=\"center\"";
        if (Pick(2))
            m_out += " bordercolor=\"#FFE0E0E0\" focusbordercolor=\"#FF337BDD\" bordersize=\"1\" borderround "
                     "=\"2,2\"";
        m_out += " font=\"" + std::to_string(Pick(2)) + "\"";
        if (Pick(3) == 0)
            m_out +=
                " normalimage=\"file='img\\browse-df.png' dest='0,0,14,14'\" hotimage=\"img\\browse-ho.png\"";
        m_out += "/>\n";
    }

    void Layout(int depth, size_t stopAt)
    {
        const char* name = kLayouts[Pick(3)];
        Indent(depth);
        m_out += '<';
        m_out += name;
        m_out += " height=\"" + std::to_string(30 + Pick(200)) + "\" childpadding=\"" +
                 std::to_string(Pick(30)) + "\" inset=\"50,20,50,10\" bkcolor=\"#FFFFFFFF\">\n";
        if (Pick(4) == 0) {
            Indent(depth + 1);
            m_out += "<!-- row " + std::to_string(m_serial) + " -->\n";
        }
        const int children = 2 + Pick(6);
        for (int i = 0; i < children && m_out.size() < stopAt; ++i) {
            if (depth < 6 && Pick(3) == 0)
                Layout(depth + 1, stopAt);
            else
                Control(depth + 1);
        }
        Indent(depth);
        m_out += "</";
        m_out += name;
        m_out += ">\n";
    }

private:
    std::string& m_out;
    std::mt19937 m_random;
    int m_serial = 0;
};

} // namespace

std::string MakeSkinDocument(size_t minBytes, unsigned seed)
{
    std::string out;
    out.reserve(minBytes + 4096);
    out += "<?xml version=\"1.0\" encoding=\"utf-8\" standalone=\"yes\" ?>\n";
    out += "<Window size=\"650,360\" sizebox=\"4,4,4,4\" caption=\"0,0,0,290\">\n";
    out += "  <Font id=\"0\" name=\"Segoe UI Semibold\" size=\"26\" bold=\"false\" italic=\"false\" />\n";
    out += "  <Font id=\"1\" name=\"Segoe UI\" size=\"14\" bold=\"false\" italic=\"false\" />\n";
    Writer writer(out, seed);
    while (out.size() < minBytes)
        writer.Layout(1, minBytes);
    out += "</Window>\n";
    return out;
}

std::vector<std::string> MakeSmallSkinDocuments()
{
    std::vector<std::string> docs;
    for (unsigned i = 0; i < 16; ++i)
        docs.push_back(MakeSkinDocument(1024 + i * 720, 100 + i));
    return docs;
}

} // namespace xmlbench
