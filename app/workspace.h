// The working state as the operations see it: the texts of the main window's and the
// options window's fields. The windows implement it over their controls; the
// command-line program and the tests over a plain store (FieldStore).
#pragma once

#include <string>

namespace quillon {

enum class Field {
    // main window
    srcIso,
    dstPbp,
    labelText,
    saveTitle,
    saveID_l,
    saveID,
    icon0,
    unknown,  // PIC0.PNG
    pic1,
    snd0,
    icon1,
    region,  // the region label's caption
    // options window
    defWarning,
    defIcon0,
    defPic1,
    defUnknown,
    defSnd0,
    defIcon1,
    defIsoFolder,
    defOutput,  // stored under the key defOutputFolder
    defImageFolder,
    Compression,
    warning,  // the warning picture of the next conversion; never stored
};

// The region label's caption before any source has been inspected (U+3000 first).
inline constexpr const char* kInitialRegionCaption = "\u3000区域: [?]";

class Workspace {
public:
    virtual ~Workspace() = default;

    virtual std::string text(Field field) const = 0;
    // Sets a field's text. A field whose text really changes runs its change handler:
    // icon0, pic1 and unknown recompose the preview; setting the same text runs nothing.
    virtual void setText(Field field, const std::string& text) = 0;
    // Puts the caret after the last character with nothing selected.
    virtual void caretToEnd(Field field) = 0;

    virtual bool palFix() const = 0;
    // Index of the first checked folder-option radio button (0 to 3), or -1 for none.
    virtual int folderOption() const = 0;
    // Checks the radio button of this option (0 to 3).
    virtual void setFolderOption(int option) = 0;

    // Redraws the preview from the current fields.
    virtual void composePreview() = 0;

    // setText followed by caretToEnd: how the program puts a path into a field.
    void setPath(Field field, const std::string& path) {
        setText(field, path);
        caretToEnd(field);
    }
};

}  // namespace quillon
