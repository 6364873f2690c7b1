#pragma once
// Reading the scene's elements: numbers in C form and parameters, which may be attributes of an
// element or child tags of their own (for the scene readers of the ray tracer only).
#include <charconv>
#include <cmath>
#include <cstring>
#include <string>
#include <string_view>
#include <system_error>
#include <utility>

#include "raytracer/RtMath.h"
#include "raytracer/RtNames.h"
#include "scene/TextCodec.h"
#include "scene/skDom.h"

namespace kelvane::rt {

// ---------------------------------------------------------------------------------------------
// Numbers and raw tags

// A number in C form (a '.' decimal point whatever the locale); false when the text is not one.
inline bool ParseNumber(std::string_view text, double& value)
{
    size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t' || text[i] == '\r' || text[i] == '\n'))
        ++i;
    if (i < text.size() && text[i] == '+')
        ++i;
    size_t end = text.size();
    while (end > i && (text[end - 1] == ' ' || text[end - 1] == '\t' || text[end - 1] == '\r' || text[end - 1] == '\n'))
        --end;
    if (i >= end)
        return false;
    const auto [ptr, ec] = std::from_chars(text.data() + i, text.data() + end, value);
    return ec == std::errc() && ptr == text.data() + end && std::isfinite(value);
}

// Calls f(name, value) for every attribute of the start tag at `pos` (just after its name) up
// to its '>'; returns the position after the tag.
template <class F>
inline size_t ScanAttributes(std::string_view t, size_t pos, F&& f)
{
    const size_t n = t.size();
    while (pos < n) {
        while (pos < n && (t[pos] == ' ' || t[pos] == '\t' || t[pos] == '\r' || t[pos] == '\n'))
            ++pos;
        if (pos >= n)
            break;
        if (t[pos] == '>')
            return pos + 1;
        if (t[pos] == '/') {
            ++pos;
            continue;
        }
        const size_t nameStart = pos;
        while (pos < n && !std::strchr(" \t\r\n=/>", t[pos]))
            ++pos;
        const std::string_view name = t.substr(nameStart, pos - nameStart);
        while (pos < n && (t[pos] == ' ' || t[pos] == '\t' || t[pos] == '\r' || t[pos] == '\n'))
            ++pos;
        if (pos >= n || t[pos] != '=')
            continue;
        ++pos;
        while (pos < n && (t[pos] == ' ' || t[pos] == '\t' || t[pos] == '\r' || t[pos] == '\n'))
            ++pos;
        if (pos >= n)
            break;
        const char quote = t[pos];
        if (quote != '"' && quote != '\'')
            continue;
        const size_t close = t.find(quote, pos + 1);
        if (close == std::string_view::npos)
            return n;
        f(name, t.substr(pos + 1, close - pos - 1));
        pos = close + 1;
    }
    return n;
}

// ---------------------------------------------------------------------------------------------
// Document access

inline std::string Attr(const TDomElement* e, const char* name)
{
    return Narrow(e->GetAttribute(W(name)));
}

inline const TDomElement* Child(const TDomElement* e, const char* name)
{
    if (!e)
        return nullptr;
    const WideString wide = W(name);
    for (const TDomNode* c = e->FirstChild(); c; c = c->NextSibling())
        if (const TDomElement* ce = c->AsElement(); ce && ce->TagName() == wide)
            return ce;
    return nullptr;
}

inline bool HasAttr(const TDomElement* e, const char* name)
{
    return e && e->HasAttribute(W(name));
}

// Parameters are attributes of the element or children `<name value=""/>`, `<name r g b/>`,
// `<name x y z/>`; a shader keeps them in its `attributes` child.
struct Params {
    const TDomElement* primary = nullptr;
    const TDomElement* secondary = nullptr;

    // The text of a scalar parameter; found tells whether it is there.
    std::string Text(const char* name, bool& found) const
    {
        for (const TDomElement* e : {primary, secondary}) {
            if (!e)
                continue;
            if (const TDomElement* c = Child(e, name); c && HasAttr(c, "value")) {
                found = true;
                return Attr(c, "value");
            }
            if (HasAttr(e, name)) {
                found = true;
                return Attr(e, name);
            }
        }
        found = false;
        return {};
    }
    double Number(const char* name, double fallback) const
    {
        bool found = false;
        double v = 0;
        const std::string text = Text(name, found);
        return found && ParseNumber(text, v) ? v : fallback;
    }
    bool Flag(const char* name, bool fallback) const
    {
        bool found = false;
        const std::string text = Text(name, found);
        return found ? text == "on" : fallback;
    }
    std::string String(const char* name) const
    {
        bool found = false;
        return Text(name, found);
    }
    Color Colour(const char* name, Color fallback, bool* found = nullptr) const
    {
        for (const TDomElement* e : {primary, secondary}) {
            const TDomElement* c = Child(e, name);
            if (!c)
                continue;
            if (found)
                *found = true;
            double v = 0;
            if (HasAttr(c, "value") && ParseNumber(Attr(c, "value"), v))
                return Color(v);
            Color out;
            ParseNumber(Attr(c, "r"), out.r);
            ParseNumber(Attr(c, "g"), out.g);
            ParseNumber(Attr(c, "b"), out.b);
            return out;
        }
        bool textFound = false;
        double v = 0;
        const std::string text = Text(name, textFound);
        if (textFound && ParseNumber(text, v)) {
            if (found)
                *found = true;
            return Color(v);
        }
        if (found)
            *found = false;
        return fallback;
    }
    Vec3 Point(const char* name, Vec3 fallback) const
    {
        for (const TDomElement* e : {primary, secondary}) {
            if (const TDomElement* c = Child(e, name)) {
                Vec3 out;
                ParseNumber(Attr(c, "x"), out.x);
                ParseNumber(Attr(c, "y"), out.y);
                ParseNumber(Attr(c, "z"), out.z);
                return out;
            }
        }
        return fallback;
    }
};

} // namespace kelvane::rt
