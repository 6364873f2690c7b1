#include "editing/ui/SessionStore.h"

#include "editing/SceneSession.h"

namespace kelvane {

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

void TSessionStore::DeleteValue(std::string_view path, std::string_view name)
{
    session_.DeleteValue(Widen(path), Widen(name));
}

std::string TSessionStore::Presence(std::string_view name)
{
    return Narrow(session_.PresenceTable().Values(Widen(name)));
}

} // namespace kelvane
