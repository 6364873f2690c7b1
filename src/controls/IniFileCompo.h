#pragma once
// The settings store: the whole settings file held in memory as sections of "key=value" lines,
// typed reads with caller defaults, and the file written back at destruction.
//
// Folders: dfApplication is the folder of the executable; dfAppData the user's configuration
// folder ($XDG_CONFIG_HOME, else ~/.config) followed by the executable's base name; dfUser the
// current directory (the file name alone); dfWindows the system configuration folder /etc.
//
// Errors: reads never fail. The file is written to a temporary file beside it and renamed over it,
// so it is either the old file or the complete new one. UpdateFile() raises EFileError. The
// automatic writes (UpdateAtOnce after each write, AutoUpdate at destruction) never raise: their
// failure is handed to OnError (or, without one, printed to stderr) once, and not again until a
// write has succeeded; LastError() keeps the text. A settings file that exists but cannot be read
// is reported the same way and the store starts empty.
//
// Names and values are 8-bit (UTF-8) text and travel unchanged, except that a line break in a
// section, key or value is stored as a blank, so one write never becomes several lines.
#include "controls/ColorConvert.h"

#include "scene/FileIO.h"

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kelvane {

// The in-memory settings document.
class TIniDocument {
public:
    struct TSection {
        std::string name;
        std::vector<std::string> lines; // "key=value", or any other text kept as it was read
    };

    bool CaseSensitive() const { return caseSensitive_; }
    void SetCaseSensitive(bool value) { caseSensitive_ = value; }

    void Clear() { sections_.clear(); }
    // Replaces the contents by a file's text: lines trimmed, empty lines, ";" comments and lines
    // before the first section dropped, blanks around the first "=" removed.
    void SetText(std::string_view text);
    // "[name]", the section's lines and one empty line per section, CR LF line ends.
    std::string GetText() const;

    const std::vector<TSection>& Sections() const { return sections_; }

    // Lookups find the first section of a name and its first line with the key.
    bool SectionExists(std::string_view section) const;
    bool ValueExists(std::string_view section, std::string_view ident) const;
    std::optional<std::string> ReadValue(std::string_view section, std::string_view ident) const;
    // Replaces the key's line in place (with the key spelled as given), or appends it to the
    // section; a new section goes at the end.
    void WriteValue(std::string_view section, std::string_view ident, std::string_view value);
    void DeleteKey(std::string_view section, std::string_view ident);

    TSection* FindSection(std::string_view section);
    const TSection* FindSection(std::string_view section) const;
    bool SameName(std::string_view a, std::string_view b) const;
    // The key of a stored line (text before the first "="), or nullopt for a line without one.
    static std::optional<std::string_view> KeyOf(std::string_view line);

private:
    std::vector<TSection> sections_;
    bool caseSensitive_ = false;
};

enum class TDefaultFolder { dfAppData, dfApplication, dfUser, dfWindows };

// A window's placement as the settings keep it. The rectangle is the normal-state one, with
// right and bottom as coordinates.
struct TWindowPlacement {
    int flags = 0;
    int showCmd = 1;
    int maxX = -1;
    int maxY = -1;
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
};

// Show commands used by the placement.
enum : int { swHide = 0, swShowNormal = 1, swShowMinimized = 2, swShowMaximized = 3 };
// Window states as stored under X.state.
enum : int { wsNormal = 0, wsMinimized = 1, wsMaximized = 2 };

// What ReadForm and WriteForm need of a window.
class IPlacementTarget {
public:
    virtual ~IPlacementTarget() = default;
    virtual TWindowPlacement GetPlacement() const = 0;
    virtual void SetPlacement(const TWindowPlacement& placement) = 0;
    virtual bool IsShowing() const = 0;
    virtual int WindowState() const = 0;           // wsNormal, wsMinimized, wsMaximized
    virtual void SetWindowState(int state) = 0;   // wsNormal or wsMaximized
    virtual int ClientWidth() const = 0;
    virtual int ClientHeight() const = 0;
};

class TIniFileCompo {
public:
    using TNotify = std::function<void(TIniFileCompo& sender)>;
    using TErrorHandler = std::function<void(const std::string& message)>;

    // Settings of the running executable (its folder, its base name + ".ini").
    TIniFileCompo();
    // As if the executable were `executable`; the file is looked for beside it.
    explicit TIniFileCompo(const fs::path& executable);
    ~TIniFileCompo();
    TIniFileCompo(const TIniFileCompo&) = delete;
    TIniFileCompo& operator=(const TIniFileCompo&) = delete;

    bool ValueExists(std::string_view section, std::string_view ident) const;
    std::string ReadString(std::string_view section, std::string_view ident, std::string_view def) const;
    void WriteString(std::string_view section, std::string_view ident, std::string_view value);
    // Decimal, "0x" or "$" hexadecimal (8 digits at most, two's complement), signed 32 bits.
    int32_t ReadInteger(std::string_view section, std::string_view ident, int32_t def) const;
    void WriteInteger(std::string_view section, std::string_view ident, int32_t value);
    // Always read as hexadecimal, with or without the leading "$"; written as "$" + 8 digits.
    TColor ReadColor(std::string_view section, std::string_view ident, TColor def) const;
    void WriteColor(std::string_view section, std::string_view ident, TColor value);
    // The placement group ident: X="FORM", X.flags, X.show, X.maxx, X.maxy, X.left, X.top,
    // X.width (right), X.height (bottom), X.state, X.cwidth, X.cheight.
    void ReadForm(std::string_view section, std::string_view ident, IPlacementTarget& window) const;
    void WriteForm(std::string_view section, std::string_view ident, const IPlacementTarget& window);
    // The list group ident: X="LIST", X.count, X.0 .. X.(count-1).
    void ReadList(std::string_view section, std::string_view ident, std::vector<std::string>& list) const;
    void WriteList(std::string_view section, std::string_view ident, const std::vector<std::string>& list);

    bool AutoUpdate() const { return autoUpdate_; }
    void SetAutoUpdate(bool value) { autoUpdate_ = value; }
    bool UpdateAtOnce() const { return updateAtOnce_; }
    void SetUpdateAtOnce(bool value) { updateAtOnce_ = value; }
    TDefaultFolder DefaultFolder() const { return defaultFolder_; }
    void SetDefaultFolder(TDefaultFolder value);   // moves to the folder and reloads, then OnLoad
    const std::string& FileName() const { return fileName_; }
    void SetFileName(const std::string& value);    // reloads, then OnLoad
    bool CaseSensitive() const { return document_.CaseSensitive(); }
    void SetCaseSensitive(bool value) { document_.SetCaseSensitive(value); }

    const fs::path& FullPath() const { return fullPath_; }
    TIniDocument& Document() { return document_; }
    const TIniDocument& Document() const { return document_; }

    // Writes the whole document to the file now. Raises EFileError.
    void UpdateFile();
    const std::string& LastError() const { return lastError_; }

    TNotify OnLoad;
    TNotify OnUpdate;
    TErrorHandler OnError;

protected:
    virtual void DoUpdate();
    virtual void DoLoad();

private:
    void Init(const fs::path& executable);
    void Changed();
    void Reload();
    void Report(const std::string& message);
    bool TryUpdateFile() noexcept;
    fs::path FolderFor(TDefaultFolder folder) const;

    fs::path programFolder_;
    std::string privateSubFolder_;
    std::string defaultFileName_;
    fs::path folder_;
    TIniDocument document_;
    bool autoUpdate_ = true;
    TDefaultFolder defaultFolder_ = TDefaultFolder::dfApplication;
    std::string fileName_;
    fs::path fullPath_;
    bool updateAtOnce_ = false;
    bool failureReported_ = false;
    std::string lastError_;
};

} // namespace kelvane
