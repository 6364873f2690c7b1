#include <gtest/gtest.h>

#include <random>

#include "WorkingTestHelpers.h"
#include "scene/ElementIndex.h"

namespace kelvane::test {
namespace {

// Every name's first and all elements, and every element's index, as a fresh walk sees them.
void ExpectAgrees(TElementIndex& index, TDomDocument* document, int step)
{
    TElementIndex fresh;
    fresh.Reset(document);
    ASSERT_EQ(fresh.Count(u"light"), index.Count(u"light")) << step;
    for (const char16_t* name : {u"a", u"b", u"c", u"d", u"e"}) {
        ASSERT_EQ(fresh.AllNamed(u"light", name), index.AllNamed(u"light", name)) << step;
        ASSERT_EQ(fresh.FirstNamed(u"light", name), index.FirstNamed(u"light", name)) << step;
    }
    for (int i = 0; i < fresh.Count(u"light"); ++i)
        ASSERT_EQ(index.IndexOf(fresh.Item(u"light", i)), i) << step;
}

TEST(ElementIndex, FollowsRenamesReplacementsAppendsAndRemovalsAmongDuplicateNames)
{
    // Few names over many elements, so every ring has several members and each kind of edit
    // hits firsts, lasts and middles.
    auto document = ParseSceneText("<scene><light name=\"a\"/><light name=\"b\"/><light/><light name=\"a\"/>"
                                   "<light name=\"a\"/><light name=\"c\"/><light name=\"b\"/></scene>");
    TDomElement* scene = document->DocumentElement();
    TElementIndex index;
    index.Reset(document.get());
    std::mt19937 random(7);
    const WideString names[] = {u"a", u"b", u"c", u"d", u"e"};
    for (int step = 0; step < 400; ++step) {
        const int count = index.Count(u"light");
        TDomElement* target = index.Item(u"light", static_cast<int>(random() % count));
        const WideString name = names[random() % 5];
        switch (random() % 4) {
        case 0: {
            WideString old;
            const bool had = ElementName(target, old);
            target->SetAttribute(u"name", name);
            index.Renamed(target, old, had);
            break;
        }
        case 1: {
            TDomElement* copy = target->CloneNode(true)->AsElement();
            if (random() % 2)
                copy->SetAttribute(u"name", name);
            scene->ReplaceChild(copy, target);
            index.Replaced(target, copy);
            break;
        }
        case 2: {
            TDomElement* added = document->CreateElement(u"light");
            if (random() % 4)
                added->SetAttribute(u"name", name);
            scene->AppendChild(added);
            index.InsertedAt(added, count);
            break;
        }
        default:
            if (count > 3) {
                scene->RemoveChild(target);
                index.Removed(target);
            }
        }
        ExpectAgrees(index, document.get(), step);
    }
}

} // namespace
} // namespace kelvane::test
