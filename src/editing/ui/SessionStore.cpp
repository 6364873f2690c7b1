#include "editing/ui/SessionStore.h"

#include "editing/SceneSession.h"

#include <string>

namespace kelvane {

namespace {

std::vector<std::string> Narrowed(const std::vector<WideString>& names)
{
    std::vector<std::string> out;
    for (const WideString& n : names)
        out.push_back(Narrow(n));
    return out;
}

} // namespace

std::string TSessionStore::GetValue(std::string_view path, std::string_view name)
{
    return Narrow(session_.GetValue(Widen(path), Widen(name)));
}

void TSessionStore::SetValue(std::string_view path, std::string_view name, std::string_view value, TKeyKind keyKind)
{
    session_.SetValue(Widen(path), Widen(name), Widen(value), keyKind);
}

void TSessionStore::BeginModulatorView()
{
    session_.BeginModulatorView();
}

void TSessionStore::EndModulatorView()
{
    session_.EndModulatorView();
}

std::string TSessionStore::SelectedName()
{
    return Narrow(session_.SelectedName());
}

void TSessionStore::BeginStep(const std::string& label)
{
    session_.BeginStep(label);
}

void TSessionStore::EndStep()
{
    session_.EndStep();
}

void TSessionStore::DeleteValue(std::string_view path, std::string_view name)
{
    session_.DeleteValue(Widen(path), Widen(name));
}

void TSessionStore::CopyElementAs(std::string_view kind, std::string_view source, std::string_view newName)
{
    session_.CopyElementAs(Widen(kind), Widen(source), Widen(newName));
}

bool TSessionStore::ReviveHeld(std::string_view name)
{
    return session_.ReviveHeld(Widen(name));
}

void TSessionStore::KeepAttributes(std::string_view name, const std::vector<std::string>& keep)
{
    std::vector<WideString> wide;
    for (const std::string& k : keep)
        wide.push_back(Widen(k));
    session_.KeepAttributes(Widen(name), wide);
}

std::string TSessionStore::Presence(std::string_view name)
{
    return Narrow(session_.PresenceTable().Values(Widen(name)));
}

void TSessionStore::SetPresence(std::string_view name, std::string_view value)
{
    session_.SetPresence(Widen(name), Widen(value));
}

int TSessionStore::RenameSelected(std::string_view name)
{
    const int row = session_.SelectedRow();
    if (row < 0)
        return row;
    const WideString text = session_.SelectedKind() + u" -- " + Widen(name);
    const int now = session_.SetRowText(row, text);
    session_.SelectRow(now);
    return now;
}

bool TSessionStore::ReviveHeld(std::string_view kind, std::string_view name)
{
    return session_.ReviveHeld(Widen(kind), Widen(name));
}

bool TSessionStore::HasThumbnail(std::string_view key)
{
    return session_.ThumbnailIndex().Contains(Widen(key));
}

int TSessionStore::ThumbnailPosition(std::string_view key)
{
    const std::string value = Narrow(session_.ThumbnailIndex().Values(Widen(key)));
    if (value.empty() || value.size() > 9 || value.find_first_not_of("0123456789") != std::string::npos)
        return -1;
    return std::stoi(value);
}

void TSessionStore::SetThumbnailPosition(std::string_view key, int position)
{
    session_.SetThumbnail(Widen(key), Widen(std::to_string(position)));
}

void TSessionStore::ForgetThumbnail(std::string_view key)
{
    session_.ForgetThumbnail(Widen(key));
}

std::vector<std::string> TSessionStore::CameraNames()
{
    return Narrowed(session_.CameraNames());
}

std::vector<std::string> TSessionStore::BackgroundNames()
{
    return Narrowed(session_.BackgroundNames());
}

std::vector<std::string> TSessionStore::ShaderNames()
{
    return Narrowed(session_.ShaderNames());
}

} // namespace kelvane
