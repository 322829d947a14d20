// The program's working state: the texts of the main window's and the options window's
// fields, the patch check box and the folder option. Both front ends work on it: the
// windows keep their controls in step with it, the command line fills it from its
// arguments. Each field follows one rule of the table below: how much may be typed
// into it and what a real change of its text sets off.
#pragma once

#include <array>
#include <cstddef>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quillon {

enum class Field {
    // main window
    sourcePath,
    outputFolder,
    title,
    saveTitle,
    discIdPrefix,
    discIdNumber,
    icon0,
    pic0,  // PIC0.PNG
    pic1,
    snd0,
    icon1,
    regionCaption,  // the region label's caption
    // options window
    defaultWarning,
    defaultIcon0,
    defaultPic1,
    defaultPic0,
    defaultSnd0,
    defaultIcon1,
    sourceFolder,
    defaultOutputFolder,  // stored under the key defOutputFolder
    imageFolder,
    compressionLevel,
    warning,  // the warning picture of the next conversion; never stored
};

// The sub-folder that the output folder gets for each game, after which identification
// it is named: none, the disc ID, the game title or the save title.
enum class FolderOption { NoSubFolder, DiscId, Title, SaveTitle };

// What a real change of a field's text sets off.
enum class FieldTrigger {
    None,
    InspectSource,  // the source field: the new source is inspected
    RedrawPreview,  // the picture fields of the menu: the preview is composed anew
};

struct FieldRule {
    Field field;
    std::size_t typingLimit;  // characters a user may type into it; 0 for any number
    FieldTrigger trigger;
};

inline constexpr std::array<FieldRule, 23> kFieldRules{{
    {Field::sourcePath, 0, FieldTrigger::InspectSource},
    {Field::outputFolder, 0, FieldTrigger::None},
    {Field::title, 0, FieldTrigger::None},
    {Field::saveTitle, 0, FieldTrigger::None},
    {Field::discIdPrefix, 4, FieldTrigger::None},
    {Field::discIdNumber, 5, FieldTrigger::None},
    {Field::icon0, 0, FieldTrigger::RedrawPreview},
    {Field::pic0, 0, FieldTrigger::RedrawPreview},
    {Field::pic1, 0, FieldTrigger::RedrawPreview},
    {Field::snd0, 0, FieldTrigger::None},
    {Field::icon1, 0, FieldTrigger::None},
    {Field::regionCaption, 0, FieldTrigger::None},
    {Field::defaultWarning, 0, FieldTrigger::None},
    {Field::defaultIcon0, 0, FieldTrigger::None},
    {Field::defaultPic1, 0, FieldTrigger::None},
    {Field::defaultPic0, 0, FieldTrigger::None},
    {Field::defaultSnd0, 0, FieldTrigger::None},
    {Field::defaultIcon1, 0, FieldTrigger::None},
    {Field::sourceFolder, 0, FieldTrigger::None},
    {Field::defaultOutputFolder, 0, FieldTrigger::None},
    {Field::imageFolder, 0, FieldTrigger::None},
    {Field::compressionLevel, 1, FieldTrigger::None},
    {Field::warning, 0, FieldTrigger::None},
}};

const FieldRule& ruleOf(Field field);

// Whether typing or pasting may leave `text` (UTF-8) in the field: every field holds
// one line, and no more characters than its limit. Text the program itself puts into a
// field is not held to this.
bool acceptsTyped(Field field, std::string_view text);

// The region label's caption before any source has been inspected (U+3000 first).
inline constexpr const char* kInitialRegionCaption = "\u3000区域: [?]";

// Told of every change of the state, after it has been made.
class FieldObserver {
public:
    virtual ~FieldObserver() = default;
    virtual void textSet(Field field, const std::string& text) = 0;
    // The program puts the caret after the last character with nothing selected.
    virtual void caretToEnd(Field field) = 0;
    virtual void palFixSet(bool on) = 0;
    virtual void folderOptionSet(std::optional<FolderOption> option) = 0;
};

class FieldState {
public:
    // Every field empty, the region label at its first caption, no sub-folder.
    FieldState();
    FieldState(const FieldState&) = delete;
    FieldState& operator=(const FieldState&) = delete;

    const std::string& text(Field field) const;
    // A real change of the text is stored, told to the observers, then sets off the
    // field's trigger; setting the text a field holds does nothing at all.
    void setText(Field field, const std::string& text);
    void caretToEnd(Field field);
    // How the program puts a path into a field: the text, then the caret to its end.
    void setPath(Field field, const std::string& path);

    bool palFix() const { return palFix_; }
    void setPalFix(bool on);
    // The folder option whose radio button is checked; none when no button is.
    std::optional<FolderOption> folderOption() const { return folderOption_; }
    void setFolderOption(std::optional<FolderOption> option);

    // Composes the preview from the current fields (the redraw reaction).
    void composePreview();

    // What a trigger runs; an unset one runs nothing.
    void setReaction(FieldTrigger trigger, std::function<void()> reaction);
    void addObserver(FieldObserver* observer);
    void removeObserver(FieldObserver* observer);

private:
    void react(FieldTrigger trigger);

    std::map<Field, std::string> texts_;
    bool palFix_ = false;
    std::optional<FolderOption> folderOption_ = FolderOption::NoSubFolder;
    std::map<FieldTrigger, std::function<void()>> reactions_;
    std::vector<FieldObserver*> observers_;
};

}  // namespace quillon
