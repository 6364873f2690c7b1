// Document tree and XML reader speed.
//
// 1. Tree edits with many live element lists handed out, against the same edits with none.
// 2. Reading a multi-MB scene text (tokens, then the tree), against a plain scan of the text.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "scene/skDom.h"
#include "scene/skParser.h"

using namespace kelvane;

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point since)
{
    return std::chrono::duration<double>(Clock::now() - since).count();
}

const char16_t* const kLeafNames[] = {u"attributes", u"modulator", u"color", u"texture"};
constexpr int kGroups = 2000;  // 2,000 shaders with 4 children each, plus the scene: 10,001 elements

struct TScene {
    std::unique_ptr<TDomDocument> doc;
    std::vector<TDomElement*> groups;
    std::vector<TDomElement*> leaves;
};

TScene BuildScene()
{
    TScene s;
    s.doc = std::make_unique<TDomDocument>();
    TDomElement* scene = s.doc->CreateElement(u"scene");
    s.doc->AppendChild(scene);
    for (int g = 0; g < kGroups; ++g) {
        TDomElement* shader = s.doc->CreateElement(u"shader");
        shader->SetAttribute(u"name", u"s" + W(std::to_string(g)));
        scene->AppendChild(shader);
        s.groups.push_back(shader);
        for (const char16_t* name : kLeafNames) {
            TDomElement* leaf = s.doc->CreateElement(name);
            leaf->SetAttribute(u"value", u"1");
            shader->AppendChild(leaf);
            s.leaves.push_back(leaf);
        }
    }
    return s;
}

// Moves random leaves to random shaders: one removal and one insertion per move.
double RunEdits(TScene& s, int edits)
{
    std::mt19937 rng(20240611u);
    std::uniform_int_distribution<size_t> leafPick(0, s.leaves.size() - 1);
    std::uniform_int_distribution<size_t> groupPick(0, s.groups.size() - 1);
    const auto start = Clock::now();
    for (int i = 0; i < edits; i += 2) {
        TDomElement* leaf = s.leaves[leafPick(rng)];
        leaf->GetParentNode()->RemoveChild(leaf);
        TDomElement* target = s.groups[groupPick(rng)];
        target->InsertBefore(leaf, target->FirstChild());
    }
    return Seconds(start);
}

std::string ShortenedSceneText(size_t targetBytes)
{
    std::string text = "<?xml version=\"1.0\"?>\r\n<scene>\r\n";
    int n = 0;
    while (text.size() < targetBytes) {
        const std::string id = std::to_string(n++);
        text += "<shader name=\"sh" + id + "\" type=\"generic\">\r\n"
                "\t<attributes>\r\n\t\t<color r=\"0.8\" g=\"0.5\" b=\"0.1\" />\r\n"
                "\t\t<specular r=\"1\" g=\"1\" b=\"1\" />\r\n\t\t<hard value=\"50\" />\r\n\t</attributes>\r\n"
                "\t<modulator texture=\"sh" + id + "0\" mode=\"mix\" size=\"1\">\r\n"
                "\t\t<color value=\"1\" />\r\n\t</modulator>\r\n</shader>\r\n"
                "<object name=\"ob" + id + "\" shader_name=\"sh" + id + "\">\r\n"
                "\t<attributes>\r\n\t</attributes>\r\n\t<mesh id=\"" + id + "\"/>\r\n</object>\r\n";
    }
    text += "</scene>\r\n";
    return text;
}

} // namespace

int main()
{
    const int edits = 10000;
    const int lists = 5000;

    // Baseline: no lists. Each figure is the best of several rounds, the two kinds alternating.
    const int rounds = 5;
    TScene plain = BuildScene();

    TScene listed = BuildScene();
    std::vector<TDomNodeList*> handed;
    const char16_t* const names[] = {u"shader", u"attributes", u"modulator", u"color", u"texture", u"*"};
    for (int i = 0; i < lists; ++i) {
        // Distinct (root, name) pairs: six on the document, the rest on the shaders.
        const char16_t* name = names[i % 6];
        TDomNodeList* list = i < 6 ? listed.doc->GetElementsByTagName(name)
                                   : listed.groups[static_cast<size_t>(i) % listed.groups.size()]->GetElementsByTagName(name);
        list->Length();
        handed.push_back(list);
    }
    double baseline = 1e9, withLists = 1e9;
    for (int r = 0; r < rounds; ++r) {
        baseline = std::min(baseline, RunEdits(plain, edits));
        withLists = std::min(withLists, RunEdits(listed, edits));
    }

    // Lists are brought up to date on their next use.
    const auto refreshStart = Clock::now();
    long long total = 0;
    for (TDomNodeList* list : handed)
        total += list->Length();
    const double refresh = Seconds(refreshStart);

    std::printf("DOM edits: %d removals and insertions (best of %d rounds) on a %d-element scene\n", edits, rounds, kGroups * 5 + 1);
    std::printf("  no lists handed out:    %8.3f ms\n", baseline * 1e3);
    std::printf("  %d lists handed out:  %8.3f ms   ratio %.2f\n", lists, withLists * 1e3, withLists / baseline);
    std::printf("  first use of all %d lists afterwards: %.3f ms (%lld entries)\n", lists, refresh * 1e3, total);

    // Reading.
    const std::string text = ShortenedSceneText(8u << 20);
    double scan = 1e9;
    size_t brackets = 0;
    for (int r = 0; r < 3; ++r) {
        const auto scanStart = Clock::now();
        brackets = 0;
        for (char c : text)
            brackets += c == '<';
        scan = std::min(scan, Seconds(scanStart));
    }

    double tokens = 1e9, tree = 1e9, write = 1e9;
    size_t tokenCount = 0, xmlSize = 0;
    for (int r = 0; r < 3; ++r) {
        TXMLParser parser;
        parser.TrimText = true;
        const auto tokStart = Clock::now();
        parser.ReadTokens(text);
        tokens = std::min(tokens, Seconds(tokStart));
        tokenCount = parser.Tokens().size();
        const auto treeStart = Clock::now();
        auto doc = parser.CreateDocument();
        tree = std::min(tree, Seconds(treeStart));
        const auto xmlStart = Clock::now();
        xmlSize = doc->GetXML(7, 7).size();
        write = std::min(write, Seconds(xmlStart));
    }

    std::printf("Reading %.1f MB of scene text (%zu '<', %zu tokens)\n", text.size() / 1048576.0, brackets,
                tokenCount);
    std::printf("  plain scan of the text: %8.3f ms\n", scan * 1e3);
    std::printf("  ReadTokens:             %8.3f ms   ratio %.1f\n", tokens * 1e3, tokens / scan);
    std::printf("  CreateDocument:         %8.3f ms   ratio %.1f\n", tree * 1e3, tree / scan);
    std::printf("  GetXML:                 %8.3f ms   ratio %.1f (%zu characters)\n", write * 1e3, write / scan,
                xmlSize);
    return 0;
}
