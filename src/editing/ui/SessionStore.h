#pragma once
// The value store over the scene session: the one route from the editor tabs to the session.
#include "editing/ui/Binding.h"

#include <vector>

namespace kelvane {

class TSceneSession;

class TSessionStore : public IValueStore {
public:
    explicit TSessionStore(TSceneSession& session) : session_(session) {}

    std::string GetValue(std::string_view path, std::string_view name) override;
    void SetValue(std::string_view path, std::string_view name, std::string_view value, TKeyKind keyKind) override;
    void BeginModulatorView() override;
    void EndModulatorView() override;
    std::string SelectedName() override;
    void BeginStep(const std::string& label) override;
    void EndStep() override;

    void DeleteValue(std::string_view path, std::string_view name) override;
    void CopyElementAs(std::string_view kind, std::string_view source, std::string_view newName);
    // A held element of that name marked deleted is marked new again; false when there is none.
    bool ReviveHeld(std::string_view name);
    // Every held element of that name keeps only the attributes named in keep.
    void KeepAttributes(std::string_view name, const std::vector<std::string>& keep);
    // The presence characters held for an element name (empty when none).
    std::string Presence(std::string_view name);
    void SetPresence(std::string_view name, std::string_view value);
    // The selected row gets a new name part; the working element is committed and made again
    // for the row. Returns the row's new index.
    int RenameSelected(std::string_view name);
    // Marks the held element of this tag and name "new" again; false when none is held.
    bool ReviveHeld(std::string_view kind, std::string_view name);
    bool HasThumbnail(std::string_view key);
    // The image-list position stored under key; -1 when absent or not a number.
    int ThumbnailPosition(std::string_view key);
    void SetThumbnailPosition(std::string_view key, int position);
    void ForgetThumbnail(std::string_view key);
    // The names the scene's name lists offer.
    std::vector<std::string> CameraNames();
    std::vector<std::string> BackgroundNames();
    std::vector<std::string> ShaderNames();

private:
    TSceneSession& session_;
};

} // namespace kelvane
