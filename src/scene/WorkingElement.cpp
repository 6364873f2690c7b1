#include "scene/WorkingElement.h"

#include <algorithm>
#include <string>

#include "scene/NumFormat.h"

namespace kelvane {

namespace {

WideString Decimal(long long n)
{
    return W(std::to_string(n));
}

} // namespace

WideString ChildMarkName(int n)
{
    return u"Child" + Decimal(n);
}

void UndoTreeChange(const TTreeChange& change)
{
    switch (change.kind) {
    case TTreeChange::Replace: change.parent->ReplaceChild(change.other, change.node); break;
    case TTreeChange::Insert: change.parent->RemoveChild(change.node); break;
    case TTreeChange::Remove: change.parent->InsertBefore(change.node, change.other); break;
    }
}

void RedoTreeChange(const TTreeChange& change)
{
    switch (change.kind) {
    case TTreeChange::Replace: change.parent->ReplaceChild(change.node, change.other); break;
    case TTreeChange::Insert: change.parent->InsertBefore(change.node, change.other); break;
    case TTreeChange::Remove: change.parent->RemoveChild(change.node); break;
    }
}

void TWorkingElement::Log(TTreeChange::TKind kind, TDomNode* parent, TDomNode* node, TDomNode* other)
{
    if (log_)
        log_->push_back({kind, parent, node, other});
}

void TWorkingElement::Restore(TDomNode* node, const TWorkingState& state)
{
    node_ = node;
    saved_ = nullptr;
    viewDepth_ = 0;
    sources_ = state.sources;
    partner_ = state.partner;
    index_.Invalidate();
}

void TWorkingElement::SetDocument(TDomDocument* document)
{
    document_ = document;
    index_.Reset(document);
    node_ = nullptr;
    saved_ = nullptr;
    viewDepth_ = 0;
    sources_.clear();
    partner_.clear();
}

template <class F>
void TWorkingElement::Select(WideView kind, WideView name, F&& take)
{
    auto copy = [&](WideView tag, WideView named) {
        const int i = index_.FirstNamed(tag, named);
        if (i >= 0)
            take(index_.Item(tag, i), i);
    };
    const std::string flags = presence_->Values(Narrow(name));
    if (kind == u"render") {
        if (TDomElement* render = index_.Item(u"render", 0))
            take(render, 0);
        copy(u"camera", name);
    } else if (kind == u"filter") {
        copy(u"filter", name);
        copy(u"filter", u"an");
        copy(u"filter", u"dof");
    } else if (!flags.empty() && flags != "000" && flags.size() != 10) {
        static constexpr const char16_t* kParts[] = {u".light", u".diffuse", u".caustic"};
        for (size_t p = 0; p < 3 && p < flags.size(); ++p)
            if (flags[p] == '1')
                copy(kind, WideString(name) + kParts[p]);
    } else {
        copy(kind, name);
        if (flags.size() == 10)
            for (char16_t d = u'0'; d <= u'9'; ++d)
                copy(u"texture", WideString(name) + d);
    }
}

void TWorkingElement::BeginEdit(WideView kind, WideView name)
{
    node_ = nullptr;
    saved_ = nullptr;
    viewDepth_ = 0;
    sources_.clear();
    partner_.clear();
    if (!document_)
        return;
    if (kind == u"scene") {
        node_ = document_;
        return;
    }
    node_ = document_->CreateElement(kind);
    Select(kind, name, [this](TDomElement* source, int i) { AppendCopy(source, i); });
}

std::vector<TDomElement*> TWorkingElement::Sources(WideView kind, WideView name)
{
    std::vector<TDomElement*> found;
    if (document_ && kind != u"scene")
        Select(kind, name, [&](TDomElement* source, int) { found.push_back(source); });
    return found;
}

void TWorkingElement::AddCopy(WideView kind, WideView name)
{
    if (!node_ || IsDocument())
        return;
    const int i = index_.FirstNamed(kind, name);
    if (i >= 0)
        AppendCopy(index_.Item(kind, i), i);
}

void TWorkingElement::AddTextureCopies(WideView name)
{
    for (char16_t d = u'0'; d <= u'9'; ++d)
        AddCopy(u"texture", WideString(name) + d);
}

void TWorkingElement::AppendCopy(TDomElement* source, int index)
{
    const int n = ChildCount();
    SetMark(n, Decimal(index));
    node_->AppendChild(source->CloneNode(true));
    sources_.resize(n + 1, nullptr);
    sources_[n] = source;
}

void TWorkingElement::AppendNew(TDomElement* element)
{
    const int n = ChildCount();
    SetMark(n, u"new");
    node_->AppendChild(element);
    if (static_cast<int>(sources_.size()) > n)
        sources_[n] = nullptr;
}

WideString TWorkingElement::Mark(int n) const
{
    const TDomElement* element = Element();
    if (!element || IsDocument())
        return {};
    return element->GetAttribute(ChildMarkName(n));
}

void TWorkingElement::SetMark(int n, WideView value)
{
    if (TDomElement* element = Element(); element && !IsDocument())
        element->SetAttribute(ChildMarkName(n), value);
}

void TWorkingElement::MarkDeleted(WideView key, WideView name)
{
    if (!node_ || IsDocument())
        return;
    int n = 0;
    WideString value;
    for (TDomNode* child = node_->FirstChild(); child; child = child->NextSibling(), ++n) {
        const TDomElement* element = child->AsElement();
        if (!element || element->TagName() == u"render")
            continue;
        if (element->TryGetAttribute(key, value) && value == name)
            SetMark(n, u"deleted");
    }
}

TDomElement* TWorkingElement::FindHeld(WideView kind, WideView key, WideView name, int from, int* at) const
{
    if (!node_)
        return nullptr;
    int n = 0;
    WideString value;
    for (TDomNode* child = node_->FirstChild(); child; child = child->NextSibling(), ++n) {
        TDomElement* element = child->AsElement();
        if (n < from || !element)
            continue;
        bool match;
        if (element->TagName() == u"render") {
            match = kind == u"render";
        } else {
            match = element->TryGetAttribute(key, value) && value == name;
        }
        if (match) {
            if (at)
                *at = n;
            return element;
        }
    }
    return nullptr;
}

TDomElement* TWorkingElement::LiveSource(int n)
{
    if (n < 0 || n >= static_cast<int>(sources_.size()) || !sources_[n])
        return nullptr;
    return index_.Contains(sources_[n]) ? sources_[n] : nullptr;
}

// Adds to copy the attributes (missing or empty there) and the child elements (of a tag copy
// lacks) of other.
void TWorkingElement::MergeMissing(TDomElement* copy, const TDomElement* other)
{
    for (int i = 0; i < other->AttributeCount(); ++i) {
        const WideString& name = other->AttributeName(i);
        if (copy->GetAttribute(name).empty())
            copy->SetAttribute(name, other->AttributeValue(i));
    }
    for (TDomNode* child = other->FirstChild(); child; child = child->NextSibling()) {
        if (child->NodeType() != ELEMENT_NODE)
            continue;
        bool present = false;
        for (TDomNode* mine = copy->FirstChild(); mine && !present; mine = mine->NextSibling())
            present = mine->NodeType() == ELEMENT_NODE && mine->NodeName() == child->NodeName();
        if (!present)
            copy->AppendChild(child->CloneNode(true));
    }
}

void TWorkingElement::RemoveFromTree(TDomElement* element)
{
    TDomNode* parent = element->GetParentNode();
    if (!parent)
        return;
    TDomNode* next = element->NextSibling();
    parent->RemoveChild(element);
    Log(TTreeChange::Remove, parent, element, next);
    index_.Removed(element);
    // An object's transform placeholder goes with it once it holds nothing else.
    TDomElement* holder = parent->AsElement();
    if (element->TagName() == u"object" && holder && holder->TagName() == u"fake_transform" &&
        !holder->HasChildNodes()) {
        if (TDomNode* outer = holder->GetParentNode()) {
            TDomNode* after = holder->NextSibling();
            outer->RemoveChild(holder);
            Log(TTreeChange::Remove, outer, holder, after);
            index_.Removed(holder);
        }
    }
}

void TWorkingElement::PairRevivals(const std::vector<TDomElement*>& children, const std::vector<WideString>& marks)
{
    partner_.resize(children.size(), -1);
    for (size_t m = 0; m < children.size(); ++m) {
        if (!children[m] || marks[m] != u"new" || sources_[m] || partner_[m] >= 0)
            continue;
        WideString name, other;
        if (!ElementName(children[m], name))
            continue;
        for (size_t d = 0; d < children.size(); ++d) {
            if (d == m || !children[d] || marks[d] != u"deleted" || !LiveSource(static_cast<int>(d)) ||
                children[d]->TagName() != children[m]->TagName() ||
                std::find(partner_.begin(), partner_.end(), static_cast<int>(d)) != partner_.end())
                continue;
            if (ElementName(children[d], other) && other == name) {
                partner_[m] = static_cast<int>(d);
                break;
            }
        }
    }
}

void TWorkingElement::CommitEdit(bool keepCopies)
{
    if (!node_ || IsDocument() || !node_->FirstChild() || node_->FirstChild()->NodeName() == u"scene")
        return;
    std::vector<TDomElement*> children;
    std::vector<WideString> marks;
    for (TDomNode* child = node_->FirstChild(); child; child = child->NextSibling()) {
        marks.push_back(Mark(static_cast<int>(children.size())));
        children.push_back(child->AsElement());
    }
    if (sources_.size() < children.size())
        sources_.resize(children.size(), nullptr);
    // A new element beside a deleted one of the same tag and name revives it: the deleted copy,
    // which the editors read and write first, goes back in its place with what the new one adds.
    PairRevivals(children, marks);
    std::vector<int> revivedBy(children.size(), -1);
    for (size_t m = 0; m < partner_.size() && m < children.size(); ++m)
        if (partner_[m] >= 0 && marks[m] == u"new" && marks[partner_[m]] == u"deleted")
            revivedBy[partner_[m]] = static_cast<int>(m);

    for (int n = 0; n < static_cast<int>(children.size()); ++n) {
        TDomElement* child = children[n];
        if (!child)
            continue;
        const WideString& mark = marks[n];
        if (n < static_cast<int>(partner_.size()) && partner_[n] >= 0 && revivedBy[partner_[n]] == n)
            continue;  // merged into its partner
        if (mark == u"deleted" && revivedBy[n] >= 0) {
            TDomElement* copy = Placed(child, keepCopies);
            MergeMissing(copy, children[revivedBy[n]]);
            TDomElement* target = LiveSource(n);
            if (target) {
                TDomNode* parent = target->GetParentNode();
                parent->ReplaceChild(copy, target);
                Log(TTreeChange::Replace, parent, copy, target);
                index_.Replaced(target, copy);
                sources_[n] = sources_[revivedBy[n]] = copy;
            }
            continue;
        }
        if (mark == u"deleted") {
            if (sources_[n]) {
                if (TDomElement* source = LiveSource(n))
                    RemoveFromTree(source);
            } else {
                WideString name;
                if (ElementName(child, name)) {
                    const int i = index_.FirstNamed(child->TagName(), name);
                    if (i >= 0)
                        RemoveFromTree(index_.Item(child->TagName(), i));
                }
            }
            continue;
        }
        TDomElement* target = nullptr;
        if (mark == u"new") {
            // A revived copy (or one inserted by an earlier commit) takes its element's place.
            target = LiveSource(n);
        } else {
            const int64_t number = StrToInt64(Narrow(mark));
            target = LiveSource(n);
            if (!target && number >= 0 && number <= INT32_MAX)
                target = index_.Item(child->TagName(), static_cast<int>(number));
            if (!target)
                throw EListError(number);
        }
        TDomElement* copy = Placed(child, keepCopies);
        if (target) {
            TDomNode* parent = target->GetParentNode();
            parent->ReplaceChild(copy, target);
            Log(TTreeChange::Replace, parent, copy, target);
            index_.Replaced(target, copy);
        } else if (TDomElement* first = index_.Item(child->TagName(), 0)) {
            first->GetParentNode()->InsertBefore(copy, first);
            Log(TTreeChange::Insert, first->GetParentNode(), copy, first);
            index_.InsertedAt(copy, 0);
        } else {
            // The first of its kind goes before the render settings, or last without them.
            TDomElement* render = index_.Item(u"render", 0);
            TDomElement* top = document_->DocumentElement();
            if (!top)
                throw EListError(0);
            top->InsertBefore(copy, render);
            Log(TTreeChange::Insert, top, copy, render);
            index_.InsertedAt(copy, 0);
        }
        sources_[n] = copy;
    }
    if (!keepCopies)
        BeginEdit(u"scene", u"");
}

// What goes into the document for a held child: a copy of it, or the child itself.
TDomElement* TWorkingElement::Placed(TDomElement* child, bool keepCopies)
{
    if (keepCopies)
        return child->CloneNode(true)->AsElement();
    node_->RemoveChild(child);
    return child;
}

} // namespace kelvane
