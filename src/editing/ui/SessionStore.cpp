#include "editing/ui/SessionStore.h"

#include "editing/SceneSession.h"

#include <string>

namespace kelvane {

std::string TSessionStore::GetValue(std::string_view path, std::string_view name)
{
    return session_.GetValue(path, name);
}

void TSessionStore::SetValue(std::string_view path, std::string_view name, std::string_view value, TKeyKind keyKind)
{
    session_.SetValue(path, name, value, keyKind);
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
    return session_.SelectedName();
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
    session_.DeleteValue(path, name);
}

void TSessionStore::CopyElementAs(std::string_view kind, std::string_view source, std::string_view newName)
{
    session_.CopyElementAs(kind, source, newName);
}

bool TSessionStore::ReviveHeld(std::string_view name)
{
    return session_.ReviveHeld(name);
}

void TSessionStore::KeepAttributes(std::string_view name, const std::vector<std::string>& keep)
{
    session_.KeepAttributes(name, keep);
}

std::string TSessionStore::Presence(std::string_view name)
{
    return session_.PresenceTable().Values(name);
}

void TSessionStore::SetPresence(std::string_view name, std::string_view value)
{
    session_.SetPresence(name, value);
}

int TSessionStore::RenameSelected(std::string_view name)
{
    const int row = session_.SelectedRow();
    if (row < 0)
        return row;
    const std::string text = session_.SelectedKind() + " -- " + std::string(name);
    const int now = session_.SetRowText(row, text);
    session_.SelectRow(now);
    return now;
}

bool TSessionStore::ReviveHeld(std::string_view kind, std::string_view name)
{
    return session_.ReviveHeld(kind, name);
}

bool TSessionStore::HasThumbnail(std::string_view key)
{
    return session_.ThumbnailIndex().Contains(key);
}

int TSessionStore::ThumbnailPosition(std::string_view key)
{
    const std::string value = session_.ThumbnailIndex().Values(key);
    if (value.empty() || value.size() > 9 || value.find_first_not_of("0123456789") != std::string::npos)
        return -1;
    return std::stoi(value);
}

void TSessionStore::SetThumbnailPosition(std::string_view key, int position)
{
    session_.SetThumbnail(key, std::to_string(position));
}

void TSessionStore::ForgetThumbnail(std::string_view key)
{
    session_.ForgetThumbnail(key);
}

std::vector<std::string> TSessionStore::CameraNames()
{
    return session_.CameraNames();
}

std::vector<std::string> TSessionStore::BackgroundNames()
{
    return session_.BackgroundNames();
}

std::vector<std::string> TSessionStore::ShaderNames()
{
    return session_.ShaderNames();
}

} // namespace kelvane
