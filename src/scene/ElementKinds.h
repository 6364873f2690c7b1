#pragma once
// The element kinds: one table that the catalogue, the scene writer's order, the kind colours,
// the add dialog and the editor's tabs all read. A new kind is one row here plus its tab.
// Top-level elements of other names are the scene's other items: kept, and written after the
// kinds.
#include <cstdint>
#include <string_view>
#include <vector>


namespace kelvane {

// The name lists kept beside the element list.
enum class TNameList { Cameras, Backgrounds, Shaders };

// How an element of the kind shows in the element list.
enum class TRowForm : uint8_t {
    None,          // no row (textures, transforms, cameras)
    Named,         // kind " -- " name
    Nameless,      // kind " -- " (the filter row stands for "dof" and "an")
    RenderCamera,  // kind " -- " camera_name, its check box disabled
};

// Where the add dialog places a new element of an entry.
enum class TPlacement : uint8_t {
    None,
    DirectLight,  // a light's part ".light" at the render camera, aimed where it looks
    CameraCopy,   // a copy of the render camera
};

// One value a new element starts with: a key path and its value.
struct TNewValue {
    std::string_view path = {};
    std::string_view value = {};
    bool inAttributes = false;  // inside the element's `attributes` child
};

// One item of the add dialog's type list.
struct TAddEntry {
    std::string_view caption = {};    // the text in the list
    int position = 0;            // the place in the list (the list is sorted by it)
    std::string_view type = {};               // the new element's type attribute (none when empty)
    std::string_view fixedName = {};          // the name always used (the typed name may then be empty)
    std::string_view onePerScene = {};  // the refusal when the scene already has an element of the kind
    bool onePerType = false;       // ... of the kind and type
    std::string_view presence = {};           // the presence value of the new element (none when empty)
    TPlacement placement = TPlacement::None;
    std::vector<TNewValue> values = {};
};

struct TElementKind {
    std::string_view name = {};        // the element's tag
    TRowForm row = TRowForm::None;
    int writeOrder = 0;           // the scene writer's order among the kinds
    std::string_view colourKey = {};   // the row colour's settings key ("System" section); none when empty
    uint32_t colour = 0;          // the default row colour (0x00BBGGRR)
    int tabOrder = -1;            // the editor tab's place in the page control; -1: no tab
    bool listed = false;          // the element names form a name list
    TNameList names = TNameList::Cameras;
    std::vector<TAddEntry> add = {};
};

// The kinds in the catalogue's walk order: shader, object, light, camera, render, background,
// filter, then kinds registered later; texture and transform (no rows) come last.
const std::vector<TElementKind>& ElementKinds();
const TElementKind* FindElementKind(std::string_view name);
// The kind names in the writer's order.
std::vector<std::string_view> WriterKindOrder();
// The kinds with a row colour, by name.
std::vector<const TElementKind*> ColouredKinds();
// The add dialog's entries in list order, each with its kind.
struct TAddChoice {
    const TElementKind* kind;
    const TAddEntry* entry;
};
std::vector<TAddChoice> AddChoices();

// Adds a kind for as long as the object lives (placed before texture and transform in the walk).
// Pointers into the table stay valid until the next registration or its end.
class TKindRegistration {
public:
    explicit TKindRegistration(TElementKind kind);
    ~TKindRegistration();
    TKindRegistration(const TKindRegistration&) = delete;
    TKindRegistration& operator=(const TKindRegistration&) = delete;

private:
    std::string_view name_;
};

} // namespace kelvane
